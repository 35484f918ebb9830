// Other programs and two debugging aids: 起動, 起動して終了まで待機,
// エクスプローラーで開く, ログる, バイナリダンプ.
//
// Programs start with posix_spawnp and an argv made from the script's text
// (never a shell: no text of a script can become a command of its own);
// documents, folders and addresses go to xdg-open.
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "core/Encoding.h"
#include "core/Events.h"
#include "lib/path/Path.h"
#include "lib/programs/CommandLine.h"
#include "lib/programs/Start.h"
#include "words/Contract.h"
#include "words/Family.h"

extern char** environ;

namespace nokari {
namespace {

using Argv = std::vector<std::string>;

// Output written so far comes before the child's.
void FlushOutput() {
  fflush(stdout);
  fflush(stderr);
}

pid_t Spawn(const Argv& args) {
  std::vector<char*> ptrs;
  for (const std::string& a : args) ptrs.push_back(const_cast<char*>(a.c_str()));
  ptrs.push_back(nullptr);
  FlushOutput();
  pid_t pid = -1;
  if (posix_spawnp(&pid, ptrs[0], nullptr, nullptr, ptrs.data(), environ) != 0) return -1;
  return pid;
}

// Starts a program the script does not wait for. A go-between child
// starts it and leaves at once, so the program belongs to init and never
// stays behind as a zombie of ours; false when it could not start.
bool StartDetached(const Argv& args) {
  std::vector<char*> ptrs;
  for (const std::string& a : args) ptrs.push_back(const_cast<char*>(a.c_str()));
  ptrs.push_back(nullptr);
  FlushOutput();
  pid_t between = fork();
  if (between < 0) return false;
  if (between == 0) {
    pid_t pid;
    _exit(posix_spawnp(&pid, ptrs[0], nullptr, nullptr, ptrs.data(), environ) == 0 ? 0 : 127);
  }
  int status = 0;
  while (waitpid(between, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string Unquoted(const std::string& s) {
  std::string out;
  for (char c : s)
    if (c != '"') out += c;
  return out;
}

bool IsFile(const std::string& native) {
  struct stat st;
  return stat(native.c_str(), &st) == 0;
}

bool HasExtension(const std::string& name, const char* ext) {
  size_t n = strlen(ext);
  if (name.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (tolower(static_cast<unsigned char>(name[name.size() - n + i])) != ext[i]) return false;
  return true;
}

bool StartsWithNoCase(const std::string& s, const char* head) {
  for (size_t i = 0; head[i]; ++i)
    if (i >= s.size() || tolower(static_cast<unsigned char>(s[i])) != head[i]) return false;
  return true;
}

// A program named without a folder is looked for as a file is (the
// current folder, the script's folder, this program's folder); when it is
// not there, PATH decides.
std::string ProgramPath(TNokaBase& e, const std::string& name) {
  if (name.find('/') == std::string::npos) {
    std::string found = ResolveReadName(e, name);
    if (found != name || IsFile(NativePath(name))) {
      std::string native = NativePath(found);
      if (access(native.c_str(), X_OK) == 0) return native.find('/') == std::string::npos ? "./" + native : native;
    }
    return ToUtf8(name);
  }
  return NativePath(name);
}

// A Nokari script runs in this program; from a console run in console mode
// too, so its output reaches the same place.
Argv ScriptArgv(TNokaBase& e, const std::string& script) {
  Argv args{e.ExePath};
  if (e.Services.Console) args.push_back("-console");
  args.push_back(NativePath(ResolveReadName(e, script)));
  return args;
}

void AddWords(Argv& args, const std::string& parameters) {
  for (const std::string& w : programs::SplitWords(parameters)) args.push_back(ToUtf8(w));
}

// 起動: a program, a document or address (to xdg-open), or a script; the
// script goes on at once.
void CmdStart(TNokaBase& e) { programs::StartCommandText(e, PopArgValue(e)); }

}  // namespace

void programs::StartCommandText(TNokaBase& e, const std::string& commandText) {
  std::string text = PackedLookup(e, commandText);
  programs::CommandText command = programs::SplitCommandText(text);
  std::string program = Unquoted(command.Program);
  if (HasExtension(program, ".nkr")) {
    Argv args = ScriptArgv(e, program);
    AddWords(args, command.Parameters);
    StartDetached(args);
    return;
  }
  std::string whole = command.Parameters.empty() ? program : program + " " + command.Parameters;
  if (IsFile(NativePath(whole)) || StartsWithNoCase(whole, "http://") || StartsWithNoCase(whole, "https://") ||
      StartsWithNoCase(whole, "mailto:")) {
    StartDetached({"xdg-open", IsFile(NativePath(whole)) ? NativePath(whole) : ToUtf8(whole)});
    return;
  }
  Argv args{ProgramPath(e, program)};
  AddWords(args, command.Parameters);
  // A document named by its program part alone opens as a document.
  if (!StartDetached(args) && command.Parameters.empty() && IsFile(NativePath(program)))
    StartDetached({"xdg-open", NativePath(program)});
}

namespace {

// 起動して終了まで待機: a program or script, waited for while events run.
// A program still running when the script stops is ended with it.
void CmdStartAndWait(TNokaBase& e) {
  std::string text = PopArgValue(e);
  size_t a = text.find_first_not_of(" \t\r\n");
  text = a == std::string::npos ? std::string() : text.substr(a, text.find_last_not_of(" \t\r\n") - a + 1);
  text = PackedLookup(e, text);
  if (text.empty()) return;
  Argv args;
  if (HasExtension(Unquoted(text), ".nkr")) {
    args = ScriptArgv(e, Unquoted(text));
  } else {
    for (const std::string& w : programs::SplitWords(text)) args.push_back(ToUtf8(w));
    args[0] = ProgramPath(e, FromUtf8(args[0]));
  }
  pid_t pid = Spawn(args);
  if (pid < 0) return;
  for (;;) {
    int status = 0;
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid || (done < 0 && errno != EINTR)) return;
    if (e.StopFlag || e.Closed) {
      kill(pid, SIGTERM);
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      return;
    }
    WaitLettingEventsRun(e, std::chrono::milliseconds(50));
  }
}

// エクスプローラーで開く: an address or a folder, to the desktop's opener.
void CmdOpenWithShell(TNokaBase& e) {
  std::string text = PopArgValue(e);
  bool address = text.rfind("http://", 0) == 0 || text.rfind("https://", 0) == 0 ||
                 text.find("mailto:") != std::string::npos;
  StartDetached({"xdg-open", address ? ToUtf8(text) : NativePath(text)});
}

// The lines ログる keeps per variable: calls so far, the period, and what
// was collected (line ends written as "~改行_").
struct LogLine {
  int64_t Calls = 0;
  int64_t Every = 0;
  std::string Collected;
};
struct LogState {
  std::map<std::string, LogLine> Lines;
};

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
  return s;
}

// ログる: variable name (as written), every N calls: the values collected
// so far are shown in the memo dialog.
void CmdLogValue(TNokaBase& e) {
  int64_t every = ToInt64(PopArgNumber(e));
  std::string name = PopArgText(e);
  LogLine& line = FamilyState<LogState>(e).Lines[name];
  line.Every = every;
  int64_t call = ++line.Calls;
  const std::string kBreak = Sj("~改行_");
  line.Collected += kBreak + "(" + std::to_string(call) + ")=" + ReplaceAll(EvaluateText(e, name), "\r\n", kBreak);
  if (call != every) return;
  e.Services.Dialogs->Memo(ReplaceAll(line.Collected, kBreak, "\r\n"));
  line.Collected.clear();
  line.Calls = 0;
}

void CmdHexDump(TNokaBase& e) { SetSoreTyped(e, programs::HexDump(PopArgValue(e)), "s"); }

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::起動, CmdStart},
    {Id::起動して終了まで待機, CmdStartAndWait},
    {Id::エクスプローラーで開く, CmdOpenWithShell},
    {Id::ログる, CmdLogValue},
    {Id::バイナリダンプ, CmdHexDump},
};

}  // namespace

extern const Family kProgramsFamily{"programs", kCommands, {}};

}  // namespace nokari
