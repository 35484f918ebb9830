// Shared pieces of the fuzz targets: a host that refuses everything, a
// private temp folder that every run starts in, and a fresh engine per input
// (state carried from one input to the next would make crashes impossible
// to reproduce from their input alone).
//
// Every target is a plain function `int NokariFuzz<Name>(const uint8_t*,
// size_t)`, linked both into a libFuzzer binary (fuzz/LibFuzzerMain.cpp) and
// into the regression driver that the normal build runs under CTest.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/Engine.h"
#include "host/Host.h"

namespace nokari::fuzz {

// Answers every dialog with "no", every confirmation with nothing (refused),
// and stops a wait at once instead of sleeping.
class RefusingHost : public IHost {
 public:
  TNokaBase* Engine = nullptr;
  ErrorChoice OnError = ErrorChoice::Quit;

  void WriteText(const std::string&) override {}
  void MessageBox(const std::string&, const std::string&) override {}
  ErrorChoice ShowErrorDialog(const std::string&, bool) override { return OnError; }
  bool InputBox(const std::string&, const std::string&, std::string&) override { return false; }
  bool YesNo(const std::string&, const std::string&) override { return false; }
  Confirm AskConfirm(const std::string&) override { return Confirm::None; }
  // Only a wait inside a run ends it; start-up pumps events too (before
  // the run loop), and stopping there would run nothing at all.
  void ProcessEvents() override {
    if (Engine && Engine->RunDepth > 0) Engine->StopFlag = true;
  }
  void ShowMainWindow() override {}
  void RequestClose() override {}
  std::string ClipboardText() override { return {}; }
  void SetClipboardText(const std::string&) override {}
  int ScreenWidth() override { return 1024; }
  int ScreenHeight() override { return 768; }
  void Diagnostic(const std::string&) override {}
  bool IsConsole() const override { return true; }
};

// The private folder of this process (native, no trailing "/"), made on
// first use with "prog" (the program folder) inside it, and removed at exit.
const std::string& PrivateFolder();
// PrivateFolder() + "/prog".
std::string ProgramFolder();
// Moves the current folder back into the program folder: a script may have
// changed it, and the next input must start where every input starts.
void EnterProgramFolder();

// A fresh engine with the built-in words, the program folder as 母艦のパス,
// and the given security level (2 refuses every change).
struct FuzzEngine {
  RefusingHost Host;
  TNokaBase E;
  explicit FuzzEngine(int securityLevel = 2);
};

// Runs `body` and swallows what a script may legitimately cause: ENoka.
// Anything else escapes and is a finding.
template <class F>
void IgnoringScriptErrors(F&& body);

}  // namespace nokari::fuzz

#include "core/Errors.h"

template <class F>
void nokari::fuzz::IgnoringScriptErrors(F&& body) {
  try {
    body();
  } catch (const ENoka&) {
  }
}
