// The progress window of a console run: one line on standard error,
// rewritten in place ("\r") as the bar moves, and only when standard error
// is a terminal (a log file or a pipe gets nothing). The stop button has
// no console form: Ctrl+C ends the program as ever.
#pragma once
#include <string>

#include "core/Progress.h"

namespace nokari {

class ConsoleProgress : public IProgressService {
 public:
  // `terminal`: whether `fd` is a terminal (read once, by the caller).
  ConsoleProgress(int fd, bool terminal) : fd_(fd), terminal_(terminal) {}
  void Open(const std::string& label, std::function<void()> stop) override;
  void SetLabel(const std::string& label) override;
  void SetPosition(int64_t done, int64_t total) override;
  void Close() override;

 private:
  void Draw();

  int fd_;
  bool terminal_;
  bool open_ = false;
  std::string label_;  // UTF-8
  int percent_ = 0;
};

// The line drawn for a label (UTF-8) and a percentage: cut to fit
// `columns` (a double-width character counts two), ending in an erase to
// the end of the line so a shorter line leaves nothing of a longer one.
std::string ProgressLine(const std::string& labelUtf8, int percent, int columns);

// The console runs' progress line on standard error.
IProgressService& HostConsoleProgress();

}  // namespace nokari
