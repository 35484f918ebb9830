#include "host/Security.h"

#include <fstream>
#include <iterator>

#include "core/Encoding.h"
#include "core/Engine.h"
#include "core/Messages.h"
#include "host/Host.h"
#include "lib/path/Path.h"
#include "words/Contract.h"

namespace nokari {
namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x -= 32;
    if (y >= 'a' && y <= 'z') y -= 32;
    if (x != y) return false;
  }
  return true;
}

std::string_view TrimView(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// security.ini in a folder, found in any letter case.
bool ReadIniInFolder(const std::string& folder, std::string& text) {
  if (folder.empty()) return false;
  std::string native = NativePath(folder);
  for (const auto& entry : ListFolder(native)) {
    if (entry.IsFolder || !EqualsNoCase(entry.Native, "security.ini")) continue;
    std::ifstream in(native + "/" + entry.Native, std::ios::binary);
    if (!in) continue;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
  }
  return false;
}

bool LevelFromFolder(const std::string& folder, const std::string& section, int& level) {
  std::string text, value;
  if (!ReadIniInFolder(folder, text) || !ReadIniValue(text, section, "security", value)) return false;
  level = SecurityLevelFromText(value);
  return true;
}

}  // namespace

int SecurityLevelFromText(std::string_view value) {
  value = TrimView(value);
  if (value.empty()) return 1;
  switch (value[0]) {
    case 'H': case 'h': return 2;
    case 'L': case 'l': return 0;
    default: return 1;
  }
}

bool ReadIniValue(std::string_view text, std::string_view section, std::string_view key, std::string& value) {
  bool inSection = false;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = TrimView(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = line.rfind(']');
      inSection = close != std::string_view::npos && EqualsNoCase(TrimView(line.substr(1, close - 1)), section);
      continue;
    }
    size_t eq = line.find('=');
    if (!inSection || eq == std::string_view::npos || !EqualsNoCase(TrimView(line.substr(0, eq)), key)) continue;
    std::string_view v = TrimView(line.substr(eq + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
      v = v.substr(1, v.size() - 2);
    value.assign(v);
    return true;
  }
  return false;
}

int ReadSecurityLevel(const std::string& scriptFolder, const std::string& exeFolder,
                      const std::string& mainFilePath) {
  int level = 1;
  if (LevelFromFolder(scriptFolder, FileNamePart(mainFilePath), level)) return level;
  if (LevelFromFolder(exeFolder, mainFilePath, level)) return level;
  return 1;
}

bool IsSecurityIni(const std::string& native) {
  auto baseName = [](const std::string& p) {
    size_t slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
  };
  return EqualsNoCase(baseName(native), "security.ini") ||
         EqualsNoCase(baseName(CanonicalNative(native)), "security.ini");
}

bool InsideFolder(const std::string& native, const std::string& baseNative) {
  if (baseNative.empty() || native.empty()) return false;
  std::string base = CanonicalNative(baseNative);
  std::string target = CanonicalNative(native);
  if (base == "/") return target.size() > 1;
  return target.size() > base.size() + 1 && target.compare(0, base.size(), base) == 0 &&
         target[base.size()] == '/';
}

bool CheckChange(TNokaBase& e, const std::string& question, const std::string& path) {
  return CheckChange(e, question, std::vector<std::string>{path});
}

bool CheckChange(TNokaBase& e, const std::string& question, const std::vector<std::string>& paths) {
  std::string scriptFolder = VarValue(e, "母艦のパス");
  if (e.SecurityLevel < 0)
    e.SecurityLevel = ReadSecurityLevel(scriptFolder, FolderPart(FromNativeName(e.ExePath)), e.MainFilePath);
  if (e.SecurityLevel >= 2) return true;
  bool inside = !paths.empty();
  std::string base = scriptFolder.empty() ? std::string() : NativePath(scriptFolder);
  for (const auto& path : paths) {
    std::string native = NativePath(path);
    if (IsSecurityIni(native)) {
      if (e.Host) e.Host->MessageBox(Sj(msg::kSecurityIniRefused), Sj(msg::kSecurityCaption));
      return true;
    }
    inside = inside && !HasWildcard(path) && InsideFolder(native, base);
  }
  if (inside || e.SecurityLevel == 0) return false;
  Confirm answer = e.Host ? e.Host->AskConfirm(question) : Confirm::None;
  switch (answer) {
    case Confirm::Yes: return false;
    case Confirm::AllYes: e.SecurityLevel = 0; return false;
    case Confirm::AllNo: e.SecurityLevel = 2; return true;
    default: return true;
  }
}

}  // namespace nokari
