// Declaration texts and the numbers crossing into C.
#include "lib/dll/Declaration.h"

#include <cmath>

namespace nokari::dll {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The text inside the first bracket (to the last ")", or the end when it
// is missing) and the text before it.
void SplitAtBracket(std::string_view text, std::string_view& head, std::string_view& inner) {
  size_t open = text.find('(');
  if (open == std::string_view::npos) {
    head = text;
    inner = {};
    return;
  }
  head = text.substr(0, open);
  inner = text.substr(open + 1);
  size_t close = inner.rfind(')');
  if (close != std::string_view::npos) inner = inner.substr(0, close);
}

}  // namespace

char TypeLetter(std::string_view typeName) {
  std::string name;
  for (char c : typeName)
    if (!IsBlank(c)) name += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  if (name == "void") return 'v';
  if (name == "char*") return 'p';
  if (name == "word") return 'w';
  if (name == "dword") return 'd';
  if (name == "bool") return 'b';
  if (name == "int") return 'i';
  return '\0';
}

PlainDeclaration ParsePlain(std::string_view text) {
  text = Trim(text);
  size_t open = text.find('(');
  if (open == std::string_view::npos) return {std::string(text), {}};
  std::string_view spec = text.substr(open + 1);
  if (!spec.empty() && spec.back() == ')') spec.remove_suffix(1);
  return {std::string(Trim(text.substr(0, open))), std::string(spec)};
}

TypedDeclaration ParseTyped(std::string_view text) {
  TypedDeclaration d;
  std::string_view head, inner;
  SplitAtBracket(Trim(text), head, inner);
  head = Trim(head);
  std::string_view result = "void";
  std::string_view name = head;
  size_t space = head.find_first_of(" \t");
  if (space != std::string_view::npos) {
    result = head.substr(0, space);
    name = Trim(head.substr(space + 1));
  }
  // "char *getenv": the star belongs to the type, not to the name.
  std::string resultType(result);
  while (!name.empty() && name.front() == '*') {
    resultType += '*';
    name = Trim(name.substr(1));
  }
  d.Function = std::string(name);
  d.Result = TypeLetter(resultType);
  if (d.Result == '\0' || d.Function.empty()) d.Ok = false;
  if (Trim(inner).empty()) return d;
  for (size_t start = 0;;) {
    size_t comma = inner.find(',', start);
    char letter = TypeLetter(inner.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (letter == '\0') d.Ok = false;
    d.Params += letter ? letter : '?';
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return d;
}

size_t CountArguments(std::string_view argSpec) {
  size_t n = 0;
  for (char c : argSpec) n += c == '?';
  return n;
}

size_t CountPassed(std::string_view letters) {
  size_t n = 0;
  for (char c : letters) n += c != 'v';
  return n;
}

std::optional<int64_t> IntegerArgument(char letter, long double x) {
  if (letter == 'b') return x != 0 && std::truncl(x) != 0 ? -1 : 0;
  if (!std::isfinite(x)) return std::nullopt;
  long double t = std::truncl(x);
  long double low = 0, high = 0;
  switch (letter) {
    case 'w': high = 65535; break;
    case 'd': high = 4294967295.0L; break;
    case 'i': low = -2147483648.0L; high = 2147483647; break;
    default: return std::nullopt;
  }
  if (t < low || t > high) return std::nullopt;
  return static_cast<int64_t>(t);
}

std::string IntegerResult(char letter, uint64_t raw) {
  switch (letter) {
    case 'w': return std::to_string(static_cast<uint16_t>(raw));
    case 'd': return std::to_string(static_cast<uint32_t>(raw));
    default: return std::to_string(static_cast<int32_t>(raw));
  }
}

}  // namespace nokari::dll
