// Searching, cutting, trimming and character tests on CP932 text.
#include "lib/text/TextCore.h"

#include <algorithm>
#include <cstring>

#include "core/Cp932.h"

namespace nokari::text {

namespace {

constexpr size_t npos = std::string_view::npos;

unsigned char Byte(std::string_view s, size_t i) { return static_cast<unsigned char>(s[i]); }

unsigned Code16(std::string_view s, size_t i) { return (Byte(s, i) << 8) | Byte(s, i + 1); }

// Clamps a 64-bit count to a size_t byte or character count.
size_t Clamp(int64_t n) { return n <= 0 ? 0 : static_cast<size_t>(n); }

}  // namespace

// ---- searching ------------------------------------------------------------

// The first byte is looked for at machine speed (memchr); a match counts only
// where a character starts, reading from `from` as the character-by-character
// walk would. Every byte that may lead a character and is not the text's
// last does lead one, so a place starts a character exactly when the bytes
// that may lead one, standing right before it back to a known start, are
// even in number. The known start moves up with every match looked at, so
// no byte is looked at twice.
size_t FindFrom(std::string_view hay, std::string_view needle, size_t from) {
  if (needle.empty() || from > hay.size() || needle.size() > hay.size() - from) return npos;
  size_t known = from;  // a place where a character starts
  const size_t last = hay.size() - needle.size();  // the last place a match fits
  for (size_t at = from; at <= last;) {
    const void* hit = memchr(hay.data() + at, needle[0], last - at + 1);
    if (!hit) return npos;
    const size_t c = static_cast<const char*>(hit) - hay.data();
    at = c + 1;
    if (hay.compare(c, needle.size(), needle) != 0) continue;
    size_t k = c;
    while (k > known && IsLeadByte(Byte(hay, k - 1))) --k;
    if ((c - k) % 2 == 0) return c;
    // c is the second byte of a character: the next one starts after it.
    known = c + 1;
  }
  return npos;
}

int64_t CharPosition(std::string_view hay, std::string_view needle) {
  if (hay.empty() || needle.empty() || needle.size() > hay.size()) return 0;
  int64_t index = 1;
  for (size_t i = 0; i + needle.size() <= hay.size(); i += CharLenAt(hay, i), ++index) {
    if (hay[i] == needle[0] && hay.compare(i, needle.size(), needle) == 0) return index;
  }
  return 0;
}

int64_t CountOccurrences(std::string_view text, std::string_view word) {
  int64_t count = 0;
  for (size_t i = FindFrom(text, word, 0); i != npos; i = FindFrom(text, word, i + word.size()))
    ++count;
  return count;
}

std::string ReplaceAll(std::string_view src, std::string_view from, std::string_view to) {
  std::string out;
  size_t done = 0;
  for (size_t i = FindFrom(src, from, 0); i != npos; i = FindFrom(src, from, done)) {
    out.append(src, done, i - done);
    out.append(to);
    done = i + from.size();
  }
  out.append(src, done);
  return out;
}

std::string ReplaceNth(std::string_view src, int64_t n, std::string_view from,
                       std::string_view to) {
  if (n < 1) return std::string(src);
  int64_t count = 0;
  for (size_t i = FindFrom(src, from, 0); i != npos; i = FindFrom(src, from, i + from.size())) {
    if (++count == n) {
      std::string out(src.substr(0, i));
      out.append(to);
      out.append(src.substr(i + from.size()));
      return out;
    }
  }
  return std::string(src);
}

// ---- cutting --------------------------------------------------------------

std::string LeftChars(std::string_view s, int64_t n) {
  return std::string(s.substr(0, ByteOffsetOfChar(s, Clamp(n))));
}

std::string RightChars(std::string_view s, int64_t n) {
  size_t total = CharCount(s);
  size_t keep = std::min(total, Clamp(n));
  return std::string(s.substr(ByteOffsetOfChar(s, total - keep)));
}

std::string MidChars(std::string_view s, int64_t start, int64_t n) {
  return MidChars(s, start, n, [s](size_t index) { return ByteOffsetOfChar(s, index); });
}

std::string MidChars(std::string_view s, int64_t start, int64_t n, const std::function<size_t(size_t)>& offsetOf) {
  if (n <= 0) return "";
  // Indexes below 1 select nothing, so the range is shortened from the left.
  __int128 last = static_cast<__int128>(start) + n - 1;
  if (last < 1) return "";
  size_t from = start < 1 ? 0 : Clamp(start - 1);
  size_t to = last > static_cast<__int128>(s.size()) ? s.size() : static_cast<size_t>(last);
  if (from >= to) return "";
  size_t b = offsetOf(from);
  size_t e = offsetOf(to);
  return std::string(s.substr(b, e - b));
}

std::string MidBytes(std::string_view s, int64_t start, int64_t n) {
  if (n <= 0) return "";
  size_t from = start < 1 ? 0 : Clamp(start - 1);
  if (from >= s.size()) return "";
  return std::string(s.substr(from, Clamp(n)));
}

std::string DropRightChars(std::string_view s, int64_t n) {
  size_t total = CharCount(s);
  size_t drop = std::min(total, Clamp(n));
  return std::string(s.substr(0, ByteOffsetOfChar(s, total - drop)));
}

std::string DropLeftChars(std::string_view s, int64_t n) {
  return std::string(s.substr(ByteOffsetOfChar(s, Clamp(n))));
}

std::vector<std::string> SplitPieces(std::string_view text, std::string_view delim) {
  std::vector<std::string> pieces;
  ForEachPiece(text, delim, [&](std::string_view piece) { pieces.emplace_back(piece); });
  return pieces;
}

std::string Paragraph(std::string_view text, int64_t n) {
  if (n < 1) return "";
  int64_t index = 0;
  size_t start = 0, i = 0;
  while (i < text.size()) {
    if (text[i] != '\r') {
      i += CharLenAt(text, i);
      continue;
    }
    size_t j = i + 1;
    if (j < text.size() && text[j] == '\n') ++j;
    if (j < text.size() && text[j] != '\r') {
      i = j;
      continue;
    }
    while (j < text.size() && (text[j] == '\r' || text[j] == '\n')) ++j;
    if (++index == n) return std::string(text.substr(start, j - start));
    start = i = j;
  }
  if (start < text.size() && ++index == n) return std::string(text.substr(start));
  return "";
}

int64_t LineCount(std::string_view text) {
  int64_t lines = 0;
  size_t i = 0;
  while (i < text.size()) {
    ++lines;
    while (i < text.size() && text[i] != '\r' && text[i] != '\n') ++i;
    if (i == text.size()) break;
    if (text[i++] == '\r' && i < text.size() && text[i] == '\n') ++i;
  }
  return lines;
}

Cut CutAtDelimiter(std::string_view value, std::string_view delim) {
  size_t hit = FindFrom(value, delim, 0);
  if (hit == npos) return {std::string(value), ""};
  return {std::string(value.substr(0, hit)), std::string(value.substr(hit + delim.size()))};
}

Cut CutAtDelimiterEscaped(std::string_view value, std::string_view delim, char escape) {
  Cut cut;
  size_t i = 0;
  while (i < value.size()) {
    if (!delim.empty() && value.compare(i, delim.size(), delim) == 0) {
      cut.Rest = value.substr(i + delim.size());
      return cut;
    }
    // The escape is tested as a byte, before the character rule.
    size_t len = value[i] == escape && i + 1 < value.size() ? 1 + CharLenAt(value, i + 1)
                                                            : CharLenAt(value, i);
    cut.Taken.append(value, i, len);
    i += len;
  }
  return cut;
}

std::optional<Cut> CutRange(std::string_view value, std::string_view start, std::string_view end) {
  size_t from = FindFrom(value, start, 0);
  if (from == npos) return std::nullopt;
  size_t hit = FindFrom(value, end, from);
  size_t to = hit == npos ? value.size() : hit + end.size();
  Cut cut;
  cut.Taken = value.substr(from, to - from);
  cut.Rest = std::string(value.substr(0, from)).append(value.substr(to));
  return cut;
}

// ---- building, trimming ---------------------------------------------------

bool Repeat(std::string_view s, int64_t n, std::string& out) {
  out.clear();
  if (n <= 0 || s.empty()) return true;
  if (static_cast<uint64_t>(n) > kMaxBuiltBytes / s.size()) return false;
  out.reserve(s.size() * static_cast<size_t>(n));
  for (int64_t k = 0; k < n; ++k) out.append(s);
  return true;
}

bool PadLeft(std::string_view s, int64_t width, char fill, std::string& out) {
  if (width > 0 && static_cast<uint64_t>(width) > kMaxBuiltBytes) return false;
  size_t w = Clamp(width);
  const size_t fillCount = w > s.size() ? w - s.size() : 0;
  // Room for the whole result at once: filled, then appended to, the text
  // would grow to twice the width on the way.
  out.clear();
  out.reserve(fillCount + s.size());
  out.append(fillCount, fill);
  out.append(s);
  return true;
}

std::string TrimControls(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && Byte(s, b) <= 32) ++b;
  while (e > b && Byte(s, e - 1) <= 32) --e;
  return std::string(s.substr(b, e - b));
}

namespace {

bool IsBlankChar(std::string_view s, size_t i, size_t len) {
  if (len == 2) return Byte(s, i) == 0x81 && Byte(s, i + 1) == 0x40;
  char c = s[i];
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

std::string TrimBlanks(std::string_view raw) {
  std::string s = TrimControls(raw);
  std::string_view v = s;
  size_t b = 0, e = 0;
  bool seen = false;
  for (size_t i = 0; i < v.size();) {
    size_t len = CharLenAt(v, i);
    if (!IsBlankChar(v, i, len)) {
      if (!seen) b = i;
      seen = true;
      e = i + len;
    }
    i += len;
  }
  return seen ? std::string(v.substr(b, e - b)) : std::string();
}

std::string DropOkurigana(std::string_view s) {
  std::string out;
  bool armed = false;
  size_t i = 0;
  while (i < s.size()) {
    size_t len = CharLenAt(s, i);
    if (len == 2 && IsHiraganaAt(s, i) && armed) {
      while (i < s.size() && IsHiraganaAt(s, i)) i += 2;
      armed = false;
      continue;
    }
    if (len == 2 && !IsHiraganaAt(s, i)) armed = true;
    out.append(s, i, len);
    i += len;
  }
  return out.empty() ? std::string(s) : out;
}

std::string ExpandTabs(std::string_view s, int tabWidth) {
  std::string out;
  int64_t column = 0;
  for (size_t i = 0; i < s.size();) {
    size_t len = CharLenAt(s, i);
    char c = s[i];
    if (len == 2) {
      out.append(s, i, 2);
      column += 2;
    } else if (c == '\t' && tabWidth > 0) {
      int64_t spaces = tabWidth - column % tabWidth;
      out.append(static_cast<size_t>(spaces), ' ');
      column += spaces;
    } else if (c == '\r' || c == '\n') {
      if (i + 1 < s.size() && (s[i + 1] == '\r' || s[i + 1] == '\n')) ++len;
      out.append("\r\n");
      column = 0;
    } else {
      out.push_back(c);
      column += 1;
    }
    i += len;
  }
  return out;
}

// ---- case and character classes ------------------------------------------

namespace {

// Double-byte case pairs as (first upper, first lower, count) blocks.
struct CaseBlock {
  unsigned Upper, Lower, Count;
};
constexpr CaseBlock kCaseBlocks[] = {
    {0x8260, 0x8281, 26},  // Ａ-Ｚ / ａ-ｚ
    {0x839F, 0x83BF, 24},  // Α-Ω / α-ω
    {0x8440, 0x8470, 15},  // А-Н / а-н (second byte 0x7F is skipped)
    {0x844F, 0x8480, 18},  // О-Я / о-я
};

unsigned MapCase(unsigned code, bool toUpper) {
  for (const CaseBlock& b : kCaseBlocks) {
    unsigned from = toUpper ? b.Lower : b.Upper;
    unsigned to = toUpper ? b.Upper : b.Lower;
    if (code >= from && code < from + b.Count) return to + (code - from);
  }
  return code;
}

std::string MapCaseText(std::string_view s, bool toUpper) {
  std::string out(s);
  for (size_t i = 0; i < out.size();) {
    size_t len = CharLenAt(out, i);
    if (len == 2) {
      unsigned code = MapCase(Code16(out, i), toUpper);
      out[i] = static_cast<char>(code >> 8);
      out[i + 1] = static_cast<char>(code & 0xFF);
    } else if (toUpper && out[i] >= 'a' && out[i] <= 'z') {
      out[i] = static_cast<char>(out[i] - 'a' + 'A');
    } else if (!toUpper && out[i] >= 'A' && out[i] <= 'Z') {
      out[i] = static_cast<char>(out[i] - 'A' + 'a');
    }
    i += len;
  }
  return out;
}

}  // namespace

std::string ToUpperText(std::string_view s) { return MapCaseText(s, true); }
std::string ToLowerText(std::string_view s) { return MapCaseText(s, false); }

std::string FirstCharHalfWidth(std::string_view s) {
  if (s.empty()) return "";
  if (CharLenAt(s, 0) == 1) return std::string(1, s[0]);
  unsigned code = Code16(s, 0);
  if (code >= 0x824F && code <= 0x8258) return std::string(1, static_cast<char>('0' + code - 0x824F));
  if (code >= 0x8260 && code <= 0x8279) return std::string(1, static_cast<char>('A' + code - 0x8260));
  if (code >= 0x8281 && code <= 0x829A) return std::string(1, static_cast<char>('a' + code - 0x8281));
  return std::string(s.substr(0, 2));
}

bool IsUpperFirst(std::string_view s) {
  std::string c = FirstCharHalfWidth(s);
  return c.size() == 1 && c[0] >= 'A' && c[0] <= 'Z';
}

bool IsDigitFirst(std::string_view s) {
  std::string c = FirstCharHalfWidth(s);
  return c.size() == 1 && c[0] >= '0' && c[0] <= '9';
}

bool IsWideFirst(std::string_view s) { return !s.empty() && IsLeadByte(Byte(s, 0)); }

bool IsHiraganaFirst(std::string_view s) {
  return s.size() >= 2 && Code16(s, 0) >= 0x82A0 && Code16(s, 0) <= 0x833E;
}

bool IsKatakanaFirst(std::string_view s) {
  return s.size() >= 2 && Code16(s, 0) >= 0x8340 && Code16(s, 0) <= 0x839D;
}

bool IsNumeral(std::string_view s) {
  if (s.empty() || s[0] < '0' || s[0] > '9') return false;
  return std::all_of(s.begin() + 1, s.end(), [](char c) {
    return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'E' || c == 'e';
  });
}

std::string CharFromCode(int64_t code) {
  if (code < 256) return std::string(1, static_cast<char>(code));
  return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
}

int64_t CodeOfFirstChar(std::string_view s) {
  return CharLenAt(s, 0) == 2 ? Code16(s, 0) : Byte(s, 0);
}

// ---- tags -----------------------------------------------------------------

std::string StripTags(std::string_view raw) {
  std::string s = TrimControls(raw);
  std::string out;
  bool inTag = false;
  for (size_t i = 0; i < s.size();) {
    size_t len = CharLenAt(s, i);
    if (len == 1 && s[i] == '<') inTag = true;
    else if (len == 1 && s[i] == '>') inTag = false;
    else if (!inTag) out.append(s, i, len);
    i += len;
  }
  return out;
}

namespace {

// Offset of the first `lead` directly followed by either form of the name.
size_t FindTagStart(std::string_view s, std::string_view lead, const std::string& lower,
                    const std::string& upper, size_t from) {
  for (size_t i = FindFrom(s, lead, from); i != npos; i = FindFrom(s, lead, i + 1)) {
    std::string_view after = s.substr(i + lead.size());
    if (after.starts_with(lower) || after.starts_with(upper)) return i;
  }
  return npos;
}

}  // namespace

std::string ExtractTags(std::string_view s, std::string_view tagName) {
  std::string_view name = tagName;
  if (name.size() >= 2 && name.front() == '<' && name.back() == '>')
    name = name.substr(1, name.size() - 2);
  const std::string lower = ToLowerText(name), upper = ToUpperText(name);
  std::string out;
  size_t pos = 0;
  while (pos < s.size()) {
    size_t open = FindTagStart(s, "<", lower, upper, pos);
    if (open == npos) break;
    size_t openEnd = s.find('>', open);
    if (openEnd == npos) openEnd = s.size() - 1;
    size_t last = openEnd;
    size_t close = FindTagStart(s, "</", lower, upper, openEnd + 1);
    if (close != npos) {
      size_t closeEnd = s.find('>', close);
      last = closeEnd == npos ? s.size() - 1 : closeEnd;
    }
    out.append(s.substr(open, last - open + 1)).append("\r\n");
    // The next search begins at the element's last ">".
    pos = last == s.size() - 1 ? s.size() : last;
  }
  return out;
}

}  // namespace nokari::text
