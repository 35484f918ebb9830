// The local channel that DDE conversations and the debugger link travel
// on: Unix stream sockets in a private folder of the user, one socket a
// conversation, named "<service>#<topic>".
//
// A conversation is one connection: the client writes one macro line
// (UTF-8, ended by LF) and the server answers "OK" or "NG" on a line of
// its own and closes. Line breaks inside a macro travel as lone CR, so a
// macro of several lines still fits one line, and a peer as plain as
// `echo 'line' | socat - UNIX-CONNECT:…` can talk to us.
//
// Who may talk: only the same user. The folder is 0700 and must be ours
// (a folder someone else made, or one others can enter, is refused rather
// than repaired), and both ends check the other's uid (SO_PEERCRED): a
// macro can end the program ("break"), so nobody else may send one.
#pragma once
#include <sys/un.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "core/Services.h"

namespace nokari::dde {

// The longest socket path a sockaddr_un holds (its NUL aside).
inline constexpr size_t kMaxSocketPath = sizeof(sockaddr_un::sun_path) - 1;
// What one macro line may hold; a longer one is refused.
inline constexpr size_t kMaxMacroBytes = 1 << 20;

// The folder of the channel: "$XDG_RUNTIME_DIR/nokari-dde" when that
// variable names an existing absolute folder, else "/tmp/nokari-dde-<uid>".
std::string ChannelFolderPath();
// Makes the folder (0700) or checks the one that is there: a real folder
// (not a link), ours, closed to group and others. False with `why`
// (UTF-8) otherwise; nothing is changed in a folder that is refused.
bool PrepareChannelFolder(const std::string& folder, std::string& why);

// 64-bit FNV-1a: names too long for a socket path are known by it.
uint64_t NameHash(std::string_view bytes);
// The socket's file name for a conversation (UTF-8 names): "service#topic"
// with ASCII letters folded to lower case (names of conversations are
// not case-sensitive), and "/", "%" and control bytes written as %XX. When
// `folder` + "/" + that would not fit a socket path, the name is "=" and
// 16 hex digits of NameHash of the folded name.
std::string SocketName(const std::string& folder, std::string_view service, std::string_view topic);
inline std::string SocketPath(const std::string& folder, std::string_view service, std::string_view topic) {
  return folder + "/" + SocketName(folder, service, topic);
}

// The line a macro travels as: CP932 text to UTF-8, every line break
// (CR LF, CR or LF) a lone CR.
std::string MacroLine(std::string_view cp932);
// A received line back to CP932: lone CRs become CR LF again. False when
// it is not valid UTF-8 or has no CP932 form.
bool MacroText(std::string_view line, std::string& cp932);

enum class SendStatus {
  Done,      // the server took the macro ("OK")
  Refused,   // the server answered "NG"
  NoServer,  // nobody serves the conversation (no socket, or a stale one)
  Failed,    // anything else: no answer in time, another user's server ...
};
// Sends one macro line (UTF-8, no LF) to the socket at `path` and waits at
// most `timeout` for the answer. `idle`, when given, runs between short
// waits, so a server in this very process (a script talking to itself)
// can answer.
SendStatus SendMacro(const std::string& path, const std::string& line, std::chrono::milliseconds timeout,
                     const std::function<void()>& idle = {});

// The server side of one conversation, served through the engine's event
// pump. Each complete line goes to the handler, whose answer (true: "OK")
// is sent back. The handler runs from inside the pump; it may let the pump
// run again (a modal dialog), since a connection is taken off the books
// before its handler runs.
class ChannelServer {
 public:
  using Handler = std::function<bool(const std::string& line)>;
  enum class Status { Serving, AlreadyServed, Failed };

  // `background`: the listening watch alone does not keep a console
  // program running (the debugger link); a script's own topic does.
  ChannelServer(IEventPump& pump, Handler handler, bool background);
  ~ChannelServer();
  ChannelServer(const ChannelServer&) = delete;
  ChannelServer& operator=(const ChannelServer&) = delete;

  // Listens on `path`. A socket file left by a program that is gone is
  // replaced; one a running program answers on means AlreadyServed (the
  // first one keeps it). Failed, with `why` (UTF-8), otherwise.
  Status Listen(const std::string& path, std::string& why);
  const std::string& Path() const { return path_; }

  // Connections open at once; more are closed at once.
  static constexpr size_t kMaxConnections = 16;
  // A connection that sends no complete line within this is closed.
  static constexpr std::chrono::milliseconds kConnectionTimeout{10000};

 private:
  struct Connection {
    int Fd = -1;
    int Watch = 0;
    int Timer = 0;
    std::string Buffer;
  };
  void Accept();
  void Read(int id);
  void Drop(int id);
  void Finish(int id, bool ok);

  IEventPump& pump_;
  Handler handler_;
  bool background_;
  int fd_ = -1;
  int watch_ = 0;
  std::string path_;
  uint64_t inode_ = 0;  // of the socket file we made: only that one is removed
  std::map<int, Connection> connections_;
  int lastId_ = 0;
  // Cleared when this goes, so a callback that outlives it does nothing.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace nokari::dde
