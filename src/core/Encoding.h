// CP932 <-> UTF-8 at the edges of the system (terminal, file names, window
// system, network text). Values inside the engine are always CP932.
#pragma once
#include <string>
#include <string_view>

namespace nokari {

// A character with no CP932 form (é, 한, 😀) is given a stand-in on its way
// in: a double-byte code CP932 leaves unassigned, the same one for the same
// character for the life of the process, turned back into the character on
// its way out. Values stay CP932 bytes; only the edges know.

// CP932 bytes to UTF-8, stand-ins back to their characters. Bytes with no
// Unicode form are written as U+FFFD.
std::string ToUtf8(std::string_view cp932);

// UTF-8 to CP932, with stand-ins. On success returns true; on a byte that
// is no character (or no stand-in left) returns false and sets `badOffset`
// to its byte offset in the input.
bool Utf8ToCp932(std::string_view utf8, std::string& out, size_t* badOffset = nullptr);

// UTF-8 to CP932 with stand-ins; a byte that is no character (or a
// character when no stand-in is left) becomes "〓".
std::string FromUtf8(std::string_view utf8);
// The same; `byChars` false converts in one call of iconv instead of by the
// characters kept from earlier texts (for texts converted once each).
std::string FromUtf8(std::string_view utf8, bool byChars);

// ¥ and ‾ have stand-ins too: CP932's forms of them are "\" and "~", an
// escape and a folder separator.

// The first character of a CP932 text that is a stand-in, as UTF-8; ""
// when there is none.
std::string FirstStandIn(std::string_view cp932);

// Whether a value is Shift-JIS text: every byte a character or half of one
// (so no NUL, no byte a binary file is made of but text never is), and not
// UTF-8 with a multi-byte character (a text made for a UTF-8 file).
bool IsShiftJisText(std::string_view value);

// A value as a Shift-JIS file holds it: a stand-in means something only
// while the program runs, so each becomes its character's CP932 form (¥
// "\", ‾ "~") or "〓", as before stand-ins. Anything that is not Shift-JIS
// text (UTF-8, the bytes of a picture) is written as it is.
std::string ShiftJisFileForm(std::string value);

// Shorthand for fixed texts written in the sources (UTF-8 literals).
// The result is cached per literal, so it is cheap in loops.
const std::string& Sj(const char* utf8Literal);

// Appends one code point as UTF-8 (for texts that arrive as code points:
// UTF-16 from drivers, \u escapes).
void AppendUtf8(std::string& out, char32_t cp);

// True when the bytes are valid UTF-8.
bool IsValidUtf8(std::string_view s);

// True when the bytes are valid UTF-8 holding at least one multi-byte
// character (so not plain ASCII, and almost never CP932 text).
bool LooksLikeUtf8(std::string_view s);

// Decides whether a script file is UTF-8: a UTF-8 BOM, or valid UTF-8 that
// contains at least one non-ASCII byte.
bool LooksLikeUtf8Script(std::string_view bytes);

}  // namespace nokari
