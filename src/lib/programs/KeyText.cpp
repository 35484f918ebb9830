// The key text of キー送信.
#include "lib/programs/KeyText.h"

#include <string>

#include "core/Cp932.h"
#include "core/Encoding.h"

namespace nokari::programs {
namespace {

struct NamedKey {
  const char* Name;
  uint32_t Keysym;
};

// The names a braced key may use, with the keys they stand for on X.
constexpr NamedKey kKeyNames[] = {
    {"CAPSLOCK", 0xffe5}, {"NUMLOCK", 0xff7f},   {"SCROLLOCK", 0xff14}, {"ESCAPE", 0xff1b},
    {"ESC", 0xff1b},      {"ENTER", 0xff0d},     {"HELP", 0xff6a},      {"PRTSC", 0xff61},
    {"TAB", 0xff09},      {"BREAK", 0xff6b},     {"CLEAR", 0xff0b},     {"BACKSPACE", 0xff08},
    {"BS", 0xff08},       {"BKSP", 0xff08},      {"DELETE", 0xffff},    {"DEL", 0xffff},
    {"INSERT", 0xff63},   {"LEFT", 0xff51},      {"RIGHT", 0xff53},     {"UP", 0xff52},
    {"DOWN", 0xff54},     {"PGUP", 0xff55},      {"PGDN", 0xff56},      {"HOME", 0xff50},
    {"END", 0xff57},
    // The Japanese input switch: the half-width/full-width key.
    {"IME", 0xff2a},
};

bool EqualNoCase(std::string_view a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (toupper(static_cast<unsigned char>(a[i])) != b[i]) return false;
  return i == a.size() && !b[i];
}

// The code point of one CP932 character (one or two bytes); 0 for bytes
// that are no character.
uint32_t CodePoint(std::string_view ch) {
  if (ch.size() == 1 && static_cast<unsigned char>(ch[0]) < 0x80) return static_cast<unsigned char>(ch[0]);
  std::string u = ToUtf8(ch);
  if (u.empty()) return 0;
  const auto* b = reinterpret_cast<const unsigned char*>(u.data());
  if (b[0] < 0x80) return b[0];
  if ((b[0] & 0xE0) == 0xC0 && u.size() >= 2) return ((b[0] & 0x1F) << 6) | (b[1] & 0x3F);
  if ((b[0] & 0xF0) == 0xE0 && u.size() >= 3) return ((b[0] & 0x0F) << 12) | ((b[1] & 0x3F) << 6) | (b[2] & 0x3F);
  if ((b[0] & 0xF8) == 0xF0 && u.size() >= 4)
    return ((b[0] & 0x07) << 18) | ((b[1] & 0x3F) << 12) | ((b[2] & 0x3F) << 6) | (b[3] & 0x3F);
  return 0;
}

class KeyReader {
 public:
  explicit KeyReader(std::string_view text) : s_(text) {}

  std::vector<KeyAction> ReadAll() {
    while (pos_ < s_.size() && !stopped_) Item();
    return std::move(out_);
  }

 private:
  // One item at pos_.
  void Item() {
    const char c = s_[pos_];
    switch (c) {
      case '{':
        Braced();
        return;
      case '~':
        ++pos_;
        out_.push_back({KeyAction::kTap, keysym::kReturn});
        return;
      case '+':
      case '^':
      case '%': {
        ++pos_;
        const uint32_t mod = c == '+' ? keysym::kShift : c == '^' ? keysym::kControl : keysym::kAlt;
        out_.push_back({KeyAction::kDown, mod});
        if (pos_ < s_.size()) Item();
        out_.push_back({KeyAction::kUp, mod});
        return;
      }
      case '(':
        ++pos_;
        while (pos_ < s_.size() && !stopped_ && s_[pos_] != ')') Item();
        if (pos_ < s_.size() && s_[pos_] == ')') ++pos_;
        return;
      default: {
        size_t len = CharLenAt(s_, pos_);
        Char(s_.substr(pos_, len));
        pos_ += len;
      }
    }
  }

  void Char(std::string_view ch) {
    // A line end typed as text is ENTER; CR LF is one.
    if (ch == "\r" || ch == "\n") {
      if (!(ch == "\n" && pos_ > 0 && s_[pos_ - 1] == '\r')) out_.push_back({KeyAction::kTap, keysym::kReturn});
      return;
    }
    if (ch == "\t") {
      out_.push_back({KeyAction::kTap, keysym::kTab});
      return;
    }
    if (uint32_t cp = CodePoint(ch)) out_.push_back({KeyAction::kChar, cp});
  }

  // "{" at pos_: a named key or a character, with an optional count.
  void Braced() {
    ++pos_;
    size_t nameStart = pos_;
    if (pos_ < s_.size() && s_[pos_] == '}') {
      ++pos_;  // "{}}": the "}" key itself
    } else {
      while (pos_ < s_.size() && s_[pos_] != ' ' && s_[pos_] != '}') pos_ += CharLenAt(s_, pos_);
    }
    std::string_view name = s_.substr(nameStart, pos_ - nameStart);
    int64_t count = 1;
    if (pos_ < s_.size() && s_[pos_] == ' ') {
      size_t countStart = ++pos_;
      while (pos_ < s_.size() && s_[pos_] != '}') pos_ += CharLenAt(s_, pos_);
      count = 0;
      std::string_view digits = s_.substr(countStart, pos_ - countStart);
      for (char d : digits) {
        if (d < '0' || d > '9') {
          count = 0;
          break;
        }
        count = count * 10 + (d - '0');
        if (count > 10000) count = 10000;  // a typing, not a flood
      }
    }
    if (pos_ >= s_.size() || s_[pos_] != '}') {
      stopped_ = true;
      return;
    }
    ++pos_;
    KeyAction key{KeyAction::kTap, KeyNameKeysym(name)};
    if (key.Value == 0) {
      if (name.empty() || CharLenAt(name, 0) != name.size()) return;
      std::vector<KeyAction> saved = std::move(out_);
      out_.clear();
      Char(name);
      if (out_.empty()) {
        out_ = std::move(saved);
        return;
      }
      key = out_.front();
      out_ = std::move(saved);
    }
    for (int64_t k = 0; k < count; ++k) out_.push_back(key);
  }

  std::string_view s_;
  size_t pos_ = 0;
  bool stopped_ = false;
  std::vector<KeyAction> out_;
};

}  // namespace

uint32_t KeyNameKeysym(std::string_view name) {
  for (const NamedKey& k : kKeyNames)
    if (EqualNoCase(name, k.Name)) return k.Keysym;
  // F1 … F16.
  if (name.size() >= 2 && name.size() <= 3 && (name[0] == 'F' || name[0] == 'f')) {
    int n = 0;
    for (char d : name.substr(1)) {
      if (d < '0' || d > '9') return 0;
      n = n * 10 + (d - '0');
    }
    if (n >= 1 && n <= 16) return 0xffbe + static_cast<uint32_t>(n - 1);
  }
  return 0;
}

std::vector<KeyAction> ParseKeyText(std::string_view text) { return KeyReader(text).ReadAll(); }

}  // namespace nokari::programs
