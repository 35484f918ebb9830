#include "lib/programs/CommandLine.h"

#include "core/Cp932.h"

namespace nokari::programs {

CommandText SplitCommandText(std::string_view text) {
  CommandText out;
  bool quoted = false;
  size_t i = 0;
  for (; i < text.size();) {
    size_t len = CharLenAt(text, i);
    char c = text[i];
    if (len == 1 && c == '"') {
      out.Program += c;
      ++i;
      if (quoted) break;  // a closing quote ends the program part
      quoted = true;
      continue;
    }
    if (len == 1 && c == ' ' && !quoted) break;
    out.Program.append(text.substr(i, len));
    i += len;
  }
  std::string_view rest = i < text.size() ? text.substr(i) : std::string_view();
  while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
  while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t' || rest.back() == '\r' || rest.back() == '\n'))
    rest.remove_suffix(1);
  out.Parameters = rest;
  return out;
}

std::vector<std::string> SplitWords(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, any = false;
  for (size_t i = 0; i < text.size();) {
    size_t len = CharLenAt(text, i);
    char c = text[i];
    if (len == 1 && c == '"') {
      quoted = !quoted;
      any = true;
    } else if (len == 1 && (c == ' ' || c == '\t') && !quoted) {
      if (any) words.push_back(word);
      word.clear();
      any = false;
    } else {
      word.append(text.substr(i, len));
      any = true;
    }
    i += len;
  }
  if (any) words.push_back(word);
  return words;
}

std::string HexDump(std::string_view bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 3 + bytes.size() / 16 * 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    out += kHex[b >> 4];
    out += kHex[b & 15];
    out += (i + 1) % 16 == 0 ? "\r\n" : ",";
  }
  return out;
}

}  // namespace nokari::programs
