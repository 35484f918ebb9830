// Reading script files: encoding detection (UTF-8, CP932, UTF-16), line ends, and
// where an included file is looked for.
#pragma once
#include <string>

#include "core/Engine.h"

namespace nokari {

// Reads a script file and converts it to CP932 with CR LF line ends.
// Returns false when the file cannot be read; raises ENoka naming the file
// and line for a character with no CP932 form.
bool ReadScriptFile(TNokaBase& e, const std::string& cp932Path, std::string& out);
// Converts raw script bytes (UTF-8, CP932, or UTF-16 with its byte-order
// mark) to CP932 text with CR LF ends. A UTF-8 text with a few bytes that
// are no UTF-8 is an error naming the line of the first.
std::string DecodeScript(TNokaBase& e, const std::string& bytes, const std::string& cp932Name);
// The first existing of: the name as given (absolute), the current folder,
// 母艦のパス, the executable's folder, the folder of the running source;
// else the name unchanged.
std::string ResolveReadName(TNokaBase& e, const std::string& cp932Name);
// A CP932 path as a Linux (UTF-8) path: "\" accepted as a separator.
std::string SystemPath(const std::string& cp932Path);

}  // namespace nokari
