#include "lib/settings/IniFile.h"

#include "core/Cp932.h"

namespace nokari::settings {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// "[name]" → name; nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

bool IsComment(std::string_view line) {
  line = Trim(line);
  return line.empty() || line.front() == ';';
}

// "key=value" → key, value (value unquoted).
bool SplitEntry(std::string_view line, std::string_view& key, std::string_view& value) {
  if (IsComment(line) || SectionName(line)) return false;
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  key = Trim(line.substr(0, eq));
  value = Trim(line.substr(eq + 1));
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
  return true;
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size();) {
    size_t len = CharLenAt(a, i);
    if (len == 2) {
      if (a.compare(i, 2, b, i, 2) != 0) return false;
    } else {
      char x = a[i], y = b[i];
      if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
      if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
      if (x != y) return false;
    }
    i += len;
  }
  return true;
}

IniFile::IniFile(std::string_view text) {
  size_t lf = text.find('\n');
  if (lf != std::string_view::npos) eol_ = lf > 0 && text[lf - 1] == '\r' ? "\r\n" : "\n";
  finalEol_ = text.empty() || text.back() == '\n';
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines_.emplace_back(line);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
}

int IniFile::FindSection(std::string_view section, size_t& end) const {
  int found = section.empty() ? -1 : -2;  // "" is the part before any header
  for (size_t i = 0; i < lines_.size(); ++i) {
    std::optional<std::string_view> name = SectionName(lines_[i]);
    if (!name) continue;
    if (found != -2) {
      end = i;
      return found;
    }
    if (SameName(*name, section)) found = static_cast<int>(i);
  }
  end = lines_.size();
  return found;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
  size_t end = 0;
  int at = FindSection(section, end);
  if (at == -2) return std::nullopt;
  for (size_t i = static_cast<size_t>(at + 1); i < end; ++i) {
    std::string_view k, v;
    if (SplitEntry(lines_[i], k, v) && SameName(k, key)) return std::string(v);
  }
  return std::nullopt;
}

IniPairs IniFile::Section(std::string_view section) const {
  IniPairs out;
  size_t end = 0;
  int at = FindSection(section, end);
  if (at == -2) return out;
  for (size_t i = static_cast<size_t>(at + 1); i < end; ++i) {
    std::string_view k, v;
    if (SplitEntry(lines_[i], k, v)) out.emplace_back(k, v);
  }
  return out;
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  std::string line = std::string(key) + "=" + std::string(value);
  size_t end = 0;
  int at = FindSection(section, end);
  if (at == -2) {
    if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.emplace_back();
    lines_.push_back("[" + std::string(section) + "]");
    lines_.push_back(line);
    finalEol_ = true;
    return;
  }
  size_t insert = static_cast<size_t>(at + 1);
  for (size_t i = static_cast<size_t>(at + 1); i < end; ++i) {
    std::string_view k, v;
    if (SplitEntry(lines_[i], k, v) && SameName(k, key)) {
      lines_[i] = std::string(k) + "=" + std::string(value);
      return;
    }
    if (SplitEntry(lines_[i], k, v)) insert = i + 1;  // after the section's last entry
  }
  lines_.insert(lines_.begin() + static_cast<long>(insert), line);
  if (insert == lines_.size() - 1) finalEol_ = true;
}

std::string IniFile::Text() const {
  std::string out;
  for (size_t i = 0; i < lines_.size(); ++i) {
    out += lines_[i];
    if (i + 1 < lines_.size() || finalEol_) out += eol_;
  }
  return out;
}

}  // namespace nokari::settings
