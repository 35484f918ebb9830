// The console host: no window; 表示 and 言う write lines to standard output
// as UTF-8, dialogs read standard input, errors go to standard error.
#pragma once
#include <cstdio>
#include <string>

#include "host/Host.h"

namespace nokari {

class ConsoleHost : public IHost {
 public:
  ConsoleHost();
  ~ConsoleHost() override;
  void WriteText(const std::string& text) override;
  void MessageBox(const std::string& text, const std::string& caption) override;
  ErrorChoice ShowErrorDialog(const std::string& log, bool debugMode) override;
  bool InputBox(const std::string& prompt, const std::string& initial, std::string& answer) override;
  bool YesNo(const std::string& prompt, const std::string& caption) override;
  Confirm AskConfirm(const std::string& question) override;
  void ProcessEvents() override {}
  void ShowMainWindow() override {}
  void RequestClose() override { closeRequested_ = true; }
  std::string ClipboardText() override { return clipboard_; }
  void SetClipboardText(const std::string& text) override { clipboard_ = text; }
  int ScreenWidth() override { return 1024; }
  int ScreenHeight() override { return 768; }
  void Diagnostic(const std::string& text) override;
  bool IsConsole() const override { return true; }

  bool CloseRequested() const { return closeRequested_; }
  bool ErrorShown() const { return errorShown_; }

 private:
  void WriteLine(FILE* f, const std::string& cp932);
  bool ReadLine(std::string& cp932);
  std::string clipboard_;
  bool closeRequested_ = false;
  bool errorShown_ = false;
};

}  // namespace nokari
