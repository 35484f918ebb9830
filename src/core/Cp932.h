// The character rule for CP932 (Shift-JIS) text: a lead byte 0x81-0x9F or
// 0xE0-0xFC and the byte after it form one character; a lead byte standing
// at the very end of a text is a character by itself.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace nokari {

inline bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Byte length of the character starting at s[i] (1 or 2), never past the end.
inline size_t CharLenAt(std::string_view s, size_t i) {
  if (i + 1 < s.size() && IsLeadByte(static_cast<unsigned char>(s[i]))) return 2;
  return 1;
}

// Same for a NUL-terminated text read through a pointer.
inline size_t CharLenAt(const char* p) {
  if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') return 2;
  return 1;
}

// Number of characters in a CP932 text.
inline size_t CharCount(std::string_view s) {
  size_t n = 0;
  for (size_t i = 0; i < s.size(); i += CharLenAt(s, i)) ++n;
  return n;
}

// Byte offset of character number `index` (0-based); s.size() when past the end.
inline size_t ByteOffsetOfChar(std::string_view s, size_t index) {
  size_t i = 0;
  while (index > 0 && i < s.size()) {
    i += CharLenAt(s, i);
    --index;
  }
  return i < s.size() ? i : s.size();
}

// True when the text ends with `tail` on a character boundary.
bool EndsWithChar(std::string_view s, std::string_view tail);

// True when the text starts with `head` (head is whole characters).
inline bool StartsWith(std::string_view s, std::string_view head) {
  return s.size() >= head.size() && s.compare(0, head.size(), head) == 0;
}

// Byte offset of the first occurrence of `needle` that starts on a
// character boundary at or after `from`; npos when none.
size_t FindChar(std::string_view hay, std::string_view needle, size_t from = 0);

// The hiragana block used by the okurigana fold: 0x82A0..0x833E.
inline bool IsHiraganaAt(std::string_view s, size_t i) {
  if (CharLenAt(s, i) != 2) return false;
  unsigned code = (static_cast<unsigned char>(s[i]) << 8) | static_cast<unsigned char>(s[i + 1]);
  return code >= 0x82A0 && code <= 0x833E;
}

}  // namespace nokari
