#include "host/ConsoleDebugger.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/Encoding.h"
#include "core/Engine.h"

namespace nokari {
namespace {

// The terminal, open for one dialog.
class Tty {
 public:
  Tty() {
    int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0 && !(f_ = fdopen(fd, "r+"))) close(fd);
  }
  ~Tty() {
    if (f_) fclose(f_);
  }
  Tty(const Tty&) = delete;
  Tty& operator=(const Tty&) = delete;
  explicit operator bool() const { return f_ != nullptr; }

  void Say(const std::string& utf8) {
    fputs(utf8.c_str(), f_);
    fputc('\n', f_);
    fflush(f_);
  }
  // One answer line (no line end); false at the end of input.
  bool Ask(std::string& answer) {
    fputs("> ", f_);
    fflush(f_);
    char buf[1024];
    if (!fgets(buf, sizeof buf, f_)) return false;
    answer = buf;
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r')) answer.pop_back();
    return true;
  }

 private:
  FILE* f_ = nullptr;
};

std::string Trimmed(const std::string& s) {
  size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return {};
  return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

// Values may hold line breaks: one line each in the listing.
std::string OneLine(const std::string& cp932) {
  std::string out;
  for (char c : cp932) {
    if (c == '\n') continue;
    out += c == '\r' ? std::string("\\n") : std::string(1, c);
  }
  return ToUtf8(out);
}

void ShowVariable(Tty& tty, const DebugVariable& v) {
  tty.Say("  " + ToUtf8(v.Name) + " = " + OneLine(v.Value) + "  (" + ToUtf8(v.Type) + ", " +
          std::to_string(v.Level) + ")");
}

void ShowVariables(Tty& tty, const TNokaBase& e, const std::string& nameUtf8) {
  DebugFilter filter;
  filter.SystemVariables = true;
  filter.Objects = true;
  filter.MinLevel = INT32_MIN;
  bool all = nameUtf8.empty() || nameUtf8 == "a";
  std::string name = FromUtf8(nameUtf8);
  bool found = false;
  for (const DebugVariable& v : DebugVariables(e, all ? DebugFilter{} : filter)) {
    if (!all && v.Name != name) continue;
    ShowVariable(tty, v);
    found = true;
  }
  if (!found) tty.Say(all ? "  (変数はありません)" : "  " + nameUtf8 + ": 見つかりません");
}

void ShowFrames(Tty& tty, const TNokaBase& e) {
  std::vector<std::string> frames = DebugFrames(e);
  if (frames.empty()) tty.Say("  (実行制御はありません)");
  for (const std::string& f : frames) tty.Say("  " + ToUtf8(f));
}

}  // namespace

DebugChoice ConsoleDebugger::ShowDebugDialog(TNokaBase& e, const std::function<void()>& syncEditor) {
  fflush(stdout);
  fflush(stderr);
  Tty tty;
  if (!tty) return DebugChoice::Continue;
  std::string head = "[デバッグ] " + std::to_string(e.LineNo) + "行目";
  // The text is the main program's; a handler's or an included file's
  // line has only its number.
  if (e.Cursor.Buf == e.Source) head += ": " + ToUtf8(DebugLineText(e, e.LineNo - 1));
  tty.Say(head);
  tty.Say("  c=連続実行 l/Enter=一行毎に実行 q=実行中断 v 名前=変数 f=実行制御 e=エディタと同期");
  std::string answer;
  while (tty.Ask(answer)) {
    answer = Trimmed(answer);
    if (answer.empty() || answer == "l") return DebugChoice::StepLines;
    if (answer == "c") return DebugChoice::Continue;
    if (answer == "q") return DebugChoice::Stop;
    if (answer == "f") {
      ShowFrames(tty, e);
    } else if (answer == "v" || answer.rfind("v ", 0) == 0) {
      ShowVariables(tty, e, Trimmed(answer.substr(1)));
    } else if (answer == "e") {
      if (syncEditor) syncEditor();
    } else {
      tty.Say("  c, l, q, v 名前, f, e のどれかを入力してください");
    }
  }
  return DebugChoice::Continue;
}

IDebugService& TerminalDebugger() {
  static ConsoleDebugger debugger;
  return debugger;
}

}  // namespace nokari
