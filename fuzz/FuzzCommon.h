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
#include "core/Services.h"

namespace nokari::fuzz {

// Answers every dialog with "no", every confirmation with nothing (refused),
// drops all output, and stops a wait at once instead of sleeping. The
// clipboard, screen and window are the quiet services'.
class RefusingHost : public IOutputService, public IDialogService, public IEventPump {
 public:
  TNokaBase* Engine = nullptr;
  ErrorChoice OnError = ErrorChoice::Quit;

  void WriteText(const std::string&, const TextStyle&) override {}
  void MessageBox(const std::string&, const std::string&) override {}
  void Diagnostic(const std::string&) override {}
  ErrorChoice ShowErrorDialog(const std::string&, bool) override { return OnError; }
  std::optional<std::string> Input(const std::string&, const std::string&) override { return std::nullopt; }
  bool YesNo(const std::string&, const std::string&) override { return false; }
  Confirm AskConfirm(const std::string&) override { return Confirm::None; }
  // Only a wait inside a run ends it; start-up pumps events too (before
  // the run loop), and stopping there would run nothing at all.
  void ProcessEvents() override {
    if (Engine && Engine->RunDepth > 0) Engine->StopFlag = true;
  }
  void Wait(Millis, const std::function<bool()>&) override { ProcessEvents(); }
  int WatchFd(int, int, Callback) override { return ++lastId_; }
  void Unwatch(int) override {}
  int StartTimer(Millis, Callback) override { return ++lastId_; }
  void CancelTimer(int) override {}

  // The services of an engine that talks to this host.
  HostServices Services() {
    HostServices s = QuietServices();
    s.Output = this;
    s.Dialogs = this;
    s.Pump = this;
    return s;
  }

 private:
  int lastId_ = 0;
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
