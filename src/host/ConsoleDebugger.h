// The debug dialog of console runs: a few lines on the terminal
// (/dev/tty, so piped standard streams stay the program's own). It shows
// the line that has just run and reads one-letter answers:
//   c        連続実行: go on without stops
//   l, Enter 一行毎に実行: stop after the next line
//   q        実行中断: end the program
//   v NAME   show a variable (a, all of them)
//   f        the run-control frames
//   e        tell the editor the line (エディタと同期)
// Without a terminal nobody can answer: the program goes on.
#pragma once
#include "core/Debugger.h"

namespace nokari {

class ConsoleDebugger : public IDebugService {
 public:
  DebugChoice ShowDebugDialog(TNokaBase& e, const std::function<void()>& syncEditor) override;
};

// The one a console run uses.
IDebugService& TerminalDebugger();

}  // namespace nokari
