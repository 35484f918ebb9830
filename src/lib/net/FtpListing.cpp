#include "lib/net/FtpListing.h"

#include "core/Cp932.h"
#include "core/Encoding.h"
#include "lib/net/NetText.h"

namespace nokari::net {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The first `count` blank-separated fields and what follows them.
struct Fields {
  std::vector<std::string_view> Head;
  std::string_view Rest;
};
Fields SplitFields(std::string_view line, size_t count) {
  Fields f;
  size_t i = 0;
  while (f.Head.size() < count) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size()) return f;
    size_t start = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    f.Head.push_back(line.substr(start, i - start));
  }
  f.Rest = Trim(line.substr(i));
  return f;
}

bool StartsNoCase(std::string_view field, std::string_view word) {
  if (field.size() < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i)
    if ((field[i] | 0x20) != word[i]) return false;
  return true;
}

std::string FolderName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return {};
  return std::string(name);
}

}  // namespace

std::vector<std::string> ListingLines(std::string_view bytes) {
  std::string text = IsValidUtf8(bytes) ? FromUtf8(bytes) : std::string(bytes);
  std::vector<std::string> out;
  for (const std::string& line : SplitLines(text)) {
    std::string_view trimmed = Trim(line);
    if (!trimmed.empty()) out.emplace_back(trimmed);
  }
  return out;
}

std::string FolderOfLine(std::string_view line) {
  Fields dos = SplitFields(line, 3);
  if (dos.Head.size() == 3 && dos.Head[2] == "<DIR>") return FolderName(dos.Rest);
  Fields posix = SplitFields(line, 8);
  if (posix.Head.empty() || StartsNoCase(posix.Head[0], "total")) return {};
  if ((posix.Head[0][0] | 0x20) != 'd') return {};
  if (!posix.Rest.empty()) return FolderName(posix.Rest);
  // A short line (a server that leaves fields out): its last field.
  return posix.Head.size() > 1 ? FolderName(posix.Head.back()) : std::string();
}

std::string FoldAsciiCase(std::string_view cp932) {
  std::string out(cp932);
  for (size_t i = 0; i < out.size(); i += CharLenAt(out, i))
    if (out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] - 'A' + 'a');
  return out;
}

std::string JoinMatching(const std::vector<std::string>& names,
                         const std::function<bool(const std::string&)>& match) {
  std::string out;
  for (const std::string& name : names) {
    if (!match(name)) continue;
    out += name;
    out += "\r\n";
  }
  return out;
}

}  // namespace nokari::net
