#include "lib/office/OfficeBridge.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

#include "core/Encoding.h"

extern char** environ;

namespace nokari::office {

// --- the protocol -----------------------------------------------------------

std::string JsonQuote(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() + 2);
  out += '"';
  for (char ch : utf8) {
    unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          static const char kHex[] = "0123456789abcdef";
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else {
          out += ch;
        }
    }
  }
  out += '"';
  return out;
}

Request::Request(std::string_view op) : body_("{\"op\":" + JsonQuote(op)) {}

Request& Request::Text(std::string_view key, std::string_view utf8) {
  body_ += ',' + JsonQuote(key) + ':' + JsonQuote(utf8);
  return *this;
}

Request& Request::Int(std::string_view key, int64_t value) {
  body_ += ',' + JsonQuote(key) + ':' + std::to_string(value);
  return *this;
}

const ReplyField* Reply::Find(std::string_view key) const {
  auto it = Fields.find(key);
  return it == Fields.end() ? nullptr : &it->second;
}

bool Reply::Ok() const {
  const ReplyField* f = Find("ok");
  return f && f->Type == ReplyField::Bool && f->Flag;
}

std::string Reply::TextOf(std::string_view key) const {
  const ReplyField* f = Find(key);
  return f && f->Type == ReplyField::String ? f->Text : std::string();
}

namespace {

// A reader over one line of JSON; every step false on a fault.
class JsonReader {
 public:
  explicit JsonReader(std::string_view s) : s_(s) {}

  void SkipBlanks() {
    while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\t' || s_[p_] == '\r' || s_[p_] == '\n')) ++p_;
  }
  bool Take(char c) {
    SkipBlanks();
    if (p_ < s_.size() && s_[p_] == c) {
      ++p_;
      return true;
    }
    return false;
  }
  bool AtEnd() {
    SkipBlanks();
    return p_ == s_.size();
  }

  bool String(std::string& out) {
    if (!Take('"')) return false;
    while (p_ < s_.size()) {
      unsigned char c = static_cast<unsigned char>(s_[p_++]);
      if (c == '"') return true;
      if (c < 0x20) return false;
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      if (p_ >= s_.size()) return false;
      char e = s_[p_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          uint32_t cp;
          if (!Hex4(cp)) return false;
          if (cp >= 0xD800 && cp < 0xDC00) {
            // A high surrogate pairs with the low one that follows; alone
            // it stands for nothing and becomes U+FFFD.
            uint32_t low;
            size_t back = p_;
            if (p_ + 1 < s_.size() && s_[p_] == '\\' && s_[p_ + 1] == 'u' && (p_ += 2, Hex4(low)) && low >= 0xDC00 &&
                low < 0xE000) {
              cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            } else {
              p_ = back;
              cp = 0xFFFD;
            }
          } else if (cp >= 0xDC00 && cp < 0xE000) {
            cp = 0xFFFD;
          }
          AppendUtf8(out, cp);
          break;
        }
        default: return false;
      }
    }
    return false;
  }

  bool Value(ReplyField& f) {
    SkipBlanks();
    if (p_ >= s_.size()) return false;
    char c = s_[p_];
    if (c == '"') {
      f.Type = ReplyField::String;
      return String(f.Text);
    }
    if (Word("true")) return f.Type = ReplyField::Bool, f.Flag = true, true;
    if (Word("false")) return f.Type = ReplyField::Bool, f.Flag = false, true;
    if (Word("null")) return f.Type = ReplyField::Null, true;
    return Number(f);
  }

 private:
  bool Hex4(uint32_t& cp) {
    if (p_ + 4 > s_.size()) return false;
    cp = 0;
    for (int i = 0; i < 4; ++i) {
      char h = s_[p_++];
      cp <<= 4;
      if (h >= '0' && h <= '9') cp |= h - '0';
      else if (h >= 'a' && h <= 'f') cp |= h - 'a' + 10;
      else if (h >= 'A' && h <= 'F') cp |= h - 'A' + 10;
      else return false;
    }
    return true;
  }
  bool Word(std::string_view w) {
    if (s_.substr(p_, w.size()) != w) return false;
    p_ += w.size();
    return true;
  }
  bool Number(ReplyField& f) {
    size_t start = p_;
    auto digits = [&] {
      size_t from = p_;
      while (p_ < s_.size() && s_[p_] >= '0' && s_[p_] <= '9') ++p_;
      return p_ > from;
    };
    if (p_ < s_.size() && s_[p_] == '-') ++p_;
    if (!digits()) return false;
    if (p_ < s_.size() && s_[p_] == '.' && (++p_, !digits())) return false;
    if (p_ < s_.size() && (s_[p_] == 'e' || s_[p_] == 'E')) {
      ++p_;
      if (p_ < s_.size() && (s_[p_] == '+' || s_[p_] == '-')) ++p_;
      if (!digits()) return false;
    }
    f.Type = ReplyField::Number;
    f.Text = std::string(s_.substr(start, p_ - start));
    // The helper writes the shortest text that reads back as its double;
    // from_chars reads it exactly, whatever the locale.
    double d = 0;
    auto [end, ec] = std::from_chars(f.Text.data(), f.Text.data() + f.Text.size(), d);
    if (ec == std::errc::result_out_of_range) return false;
    f.Num = d;
    return end == f.Text.data() + f.Text.size();
  }

  std::string_view s_;
  size_t p_ = 0;
};

}  // namespace

std::optional<Reply> ParseReply(std::string_view line) {
  JsonReader r(line);
  Reply reply;
  if (!r.Take('{')) return std::nullopt;
  if (!r.Take('}')) {
    do {
      std::string key;
      ReplyField f;
      if (!r.String(key) || !r.Take(':') || !r.Value(f)) return std::nullopt;
      reply.Fields[key] = std::move(f);
    } while (r.Take(','));
    if (!r.Take('}')) return std::nullopt;
  }
  if (!r.AtEnd()) return std::nullopt;
  return reply;
}

// --- the process ------------------------------------------------------------

namespace {

using Clock = std::chrono::steady_clock;

// A reply larger than this is no reply: the helper is out of its mind.
constexpr size_t kMaxReply = size_t{256} << 20;
constexpr size_t kErrorTail = 4096;

int MillisLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left <= 0 ? 0 : left > 60000 ? 60000 : static_cast<int>(left);
}

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

// The last non-empty line of what the helper wrote on standard error.
std::string LastLine(const std::string& text) {
  size_t end = text.find_last_not_of("\r\n \t");
  if (end == std::string::npos) return {};
  size_t start = text.find_last_of('\n', end);
  start = start == std::string::npos ? 0 : start + 1;
  return text.substr(start, end + 1 - start);
}

}  // namespace

bool Bridge::Start(const std::vector<std::string>& argv, std::string& why) {
  Stop(std::chrono::milliseconds(0));
  ending_ = Ending{};
  int inPair[2], outPipe[2], errPipe[2];
  // Requests go through a socket so that writing to a helper that has gone
  // gives EPIPE (send with MSG_NOSIGNAL) instead of a SIGPIPE that would
  // end the interpreter.
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, inPair) != 0) return why = strerror(errno), false;
  if (pipe2(outPipe, O_CLOEXEC) != 0) {
    why = strerror(errno);
    close(inPair[0]), close(inPair[1]);
    return false;
  }
  if (pipe2(errPipe, O_CLOEXEC) != 0) {
    why = strerror(errno);
    close(inPair[0]), close(inPair[1]), close(outPipe[0]), close(outPipe[1]);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, inPair[1], 0);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
#if defined(__GLIBC__) && __GLIBC_PREREQ(2, 34)
  // Descriptors the script holds open (files, sockets) stay out of the
  // helper, so closing them in the script really closes them.
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int s : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD}) sigaddset(&defaults, s);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  std::vector<char*> ptrs;
  for (const std::string& a : argv) ptrs.push_back(const_cast<char*>(a.c_str()));
  ptrs.push_back(nullptr);
  pid_t pid = -1;
  int rc = argv.empty() ? EINVAL : posix_spawn(&pid, ptrs[0], &actions, &attr, ptrs.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  close(inPair[1]), close(outPipe[1]), close(errPipe[1]);
  if (rc != 0) {
    why = strerror(rc);
    close(inPair[0]), close(outPipe[0]), close(errPipe[0]);
    return false;
  }
  pid_ = pid;
  in_ = inPair[0];
  out_ = outPipe[0];
  err_ = errPipe[0];
  for (int fd : {in_, out_, err_}) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  outBuf_.clear();
  errTail_.clear();
  return true;
}

Bridge::ReadResult Bridge::ReadSome(Clock::time_point deadline) {
  for (;;) {
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, static_cast<short>(err_ >= 0 ? POLLIN : 0), 0}};
    int n = poll(fds, 2, MillisLeft(deadline));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return ReadResult::Timeout;
    if (fds[1].revents) DrainErrors();
    if (!fds[0].revents) continue;
    char buf[65536];
    ssize_t got = read(out_, buf, sizeof buf);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got <= 0) return ReadResult::Closed;
    outBuf_.append(buf, static_cast<size_t>(got));
    return ReadResult::Data;
  }
}

void Bridge::DrainErrors() {
  char buf[4096];
  for (;;) {
    ssize_t got = err_ >= 0 ? read(err_, buf, sizeof buf) : -1;
    if (got < 0 && errno == EINTR) continue;
    if (got == 0) CloseFd(err_);
    if (got <= 0) return;
    errTail_.append(buf, static_cast<size_t>(got));
    if (errTail_.size() > 2 * kErrorTail) errTail_.erase(0, errTail_.size() - kErrorTail);
  }
}

bool Bridge::WriteAll(const std::string& data, Clock::time_point deadline) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t put = send(in_, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (put > 0) {
      done += static_cast<size_t>(put);
      continue;
    }
    if (put < 0 && errno == EINTR) continue;
    if (put < 0 && errno != EAGAIN) return false;
    // The helper is busy: keep its output moving meanwhile, so neither
    // side waits on a full pipe of the other.
    pollfd fds[3] = {{in_, POLLOUT, 0}, {out_, POLLIN, 0}, {err_, static_cast<short>(err_ >= 0 ? POLLIN : 0), 0}};
    int n = poll(fds, 3, MillisLeft(deadline));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    if (fds[2].revents) DrainErrors();
    if (fds[1].revents) {
      char buf[65536];
      ssize_t got = read(out_, buf, sizeof buf);
      if (got == 0) return false;
      if (got > 0) outBuf_.append(buf, static_cast<size_t>(got));
    }
    if (fds[0].revents & (POLLERR | POLLHUP)) return false;
  }
  return true;
}

Fault Bridge::Call(const std::string& line, std::chrono::milliseconds timeout, Reply& reply) {
  if (pid_ <= 0) return Fault::NotRunning;
  Clock::time_point deadline = Clock::now() + timeout;
  // Whatever the helper said out of turn belongs to no request.
  outBuf_.clear();
  if (!WriteAll(line, deadline)) {
    // Refused before the deadline: its end of the socket is closed.
    bool late = Clock::now() >= deadline;
    EndHelper(late ? std::chrono::milliseconds(0) : std::chrono::milliseconds(2000));
    return late ? Fault::TimedOut : Fault::Died;
  }
  for (;;) {
    size_t nl = outBuf_.find('\n');
    if (nl != std::string::npos) {
      std::optional<Reply> parsed = ParseReply(std::string_view(outBuf_).substr(0, nl));
      outBuf_.erase(0, nl + 1);
      if (!parsed) {
        EndHelper(std::chrono::milliseconds(0));
        return Fault::Malformed;
      }
      reply = std::move(*parsed);
      return Fault::None;
    }
    if (outBuf_.size() > kMaxReply) {
      EndHelper(std::chrono::milliseconds(0));
      return Fault::Malformed;
    }
    switch (ReadSome(deadline)) {
      case ReadResult::Data: break;
      case ReadResult::Closed:
        // Its output closed: it is ending, or has ended.
        EndHelper(std::chrono::milliseconds(2000));
        return Fault::Died;
      case ReadResult::Timeout:
        EndHelper(std::chrono::milliseconds(0));
        return Fault::TimedOut;
    }
  }
}

void Bridge::EndHelper(std::chrono::milliseconds grace) {
  if (pid_ <= 0) return;
  // Wait for it without reaping: while it is a zombie its number, which is
  // also its group's, cannot be given to anyone else, so killing the
  // group below reaches only what it started.
  Clock::time_point until = Clock::now() + grace;
  siginfo_t info{};
  for (;;) {
    info.si_pid = 0;
    int rc = waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT);
    if (rc < 0 && errno == EINTR) continue;
    if (rc < 0 || info.si_pid == pid_ || Clock::now() >= until) break;
    DrainErrors();
    usleep(20000);
  }
  kill(-pid_, SIGKILL);
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  DrainErrors();
  ending_ = Ending{};
  if (WIFEXITED(status)) ending_.ExitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) ending_.Signal = WTERMSIG(status);
  ending_.LastError = LastLine(errTail_);
  pid_ = -1;
  CloseFds();
}

void Bridge::Stop(std::chrono::milliseconds grace) {
  if (pid_ <= 0) return;
  // The end of its input is the helper's sign to close the office.
  shutdown(in_, SHUT_WR);
  EndHelper(grace);
}

void Bridge::CloseFds() {
  CloseFd(in_);
  CloseFd(out_);
  CloseFd(err_);
  outBuf_.clear();
}

}  // namespace nokari::office
