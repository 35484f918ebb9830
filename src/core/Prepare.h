// Source preparation: folds Japanese punctuation and full-width letters to
// the engine's ASCII syntax, removes comments, checks string brackets and
// writes a line marker "N:" after every line end.
#pragma once
#include <string>
#include <string_view>

#include "core/TextPos.h"

namespace nokari {

struct TNokaBase;

// Returns the prepared text; raises ENoka on unbalanced brackets.
std::string Prepare(TNokaBase& e, std::string_view text);
// Adds a label word for every "*name" line of a prepared text.
void CollectLabels(TNokaBase& e, const TextBuf& text, const std::string& fileName);
// The folded (ASCII) form of the double-byte character with bytes hi, lo,
// or null when it has none.
const char* FoldedChar(unsigned char hi, unsigned char lo);

}  // namespace nokari
