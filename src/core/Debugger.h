// The debug dialog (DEBUG, 改行で実行を止める, -linestop, the editor's
// "pause"): where the program stands, its variables and its run-control
// frames, and a choice of how to go on. The host decides what it looks
// like (a Qt dialog in window mode, a few lines on the terminal in console
// mode, nothing at all when nobody can answer); what it shows is gathered
// here, from the engine, into plain records, so every host shows the same.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/Services.h"

namespace nokari {

struct TNokaBase;

// How the program goes on after the dialog.
enum class DebugChoice {
  Continue,   // 連続実行: no more stops
  StepLines,  // 一行毎に実行: stop again after the next line
  Stop,       // 実行中断: the program ends
};

// One row of the variable grid (CP932 texts).
struct DebugVariable {
  std::string Name;
  std::string Value;  // a dictionary's items as its text form
  std::string Type;   // the type mark
  int32_t Level = 0;  // call depth at its creation (-1: built in)
  uint8_t Kind = 0;   // 3 variable, 4 GUI object, 6 dictionary
};

// What the grid shows: words whose level is at least MinLevel (それ
// always), built-in variables only when asked, GUI objects only when
// asked, and, when Search is not empty, only names containing it.
struct DebugFilter {
  int32_t MinLevel = 0;
  bool SystemVariables = false;
  bool Objects = false;
  std::string Search;  // CP932
};

// The variable rows, sorted by name.
std::vector<DebugVariable> DebugVariables(const TNokaBase& e, const DebugFilter& filter);
// The name of a run-control frame kind in the frame list.
const char* FrameKindName(int kind);  // UTF-8
// The frame list, outermost first: "1:もし、ならば" ... (CP932), over every
// run level.
std::vector<std::string> DebugFrames(const TNokaBase& e);
// The program text as the dialog shows it: "0:" and the prepared main
// program, so every line shows its marker number (CP932).
std::string DebugProgramText(const TNokaBase& e);
// The current line's text in the main program, without its marker
// ("" when the line is not there).
std::string DebugLineText(const TNokaBase& e, int32_t line);

// The dialog itself. Shown modally; `syncEditor`, when set, is what
// エディタと同期 does (tell the editor the current line).
class IDebugService {
 public:
  virtual ~IDebugService() = default;
  virtual DebugChoice ShowDebugDialog(TNokaBase& e, const std::function<void()>& syncEditor) = 0;
};

// A dialog nobody sees: the program goes on without stops.
class QuietDebugger : public IDebugService {
 public:
  DebugChoice ShowDebugDialog(TNokaBase&, const std::function<void()>&) override { return DebugChoice::Continue; }
};

inline IDebugService& DebuggerOf(const HostServices& s) {
  static QuietDebugger quiet;
  return s.Debugger ? *s.Debugger : quiet;
}

// What エディタと同期 does, installed by whoever links an editor (null: the
// button does nothing).
void SetEditorSync(std::function<void(TNokaBase&)> sync);
// Shows the dialog and does what was chosen: LineStop cleared or set, or
// the program ended (stopped, and the main window closed).
void ShowDebugger(TNokaBase& e);
// The run loop's stop point, called after a step while LineStop is set:
// at a statement boundary on a new line (or a new turn of a loop) the
// dialog is shown.
void StopAtLine(TNokaBase& e);

}  // namespace nokari
