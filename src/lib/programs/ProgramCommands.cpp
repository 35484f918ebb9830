// Other programs, their windows and keys, and two debugging aids: 起動,
// 起動して終了まで待機, エクスプローラーで開く, アクティブ, キー送信,
// ウインドウ列挙, ログる, バイナリダンプ.
//
// Programs start with posix_spawnp and an argv made from the script's text
// (never a shell: no text of a script can become a command of its own);
// documents, folders and addresses go to xdg-open. Windows and keys are
// X11's (X11Windows.h); without an X display those commands do nothing.
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
#include <memory>

#include "core/Encoding.h"
#include "core/Events.h"
#include "lib/path/PackedContainer.h"
#include "lib/path/Path.h"
#include "lib/programs/CommandLine.h"
#include "lib/programs/KeyText.h"
#include "lib/programs/Messages.h"
#include "lib/programs/Start.h"
#include "lib/programs/X11Windows.h"
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

// A packed program's container, lent to the Nokari started on one of its
// packed scripts (that program inherits the descriptor; ours closes here).
class LentContainer {
 public:
  explicit LentContainer(bool packedScript) : fd_(packedScript ? PackedContainerCopy() : -1) {}
  ~LentContainer() {
    if (fd_ >= 0) close(fd_);
  }
  LentContainer(const LentContainer&) = delete;
  LentContainer& operator=(const LentContainer&) = delete;
  int Fd() const { return fd_; }

 private:
  int fd_;
};

// A Nokari script runs in this program; from a console run in console mode
// too, so its output reaches the same place. -run first: a packed program
// would otherwise run its own packed script again. A script that came from
// the packed files reads them from the lent container.
Argv ScriptArgv(TNokaBase& e, const std::string& script, const LentContainer& container) {
  Argv args{e.ExePath, "-run"};
  if (e.Services.Console) args.push_back("-console");
  if (container.Fd() >= 0) {
    args.push_back("-resource");
    args.push_back("/proc/self/fd/" + std::to_string(container.Fd()));
  }
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

void programs::StartCommandText(TNokaBase& e, const std::string& given) {
  const std::string text = PackedLookup(e, given);
  programs::CommandText command = programs::SplitCommandText(text);
  std::string program = Unquoted(command.Program);
  if (HasExtension(program, ".nkr")) {
    LentContainer container(text != given);
    Argv args = ScriptArgv(e, program, container);
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
  const std::string given = text;
  text = PackedLookup(e, text);
  if (text.empty()) return;
  Argv args;
  // As 起動 does, so a packed script reads its packed files either way.
  LentContainer container(text != given && HasExtension(Unquoted(text), ".nkr"));
  if (HasExtension(Unquoted(text), ".nkr")) {
    args = ScriptArgv(e, Unquoted(text), container);
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

// The X display, connected at first use and kept for the run; null (with a
// warning in debug mode) when there is none.
struct DesktopState {
  std::unique_ptr<programs::X11Desktop> Desktop;
};

programs::X11Desktop* Desktop(TNokaBase& e) {
  auto& state = FamilyState<DesktopState>(e);
  if (!state.Desktop) state.Desktop = programs::X11Desktop::Connect();
  if (!state.Desktop && FirstDebugWarning(e)) Warn(e, msg::kNoDisplay, {RunningWordName(e)});
  return state.Desktop.get();
}

// Brings the window that the title names to the front and waits (events
// running) until it is there, at most 512 polls of 10 ms. A window manager
// that has not obeyed after a second is bypassed: the window is raised and
// focused directly.
bool ActivateWindow(TNokaBase& e, programs::X11Desktop& desktop, const std::string& title) {
  std::vector<programs::X11Desktop::TopWindow> windows = desktop.Windows();
  std::vector<std::string> titles;
  for (const auto& w : windows) titles.push_back(w.Title);
  int found = programs::PickWindow(titles, title);
  if (found < 0) return false;
  const unsigned long window = windows[found].Id;
  desktop.RequestActivation(window, false);
  for (int poll = 0; poll < 512; ++poll) {
    if (desktop.IsActive(window)) return true;
    if (e.StopFlag || e.Closed) return false;
    if (poll == 100) desktop.RequestActivation(window, true);
    WaitLettingEventsRun(e, std::chrono::milliseconds(10));
  }
  return false;
}

// アクティブ: the window whose title is the text, or begins with it.
void CmdActivate(TNokaBase& e) {
  std::string title = PopArgValue(e);
  if (programs::X11Desktop* desktop = Desktop(e)) ActivateWindow(e, *desktop, title);
}

// キー送信: window title ?に, key text ?を. Nothing is typed unless that
// window came to the front.
void CmdSendKeys(TNokaBase& e) {
  std::string keys = PopArgValue(e);
  std::string title = PopArgValue(e);
  programs::X11Desktop* desktop = Desktop(e);
  if (!desktop || !ActivateWindow(e, *desktop, title)) return;
  WaitLettingEventsRun(e, std::chrono::milliseconds(30));
  desktop->Type(programs::ParseKeyText(keys));
}

// ウインドウ列挙: the titles of the shown windows, one a line.
void CmdListWindows(TNokaBase& e) {
  std::string out;
  if (programs::X11Desktop* desktop = Desktop(e))
    for (const auto& w : desktop->Windows()) out += w.Title + "\r\n";
  SetSoreTyped(e, std::move(out), "s");
}

void CmdHexDump(TNokaBase& e) { SetSoreTyped(e, programs::HexDump(PopArgValue(e)), "s"); }

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::起動, CmdStart},
    {Id::起動して終了まで待機, CmdStartAndWait},
    {Id::エクスプローラーで開く, CmdOpenWithShell},
    {Id::アクティブ, CmdActivate},
    {Id::キー送信, CmdSendKeys},
    {Id::ウインドウ列挙, CmdListWindows},
    {Id::ログる, CmdLogValue},
    {Id::バイナリダンプ, CmdHexDump},
};

constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/programs/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kProgramsFamily{"programs", kCommands, kMessages};

}  // namespace nokari
