// Width and kana conversions, and the expression half-width map.
// The mappings are those of a Japanese Windows locale, fixed in tables
// here so the result never depends on the host's locale.
#include <array>
#include <cstdint>
#include <vector>

#include "core/Cp932.h"
#include "core/Encoding.h"
#include "lib/japanese/Convert.h"

namespace nokari {
namespace {

inline unsigned Byte(char c) { return static_cast<unsigned char>(c); }

unsigned CodeAt(std::string_view s, size_t i, size_t len) {
  return len == 2 ? (Byte(s[i]) << 8) | Byte(s[i + 1]) : Byte(s[i]);
}

void PutCode(std::string& out, unsigned code) {
  if (code > 0xFF) out += static_cast<char>(code >> 8);
  out += static_cast<char>(code & 0xFF);
}

// The CP932 character codes of a UTF-8 literal, in order.
std::vector<unsigned> Codes(const char* utf8) {
  std::string s = FromUtf8(utf8);
  std::vector<unsigned> codes;
  for (size_t i = 0; i < s.size();) {
    size_t len = CharLenAt(s, i);
    codes.push_back(CodeAt(s, i, len));
    i += len;
  }
  return codes;
}

// Full-width forms of ASCII 0x20..0x7E.
constexpr char kFullAscii[] =
    "　！”＃＄％＆’（）＊＋，－．／０１２３４５６７８９：；＜＝＞？＠"
    "ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴＵＶＷＸＹＺ［￥］＾＿‘"
    "ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐｑｒｓｔｕｖｗｘｙｚ｛｜｝～";
// Full-width forms of the half-width katakana 0xA1..0xDF.
constexpr char kFullKana[] =
    "。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテト"
    "ナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜";

constexpr unsigned kVoiced = 0xDE, kSemiVoiced = 0xDF;

bool TakesVoiced(unsigned kana) {
  return (kana >= 0xB6 && kana <= 0xC4) || (kana >= 0xCA && kana <= 0xCE) || kana == 0xB3;
}
bool TakesSemiVoiced(unsigned kana) { return kana >= 0xCA && kana <= 0xCE; }

struct WidthTables {
  std::array<unsigned, 0x80> fullOfAscii{};
  std::array<unsigned, 0x100> fullOfKana{};
  // Full-width code -> ASCII byte, kana byte, or kana byte << 8 | mark.
  std::vector<uint16_t> half = std::vector<uint16_t>(0x10000, 0);
  std::vector<uint8_t> alnum = std::vector<uint8_t>(0x10000, 0);
  std::vector<uint8_t> exprIndex = std::vector<uint8_t>(0x10000, 0);
  std::vector<std::string> exprText{""};

  WidthTables() {
    auto ascii = Codes(kFullAscii);
    for (unsigned c = 0x20; c <= 0x7E; ++c) {
      fullOfAscii[c] = ascii[c - 0x20];
      half[ascii[c - 0x20]] = static_cast<uint16_t>(c);
    }
    // Other full-width signs a Japanese system reads as ASCII.
    const std::pair<const char*, char> signs[] = {
        {"＼", '\\'}, {"＂", '"'}, {"＇", '\''}, {"−", '-'}, {"｀", '`'}};
    for (auto [full, a] : signs)
      half[Codes(full)[0]] = static_cast<uint16_t>(a);
    auto kana = Codes(kFullKana);
    for (unsigned k = 0xA1; k <= 0xDF; ++k) {
      fullOfKana[k] = kana[k - 0xA1];
      half[kana[k - 0xA1]] = static_cast<uint16_t>(k);
    }
    for (unsigned k = 0xA1; k <= 0xDF; ++k) {
      if (TakesVoiced(k)) half[VoicedOf(k, kVoiced)] = static_cast<uint16_t>(k << 8 | kVoiced);
      if (TakesSemiVoiced(k))
        half[VoicedOf(k, kSemiVoiced)] = static_cast<uint16_t>(k << 8 | kSemiVoiced);
    }
    BuildAlnum();
    BuildExpression();
  }

  // The full-width voiced (or semi-voiced) katakana of a half-width base.
  unsigned VoicedOf(unsigned kana, unsigned mark) const {
    if (kana == 0xB3) return 0x8394;  // ｳﾞ -> ヴ
    return fullOfKana[kana] + (mark == kVoiced ? 1 : 2);
  }

  void BuildAlnum() {
    auto set = Codes(
        "０１２３４５６７８９ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐｑｒｓｔｕｖｗｘｙｚ"
        "ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴＵＶＷＸＹＺ！”＃＄％＆’（）＝－￥［］｛｝＿／＞＜，．＠‘　");
    const std::string ascii =
        "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ!\"#$%&'()=-\\[]{}_/><,.@` ";
    for (size_t i = 0; i < set.size(); ++i) alnum[set[i]] = static_cast<uint8_t>(ascii[i]);
  }

  void AddExpr(unsigned code, std::string text) {
    exprIndex[code] = static_cast<uint8_t>(exprText.size());
    exprText.push_back(std::move(text));
  }

  void BuildExpression() {
    for (unsigned c = '0'; c <= '9'; ++c) AddExpr(fullOfAscii[c], std::string(1, char(c)));
    for (unsigned c = 'A'; c <= 'Z'; ++c) AddExpr(fullOfAscii[c], std::string(1, char(c)));
    for (unsigned c = 'a'; c <= 'z'; ++c) AddExpr(fullOfAscii[c], std::string(1, char(c)));
    auto signs = Codes("！”＃＄％＆’（）＝－＾～￥｜｛｝＠‘；：＋＊／？＿＜＞，．");
    const std::string ascii = "!\"#$%&'()=-^~\\|{}@`;:+*/?_<>,.";
    for (size_t i = 0; i < signs.size(); ++i) AddExpr(signs[i], std::string(1, ascii[i]));
    const std::pair<const char*, const char*> words[] = {
        {"※", "'"}, {"×", "*"}, {"÷", "/"}, {"≠", "<>"}, {"≦", "<="}, {"≧", ">="},
        {"　", " "}, {"、", ","}, {"。", ";"}, {"「", "\""}, {"」", "\""},
        {"『", "`"}, {"』", "`"}};
    for (auto [full, text] : words) AddExpr(Codes(full)[0], text);
  }
};

const WidthTables& Tables() {
  static const WidthTables t;
  return t;
}

}  // namespace

std::string ToHalfWidth(std::string_view text) {
  const auto& t = Tables();
  std::string out;
  out.reserve(text.size() * 2);
  for (size_t i = 0; i < text.size();) {
    size_t len = CharLenAt(text, i);
    unsigned v = len == 2 ? t.half[CodeAt(text, i, 2)] : 0;
    if (v == 0) {
      out.append(text.substr(i, len));
    } else {
      PutCode(out, v);
    }
    i += len;
  }
  return out;
}

std::string ToFullWidth(std::string_view text) {
  const auto& t = Tables();
  std::string out;
  out.reserve(text.size() * 2);
  for (size_t i = 0; i < text.size();) {
    size_t len = CharLenAt(text, i);
    unsigned c = Byte(text[i]);
    bool ascii = c >= 0x20 && c <= 0x7E, kana = c >= 0xA1 && c <= 0xDF;
    if (len == 2 || (!ascii && !kana)) {
      out.append(text.substr(i, len));
    } else if (c < 0x80) {
      PutCode(out, t.fullOfAscii[c]);
    } else {
      unsigned next = i + 1 < text.size() ? Byte(text[i + 1]) : 0;
      if (next == kVoiced && TakesVoiced(c)) {
        PutCode(out, t.VoicedOf(c, kVoiced));
        ++i;
      } else if (next == kSemiVoiced && TakesSemiVoiced(c)) {
        PutCode(out, t.VoicedOf(c, kSemiVoiced));
        ++i;
      } else {
        PutCode(out, t.fullOfKana[c]);
      }
    }
    i += len;
  }
  return out;
}

std::string AlnumHalfWidth(std::string_view text) {
  const auto& t = Tables();
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    size_t len = CharLenAt(text, i);
    uint8_t a = len == 2 ? t.alnum[CodeAt(text, i, 2)] : 0;
    if (a != 0) {
      out += static_cast<char>(a);
    } else {
      out.append(text.substr(i, len));
    }
    i += len;
  }
  return out;
}

namespace {

// Katakana ァ..ミ (0x8340..0x837E) and ム..ン (0x8380..0x8393) pair with
// hiragana ぁ..ん (0x829F..0x82F1); ヽヾ pair with ゝゞ.
unsigned HiraganaOf(unsigned code) {
  if (code >= 0x8340 && code <= 0x837E) return code - 0x8340 + 0x829F;
  if (code >= 0x8380 && code <= 0x8393) return code - 0x8380 + 0x82DE;
  if (code == 0x8152 || code == 0x8153) return code + 2;
  return code;
}

unsigned KatakanaOf(unsigned code) {
  if (code >= 0x829F && code <= 0x82DD) return code - 0x829F + 0x8340;
  if (code >= 0x82DE && code <= 0x82F1) return code - 0x82DE + 0x8380;
  if (code == 0x8154 || code == 0x8155) return code - 2;
  return code;
}

template <typename Map>
std::string MapDoubleByte(std::string_view text, Map map) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    size_t len = CharLenAt(text, i);
    if (len == 2) {
      PutCode(out, map(CodeAt(text, i, 2)));
    } else {
      out += text[i];
    }
    i += len;
  }
  return out;
}

}  // namespace

std::string ToHiragana(std::string_view text) { return MapDoubleByte(text, HiraganaOf); }
std::string ToKatakana(std::string_view text) { return MapDoubleByte(text, KatakanaOf); }

std::string ExpressionHalfWidth(std::string_view text) {
  const auto& t = Tables();
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    size_t len = CharLenAt(text, i);
    unsigned c = Byte(text[i]);
    if (len == 2) {
      uint8_t idx = t.exprIndex[CodeAt(text, i, 2)];
      if (idx != 0) {
        out += t.exprText[idx];
      } else {
        out.append(text.substr(i, 2));
      }
    } else if (c == 0xA2 || c == 0xA3) {  // ｢ ｣
      out += '"';
    } else {
      out += text[i];
    }
    i += len;
  }
  return out;
}

}  // namespace nokari
