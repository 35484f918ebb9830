// Encoding detection and conversion between Shift-JIS, EUC-JP and
// ISO-2022-JP by the JIS arithmetic, so the bytes are the same on every
// host; glibc's CP932 table is consulted only to know which Shift-JIS
// codes are assigned and which IBM extensions have NEC-selected twins.
#include <algorithm>
#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "core/Cp932.h"
#include "core/Encoding.h"
#include "lib/japanese/Convert.h"

namespace nokari {
namespace {

inline unsigned Byte(char c) { return static_cast<unsigned char>(c); }

constexpr unsigned kGetaJis = 0x222E;  // 〓
constexpr char kEsc = 0x1B;
constexpr char kToDouble[] = "\x1B$B";
constexpr char kToSingle[] = "\x1B(J";

bool IsSjisTrail(unsigned c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }
bool IsJisByte(unsigned c) { return c >= 0x21 && c <= 0x7E; }
bool IsEucByte(unsigned c) { return c >= 0xA1 && c <= 0xFE; }

// Pure arithmetic of the Shift-JIS definition (no table).
unsigned ArithSjisToJis(unsigned sjis) {
  unsigned s1 = sjis >> 8, s2 = sjis & 0xFF;
  if (s1 >= 0xE0) s1 -= 0x40;
  s1 -= 0x81;
  if (s2 >= 0x9F) return ((s1 * 2 + 0x22) << 8) | (s2 - 0x7E);
  return ((s1 * 2 + 0x21) << 8) | (s2 - (s2 >= 0x80 ? 0x20 : 0x1F));
}

// For every Shift-JIS code: its JIS code, or 0 when it has none.
class JisTable {
 public:
  JisTable() : jis_(0x10000, 0) {
    std::unordered_map<std::string, unsigned> preferred;  // UTF-8 -> first NEC code
    auto visit = [&](unsigned lo, unsigned hi, bool remember) {
      for (unsigned s1 = lo; s1 <= hi; ++s1) {
        for (unsigned s2 = 0x40; s2 <= 0xFC; ++s2) {
          if (s2 == 0x7F) continue;
          unsigned code = s1 << 8 | s2;
          std::string u = Decode(code);
          if (u.empty()) continue;
          jis_[code] = static_cast<uint16_t>(ArithSjisToJis(code));
          if (remember) preferred.emplace(u, code);
        }
      }
    };
    // JIS X 0208 rows first, then NEC row 13, then NEC-selected IBM
    // extensions: the order a Japanese system prefers when one character
    // has several codes.
    visit(0x81, 0x84, true);
    visit(0x88, 0x9F, true);
    visit(0xE0, 0xEA, true);
    visit(0x87, 0x87, true);
    visit(0xED, 0xEE, true);
    for (unsigned s1 = 0xFA; s1 <= 0xFC; ++s1) {
      for (unsigned s2 = 0x40; s2 <= 0xFC; ++s2) {
        unsigned code = s1 << 8 | s2;
        std::string u = s2 == 0x7F ? std::string() : Decode(code);
        auto it = u.empty() ? preferred.end() : preferred.find(u);
        if (it != preferred.end()) jis_[code] = jis_[it->second];
      }
    }
  }
  unsigned Of(unsigned sjis) const { return jis_[sjis & 0xFFFF]; }

 private:
  static std::string Decode(unsigned code) {
    char b[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    std::string u = ToUtf8(std::string_view(b, 2));
    if (u.empty() || u == "\xEF\xBF\xBD" || u.find("\xEF\xBF\xBD") != std::string::npos) return {};
    return u;
  }
  std::vector<uint16_t> jis_;
};

const JisTable& Table() {
  static const JisTable t;
  return t;
}

void PutPair(std::string& out, unsigned code) {
  out += static_cast<char>(code >> 8);
  out += static_cast<char>(code & 0xFF);
}

// Full-width JIS code of a half-width katakana byte, merging a following
// voiced or semi-voiced mark where a merged form exists. `used` tells how
// many mark bytes were merged (0 or 1).
unsigned KanaToJis(unsigned kana, int nextMark, int* used) {
  static const std::string table = [] {
    std::string s;
    for (unsigned k = 0xA1; k <= 0xDF; ++k) s += static_cast<char>(k);
    return ToFullWidth(s);
  }();
  *used = 0;
  if (nextMark == 0xDE || nextMark == 0xDF) {
    char pair[2] = {static_cast<char>(kana), static_cast<char>(nextMark)};
    std::string merged = ToFullWidth(std::string_view(pair, 2));
    if (merged.size() == 2) {
      *used = 1;
      return ArithSjisToJis(Byte(merged[0]) << 8 | Byte(merged[1]));
    }
  }
  size_t at = (kana - 0xA1) * 2;
  return ArithSjisToJis(Byte(table[at]) << 8 | Byte(table[at + 1]));
}

// Writes JIS double-byte text, switching modes as needed.
class JisWriter {
 public:
  std::string out;
  void Double(unsigned jis) {
    if (!double_) out += kToDouble;
    double_ = true;
    PutPair(out, jis);
  }
  void Single(char c) {
    if (double_) out += kToSingle;
    double_ = false;
    out += c;
  }
  std::string Finish() {
    if (double_) out += kToSingle;
    double_ = false;
    return std::move(out);
  }

 private:
  bool double_ = false;
};

}  // namespace

unsigned JisToSjisCode(unsigned jis) {
  unsigned j1 = jis >> 8, j2 = jis & 0xFF;
  unsigned s1 = ((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0);
  unsigned s2 = (j1 & 1) ? j2 + (j2 < 0x60 ? 0x1F : 0x20) : j2 + 0x7E;
  return s1 << 8 | s2;
}

unsigned SjisToJisCode(unsigned sjis) {
  if (!IsLeadByte(sjis >> 8) || !IsSjisTrail(sjis & 0xFF)) return 0;
  return Table().Of(sjis);
}

int DetectCode(std::string_view s) {
  const size_t n = s.size();
  auto at = [&](size_t i) -> unsigned { return i < n ? Byte(s[i]) : 0x100; };
  for (size_t i = 0; i < 512 && i + 1 < n; ++i) {
    unsigned c = at(i);
    if (c < 8 || c == 0xFF) return kCodeBinary;
  }
  int code = kCodeAscii;
  size_t i = 0;
  while ((code == kCodeAscii || code == kCodeEucOrSjis) && i + 1 < n) {
    unsigned c = at(i++);
    if (c < 8 || c == 0xFF) {
      code = kCodeBinary;
    } else if (c == 0x1B) {
      if (at(i) == '$') {
        if (at(i + 1) == 'B') code = kCodeJisNew;
        if (at(i + 1) == '@') code = kCodeJisOld;
      }
      i += 2;
    } else if ((c >= 0x81 && c <= 0x8D) || (c >= 0x8F && c <= 0x9F)) {
      code = kCodeSjis;
    } else if (c == 0x8E) {
      unsigned d = at(i++);
      if ((d >= 0x40 && d <= 0x7E) || (d >= 0x80 && d <= 0xA0) || (d >= 0xE0 && d <= 0xFC))
        code = kCodeSjis;
      else if (d >= 0xA1 && d <= 0xDF)
        code = kCodeEucOrSjis;
    } else if (c >= 0xA1 && c <= 0xDF) {
      unsigned d = at(i++);
      if (d >= 0xF0 && d <= 0xFE) {
        code = kCodeEuc;
      } else if (d >= 0xA1 && d <= 0xDF) {
        code = kCodeEucOrSjis;
      } else if (d >= 0xE0 && d <= 0xEF) {
        code = kCodeEucOrSjis;
        while (d >= 0x40 && d != 0x100 && code == kCodeEucOrSjis) {
          if (d >= 0x81) {
            if (d <= 0x8D || (d >= 0x8F && d <= 0x9C)) code = kCodeSjis;
            else if (d == 0xFD || d == 0xFE) code = kCodeEuc;
          }
          d = at(i++);
        }
      } else if (d < 0xA0) {
        code = kCodeSjis;
      }
    } else if (c >= 0xF0 && c <= 0xFE) {
      code = kCodeEuc;
    } else if (c >= 0xE0 && c <= 0xEF) {
      unsigned d = at(i++);
      if ((d >= 0x40 && d <= 0x7E) || (d >= 0x80 && d <= 0xA0)) code = kCodeSjis;
      else if (d == 0xFD || d == 0xFE) code = kCodeEuc;
      else if (d >= 0xA1 && d <= 0xFC) code = kCodeEucOrSjis;
    }
  }
  return code;
}

int CodeFromName(std::string_view name) {
  std::string up;
  for (char c : name) up += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  // The names editors and mail programs show for the same codes: UTF-8N is
  // UTF-8 without a byte order mark, ISO-2022-JP is JIS.
  for (const char* euc : {"EUC", "EUC-JP", "EUCJP", "EUC_JP"})
    if (up == euc) return kCodeEuc;
  for (const char* jis : {"JIS", "ISO-2022-JP", "ISO2022JP"})
    if (up == jis) return kCodeJisNew;
  for (const char* utf8 : {"UTF8", "UTF-8", "UTF_8", "UTF8N", "UTF-8N"})
    if (up == utf8) return kCodeUtf8;
  for (const char* utf16 : {"UTF16", "UTF-16", "UTF-16LE", "UTF16LE", "UNICODE"})
    if (up == utf16) return kCodeUtf16;
  return kCodeSjis;
}

std::string SjisToJis(std::string_view s) {
  JisWriter w;
  for (size_t i = 0; i < s.size();) {
    unsigned c = Byte(s[i]);
    if (c < 0x80) {
      w.Single(s[i++]);
    } else if (c >= 0xA1 && c <= 0xDF) {
      int used;
      w.Double(KanaToJis(c, i + 1 < s.size() ? Byte(s[i + 1]) : 0, &used));
      i += 1 + used;
    } else if (IsLeadByte(c) && i + 1 < s.size() && IsSjisTrail(Byte(s[i + 1]))) {
      unsigned jis = SjisToJisCode(c << 8 | Byte(s[i + 1]));
      w.Double(jis ? jis : kGetaJis);
      i += 2;
    } else {
      w.Double(kGetaJis);  // a stray byte has no JIS form
      ++i;
    }
  }
  return w.Finish();
}

std::string SjisToEuc(std::string_view s) {
  std::string out;
  out.reserve(s.size() + s.size() / 4);
  for (size_t i = 0; i < s.size();) {
    unsigned c = Byte(s[i]);
    unsigned jis = kGetaJis;
    if (c < 0x80) {
      out += s[i++];
      continue;
    }
    if (c >= 0xA1 && c <= 0xDF) {
      out += '\x8E';
      out += s[i++];
      continue;
    }
    if (IsLeadByte(c) && i + 1 < s.size() && IsSjisTrail(Byte(s[i + 1]))) {
      unsigned j = SjisToJisCode(c << 8 | Byte(s[i + 1]));
      if (j) jis = j;
      i += 2;
    } else {
      ++i;
    }
    PutPair(out, jis | 0x8080);
  }
  return out;
}

std::string EucToSjis(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  const unsigned geta = JisToSjisCode(kGetaJis);
  for (size_t i = 0; i < s.size();) {
    unsigned c = Byte(s[i]);
    unsigned d = i + 1 < s.size() ? Byte(s[i + 1]) : 0;
    if (c <= 0x80 || c == 0xFF) {
      out += s[i++];
    } else if (c == 0x8E && d >= 0xA1 && d <= 0xDF) {
      out += static_cast<char>(d);
      i += 2;
    } else if (c == 0x8F && IsEucByte(d) && i + 2 < s.size() && IsEucByte(Byte(s[i + 2]))) {
      PutPair(out, geta);  // JIS X 0212 has no Shift-JIS form
      i += 3;
    } else if (IsEucByte(c) && IsEucByte(d)) {
      unsigned sjis = JisToSjisCode((c << 8 | d) & 0x7F7F);
      PutPair(out, SjisToJisCode(sjis) ? sjis : geta);
      i += 2;
    } else {
      PutPair(out, geta);
      ++i;
    }
  }
  return out;
}

std::string EucToJis(std::string_view s) {
  JisWriter w;
  for (size_t i = 0; i < s.size();) {
    unsigned c = Byte(s[i]);
    unsigned d = i + 1 < s.size() ? Byte(s[i + 1]) : 0;
    if (c < 0x80) {
      w.Single(s[i++]);
    } else if (c == 0x8E && d >= 0xA1 && d <= 0xDF) {
      int mark = (i + 3 < s.size() && Byte(s[i + 2]) == 0x8E) ? Byte(s[i + 3]) : 0;
      int used;
      w.Double(KanaToJis(d, mark, &used));
      i += 2 + 2 * used;
    } else if (IsEucByte(c) && IsEucByte(d)) {
      w.Double((c << 8 | d) & 0x7F7F);
      i += 2;
    } else {
      w.Double(kGetaJis);
      ++i;
    }
  }
  return w.Finish();
}

namespace {

// Walks ISO-2022-JP text: escapes switch modes, double-byte pairs go to
// `pair`, everything else to `single`.
template <typename Pair, typename Single>
void WalkJis(std::string_view s, Pair pair, Single single) {
  bool dbl = false;
  for (size_t i = 0; i < s.size();) {
    char c = s[i];
    if (c == kEsc) {
      if (i + 1 < s.size()) {
        if (s[i + 1] == '$') dbl = true;
        if (s[i + 1] == '(') dbl = false;
      }
      i += 3;
    } else if (dbl && IsJisByte(Byte(c)) && i + 1 < s.size() && IsJisByte(Byte(s[i + 1]))) {
      pair(Byte(c) << 8 | Byte(s[i + 1]));
      i += 2;
    } else {
      single(c, dbl);
      ++i;
    }
  }
}

}  // namespace

std::string JisToSjis(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  WalkJis(s, [&](unsigned jis) { PutPair(out, JisToSjisCode(jis)); },
          [&](char c, bool) { out += c; });
  return out;
}

std::string JisToEuc(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  WalkJis(s, [&](unsigned jis) { PutPair(out, jis | 0x8080); },
          [&](char c, bool dbl) {
            out += (dbl && IsJisByte(Byte(c))) ? static_cast<char>(c | 0x80) : c;
          });
  return out;
}

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Every lead byte followed by a trail byte.
bool IsValidCp932(std::string_view s) {
  for (size_t i = 0; i < s.size(); ++i) {
    if (!IsLeadByte(Byte(s[i]))) continue;
    if (i + 1 >= s.size() || !IsSjisTrail(Byte(s[i + 1]))) return false;
    ++i;
  }
  return true;
}

}  // namespace

namespace {

bool IsAsciiAlnum(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Whether every two-byte sequence of a valid UTF-8 text is a Latin-1 sign
// or an accented Latin letter (U+00A1-U+024F) standing beside an ASCII
// letter or digit, as in "Müller", "José" or "¥500". Read as CP932 the
// same bytes are two half-width katakana inside a Latin word, which no one
// writes.
bool LatinLettersInWords(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char c = Byte(bytes[i]);
    if (c < 0x80) continue;
    if (c < 0xC2 || c > 0xC9 || i + 1 >= bytes.size()) return false;
    const uint32_t cp = (c & 0x1F) << 6 | (Byte(bytes[i + 1]) & 0x3F);
    if (cp < 0xA1) return false;
    const bool before = i > 0 && IsAsciiAlnum(Byte(bytes[i - 1]));
    const bool after = i + 2 < bytes.size() && (IsAsciiAlnum(Byte(bytes[i + 2])) || Byte(bytes[i + 2]) >= 0xC2);
    if (!before && !after) return false;
    ++i;
  }
  return true;
}

}  // namespace

bool LooksLikeUtf8Text(std::string_view bytes) {
  if (bytes.starts_with(kUtf8Bom)) return true;
  if (!IsValidUtf8(bytes)) return false;
  // Japanese text in UTF-8 is mostly three-byte sequences; a CP932 text is
  // valid UTF-8 of that shape only by rare accident, in a few bytes. Two-byte
  // sequences alone (accented Latin letters) look just like pairs of
  // half-width katakana, so they count where CP932 cannot read them, or
  // where they are letters inside Latin words.
  bool longSequence = false, multiByte = false;
  for (char c : bytes) {
    if (Byte(c) >= 0xC0) multiByte = true;
    if (Byte(c) >= 0xE0) longSequence = true;
  }
  return longSequence || (multiByte && (!IsValidCp932(bytes) || LatinLettersInWords(bytes)));
}

namespace {

// UTF-16 (little-endian unless a big-endian mark says otherwise) to UTF-8;
// a lone surrogate or an odd last byte becomes U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes) {
  bool bigEndian = false;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE && static_cast<unsigned char>(bytes[1]) == 0xFF) {
    bigEndian = true;
    bytes.remove_prefix(2);
  } else if (HasUtf16Mark(bytes)) {
    bytes.remove_prefix(2);
  }
  auto unit = [&](size_t i) -> uint32_t {
    const uint32_t a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
    return bigEndian ? (a << 8 | b) : (b << 8 | a);
  };
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    uint32_t c = unit(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
      const uint32_t low = unit(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      } else {
        c = 0xFFFD;
      }
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  if (i < bytes.size()) AppendUtf8(out, 0xFFFD);
  return out;
}

// UTF-8 (valid) to UTF-16 little-endian with its byte-order mark.
std::string Utf8ToUtf16(std::string_view utf8) {
  std::string out = "\xFF\xFE";
  auto put = [&](uint32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  };
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char b = static_cast<unsigned char>(utf8[i]);
    const int len = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    uint32_t c = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    for (int k = 1; k < len && i + k < utf8.size(); ++k) c = c << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += len;
    if (c >= 0x10000) {
      c -= 0x10000;
      put(0xD800 + (c >> 10));
      put(0xDC00 + (c & 0x3FF));
    } else {
      put(c);
    }
  }
  return out;
}

}  // namespace

bool HasUtf16Mark(std::string_view bytes) {
  if (bytes.size() < 2) return false;
  const unsigned char a = static_cast<unsigned char>(bytes[0]), b = static_cast<unsigned char>(bytes[1]);
  return (a == 0xFF && b == 0xFE) || (a == 0xFE && b == 0xFF);
}

std::string ConvertCode(std::string_view bytes, int from, int to) {
  if (from == to) return std::string(bytes);
  if (from == kCodeUtf16) return ConvertCode(Utf16ToUtf8(bytes), kCodeUtf8, to);
  if (to == kCodeUtf16) return Utf8ToUtf16(from == kCodeUtf8 ? std::string(bytes) : ConvertCode(bytes, from, kCodeUtf8));
  if (from == kCodeUtf8) {
    if (bytes.starts_with(kUtf8Bom)) bytes.remove_prefix(kUtf8Bom.size());
    std::string sjis = FromUtf8(bytes);
    return to == kCodeSjis ? sjis : ConvertCode(sjis, kCodeSjis, to);
  }
  if (to == kCodeUtf8) {
    bool sjisAlready = from == kCodeSjis || from < 2 || from == kCodeEucOrSjis;
    return ToUtf8(sjisAlready ? std::string(bytes) : ConvertCode(bytes, from, kCodeSjis));
  }
  if (from < 2 || from == to || from == kCodeEucOrSjis) return std::string(bytes);
  bool fromJis = from == kCodeJisNew || from == kCodeJisOld;
  if (to == kCodeJisNew) {
    if (from == kCodeEuc) return EucToJis(bytes);
    if (from == kCodeSjis) return SjisToJis(bytes);
  } else if (to == kCodeEuc) {
    if (fromJis) return JisToEuc(bytes);
    if (from == kCodeSjis) return SjisToEuc(bytes);
  } else if (to == kCodeSjis) {
    if (fromJis) return JisToSjis(bytes);
    if (from == kCodeEuc) return EucToSjis(bytes);
  }
  return std::string(bytes);
}

std::string ConvertDetected(std::string_view bytes, int to) {
  return ConvertCode(bytes, DetectCode(bytes), to);
}

// ---- BASE64 ----

namespace {
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

std::string Base64Encode(std::string_view in) {
  std::string out;
  out.reserve((in.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= in.size(); i += 3) {
    unsigned v = Byte(in[i]) << 16 | Byte(in[i + 1]) << 8 | Byte(in[i + 2]);
    for (int k = 18; k >= 0; k -= 6) out += kAlphabet[(v >> k) & 63];
  }
  size_t rest = in.size() - i;
  if (rest > 0) {
    unsigned v = Byte(in[i]) << 16 | (rest == 2 ? Byte(in[i + 1]) << 8 : 0);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

bool Base64Decode(std::string_view text, std::string& out) {
  static const auto values = [] {
    std::array<int8_t, 256> v{};
    v.fill(-1);
    for (int k = 0; k < 64; ++k) v[Byte(kAlphabet[k])] = static_cast<int8_t>(k);
    return v;
  }();
  out.clear();
  out.reserve(text.size() / 4 * 3 + 3);
  unsigned acc = 0;
  int count = 0;
  for (char ch : text) {
    if (ch == '\r' || ch == '\n' || ch == '=') continue;
    int v = values[Byte(ch)];
    if (v < 0) return false;
    acc = acc << 6 | static_cast<unsigned>(v);
    if (++count == 4) {
      out += static_cast<char>(acc >> 16);
      out += static_cast<char>(acc >> 8);
      out += static_cast<char>(acc);
      acc = 0;
      count = 0;
    }
  }
  if (count == 1) return false;  // six bits make no byte
  if (count == 2) out += static_cast<char>(acc >> 4);
  if (count == 3) {
    out += static_cast<char>(acc >> 10);
    out += static_cast<char>(acc >> 2);
  }
  return true;
}

// ---- Mail headers ----

namespace {
constexpr std::string_view kWordStart = "=?ISO-2022-JP?B?";
constexpr std::string_view kWordEnd = "?=";

size_t FindNoCase(std::string_view hay, std::string_view needle, size_t from) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
  for (size_t i = from; i + needle.size() <= hay.size(); ++i) {
    size_t k = 0;
    while (k < needle.size() && lower(hay[i + k]) == lower(needle[k])) ++k;
    if (k == needle.size()) return i;
  }
  return std::string_view::npos;
}
}  // namespace

std::string MailHeaderEncode(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size();) {
    if (CharLenAt(s, i) == 1) {
      out += s[i++];
      continue;
    }
    size_t start = i;
    while (i < s.size() && CharLenAt(s, i) == 2) i += 2;
    out += kWordStart;
    out += Base64Encode(SjisToJis(s.substr(start, i - start)));
    out += kWordEnd;
  }
  if (out.find(kWordStart) != std::string::npos && out.find(kWordEnd) == std::string::npos)
    out += kWordEnd;
  return out;
}

std::string MailHeaderDecode(std::string_view header) {
  std::string text(header);
  size_t from = 0;
  for (;;) {
    size_t start = FindNoCase(text, kWordStart, from);
    if (start == std::string::npos) break;
    size_t body = start + kWordStart.size();
    size_t end = text.find(kWordEnd, body);
    if (end == std::string::npos) break;
    std::string decoded;
    if (!Base64Decode(std::string_view(text).substr(body, end - body), decoded)) {
      from = end + kWordEnd.size();  // leave a broken word as it is
      continue;
    }
    decoded += kToSingle;
    text.replace(start, end + kWordEnd.size() - start, decoded);
    from = start + decoded.size();
  }
  text = ConvertDetected(text, kCodeSjis);
  size_t i = 0;
  while (i < text.size()) {
    unsigned c = Byte(text[i]);
    if (IsLeadByte(c) && i + 1 < text.size()) {
      i += 2;
    } else if (c == '\t' || c == '\n' || c == '\r' || (c >= 0x20 && c <= 0x7E) ||
               (c >= 0xA1 && c <= 0xDF)) {
      ++i;
    } else {
      break;
    }
  }
  text.resize(i);
  return text;
}

std::string MbxTakeMessage(std::string& mbx) {
  std::string message;
  size_t pos = 0;
  while (pos < mbx.size()) {
    size_t eol = std::min(mbx.find("\r\n", pos), mbx.size());
    size_t next = eol == mbx.size() ? eol : eol + 2;
    std::string_view line = std::string_view(mbx).substr(pos, eol - pos);
    message.append(line);
    message += "\r\n";
    pos = next;
    if (line == ".") break;
  }
  mbx.erase(0, pos);
  return message;
}

}  // namespace nokari
