// Command texts as 起動 reads them, split into argv without any shell.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace nokari::programs {

// The program part (quotes kept) and the parameter part (trimmed): the
// program part ends at the first space outside quotes, or at a closing
// quote; a double-byte character is taken whole.
struct CommandText {
  std::string Program;
  std::string Parameters;
};
CommandText SplitCommandText(std::string_view text);

// Words of a parameter text: blanks separate them, double quotes group
// (and are dropped), as a user types them at a prompt.
std::vector<std::string> SplitWords(std::string_view text);

// バイナリダンプ: two upper-case hex digits a byte, "," after each but
// every 16th, which ends its line with CR LF.
std::string HexDump(std::string_view bytes);

}  // namespace nokari::programs
