#include "core/Encoding.h"

#include <iconv.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace nokari {
namespace {

// One iconv descriptor per direction, kept for the life of the process.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  // Converts; on an unconvertible or invalid sequence calls onBad(offset)
  // which returns the replacement and how many input bytes to skip.
  template <typename OnBad>
  bool Run(std::string_view in, std::string& out, OnBad onBad) {
    out.clear();
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      out.assign(in);
      return false;
    }
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buf[4096];
    bool clean = true;
    while (srcLeft > 0) {
      char* dst = buf;
      size_t dstLeft = sizeof buf;
      size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(buf, dst - buf);
      if (r == static_cast<size_t>(-1)) {
        if (errno == E2BIG) continue;
        clean = false;
        size_t offset = in.size() - srcLeft;
        auto [replacement, skip] = onBad(offset);
        if (skip == 0) return false;
        out.append(replacement);
        src += skip;
        srcLeft -= skip;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      }
    }
    return clean;
  }

 private:
  iconv_t cd_;
};

Converter& ToUtf8Conv() {
  static Converter c("UTF-8", "CP932");
  return c;
}
Converter& FromUtf8Conv() {
  static Converter c("CP932", "UTF-8");
  return c;
}

// Every character converts alone (both encodings are without state), so
// what each converts to is learnt from the texts iconv converts cleanly,
// character by character: then a short text whose characters are all known
// is converted by looking them up instead of a call of iconv (every line
// shown, every caption, every name). A text with a character not yet known
// goes to iconv whole, as before, and teaches the tables; one with
// anything that does not convert (a byte that is no character, a
// character without a counterpart) gets iconv's replacements. The tables
// are shared by the threads: an entry is written whole, and two threads
// can only write the same value.
//
// Short texts only: a long one (a script, a file's contents) converts as
// fast in one call, and walking it to learn from it is not worth it.
constexpr uint32_t kUnknown = 0;
constexpr size_t kByCharsLimit = 256;

// CP932 -> UTF-8: by the character's code (one byte, or lead * 256 + trail);
// an entry holds the UTF-8 bytes (three at most: CP932 has only BMP
// characters) and their count in the top byte.
// Zeroed pages from the system (calloc), touched only where characters are
// met: a script that shows one line pays for a few entries, not 256 KB.
std::atomic<uint32_t>* NewCharTable() {
  static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t));
  return static_cast<std::atomic<uint32_t>*>(std::calloc(65536, sizeof(std::atomic<uint32_t>)));
}

std::atomic<uint32_t>* Cp932Chars() {
  static std::atomic<uint32_t>* table = NewCharTable();
  return table;
}

// UTF-8 -> CP932: by code point (the BMP); an entry holds the CP932 bytes
// (one or two) and their count in the top byte.
std::atomic<uint32_t>* UnicodeChars() {
  static std::atomic<uint32_t>* table = NewCharTable();
  return table;
}

uint32_t PackBytes(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > 3) return kUnknown;
  uint32_t packed = static_cast<uint32_t>(bytes.size()) << 24;
  for (size_t i = 0; i < bytes.size(); ++i) packed |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
  return packed;
}

void AppendPacked(std::string& out, uint32_t packed) {
  const size_t n = packed >> 24;
  for (size_t i = 0; i < n; ++i) out += static_cast<char>((packed >> (8 * i)) & 0xFF);
}

size_t Utf8SeqLen(unsigned char c) {
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0) return 2;
  if ((c & 0xF0) == 0xE0) return 3;
  if ((c & 0xF8) == 0xF0) return 4;
  return 1;
}

}  // namespace

namespace {

// Characters with no CP932 form (accented letters, hangul, simplified
// hanzi, emoji) get stand-ins for the life of the process, so that "Café"
// read from a UTF-8 file is written back as "Café" and two such file names
// stay two names. A stand-in is a double-byte code under a lead byte CP932
// leaves unassigned (0x85, 0x86, 0xEB, 0xEC, 0xEF): inside the engine it
// counts, compares and matches as one character like any other, and iconv
// refuses it on the way out, where it is turned back into the character it
// stands for. The user-defined area (0xF0-0xF9) is not used: real files
// hold their own characters there. When all 940 are given out, further
// characters become "〓" as before.
class StandIns {
 public:
  static StandIns& Get() {
    static StandIns table;
    return table;
  }
  // The stand-in of code point `cp` (given one now if it has none), two
  // bytes; false when none is left.
  bool For(uint32_t cp, std::string& bytes) {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = byCodePoint_.find(cp);
    size_t index;
    if (it != byCodePoint_.end()) {
      index = it->second;
    } else {
      if (codePoints_.size() >= kCount) return false;
      index = codePoints_.size();
      codePoints_.push_back(cp);
      byCodePoint_.emplace(cp, index);
    }
    bytes.assign({static_cast<char>(kLeads[index / kTrails]), static_cast<char>(TrailOf(index % kTrails))});
    return true;
  }
  bool AnyGivenOut() {
    std::lock_guard<std::mutex> lock(mu_);
    return !codePoints_.empty();
  }
  // The code point two CP932 bytes stand for; false when they are no
  // stand-in given out.
  bool CodePointOf(unsigned char lead, unsigned char trail, uint32_t& cp) {
    int row = -1;
    for (int i = 0; i < 5; ++i)
      if (kLeads[i] == lead) row = i;
    if (row < 0 || trail < 0x40 || trail == 0x7F || trail > 0xFC) return false;
    const size_t index = row * kTrails + (trail < 0x7F ? trail - 0x40 : trail - 0x41);
    std::lock_guard<std::mutex> lock(mu_);
    if (index >= codePoints_.size()) return false;
    cp = codePoints_[index];
    return true;
  }

 private:
  static constexpr unsigned char kLeads[5] = {0x85, 0x86, 0xEB, 0xEC, 0xEF};
  static constexpr size_t kTrails = 188;  // 0x40-0x7E, 0x80-0xFC
  static constexpr size_t kCount = 5 * kTrails;
  static unsigned char TrailOf(size_t i) { return static_cast<unsigned char>(i < 63 ? 0x40 + i : 0x41 + i); }

  std::mutex mu_;
  std::unordered_map<uint32_t, size_t> byCodePoint_;
  std::vector<uint32_t> codePoints_;
};

// The code point of the well-formed UTF-8 character `utf8` (all of it);
// false for anything else (a stray byte, an overlong form, a surrogate).
bool DecodeUtf8Char(std::string_view utf8, uint32_t& cp) {
  const size_t len = utf8.size();
  const unsigned char c = utf8[0];
  if (len < 2 || len != Utf8SeqLen(c)) return false;  // a stray byte; a cut sequence
  cp = c & (0x7F >> len);
  for (size_t k = 1; k < len; ++k) {
    const unsigned char t = utf8[k];
    if ((t & 0xC0) != 0x80) return false;
    cp = cp << 6 | (t & 0x3F);
  }
  static constexpr uint32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
  return cp >= kLeast[len] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
}

// Seven CP932 codes each stand for two Unicode characters: 0x8160 is both
// 〜 (WAVE DASH, what Linux and Mac input methods type) and ～ (FULLWIDTH
// TILDE, what Windows converters give), and likewise −/－, ‖/∥, —/―,
// ¢/￠, £/￡ and ¬/￢. iconv gives back the Windows form, so "10時〜12時"
// read from a UTF-8 file and written back became "10時～12時". Each code
// now goes back to the form last met coming in (in a file, a script, a
// name), so a text keeps its own; until one is met, iconv's.
struct Twin {
  uint32_t code;
  char32_t windowsForm, otherForm;
};
constexpr Twin kTwins[] = {
    {0x8160, 0xFF5E, 0x301C}, {0x817C, 0xFF0D, 0x2212}, {0x8161, 0x2225, 0x2016}, {0x815C, 0x2015, 0x2014},
    {0x8191, 0xFFE0, 0x00A2}, {0x8192, 0xFFE1, 0x00A3}, {0x81CA, 0xFFE2, 0x00AC},
};
constexpr size_t kTwinCount = sizeof kTwins / sizeof kTwins[0];
std::atomic<bool> twinTakesOther[kTwinCount];
std::atomic<bool> anyTwinTakesOther{false};

std::string Utf8Of(char32_t cp) {
  std::string utf8;
  AppendUtf8(utf8, cp);
  return utf8;
}

void TakeTwinForm(size_t k, bool other) {
  if (twinTakesOther[k].exchange(other) == other) return;
  if (other) anyTwinTakesOther = true;
  // The character tables learn what iconv gives: this code's entry follows.
  const Twin& twin = kTwins[k];
  Cp932Chars()[twin.code].store(PackBytes(Utf8Of(other ? twin.otherForm : twin.windowsForm)), std::memory_order_relaxed);
}

// Notes which form of each twin a UTF-8 text coming in uses.
void NoteTwinForms(std::string_view utf8) {
  for (size_t i = 0; i + 1 < utf8.size(); ++i) {
    const unsigned char c = utf8[i];
    if (c != 0xC2 && c != 0xE2 && c != 0xE3 && c != 0xEF) continue;
    const size_t len = Utf8SeqLen(c);
    uint32_t cp;
    if (i + len > utf8.size() || !DecodeUtf8Char(utf8.substr(i, len), cp)) continue;
    for (size_t k = 0; k < kTwinCount; ++k)
      if (cp == kTwins[k].windowsForm || cp == kTwins[k].otherForm) TakeTwinForm(k, cp == kTwins[k].otherForm);
    i += len - 1;
  }
}

// iconv's output with each twin in the form last met.
void GiveTwinForms(std::string& utf8) {
  if (!anyTwinTakesOther.load(std::memory_order_relaxed)) return;
  for (size_t k = 0; k < kTwinCount; ++k) {
    if (!twinTakesOther[k].load(std::memory_order_relaxed)) continue;
    const std::string from = Utf8Of(kTwins[k].windowsForm), to = Utf8Of(kTwins[k].otherForm);
    for (size_t at = utf8.find(from); at != std::string::npos; at = utf8.find(from, at + to.size()))
      utf8.replace(at, from.size(), to);
  }
}

// What a UTF-8 character iconv could not convert becomes: its stand-in, or
// "〓" (a stray byte; no stand-in left).
std::string CharWithoutCp932Form(std::string_view utf8) {
  std::string bytes;
  uint32_t cp;
  if (DecodeUtf8Char(utf8, cp) && StandIns::Get().For(cp, bytes)) return bytes;
  return "\x81\xAC";  // 〓
}

bool IsLeadByte932(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The code a CP932 character at i is kept by, and its length; 0 for a lead
// byte cut short.
size_t Cp932CharAt(std::string_view cp932, size_t i, uint32_t& code) {
  const unsigned char c = cp932[i];
  if (!IsLeadByte932(c)) {
    code = c;
    return 1;
  }
  if (i + 1 >= cp932.size()) return 0;
  code = c << 8 | static_cast<unsigned char>(cp932[i + 1]);
  return 2;
}

// A text converted by its characters' entries in `table`, `charAt`
// reading each non-ASCII character's code and length (0: none); false when
// one is not known (the caller converts with iconv then).
template <typename CharAt>
bool ConvertByChars(std::string_view in, std::string& out, std::atomic<uint32_t>* table, CharAt charAt) {
  for (size_t i = 0; i < in.size();) {
    const unsigned char c = in[i];
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    uint32_t code;
    const size_t len = charAt(in, i, code);
    const uint32_t packed = len ? table[code].load(std::memory_order_relaxed) : kUnknown;
    if (packed == kUnknown) return false;
    AppendPacked(out, packed);
    i += len;
  }
  return true;
}

bool ToUtf8ByChars(std::string_view cp932, std::string& out) {
  out.reserve(cp932.size() * 3 / 2 + 8);
  // A lambda, not the function's address: the call is inlined.
  return ConvertByChars(cp932, out, Cp932Chars(),
                        [](std::string_view in, size_t i, uint32_t& code) { return Cp932CharAt(in, i, code); });
}

// After iconv converted `cp932` cleanly to `utf8`: each character's entry,
// the two texts walked side by side.
void LearnCp932(std::string_view cp932, std::string_view utf8) {
  std::atomic<uint32_t>* table = Cp932Chars();
  size_t j = 0;
  for (size_t i = 0; i < cp932.size() && j < utf8.size();) {
    uint32_t code;
    const size_t len = Cp932CharAt(cp932, i, code);
    const size_t outLen = Utf8SeqLen(static_cast<unsigned char>(utf8[j]));
    if (!len || j + outLen > utf8.size()) return;
    if (static_cast<unsigned char>(cp932[i]) >= 0x80)
      table[code].store(PackBytes(utf8.substr(j, outLen)), std::memory_order_relaxed);
    i += len;
    j += outLen;
  }
}

}  // namespace

bool IsShiftJisText(std::string_view value) {
  for (size_t i = 0; i < value.size(); ++i) {
    const unsigned char c = value[i];
    if (c == 0 || c == 0x80 || c == 0xA0 || c >= 0xFD) return false;
    if (!IsLeadByte932(c)) continue;
    if (i + 1 >= value.size()) return false;
    const unsigned char t = value[++i];
    if (t < 0x40 || t == 0x7F || t > 0xFC) return false;
  }
  return !LooksLikeUtf8(value);
}

std::string ShiftJisFileForm(std::string value) {
  if (!StandIns::Get().AnyGivenOut() || !IsShiftJisText(value) || FirstStandIn(value).empty()) return value;
  std::string out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    const unsigned char c = value[i];
    const bool pair = IsLeadByte932(c) && i + 1 < value.size();
    uint32_t cp;
    if (pair && StandIns::Get().CodePointOf(c, static_cast<unsigned char>(value[i + 1]), cp)) {
      out += cp == 0xA5 ? "\\" : cp == 0x203E ? "~" : "\x81\xAC";  // 〓
    } else {
      out += static_cast<char>(c);
      if (pair) out += value[i + 1];
    }
    if (pair) ++i;
  }
  return out;
}

std::string FirstStandIn(std::string_view cp932) {
  for (size_t i = 0; i + 1 < cp932.size(); ++i) {
    const unsigned char c = cp932[i];
    if (!IsLeadByte932(c)) continue;
    uint32_t cp;
    if (StandIns::Get().CodePointOf(c, static_cast<unsigned char>(cp932[i + 1]), cp)) {
      std::string utf8;
      AppendUtf8(utf8, cp);
      return utf8;
    }
    ++i;
  }
  return {};
}

namespace {

// ¥ and ‾ have CP932 forms, but ASCII ones, "\" and "~": "¥500" from a
// UTF-8 file came back as "\500", and in a script or a path "\" is an
// escape or a folder separator. They get stand-ins instead, as characters
// CP932 lacks do.
constexpr std::string_view kYen = "\xC2\xA5", kOverline = "\xE2\x80\xBE";

bool HasAsciiLookalike(std::string_view utf8) {
  return utf8.find(kYen) != std::string_view::npos || utf8.find(kOverline) != std::string_view::npos;
}

// Converts the runs between them with `convert(run, offset)`, which appends
// to `out` (false: stop, the conversion failed), and puts in each one's
// stand-in ("〓" when none is left).
template <typename Convert>
bool ConvertAroundLookalikes(std::string_view utf8, std::string& out, Convert convert) {
  size_t from = 0;
  for (size_t i = 0; i < utf8.size();) {
    const bool yen = utf8.substr(i, 2) == kYen;
    const size_t len = yen ? 2 : utf8.substr(i, 3) == kOverline ? 3 : 0;
    if (!len) {
      ++i;
      continue;
    }
    if (!convert(utf8.substr(from, i - from), from)) return false;
    std::string standIn;
    out += StandIns::Get().For(yen ? 0xA5 : 0x203E, standIn) ? standIn : std::string("\x81\xAC");
    i += len;
    from = i;
  }
  return convert(utf8.substr(from), from);
}

}  // namespace

std::string ToUtf8(std::string_view cp932) {
  bool ascii = true;
  for (unsigned char c : cp932)
    if (c >= 0x80) { ascii = false; break; }
  if (ascii) return std::string(cp932);
  std::string out;
  const bool shortText = cp932.size() <= kByCharsLimit;
  if (shortText && ToUtf8ByChars(cp932, out)) return out;
  out.clear();
  const bool clean = ToUtf8Conv().Run(cp932, out, [&](size_t off) {
    const unsigned char c = cp932[off];
    if (off + 1 < cp932.size() && IsLeadByte932(c)) {
      std::string back;
      uint32_t cp;
      if (StandIns::Get().CodePointOf(c, static_cast<unsigned char>(cp932[off + 1]), cp)) AppendUtf8(back, cp);
      return std::pair<std::string, size_t>(back.empty() ? "\xEF\xBF\xBD" : back, 2);
    }
    return std::pair<std::string, size_t>("\xEF\xBF\xBD", 1);
  });
  GiveTwinForms(out);
  if (clean && shortText) LearnCp932(cp932, out);
  return out;
}

bool Utf8ToCp932(std::string_view utf8, std::string& out, size_t* badOffset) {
  bool ascii = true;
  for (unsigned char c : utf8)
    if (c >= 0x80) { ascii = false; break; }
  if (ascii) {
    out.assign(utf8);
    return true;
  }
  NoteTwinForms(utf8);
  if (HasAsciiLookalike(utf8)) {
    out.clear();
    return ConvertAroundLookalikes(utf8, out, [&](std::string_view run, size_t offset) {
      std::string part;
      size_t bad = 0;
      if (!Utf8ToCp932(run, part, &bad)) {
        if (badOffset) *badOffset = offset + bad;
        return false;
      }
      out += part;
      return true;
    });
  }
  bool whole = true;
  FromUtf8Conv().Run(utf8, out, [&](size_t off) {
    size_t len = Utf8SeqLen(static_cast<unsigned char>(utf8[off]));
    if (off + len > utf8.size()) len = utf8.size() - off;
    std::string bytes;
    uint32_t cp;
    if (DecodeUtf8Char(utf8.substr(off, len), cp) && StandIns::Get().For(cp, bytes))
      return std::pair<std::string, size_t>(bytes, len);
    if (whole && badOffset) *badOffset = off;
    whole = false;
    return std::pair<std::string, size_t>("", 0);
  });
  return whole;
}

namespace {

// The code point of the UTF-8 character at i (two or three bytes, well
// formed, no surrogate) and its length; 0 for anything else.
size_t UnicodeCharAt(std::string_view utf8, size_t i, uint32_t& code) {
  const unsigned char c = utf8[i];
  const size_t len = Utf8SeqLen(c);
  if ((len != 2 && len != 3) || i + len > utf8.size()) return 0;
  code = len == 2 ? (c & 0x1F) : (c & 0x0F);
  for (size_t k = 1; k < len; ++k) {
    const unsigned char t = utf8[i + k];
    if ((t & 0xC0) != 0x80) return 0;
    code = code << 6 | (t & 0x3F);
  }
  // Overlong forms and surrogates are not characters: iconv's to judge.
  if ((len == 2 && code < 0x80) || (len == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF)))) return 0;
  return len;
}

bool FromUtf8ByChars(std::string_view utf8, std::string& out) {
  out.reserve(utf8.size());
  return ConvertByChars(utf8, out, UnicodeChars(),
                        [](std::string_view in, size_t i, uint32_t& code) { return UnicodeCharAt(in, i, code); });
}

// As LearnCp932, the other way: every character of a clean conversion is
// one CP932 character of one or two bytes.
void LearnUnicode(std::string_view utf8, std::string_view cp932) {
  std::atomic<uint32_t>* table = UnicodeChars();
  size_t j = 0;
  for (size_t i = 0; i < utf8.size() && j < cp932.size();) {
    const size_t outLen = IsLeadByte932(static_cast<unsigned char>(cp932[j])) ? 2 : 1;
    if (j + outLen > cp932.size()) return;
    if (static_cast<unsigned char>(utf8[i]) < 0x80) {
      ++i;
      j += outLen;
      continue;
    }
    uint32_t code;
    const size_t len = UnicodeCharAt(utf8, i, code);
    if (!len) {
      i += Utf8SeqLen(static_cast<unsigned char>(utf8[i]));  // beyond the BMP: not kept
    } else {
      table[code].store(PackBytes(cp932.substr(j, outLen)), std::memory_order_relaxed);
      i += len;
    }
    j += outLen;
  }
}

}  // namespace

std::string FromUtf8(std::string_view utf8) {
  NoteTwinForms(utf8);
  return FromUtf8(utf8, true);
}

std::string FromUtf8(std::string_view utf8, bool byChars) {
  // ASCII is the same bytes in CP932 (iconv maps every one to itself):
  // names, paths and numbers need no converter.
  bool ascii = true;
  for (char c : utf8) ascii &= static_cast<unsigned char>(c) < 0x80;
  if (ascii) return std::string(utf8);
  std::string out;
  if (HasAsciiLookalike(utf8)) {
    ConvertAroundLookalikes(utf8, out, [&](std::string_view run, size_t) {
      out += FromUtf8(run, byChars);
      return true;
    });
    return out;
  }
  const bool shortText = byChars && utf8.size() <= kByCharsLimit;
  if (shortText && FromUtf8ByChars(utf8, out)) return out;
  out.clear();
  const bool clean = FromUtf8Conv().Run(utf8, out, [&](size_t off) {
    size_t len = Utf8SeqLen(static_cast<unsigned char>(utf8[off]));
    if (off + len > utf8.size()) len = utf8.size() - off;
    return std::pair<std::string, size_t>(CharWithoutCp932Form(utf8.substr(off, len)), len);
  });
  if (clean && shortText) LearnUnicode(utf8, out);
  return out;
}

const std::string& Sj(const char* utf8Literal) {
  // Each thread looks in a small table of its own first: the shared map is
  // behind a lock, and the commands ask for their fixed texts at every run.
  // Map entries never move and are never dropped, so the table may point
  // into it.
  struct Recent {
    const char* key = nullptr;
    const std::string* text = nullptr;
  };
  static thread_local Recent recent[64];
  Recent& slot = recent[(reinterpret_cast<uintptr_t>(utf8Literal) >> 3) & 63];
  if (slot.key == utf8Literal) return *slot.text;
  static std::mutex mu;
  static std::unordered_map<const char*, std::string> cache;
  std::lock_guard<std::mutex> lock(mu);
  auto it = cache.find(utf8Literal);
  // Converted once each, so in one call: the character tables would cost a
  // call per character they meet first, and start-up converts hundreds.
  if (it == cache.end()) it = cache.emplace(utf8Literal, FromUtf8(utf8Literal, false)).first;
  slot = {utf8Literal, &it->second};
  return it->second;
}

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = s[i];
    size_t len = Utf8SeqLen(c);
    if (c >= 0x80 && len == 1) return false;
    if (i + len > s.size()) return false;
    for (size_t k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += len;
  }
  return true;
}

bool LooksLikeUtf8(std::string_view s) {
  bool nonAscii = false;
  for (unsigned char c : s)
    if (c >= 0x80) { nonAscii = true; break; }
  return nonAscii && IsValidUtf8(s);
}

bool LooksLikeUtf8Script(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return true;
  return LooksLikeUtf8(bytes);
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace nokari
