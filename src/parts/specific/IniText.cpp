#include "parts/specific/IniText.h"

#include "core/Cp932.h"

namespace nokari::parts {
namespace {

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Equal but for the case of single-byte letters: a second byte of a
// double-byte character is never folded (it may look like a letter).
bool SameName(std::string_view a, std::string_view b) {
  a = Trimmed(a);
  b = Trimmed(b);
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size();) {
    size_t len = CharLenAt(a, i);
    if (len == 1) {
      auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
      if (fold(a[i]) != fold(b[i])) return false;
    } else if (a.substr(i, len) != b.substr(i, len)) {
      return false;
    }
    i += len;
  }
  return true;
}

struct Line {
  std::string_view Text;  // without its line end
  std::string_view End;   // "\r\n", "\n", "\r" or "" (the last line)
};

std::vector<Line> LinesOf(std::string_view ini) {
  std::vector<Line> lines;
  size_t start = 0;
  while (start < ini.size()) {
    size_t end = ini.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.push_back({ini.substr(start), {}});
      break;
    }
    size_t endLen = ini[end] == '\r' && end + 1 < ini.size() && ini[end + 1] == '\n' ? 2 : 1;
    lines.push_back({ini.substr(start, end - start), ini.substr(end, endLen)});
    start = end + endLen;
  }
  return lines;
}

// The section a "[name]" line opens; none for other lines.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trimmed(line);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  // "]" may be the second byte of a double-byte character in the name.
  for (size_t i = 1; i < line.size(); i += CharLenAt(line, i))
    if (line[i] == ']') return line.substr(1, i - 1);
  return std::nullopt;
}

// A "key=value" line's parts; none for comments and other lines.
std::optional<std::pair<std::string_view, std::string_view>> Entry(std::string_view line) {
  std::string_view t = Trimmed(line);
  if (t.empty() || t.front() == ';' || t.front() == '#' || t.front() == '[') return std::nullopt;
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return std::make_pair(Trimmed(line.substr(0, eq)), Trimmed(line.substr(eq + 1)));
}

// The lines [first, last) of the first section of that name (its header
// excluded); first is 0 and last npos when there is none.
std::pair<size_t, size_t> SectionRange(const std::vector<Line>& lines, std::string_view section) {
  for (size_t i = 0; i < lines.size(); ++i) {
    std::optional<std::string_view> name = SectionName(lines[i].Text);
    if (!name || !SameName(*name, section)) continue;
    size_t end = i + 1;
    while (end < lines.size() && !SectionName(lines[end].Text)) ++end;
    return {i + 1, end};
  }
  return {0, std::string_view::npos};
}

}  // namespace

std::optional<std::string> IniValue(std::string_view ini, std::string_view section, std::string_view key) {
  for (const auto& [k, v] : IniSection(ini, section))
    if (SameName(k, key)) return v;
  return std::nullopt;
}

IniPairs IniSection(std::string_view ini, std::string_view section) {
  std::vector<Line> lines = LinesOf(ini);
  auto [first, last] = SectionRange(lines, section);
  IniPairs pairs;
  if (last == std::string_view::npos) return pairs;
  for (size_t i = first; i < last; ++i)
    if (auto entry = Entry(lines[i].Text)) pairs.emplace_back(std::string(entry->first), std::string(entry->second));
  return pairs;
}

std::string WithIniValues(std::string_view ini, std::string_view section, const IniPairs& values) {
  std::vector<Line> lines = LinesOf(ini);
  // New lines end as the file's first line does (CR LF for a new file).
  std::string eol = !lines.empty() && !lines[0].End.empty() ? std::string(lines[0].End) : "\r\n";
  auto [first, last] = SectionRange(lines, section);

  std::vector<std::string> out;
  std::vector<std::string> ends;
  for (const Line& l : lines) {
    out.emplace_back(l.Text);
    ends.emplace_back(l.End);
  }
  if (last == std::string_view::npos) {
    if (!ends.empty() && ends.back().empty()) ends.back() = eol;
    out.push_back("[" + std::string(section) + "]");
    ends.push_back(eol);
    first = last = out.size();
  }
  // Where new keys go: after the section's last non-blank line.
  size_t insertAt = last;
  while (insertAt > first && Trimmed(out[insertAt - 1]).empty()) --insertAt;
  for (const auto& [key, value] : values) {
    bool written = false;
    for (size_t i = first; i < last && !written; ++i) {
      auto entry = Entry(out[i]);
      if (entry && SameName(entry->first, key)) {
        out[i] = std::string(entry->first) + "=" + value;
        written = true;
      }
    }
    if (written) continue;
    if (insertAt > 0 && insertAt == out.size() && ends[insertAt - 1].empty()) ends[insertAt - 1] = eol;
    out.insert(out.begin() + insertAt, key + "=" + value);
    ends.insert(ends.begin() + insertAt, eol);
    ++insertAt;
    ++last;
  }
  std::string text;
  for (size_t i = 0; i < out.size(); ++i) text += out[i] + ends[i];
  return text;
}

}  // namespace nokari::parts
