#include "core/Scan.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>

namespace nokari {
namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

const char* ScanDecimal(const char* p) {
  if (!IsDigit(*p)) return p;
  while (IsDigit(*p)) ++p;
  if (*p == '.' && IsDigit(p[1])) {
    ++p;
    while (IsDigit(*p)) ++p;
  }
  if (*p == 'e' || *p == 'E') {
    const char* q = p + 1;
    if (*q == '+' || *q == '-') ++q;
    if (IsDigit(*q)) {
      while (IsDigit(*q)) ++q;
      p = q;
    }
  }
  return p;
}

const char* ScanHex(const char* p) {
  ++p;
  while (isxdigit(static_cast<unsigned char>(*p))) ++p;
  return p;
}

std::string HexLiteralValue(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return "0";
  uint32_t v = static_cast<uint32_t>(strtoul(std::string(digits).c_str(), nullptr, 16));
  return std::to_string(static_cast<int32_t>(v));
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t i = 0;
  while (i < text.size()) {
    size_t end = text.find_first_of("\r\n", i);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(text.substr(i, end - i));
    if (end == text.size()) break;
    i = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
  return lines;
}

}  // namespace nokari
