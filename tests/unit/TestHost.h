// A host for unit tests: collects output in memory and answers dialogs
// from a script of answers.
#pragma once
#include <deque>
#include <string>

#include "core/Encoding.h"
#include "core/Engine.h"
#include "core/Errors.h"
#include "host/Host.h"
#include "core/Prepare.h"
#include "words/Expr.h"
#include "words/Value.h"

namespace nokari::testing {

class CaptureHost : public IHost {
 public:
  std::string Output;  // UTF-8, one line per 表示/言う
  std::string Errors;  // UTF-8 error logs shown
  std::deque<std::string> Answers;
  ErrorChoice OnError = ErrorChoice::Quit;

  void WriteText(const std::string& text) override { Output += ToUtf8(text) + "\n"; }
  void MessageBox(const std::string& text, const std::string&) override { Output += ToUtf8(text) + "\n"; }
  ErrorChoice ShowErrorDialog(const std::string& log, bool) override {
    Errors += ToUtf8(log);
    return OnError;
  }
  bool InputBox(const std::string&, const std::string&, std::string& answer) override {
    if (Answers.empty()) return false;
    answer = FromUtf8(Answers.front());
    Answers.pop_front();
    return true;
  }
  bool YesNo(const std::string&, const std::string&) override { return false; }
  Confirm AskConfirm(const std::string&) override { return Confirm::None; }
  void ProcessEvents() override {}
  void ShowMainWindow() override {}
  void RequestClose() override {}
  std::string ClipboardText() override { return clip; }
  void SetClipboardText(const std::string& t) override { clip = t; }
  int ScreenWidth() override { return 1024; }
  int ScreenHeight() override { return 768; }
  void Diagnostic(const std::string&) override {}
  bool IsConsole() const override { return true; }
  std::string clip;
};

// An engine with the built-in words registered and an empty program.
struct TestEngine {
  CaptureHost host;
  TNokaBase e;
  TestEngine() {
    e.Host = &host;
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
