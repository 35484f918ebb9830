#include "lib/dde/Channel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/Encoding.h"

namespace nokari::dde {
namespace {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::milliseconds;

bool IsFolder(const char* path) {
  struct stat st;
  return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

std::string SystemError(const char* what) { return std::string(what) + ": " + strerror(errno); }

// The uid of the process at the other end of a connected socket.
bool PeerIsUs(int fd) {
  struct ucred cred{};
  socklen_t len = sizeof cred;
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && cred.uid == geteuid();
}

bool FillAddress(const std::string& path, sockaddr_un& addr) {
  if (path.size() > kMaxSocketPath) return false;
  memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  memcpy(addr.sun_path, path.data(), path.size());
  return true;
}

// Holds the folder's lock while a server decides whether a socket file is
// stale: two programs starting together must not both replace it.
class FolderLock {
 public:
  explicit FolderLock(const std::string& path) {
    std::string folder = path.substr(0, path.find_last_of('/'));
    fd_ = open(folder.empty() ? "/" : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ >= 0) flock(fd_, LOCK_EX);
  }
  ~FolderLock() {
    if (fd_ >= 0) close(fd_);  // closing releases the lock
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_ = -1;
};

// Whether a program answers on the socket file at `path`.
bool SomeoneListens(const sockaddr_un& addr) {
  int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (probe < 0) return false;
  bool live = connect(probe, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
  close(probe);
  return live;
}

// Waits until `fd` is ready for `events` or the deadline passes, letting
// `idle` run every few milliseconds.
bool WaitReady(int fd, short events, Clock::time_point deadline, const std::function<void()>& idle) {
  for (;;) {
    Clock::time_point now = Clock::now();
    if (now >= deadline) return false;
    int slice = idle ? 10 : static_cast<int>(std::chrono::ceil<Millis>(deadline - now).count());
    pollfd p{fd, events, 0};
    int n = poll(&p, 1, slice);
    if (n > 0) return true;
    if (n < 0 && errno != EINTR) return false;
    if (idle) idle();
  }
}

}  // namespace

std::string ChannelFolderPath() {
  const char* runtime = getenv("XDG_RUNTIME_DIR");
  if (runtime && runtime[0] == '/' && IsFolder(runtime)) {
    std::string base = runtime;
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base + "/nokari-dde";
  }
  return "/tmp/nokari-dde-" + std::to_string(geteuid());
}

bool PrepareChannelFolder(const std::string& folder, std::string& why) {
  if (mkdir(folder.c_str(), 0700) == 0) {
    // The umask may have taken more than asked; never less than 0700 is
    // wanted, and never more.
    if (chmod(folder.c_str(), 0700) != 0) {
      why = SystemError(folder.c_str());
      return false;
    }
  } else if (errno != EEXIST) {
    why = SystemError(folder.c_str());
    return false;
  }
  struct stat st;
  if (lstat(folder.c_str(), &st) != 0) {
    why = SystemError(folder.c_str());
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    why = folder + " is not a folder";
    return false;
  }
  if (st.st_uid != geteuid()) {
    why = folder + " belongs to another user";
    return false;
  }
  if (st.st_mode & 077) {
    why = folder + " is open to other users";
    return false;
  }
  return true;
}

uint64_t NameHash(std::string_view bytes) {
  uint64_t h = 14695981039346656037ull;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

std::string SocketName(const std::string& folder, std::string_view service, std::string_view topic) {
  auto fold = [](std::string_view s) {
    std::string out;
    for (unsigned char c : s) {
      if (c < 0x20 || c == 0x7F || c == '/' || c == '%') {
        char hex[4];
        snprintf(hex, sizeof hex, "%%%02X", c);
        out += hex;
      } else {
        out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c);
      }
    }
    return out;
  };
  std::string name = fold(service) + "#" + fold(topic);
  if (folder.size() + 1 + name.size() <= kMaxSocketPath) return name;
  char hashed[20];
  snprintf(hashed, sizeof hashed, "=%016llx", static_cast<unsigned long long>(NameHash(name)));
  return hashed;
}

std::string MacroLine(std::string_view cp932) {
  std::string flat;
  flat.reserve(cp932.size());
  for (size_t i = 0; i < cp932.size(); ++i) {
    char c = cp932[i];
    if (c == '\r' && i + 1 < cp932.size() && cp932[i + 1] == '\n') ++i;
    flat += c == '\n' ? '\r' : c;
  }
  return ToUtf8(flat);
}

bool MacroText(std::string_view line, std::string& cp932) {
  if (!IsValidUtf8(line)) return false;
  std::string text;
  if (!Utf8ToCp932(line, text)) return false;
  cp932.clear();
  for (char c : text) {
    if (c == '\r')
      cp932 += "\r\n";
    else
      cp932 += c;
  }
  return true;
}

SendStatus SendMacro(const std::string& path, const std::string& line, Millis timeout,
                     const std::function<void()>& idle) {
  sockaddr_un addr;
  if (!FillAddress(path, addr)) return SendStatus::Failed;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return SendStatus::Failed;
  struct Closer {
    int fd;
    ~Closer() { close(fd); }
  } closer{fd};
  if (connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0)
    return errno == ENOENT || errno == ECONNREFUSED ? SendStatus::NoServer : SendStatus::Failed;
  // The folder is ours alone, yet the server is asked as well: whoever
  // answers here learns what we send.
  if (!PeerIsUs(fd)) return SendStatus::Failed;
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  const Clock::time_point deadline = Clock::now() + timeout;
  std::string out = line + "\n";
  size_t sent = 0;
  while (sent < out.size()) {
    ssize_t n = send(fd, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (!WaitReady(fd, POLLOUT, deadline, idle)) return SendStatus::Failed;
    } else {
      // The server stopped reading (a line too long for it): its answer
      // may still be there to read.
      break;
    }
  }
  shutdown(fd, SHUT_WR);
  std::string answer;
  for (;;) {
    char buf[64];
    ssize_t n = recv(fd, buf, sizeof buf, 0);
    if (n > 0) {
      answer.append(buf, static_cast<size_t>(n));
      if (answer.find('\n') != std::string::npos || answer.size() > 16) break;
    } else if (n == 0) {
      break;
    } else if (errno == EAGAIN || errno == EINTR) {
      if (!WaitReady(fd, POLLIN, deadline, idle)) return SendStatus::Failed;
    } else {
      return SendStatus::Failed;
    }
  }
  answer = answer.substr(0, answer.find('\n'));
  if (!answer.empty() && answer.back() == '\r') answer.pop_back();
  if (answer == "OK") return SendStatus::Done;
  if (answer == "NG") return SendStatus::Refused;
  return SendStatus::Failed;
}

// ---------------------------------------------------------------------------
// Server

ChannelServer::ChannelServer(IEventPump& pump, Handler handler, bool background)
    : pump_(pump), handler_(std::move(handler)), background_(background) {}

ChannelServer::~ChannelServer() {
  *alive_ = false;
  while (!connections_.empty()) Drop(connections_.begin()->first);
  if (watch_) pump_.Unwatch(watch_);
  if (fd_ < 0) return;
  close(fd_);
  // Only the file we made: a later server may have replaced a file that
  // looked stale to it.
  struct stat st;
  if (lstat(path_.c_str(), &st) == 0 && static_cast<uint64_t>(st.st_ino) == inode_) unlink(path_.c_str());
}

ChannelServer::Status ChannelServer::Listen(const std::string& path, std::string& why) {
  sockaddr_un addr;
  if (!FillAddress(path, addr)) {
    why = path + ": name too long for a socket";
    return Status::Failed;
  }
  FolderLock lock(path);
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    why = SystemError("socket");
    return Status::Failed;
  }
  auto fail = [&](std::string text, Status status = Status::Failed) {
    close(fd);
    why = std::move(text);
    return status;
  };
  if (bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
    if (errno != EADDRINUSE) return fail(SystemError(path.c_str()));
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) return fail(path + " is not a socket");
    if (SomeoneListens(addr)) return fail(path + " is served by another program", Status::AlreadyServed);
    // Left by a program that is gone.
    if (unlink(path.c_str()) != 0) return fail(SystemError(path.c_str()));
    if (bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) return fail(SystemError(path.c_str()));
  }
  if (listen(fd, static_cast<int>(kMaxConnections)) != 0) {
    unlink(path.c_str());
    return fail(SystemError("listen"));
  }
  struct stat st;
  if (lstat(path.c_str(), &st) == 0) inode_ = st.st_ino;
  fd_ = fd;
  path_ = path;
  int directions = IEventPump::Readable | (background_ ? IEventPump::Background : 0);
  std::weak_ptr<bool> alive = alive_;
  watch_ = pump_.WatchFd(fd_, directions, [this, alive] {
    if (auto a = alive.lock(); a && *a) Accept();
  });
  return Status::Serving;
}

void ChannelServer::Accept() {
  for (;;) {
    int fd = accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;  // EAGAIN: all taken; anything else: the next round tries again
    if (!PeerIsUs(fd) || connections_.size() >= kMaxConnections) {
      close(fd);
      continue;
    }
    int id = ++lastId_;
    Connection& c = connections_[id];
    c.Fd = fd;
    std::weak_ptr<bool> alive = alive_;
    int directions = IEventPump::Readable | (background_ ? IEventPump::Background : 0);
    c.Watch = pump_.WatchFd(fd, directions, [this, alive, id] {
      if (auto a = alive.lock(); a && *a) Read(id);
    });
    c.Timer = pump_.StartTimer(kConnectionTimeout, [this, alive, id] {
      if (auto a = alive.lock(); !a || !*a) return;
      auto it = connections_.find(id);
      if (it == connections_.end()) return;
      it->second.Timer = 0;
      Drop(id);
    });
  }
}

void ChannelServer::Read(int id) {
  auto it = connections_.find(id);
  if (it == connections_.end()) return;
  Connection& c = it->second;
  for (;;) {
    char buf[4096];
    ssize_t n = recv(c.Fd, buf, sizeof buf, 0);
    if (n > 0) {
      size_t before = c.Buffer.size();
      c.Buffer.append(buf, static_cast<size_t>(n));
      size_t lf = c.Buffer.find('\n', before);
      if (lf != std::string::npos) return Finish(id, lf <= kMaxMacroBytes);
      if (c.Buffer.size() > kMaxMacroBytes) return Finish(id, false);
    } else if (n == 0) {
      // The end without a LF: what came is the line (an empty one, such as
      // a probe's, is no macro at all).
      if (c.Buffer.empty()) return Drop(id);
      return Finish(id, c.Buffer.size() <= kMaxMacroBytes);
    } else if (errno == EINTR) {
      continue;
    } else if (errno == EAGAIN) {
      return;
    } else {
      return Drop(id);
    }
  }
}

void ChannelServer::Drop(int id) {
  auto it = connections_.find(id);
  if (it == connections_.end()) return;
  if (it->second.Watch) pump_.Unwatch(it->second.Watch);
  if (it->second.Timer) pump_.CancelTimer(it->second.Timer);
  close(it->second.Fd);
  connections_.erase(it);
}

void ChannelServer::Finish(int id, bool ok) {
  auto it = connections_.find(id);
  if (it == connections_.end()) return;
  // Off the books before the handler runs: it may let the pump run again.
  Connection c = std::move(it->second);
  connections_.erase(it);
  if (c.Watch) pump_.Unwatch(c.Watch);
  if (c.Timer) pump_.CancelTimer(c.Timer);
  if (ok) {
    std::string line = c.Buffer.substr(0, c.Buffer.find('\n'));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // Nothing of this object is used after the handler: it may end it.
    Handler handler = handler_;
    ok = handler(line);
  }
  // Three bytes into an empty socket buffer: a non-blocking send takes them.
  (void)!send(c.Fd, ok ? "OK\n" : "NG\n", 3, MSG_NOSIGNAL);
  close(c.Fd);
}

}  // namespace nokari::dde
