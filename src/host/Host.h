// The one interface through which the engine reaches the outside world:
// output, message boxes, dialogs, the error dialog and the event pump.
// The Qt host (gui/) and the console host (host/ConsoleHost) implement it.
// Every text crossing this interface is CP932; hosts convert at their edge.
#pragma once
#include <string>
#include <vector>

namespace nokari {

enum class ErrorChoice { Continue, Quit, Debug };
// None: the user made no choice; Nobody: there was no one to ask (a console
// without a terminal).
enum class Confirm { Yes, No, AllYes, AllNo, None, Nobody };

class IHost {
 public:
  virtual ~IHost() = default;

  // 表示: write a line of text on the output surface.
  virtual void WriteText(const std::string& text) = 0;
  // 言う: a message box with an OK button.
  virtual void MessageBox(const std::string& text, const std::string& caption) = 0;
  // The error dialog; `log` is the whole error log.
  virtual ErrorChoice ShowErrorDialog(const std::string& log, bool debugMode) = 0;
  // 尋ねる and friends: returns false when cancelled.
  virtual bool InputBox(const std::string& prompt, const std::string& initial, std::string& answer) = 0;
  // はい/いいえ question; returns true for yes.
  virtual bool YesNo(const std::string& prompt, const std::string& caption) = 0;
  // The security confirmation with はい/いいえ/全てはい/全ていいえ.
  virtual Confirm AskConfirm(const std::string& question) = 0;
  // Let pending window-system events run (no-op in console mode).
  virtual void ProcessEvents() = 0;
  // Show the main window (not called when the script holds 母艦浮上).
  virtual void ShowMainWindow() = 0;
  // The program asks to close (おわり, error dialog quit).
  virtual void RequestClose() = 0;
  // Clipboard text.
  virtual std::string ClipboardText() = 0;
  virtual void SetClipboardText(const std::string& text) = 0;
  virtual int ScreenWidth() = 0;
  virtual int ScreenHeight() = 0;
  // Warnings in -debug console mode and other diagnostics.
  virtual void Diagnostic(const std::string& text) = 0;
  virtual bool IsConsole() const = 0;
};

}  // namespace nokari
