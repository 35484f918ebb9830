#include "core/Cp932.h"

namespace nokari {

bool EndsWithChar(std::string_view s, std::string_view tail) {
  if (tail.empty()) return true;
  if (s.size() < tail.size()) return false;
  size_t start = s.size() - tail.size();
  for (size_t i = 0; i < tail.size(); ++i)
    if (s[start + i] != tail[i]) return false;
  // Walk from the front so a trailing byte of a double-byte character is
  // never mistaken for the start of `tail`.
  size_t i = 0;
  while (i < start) i += CharLenAt(s, i);
  return i == start;
}

size_t FindChar(std::string_view hay, std::string_view needle, size_t from) {
  if (needle.empty()) return std::string_view::npos;
  size_t i = 0;
  while (i < from && i < hay.size()) i += CharLenAt(hay, i);
  while (i + needle.size() <= hay.size()) {
    if (hay.compare(i, needle.size(), needle) == 0) return i;
    i += CharLenAt(hay, i);
  }
  return std::string_view::npos;
}

}  // namespace nokari
