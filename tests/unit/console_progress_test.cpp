// The console's progress line: drawn only on a terminal, redrawn only when
// something changed, cut to the terminal's width, erased at the end.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include "core/Encoding.h"
#include "host/ConsoleProgress.h"

namespace nokari {
namespace {

// What the progress wrote into a pipe.
class Pipe {
 public:
  Pipe() {
    EXPECT_EQ(pipe(fds_), 0);
    fcntl(fds_[0], F_SETFL, O_NONBLOCK);
  }
  ~Pipe() {
    close(fds_[0]);
    close(fds_[1]);
  }
  int Writer() const { return fds_[1]; }
  std::string Read() {
    std::string out;
    char buf[4096];
    for (ssize_t n; (n = read(fds_[0], buf, sizeof buf)) > 0;) out.append(buf, n);
    return out;
  }

 private:
  int fds_[2];
};

TEST(ProgressLine, LabelPercentAndErase) {
  EXPECT_EQ(ProgressLine("get", 42, 80), "\rget 42%\x1b[K");
  // Cut to the width (the last column stays free); Japanese counts two.
  EXPECT_EQ(ProgressLine("abcdefghij", 5, 10), "\rabcdef 5%\x1b[K");
  EXPECT_EQ(ProgressLine("日本語テキスト", 100, 14), "\r日本語テ 100%\x1b[K");
  EXPECT_EQ(ProgressLine("a\r\nb", 1, 80), "\rab 1%\x1b[K");
}

TEST(ConsoleProgress, WritesOnATerminalOnly) {
  Pipe quiet;
  ConsoleProgress off(quiet.Writer(), false);
  off.Open(FromUtf8("取得中"), nullptr);
  off.SetPosition(50, 100);
  off.Close();
  EXPECT_EQ(quiet.Read(), "");

  Pipe shown;
  ConsoleProgress on(shown.Writer(), true);
  on.Open(FromUtf8("取得中"), nullptr);
  EXPECT_EQ(shown.Read(), "\r取得中 0%\x1b[K");
  on.SetPosition(10, 0);  // unknown total: nothing
  on.SetPosition(1, 200);  // still 0%
  EXPECT_EQ(shown.Read(), "");
  on.SetPosition(50, 100);
  EXPECT_EQ(shown.Read(), "\r取得中 50%\x1b[K");
  on.SetLabel("done");
  EXPECT_EQ(shown.Read(), "\rdone 50%\x1b[K");
  on.Close();
  EXPECT_EQ(shown.Read(), "\r\x1b[K");
  on.Close();  // harmless
  on.SetPosition(100, 100);  // nothing open
  EXPECT_EQ(shown.Read(), "");
}

}  // namespace
}  // namespace nokari
