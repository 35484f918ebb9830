// The console host: no window; 表示 and 言う write lines to standard output
// as UTF-8, dialogs read standard input (one line per question, end of
// input = cancel; prompts and numbered choices go to standard error, and
// only when standard input is a terminal, so piped answers leave the
// output clean), errors go to standard error, and
// timers and descriptor watches run through poll(). GUI parts
// work (unseen) once the window module is loaded by the first of them.
#pragma once
#include <cstdio>
#include <string>

#include "core/Services.h"
#include "host/LazyParts.h"
#include "host/PollPump.h"

namespace nokari {

class ConsoleHost : public IOutputService,
                    public IDialogService,
                    public IClipboardService,
                    public IScreenService,
                    public IWindowService {
 public:
  ConsoleHost();
  ~ConsoleHost() override;
  // Every service of this host, for the engine.
  HostServices Services();

  void WriteText(const std::string& text, const TextStyle& style) override;
  bool ShowsTextStyle() const override { return false; }
  void MessageBox(const std::string& text, const std::string& caption) override;
  void Diagnostic(const std::string& text) override;

  ErrorChoice ShowErrorDialog(const std::string& log, bool debugMode) override;
  std::optional<std::string> Input(const std::string& prompt, const std::string& initial) override;
  bool YesNo(const std::string& prompt, const std::string& caption) override;
  Confirm AskConfirm(const std::string& question) override;
  YesNoAnswer YesNoCancel(const std::string& prompt, const std::string& caption) override;
  std::optional<std::string> Choose(const std::string& prompt, const std::vector<std::string>& items,
                                    const std::string& initial, bool editable) override;
  std::optional<std::string> ChooseButton(const std::string& prompt, const std::vector<std::string>& items) override;
  // Lines up to one holding only "." (or the end of input), which replace
  // the initial text; "." at once keeps it. No line at all is a cancel.
  std::optional<std::string> Memo(const std::string& initial) override;
  // "#RRGGBB" or a colour number as 色選択 gives it.
  std::optional<uint32_t> Color(uint32_t initial) override;
  // "face|style words|size", as フォント選択 gives it.
  std::optional<FontChoice> Font(const FontChoice& initial) override;
  // Several files separated by "|".
  std::optional<std::vector<std::string>> OpenFiles(const std::vector<FileFilter>& filters,
                                                    const std::string& initialName) override;
  std::optional<std::string> SaveFile(const std::vector<FileFilter>& filters, const std::string& defaultExt,
                                      const std::string& initialName) override;
  std::optional<std::string> Folder(const std::string& start) override;

  // The console's clipboard lives as long as the program.
  std::string ClipboardText() override { return clipboard_; }
  void SetClipboardText(const std::string& text) override { clipboard_ = text; }

  ScreenSize PrimaryScreenSize() override { return ScreenSize{}; }

  void ShowMainWindow() override {}
  void CloseMainWindow() override {}  // no window: the run ends on its own
  // There is no window for a user to close.
  void SetCloseRequestHandler(std::function<void()>) override {}

  bool ErrorShown() const { return errorShown_; }

 private:
  void WriteLine(FILE* f, const std::string& cp932);
  bool ReadLine(std::string& cp932);
  // A question: the prompt on standard error for a terminal, then one
  // line read; none at the end of input. An empty line is an answer.
  std::optional<std::string> Ask(const std::string& prompt);
  std::optional<std::string> AskNonEmpty(const std::string& prompt);
  // A question whose empty answer is the initial text, shown after it.
  std::optional<std::string> AskWithInitial(const std::string& prompt, const std::string& initial);
  // 1 yes, 0 no, 2 cancel; none at the end of input. An answer it cannot
  // read asks again, a few times.
  std::optional<int> AskYesNo(const std::string& prompt, bool withCancel);
  bool interactive_;
  PollPump pump_;
  // GUI parts work in a console run too, invisibly; Qt is loaded on the
  // first one. RunConsole declares the engine after the host, so the parts
  // are gone before this takes Qt down.
  LazyPartService parts_;
  std::string clipboard_;
  bool errorShown_ = false;
};

}  // namespace nokari
