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
// Adds a label word for every "*name" line of a prepared text. A name
// already in use is an error; with `redefine` (the prompt, where a label
// is fixed by typing it again) a label's name takes the new body instead.
void CollectLabels(TNokaBase& e, const TextBuf& text, const std::string& fileName, bool redefine = false);
// The folded (ASCII) form of the double-byte character with bytes hi, lo,
// or null when it has none.
const char* FoldedChar(unsigned char hi, unsigned char lo);
// 「 and 」 (and their half-width forms ｢ ｣), by their bytes: a text opened
// with 「 holds further 「…」 pairs as they stand, so a quotation
// (「彼は「はい」と言った」) or an embedded expression with a text
// (「合計{A&「円」}」) stays one text.
bool IsOpeningCorner(std::string_view raw);
// Whether a full-width ￥ in a text, with the next character at `next`,
// escapes it as \ does: only before n, t (also full-width), ￥ and \.
// Anywhere else it is the yen sign it looks like: 「￥1,000」,
// 「価格：￥{A}」, 「合計￥」 (a quote is escaped with \).
bool YenEscapes(std::string_view text, size_t next);
bool IsClosingCorner(std::string_view raw);

}  // namespace nokari
