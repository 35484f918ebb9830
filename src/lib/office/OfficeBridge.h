// The office helper (tools/nokari-office) seen from the interpreter: the
// line protocol it speaks and the process that speaks it.
//
// The helper is a Python program over LibreOffice's UNO bridge. It reads
// one JSON object a line on its standard input and answers every request
// with one JSON object a line on its standard output ({"ok":true,...} or
// {"ok":false,"code":"...","error":"..."}). Everything here is UTF-8; the
// commands convert at their edge. Nothing here knows the engine, so the
// unit tests drive it with a fake helper.
#pragma once
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nokari::office {

// --- the protocol -----------------------------------------------------------

// A JSON string literal of UTF-8 text, quotes included: ", \ and the
// control characters escaped, everything else as it is.
std::string JsonQuote(std::string_view utf8);

// One request line: {"op":"set","col":1,...}\n, keys in the order given.
class Request {
 public:
  explicit Request(std::string_view op);
  Request& Text(std::string_view key, std::string_view utf8);
  Request& Int(std::string_view key, int64_t value);
  // The whole line, newline included.
  std::string Line() const { return body_ + "}\n"; }

 private:
  std::string body_;
};

struct ReplyField {
  enum Kind { String, Number, Bool, Null } Type = Null;
  std::string Text;      // String: the decoded text; Number: as written
  long double Num = 0;   // Number
  bool Flag = false;     // Bool
};

// One reply: a flat JSON object (strings, numbers, true, false, null).
struct Reply {
  std::map<std::string, ReplyField, std::less<>> Fields;
  const ReplyField* Find(std::string_view key) const;
  // "ok" is true.
  bool Ok() const;
  // A string field, "" when absent or not a string.
  std::string TextOf(std::string_view key) const;
};

// Parses one reply line (its newline may be left on). Nothing for a line
// that is not such an object, so a helper out of step is noticed.
std::optional<Reply> ParseReply(std::string_view line);

// --- the process ------------------------------------------------------------

// Why a call got no reply.
enum class Fault {
  None,
  NotRunning,  // never started, or stopped after an earlier fault
  Died,        // the helper ended (or closed its output) before replying
  TimedOut,    // no reply within the time given: the helper has been ended
  Malformed,   // the reply was no protocol line: the helper has been ended
};

// How the helper ended, for the messages of Died.
struct Ending {
  int ExitCode = -1;   // when it exited
  int Signal = 0;      // when a signal ended it
  std::string LastError;  // the last line it wrote on standard error
};

class Bridge {
 public:
  Bridge() = default;
  ~Bridge() { Stop(); }
  Bridge(const Bridge&) = delete;
  Bridge& operator=(const Bridge&) = delete;

  // Starts argv (argv[0] a path; no shell, no PATH search) in a process
  // group of its own, so whatever it starts in turn (the office suite)
  // can be ended with it. False with errno's text when it cannot start.
  bool Start(const std::vector<std::string>& argv, std::string& why);
  bool Running() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }

  // Sends one request line and waits up to `timeout` for its reply. On
  // any fault but NotRunning the helper and its group are ended and
  // reaped, and the next call says NotRunning.
  Fault Call(const std::string& line, std::chrono::milliseconds timeout, Reply& reply);
  // How the helper ended (after Died), or what it last said (any fault).
  const Ending& LastEnding() const { return ending_; }

  // Closes the helper's input, which asks it to end the office and
  // itself; after `grace` whatever is left of its group is killed. Always
  // reaps it. Nothing when it is not running.
  void Stop(std::chrono::milliseconds grace = std::chrono::seconds(10));

 private:
  bool WriteAll(const std::string& data, std::chrono::steady_clock::time_point deadline);
  // Waits for the helper's output: its standard output into outBuf_
  // (Data), its standard error into the tail meanwhile; Closed at the end
  // of its standard output, Timeout at the deadline.
  enum class ReadResult { Data, Closed, Timeout };
  ReadResult ReadSome(std::chrono::steady_clock::time_point deadline);
  void DrainErrors();
  // Waits up to `grace` for the helper to end, then kills its group and
  // reaps it, recording how it ended.
  void EndHelper(std::chrono::milliseconds grace);
  void CloseFds();

  pid_t pid_ = -1;
  int in_ = -1, out_ = -1, err_ = -1;
  std::string outBuf_, errTail_;
  Ending ending_;
};

}  // namespace nokari::office
