// The local channel: folder rules, socket names, the macro line, and a
// server and client talking through the console's poll() pump.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "core/Encoding.h"
#include "host/PollPump.h"
#include "lib/dde/Channel.h"

namespace nokari::dde {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

struct TempFolder {
  std::string Path;
  TempFolder() {
    char tmpl[] = "/tmp/nokari-dde-test-XXXXXX";
    Path = mkdtemp(tmpl);
  }
  ~TempFolder() { fs::remove_all(Path); }
};

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

TEST(ChannelFolder, MadePrivateAndCheckedWhenThere) {
  TempFolder t;
  std::string folder = t.Path + "/nokari-dde";
  std::string why;
  mode_t old = umask(0);
  EXPECT_TRUE(PrepareChannelFolder(folder, why)) << why;
  umask(old);
  EXPECT_EQ(ModeOf(folder) & 0777, 0700u);
  EXPECT_TRUE(PrepareChannelFolder(folder, why)) << why;  // there already: fine
}

TEST(ChannelFolder, RefusesWhatOthersCouldReach) {
  TempFolder t;
  std::string why;
  std::string open = t.Path + "/open";
  mkdir(open.c_str(), 0700);
  chmod(open.c_str(), 0755);
  EXPECT_FALSE(PrepareChannelFolder(open, why));
  EXPECT_NE(why.find("open to other users"), std::string::npos);
  EXPECT_EQ(ModeOf(open) & 0777, 0755u);  // refused, not repaired

  std::string target = t.Path + "/target";
  mkdir(target.c_str(), 0700);
  std::string link = t.Path + "/link";
  ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
  EXPECT_FALSE(PrepareChannelFolder(link, why));
  EXPECT_NE(why.find("not a folder"), std::string::npos);

  std::string file = t.Path + "/file";
  fclose(fopen(file.c_str(), "w"));
  EXPECT_FALSE(PrepareChannelFolder(file, why));

  EXPECT_FALSE(PrepareChannelFolder(t.Path + "/missing/deeper", why));
}

TEST(ChannelFolder, RefusesAFolderOfAnotherUser) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give a folder away";
  TempFolder t;
  std::string theirs = t.Path + "/theirs";
  mkdir(theirs.c_str(), 0700);
  ASSERT_EQ(chown(theirs.c_str(), 65534, 65534), 0);
  std::string why;
  EXPECT_FALSE(PrepareChannelFolder(theirs, why));
  EXPECT_NE(why.find("another user"), std::string::npos);
}

TEST(ChannelFolder, RuntimeFolderOrPerUserFallback) {
  const char* saved = getenv("XDG_RUNTIME_DIR");
  std::string keep = saved ? saved : "";
  TempFolder t;
  setenv("XDG_RUNTIME_DIR", t.Path.c_str(), 1);
  EXPECT_EQ(ChannelFolderPath(), t.Path + "/nokari-dde");
  std::string fallback = "/tmp/nokari-dde-" + std::to_string(geteuid());
  setenv("XDG_RUNTIME_DIR", "relative/dir", 1);
  EXPECT_EQ(ChannelFolderPath(), fallback);
  setenv("XDG_RUNTIME_DIR", (t.Path + "/missing").c_str(), 1);
  EXPECT_EQ(ChannelFolderPath(), fallback);
  unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(ChannelFolderPath(), fallback);
  if (saved) setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
}

TEST(SocketNames, FoldedAndEscaped) {
  EXPECT_EQ(SocketName("/run", "nokari", "command"), "nokari#command");
  EXPECT_EQ(SocketName("/run", "MyApp", "Topic"), "myapp#topic");
  EXPECT_EQ(SocketName("/run", "a/b", "50%\n"), "a%2Fb#50%25%0A");
  // Names that are not ASCII keep their bytes (UTF-8).
  EXPECT_EQ(SocketName("/run", "のかり", "話題"), "のかり#話題");
}

TEST(SocketNames, LongNamesHashedToFit) {
  std::string folder = "/run/user/1000/nokari-dde";
  std::string topic(200, 't');
  std::string name = SocketName(folder, "nokari", topic);
  ASSERT_EQ(name.size(), 17u);
  EXPECT_EQ(name[0], '=');
  EXPECT_LE(SocketPath(folder, "nokari", topic).size(), kMaxSocketPath);
  // The same conversation always gets the same name, another one another;
  // the hash is over the folded name, so letter case still does not count.
  EXPECT_EQ(name, SocketName(folder, "NOKARI", topic));
  EXPECT_NE(name, SocketName(folder, "nokari", topic + "u"));
  // The longest name that still fits is kept as it is.
  std::string fits(kMaxSocketPath - folder.size() - 1 - 7, 'x');
  EXPECT_EQ(SocketName(folder, "nokari", fits), "nokari#" + fits);
  EXPECT_EQ(SocketName(folder, "nokari", fits + "x")[0], '=');
}

TEST(MacroLines, LineBreaksTravelAsLoneCr) {
  std::string cp932 = FromUtf8("一行目\r\n二行目\n三");
  std::string line = MacroLine(cp932);
  EXPECT_EQ(line, "一行目\r二行目\r三");
  std::string back;
  ASSERT_TRUE(MacroText(line, back));
  EXPECT_EQ(back, FromUtf8("一行目\r\n二行目\r\n三"));
  EXPECT_FALSE(MacroText("\xff\xfe", back));
}

// A server and its client in one process: the client's idle calls run the
// pump the server is served by.
struct Conversation {
  TempFolder t;
  PollPump pump;
  std::vector<std::string> received;
  bool answer = true;
  std::string path = t.Path + "/svc#topic";
  std::unique_ptr<ChannelServer> server;

  void Serve(bool background = false) {
    server = std::make_unique<ChannelServer>(
        pump,
        [this](const std::string& line) {
          received.push_back(line);
          return answer;
        },
        background);
    std::string why;
    ASSERT_EQ(server->Listen(path, why), ChannelServer::Status::Serving) << why;
  }
  SendStatus Send(const std::string& line) {
    return SendMacro(path, line, milliseconds(2000), [this] { pump.ProcessEvents(); });
  }
};

TEST(ChannelServer, MacroInAnswerOut) {
  Conversation c;
  c.Serve();
  EXPECT_EQ(c.Send("line vovezid"), SendStatus::Done);
  c.answer = false;
  EXPECT_EQ(c.Send("unknown"), SendStatus::Refused);
  EXPECT_EQ(c.received, (std::vector<std::string>{"line vovezid", "unknown"}));
}

TEST(ChannelServer, NoServerWithoutSocketOrWithAStaleOne) {
  Conversation c;
  EXPECT_EQ(c.Send("x"), SendStatus::NoServer);
  // A socket file whose program is gone.
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  strcpy(addr.sun_path, c.path.c_str());
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  close(fd);
  EXPECT_EQ(c.Send("x"), SendStatus::NoServer);
  // ... is replaced by the next server.
  c.Serve();
  EXPECT_EQ(c.Send("x"), SendStatus::Done);
}

TEST(ChannelServer, FirstServerKeepsTheConversation) {
  Conversation c;
  c.Serve();
  ChannelServer second(c.pump, [](const std::string&) { return true; }, false);
  std::string why;
  EXPECT_EQ(second.Listen(c.path, why), ChannelServer::Status::AlreadyServed);
  // The probe left nothing behind; the first one still answers.
  EXPECT_EQ(c.Send("still"), SendStatus::Done);
  EXPECT_EQ(c.received, std::vector<std::string>{"still"});
}

TEST(ChannelServer, NotASocketIsNotReplaced) {
  Conversation c;
  fclose(fopen(c.path.c_str(), "w"));
  ChannelServer s(c.pump, [](const std::string&) { return true; }, false);
  std::string why;
  EXPECT_EQ(s.Listen(c.path, why), ChannelServer::Status::Failed);
  EXPECT_TRUE(S_ISREG(ModeOf(c.path)));
}

TEST(ChannelServer, GoneServerRemovesItsSocketOnly) {
  Conversation c;
  c.Serve();
  EXPECT_TRUE(S_ISSOCK(ModeOf(c.path)));
  c.server.reset();
  EXPECT_EQ(ModeOf(c.path), 0u);
  EXPECT_EQ(c.pump.Armed(), 0u);
}

TEST(ChannelServer, BackgroundServerKeepsNothingArmed) {
  Conversation c;
  c.Serve(true);
  EXPECT_EQ(c.pump.Armed(), 0u);
  EXPECT_EQ(c.Send("x"), SendStatus::Done);
  Conversation d;
  d.Serve(false);
  EXPECT_EQ(d.pump.Armed(), 1u);
}

TEST(ChannelServer, LastLineWithoutLineEndAndOverlongLines) {
  Conversation c;
  c.Serve();
  // A peer that ends its line with CR LF, or with the end of its sending.
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  strcpy(addr.sun_path, c.path.c_str());
  ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(write(fd, "pause", 5), 5);
  shutdown(fd, SHUT_WR);
  for (int i = 0; i < 50 && c.received.empty(); ++i) c.pump.Wait(milliseconds(10), [] { return false; });
  char reply[8] = {};
  EXPECT_EQ(read(fd, reply, sizeof reply), 3);
  EXPECT_STREQ(reply, "OK\n");
  close(fd);
  EXPECT_EQ(c.received, std::vector<std::string>{"pause"});
  EXPECT_EQ(c.Send("crlf\r"), SendStatus::Done);
  EXPECT_EQ(c.received.back(), "crlf");
  EXPECT_EQ(c.Send(std::string(kMaxMacroBytes + 10, 'x')), SendStatus::Refused);
  EXPECT_EQ(c.received.size(), 2u);
}

}  // namespace
}  // namespace nokari::dde
