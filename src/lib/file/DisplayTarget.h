// 表示 with 表示出力先 set: the text goes to that file instead of the screen.
#pragma once
#include <string>

namespace nokari {

struct TNokaBase;

// Appends text + CR LF to the file named by 表示出力先 (created when
// missing), after the write check of the security policy. Returns false
// when 表示出力先 is empty or names a folder: the caller then draws the text.
// A refused check returns true (nothing is drawn, nothing written).
bool WriteToDisplayTarget(TNokaBase& e, const std::string& text);

}  // namespace nokari
