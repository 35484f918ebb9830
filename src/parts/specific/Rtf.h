// Rich text files (RTF) for the リッチエディタ, over the runs a rich
// editor's handle gives and takes (core/Parts.h TextRun): Qt reads and
// writes HTML and Markdown but no RTF, and RTF is what other programs
// exchange rich text in.
//
// Written: RTF 1 with the Japanese code page (\ansicpg932), a font table
// (\fcharset128 for Japanese faces), a colour table, and per run a group
// with its font, size, styles and colour. Every byte above 0x7F goes as a
// \'xx escape, both bytes of a double-byte character among them, so no
// second byte (which may be "\", "{" or "}") is ever read as syntax.
//
// Read: the same subset and what other writers commonly add: groups and
// destinations the reader does not know are skipped, \uN takes its
// fallback count (\ucN) into account, \'xx bytes are CP932 when the file
// says so (code page 932 or a font with \fcharset128) and Windows-1252
// otherwise. Reading never fails: broken input (unbalanced braces, cut-off
// escapes, absurd nesting) gives the text that could be read.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "core/Parts.h"

namespace nokari::parts {

// The document as an RTF file (CP932 bytes, ASCII apart from escapes).
std::string WriteRtf(const std::vector<TextRun>& runs);
// The runs of an RTF text; adjacent runs of one look are joined.
std::vector<TextRun> ReadRtf(std::string_view rtf);
// True when the text starts as an RTF file does ("{\rtf", blanks before
// it allowed).
bool LooksLikeRtf(std::string_view text);
// The plain text of runs.
std::string PlainText(const std::vector<TextRun>& runs);

}  // namespace nokari::parts
