// Starting a program from a command text as 起動 does, for other families
// (DDE送信 starts the program of DDEファイル名 this way).
#pragma once
#include <string>

namespace nokari {
struct TNokaBase;
}

namespace nokari::programs {

// 起動's rules without its argument: a script runs in this program, a
// document or address goes to xdg-open, anything else is a program started
// without a shell. The script goes on at once.
void StartCommandText(TNokaBase& e, const std::string& text);

}  // namespace nokari::programs
