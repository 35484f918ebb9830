// The word reference: what the registration table says about the built-in
// words, for `--help-word NAME` and for docs/words.md (`--list-words-md`).
// Everything here reads the linked table itself, so the reference cannot
// drift from what the program registers.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "words/Registry.h"

namespace nokari {

// The row named `name` (UTF-8): the exact name first, then a command whose
// name matches with okurigana folded (繰り返し finds 繰り返す), as the
// engine finds commands. Null when there is none.
const RegistryRow* FindBuiltinWord(std::string_view name);

// Up to `limit` names of built-in words containing `part`, for the hint
// after an unknown name.
std::vector<std::string> WordsContaining(std::string_view part, size_t limit);

// The argument slots of an ArgSpec ("?の中で,?が" -> {"の中で", "が"});
// a slot without a particle is "".
std::vector<std::string> ArgParticles(std::string_view argSpec);

// How a statement calling the command reads: "Aの中で、Bが、何文字目";
// a command whose slots have no particles reads as a call, "LEFT(A,B)".
std::string UsageLine(const RegistryRow& row);

// The text `--help-word` prints for a row (UTF-8, ends in a newline).
std::string DescribeWord(const RegistryRow& row, std::string_view asked);

// docs/words.md: every built-in word by family, in registration order.
std::string WordsMarkdown();

// `--help-word NAME`: the description on standard output and 0, or a
// message with the nearest names on standard error and 2.
int PrintWordHelp(const std::string& name);

}  // namespace nokari
