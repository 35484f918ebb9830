// Pure text functions behind the string commands. Every function works on
// CP932 bytes and steps by characters (core/Cp932.h) unless it says bytes;
// none touches the engine, so each can be tested on its own.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace nokari::text {

// The largest text a command may build; beyond it the command reports an
// error instead of exhausting memory.
inline constexpr uint64_t kMaxBuiltBytes = uint64_t{1} << 30;

// ---- searching ------------------------------------------------------------

// Byte offset of the first occurrence of `needle` at a character boundary at
// or after `from` (which must itself be a boundary); npos when none or when
// the needle is empty. Used for both the locale and the byte comparison:
// with no flags the locale comparison of equal-length texts is equality.
size_t FindFrom(std::string_view hay, std::string_view needle, size_t from);

// 何文字目: 1-based character position of the first occurrence, 0 for none.
int64_t CharPosition(std::string_view hay, std::string_view needle);
// 出現回数: non-overlapping occurrences, left to right.
int64_t CountOccurrences(std::string_view text, std::string_view word);
// 置換: every occurrence replaced; inserted text is never searched again.
std::string ReplaceAll(std::string_view src, std::string_view from, std::string_view to);
// 単置換: only the n-th occurrence replaced.
std::string ReplaceNth(std::string_view src, int64_t n, std::string_view from,
                       std::string_view to);

// ---- cutting --------------------------------------------------------------

std::string LeftChars(std::string_view s, int64_t n);
std::string RightChars(std::string_view s, int64_t n);
// Characters whose 1-based index lies in start..start+n-1.
std::string MidChars(std::string_view s, int64_t start, int64_t n);
// The same with the place of a character found by `offsetOf(index)` (a
// kept index of the text's characters; words/Contract.h CharOffsetIn).
std::string MidChars(std::string_view s, int64_t start, int64_t n, const std::function<size_t(size_t)>& offsetOf);
// n bytes from byte `start` (below 1 counts as 1), clipped at the end.
std::string MidBytes(std::string_view s, int64_t start, int64_t n);
std::string DropRightChars(std::string_view s, int64_t n);
std::string DropLeftChars(std::string_view s, int64_t n);

// 区切る: the pieces between delimiters (byte comparison); a delimiter at
// the very end gives no empty last piece; an empty delimiter keeps the text
// whole; an empty text gives no pieces.
std::vector<std::string> SplitPieces(std::string_view text, std::string_view delim);
// The same pieces handed to `each` in order, views into `text`.
template <class Each>
void ForEachPiece(std::string_view text, std::string_view delim, Each&& each) {
  if (text.empty()) return;
  if (delim.empty()) {
    each(text);
    return;
  }
  for (size_t start = 0; start < text.size();) {
    const size_t hit = FindFrom(text, delim, start);
    if (hit == std::string_view::npos) {
      each(text.substr(start));
      return;
    }
    each(text.substr(start, hit - start));
    start = hit + delim.size();
  }
}
// 段落を切り出す: the n-th (1-based) blank-line separated paragraph with its
// trailing run of line breaks; "" when there is none.
std::string Paragraph(std::string_view text, int64_t n);
// 行数: lines ended by CR LF, CR or LF; an unended last line counts.
int64_t LineCount(std::string_view text);

// A cut of a value into the part handed to それ and the remainder.
struct Cut {
  std::string Taken;
  std::string Rest;
};
// 切り取る: before the first occurrence / after it; the whole value and ""
// when the delimiter does not occur.
Cut CutAtDelimiter(std::string_view value, std::string_view delim);
// 判別して切り取る: as CutAtDelimiter, but `escape` followed by a character
// is copied (escape included) and cannot begin a match.
Cut CutAtDelimiterEscaped(std::string_view value, std::string_view delim, char escape);
// 範囲を切り取る: the range from `start` through `end`; the end search
// begins at the start string's first byte. nullopt when start is absent.
std::optional<Cut> CutRange(std::string_view value, std::string_view start,
                            std::string_view end);

// ---- building, trimming ---------------------------------------------------

// Both return false when the result would exceed kMaxBuiltBytes.
bool Repeat(std::string_view s, int64_t n, std::string& out);
bool PadLeft(std::string_view s, int64_t width, char fill, std::string& out);

// 前後の空白削除: control bytes and spaces, then "　", spaces, tabs, CR, LF.
std::string TrimBlanks(std::string_view s);
// Only the first step of TrimBlanks (bytes up to 32 at both ends).
std::string TrimControls(std::string_view s);
// 送り仮名削除: hiragana runs that follow a double-byte non-hiragana
// character are dropped; an empty result gives the input back.
std::string DropOkurigana(std::string_view s);

// Display tab expansion: tabs to the next multiple of `tabWidth`, every
// line break (CR, LF, CR LF, LF CR) to CR LF.
std::string ExpandTabs(std::string_view s, int tabWidth);

// 行揃え: wrap to `width` bytes with line-start prohibition (kinsoku).
std::string WrapText(std::string_view s, int64_t width, int64_t tab, std::string_view kinsoku);

// ---- case and character classes ------------------------------------------

// Locale upper/lower case: ASCII, full-width Latin, Greek and Cyrillic.
std::string ToUpperText(std::string_view s);
std::string ToLowerText(std::string_view s);
// The first character mapped to half-width (full-width letters and digits
// become ASCII); "" for an empty text.
std::string FirstCharHalfWidth(std::string_view s);
bool IsUpperFirst(std::string_view s);
bool IsDigitFirst(std::string_view s);
bool IsWideFirst(std::string_view s);
bool IsHiraganaFirst(std::string_view s);
bool IsKatakanaFirst(std::string_view s);
bool IsNumeral(std::string_view s);

// 文字: code 0-255 one byte, 256-65535 two bytes high first.
std::string CharFromCode(int64_t code);
// キーコード: code of the first character (text must not be empty).
int64_t CodeOfFirstChar(std::string_view s);

// ---- tags -----------------------------------------------------------------

std::string StripTags(std::string_view s);
// Every element with that tag name, each followed by CR LF.
std::string ExtractTags(std::string_view s, std::string_view tagName);

// ---- formatting -----------------------------------------------------------

// 通貨形式に変換 of a number: thousands separators, two decimals when
// `withDecimals`; false when the number lies outside the currency range.
bool FormatCurrency(long double x, bool withDecimals, std::string& out);
// 指定形式に変換: printf-style directives %d %f %m %s %% with "-" flag,
// width and precision, formatting the one value. The format text is read
// here, never handed to the C library. %d, %f and %m read the value as the
// language reads a number ("1,234", full-width digits, "" as 0).
enum class FormatResult { Ok, BadFormat, ValueOutOfRange };
FormatResult FormatSpecified(std::string_view value, std::string_view format, std::string& out);

// ---- binary forms ---------------------------------------------------------

enum class BinaryForm { Char, Byte, Word, DWord, Int, CharPtr, Unknown };
BinaryForm ParseBinaryForm(std::string_view form);

struct BinaryRead {
  bool Ok = false;        // false: the bytes lie outside the value
  std::string Value;
  bool IsNumber = false;
};
// Reads a form at byte offset `offset` (0-based) of `data`.
BinaryRead ReadBinary(std::string_view data, int64_t offset, BinaryForm form);

enum class BinaryWrite { Ok, OutOfValue, OutOfRange };
// Overwrites bytes of `data` in place at `offset`; never changes its length.
BinaryWrite WriteBinary(std::string& data, int64_t offset, BinaryForm form,
                        std::string_view value, long double number);

}  // namespace nokari::text
