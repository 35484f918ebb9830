// A host for unit tests: collects output in memory, answers dialogs from a
// script of answers, and serves timers and watches through the console's
// poll() pump.
#pragma once
#include <deque>
#include <functional>
#include <string>

#include "core/Encoding.h"
#include "core/Engine.h"
#include "core/Errors.h"
#include "core/Prepare.h"
#include "core/Services.h"
#include "host/PollPump.h"
#include "host/Run.h"
#include "words/Expr.h"
#include "words/Value.h"

namespace nokari::testing {

class CaptureHost : public IOutputService,
                    public IDialogService,
                    public IClipboardService,
                    public IScreenService,
                    public IWindowService {
 public:
  std::string Output;  // UTF-8, one line per 表示/言う
  std::string Errors;  // UTF-8 error logs shown
  std::deque<std::string> Answers;
  ErrorChoice OnError = ErrorChoice::Quit;
  std::vector<TextStyle> Styles;  // the style of each 表示
  int Shown = 0, Closed = 0;      // main window shown / closed by the engine
  PollPump Pump;

  HostServices Services() { return ServicesOf(*this, Pump, true); }

  void WriteText(const std::string& text, const TextStyle& style) override {
    Output += ToUtf8(text) + "\n";
    Styles.push_back(style);
    if (OnWrite) OnWrite(ToUtf8(text));
  }
  // Called after each 表示 with its text (UTF-8): lets a test act at a
  // known place of a run, as a window event would.
  std::function<void(const std::string&)> OnWrite;
  void MessageBox(const std::string& text, const std::string&) override { Output += ToUtf8(text) + "\n"; }
  void Diagnostic(const std::string&) override {}

  ErrorChoice ShowErrorDialog(const std::string& log, bool) override {
    Errors += ToUtf8(log);
    return OnError;
  }
  std::optional<std::string> Input(const std::string& prompt, const std::string&) override {
    return NextAnswer(prompt);
  }
  bool YesNo(const std::string&, const std::string&) override { return false; }
  // The further questions take the next answer as it is (UTF-8; none left
  // is a cancel) and keep their prompt and choices in Asked.
  YesNoAnswer YesNoCancel(const std::string& prompt, const std::string&) override {
    std::optional<std::string> a = NextAnswer(prompt);
    return !a ? YesNoAnswer::Cancel : *a == "1" ? YesNoAnswer::Yes : *a == "0" ? YesNoAnswer::No : YesNoAnswer::Cancel;
  }
  std::optional<std::string> Choose(const std::string& prompt, const std::vector<std::string>& items,
                                    const std::string& initial, bool editable) override {
    Asked += (editable ? "edit:" : "list:") + ToUtf8(initial) + ":" + std::to_string(items.size()) + "\n";
    return NextAnswer(prompt);
  }
  std::optional<std::string> ChooseButton(const std::string& prompt, const std::vector<std::string>& items) override {
    for (const std::string& item : items) Asked += "[" + ToUtf8(item) + "]";
    return NextAnswer(prompt);
  }
  std::optional<std::string> Memo(const std::string& initial) override { return NextAnswer(initial); }
  std::optional<std::string> NextAnswer(const std::string& prompt) {
    Asked += ToUtf8(prompt) + "\n";
    if (Answers.empty()) return std::nullopt;
    std::string answer = FromUtf8(Answers.front());
    Answers.pop_front();
    return answer;
  }
  std::string Asked;  // UTF-8: what the questions showed
  Confirm AskConfirm(const std::string&) override { return Confirm::None; }

  std::string ClipboardText() override { return clip; }
  void SetClipboardText(const std::string& t) override { clip = t; }

  ScreenSize PrimaryScreenSize() override { return ScreenSize{1024, 768}; }

  void ShowMainWindow() override { ++Shown; }
  void CloseMainWindow() override { ++Closed; }
  void SetCloseRequestHandler(std::function<void()> request) override { closeRequest = std::move(request); }
  // The user closes the main window.
  void UserCloses() {
    if (closeRequest) closeRequest();
  }

  std::string clip;
  std::function<void()> closeRequest;
};

// An engine with the built-in words registered and an empty program.
struct TestEngine {
  CaptureHost host;
  TNokaBase e;
  TestEngine() {
    ConnectServices(e, host.Services());
    e.FileName = "test.nkr";
    StartProgram(e, "");
  }
  // Runs UTF-8 program text to its end; returns what it printed.
  std::string Run(const std::string& utf8) {
    e.FileName = "test.nkr";
    try {
      StartProgram(e, FromUtf8(utf8));
    } catch (ENoka& err) {
      host.Errors += ToUtf8(err.Message);
      return host.Output;
    }
    RunLoop(e);
    return host.Output;
  }
  // Expression text as a script holds it (「」 folded to quotes and so on).
  std::string Prepared(const std::string& utf8) { return Prepare(e, FromUtf8(utf8)); }
  // Evaluates an expression (UTF-8); the result in UTF-8.
  std::string Eval(const std::string& utf8) { return ToUtf8(EvaluateExpression(e, Prepared(utf8))); }
  // The same through the reading evaluator only (no compiled cache).
  std::string EvalReading(const std::string& utf8) {
    std::string text = Prepared(utf8);
    const char* p = text.c_str();
    return ToUtf8(EvaluateExpression(e, p));
  }
  std::string Arg(const std::string& utf8) { return ToUtf8(EvalArg(e, Prepared(utf8))); }
  std::string ArgReading(const std::string& utf8) { return ToUtf8(EvalArgReading(e, Prepared(utf8))); }
};

}  // namespace nokari::testing
