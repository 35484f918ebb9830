// The interactive prompt (nokari -i): one engine for the whole session;
// each entry is prepared and run in it, so variables, labels and open
// handles stay from one entry to the next.
//
// An entry is one line, or several while something is open:
//   - a bracket （ ( or a text 「 『 " (also ｢), or a { } comment;
//   - a line ending with a block word (ならば, なら, 違えば, でなければ, 回,
//     繰り返す, 反復, ループ): its body is the next line;
//   - a line ending with 、: the statement goes on, as in a script;
//   - a definition: an entry whose first line is a label (*名前) runs to
//     the first empty line, and is only registered, not run; a label
//     typed again replaces the one defined before.
// Errors print the console's error log and the prompt goes on; それ is
// shown ("→ 値") after an entry that set it. End of input (Ctrl-D) ends
// the session with status 0, discarding an entry still open; 終わる ends
// it with the program's status. Lines are UTF-8, converted at the edge.
// From a pipe or a file the lines are read as they come, without prompts
// or history, and the end of the input ends the session the same way.
#pragma once
#include <string>

#include "host/Startup.h"

namespace nokari {

// What an entry so far still leaves open (CP932 text).
struct EntryState {
  int Brackets = 0;          // unclosed ( and （
  bool InText = false;       // inside 「」 『』 ""
  bool InComment = false;    // inside { }
  bool BlockWordEnd = false; // the last line ends with a block word
  bool CommaEnd = false;     // the last line ends with 、
  bool Open() const { return Brackets > 0 || InText || InComment || BlockWordEnd || CommaEnd; }
};
EntryState ScanEntry(const std::string& cp932);

// Runs the prompt until end of input; the exit status.
int RunRepl(const StartOptions& options);

}  // namespace nokari
