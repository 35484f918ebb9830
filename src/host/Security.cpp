#include "host/Security.h"

#include <fstream>
#include <iterator>

#include "core/Encoding.h"
#include "core/Engine.h"
#include "core/Errors.h"
#include "core/Messages.h"
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

// True when real path `path` lies strictly inside real folder `base`.
bool Holds(const std::string& base, const std::string& path) {
  if (base == "/") return path.size() > 1;
  return path.size() > base.size() + 1 && path.compare(0, base.size(), base) == 0 && path[base.size()] == '/';
}

// The script folder as the policy compares with it: real and absolute, ""
// when there is none (then nothing is inside).
std::string ScriptBase(TNokaBase& e) {
  std::string folder = VarValue(e, "母艦のパス");
  return folder.empty() ? std::string() : CanonicalNative(NativePath(folder));
}

// Console mode with nobody to ask: the refusal is said on standard error,
// once, with the way to allow such changes.
void ReportUnasked(TNokaBase& e, const std::string& name) {
  if (!e.Services.Console) return;
  std::string text = FormatMessage(Sj(msg::kRefusedUnasked), {name});
  e.Services.Output->Diagnostic(
      FormatMessage(Sj(msg::kWarningLine), {FileNamePart(e.FileName), std::to_string(CurrentLine(e)), text}));
}

enum class Verdict { Allowed, Refused };

// The policy itself. `target(i)` gives the i-th target; `inside`, when
// given, receives per target whether it lies in the script folder.
template <typename TargetAt>
Verdict Decide(TNokaBase& e, const std::string& question, size_t count, TargetAt target, bool wildcard,
               std::vector<bool>* inside = nullptr) {
  std::string scriptFolder = VarValue(e, "母艦のパス");
  if (e.SecurityLevel < 0)
    e.SecurityLevel = ReadSecurityLevel(scriptFolder, FolderPart(FromNativeName(e.ExePath)), e.MainFilePath);
  if (e.SecurityLevel >= 2) return Verdict::Refused;
  std::string base = ScriptBase(e);
  bool allInside = count > 0 && !wildcard;
  std::string firstOutside;
  for (size_t i = 0; i < count; ++i) {
    CheckedTarget& t = target(i);
    if (IsSecurityIni(t.Native()) || EqualsNoCase(FileNamePart(t.Path()), "security.ini")) {
      e.Services.Output->MessageBox(Sj(msg::kSecurityIniRefused), Sj(msg::kSecurityCaption));
      return Verdict::Refused;
    }
    bool in = !base.empty() && t.Resolved().Ok && Holds(base, t.Path());
    if (inside) inside->push_back(in);
    if (!in && firstOutside.empty()) firstOutside = t.Name();
    allInside = allInside && in;
  }
  if (allInside || e.SecurityLevel == 0) return Verdict::Allowed;
  Confirm answer = e.Services.Dialogs->AskConfirm(question);
  switch (answer) {
    case Confirm::Yes: return Verdict::Allowed;
    case Confirm::AllYes: e.SecurityLevel = 0; return Verdict::Allowed;
    case Confirm::AllNo: e.SecurityLevel = 2; return Verdict::Refused;
    case Confirm::Nobody:
      ReportUnasked(e, firstOutside.empty() && count > 0 ? target(0).Name() : firstOutside);
      return Verdict::Refused;
    default: return Verdict::Refused;
  }
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
  return Holds(CanonicalNative(baseNative), CanonicalNative(native));
}

bool ChangeRefused(TNokaBase& e, const std::string& question, const std::string& path) {
  return ChangeRefused(e, question, std::vector<std::string>{path});
}

bool ChangeRefused(TNokaBase& e, const std::string& question, const std::vector<std::string>& paths) {
  std::vector<CheckedTarget> targets;
  targets.reserve(paths.size());
  bool wildcard = false;
  for (const auto& path : paths) {
    targets.emplace_back(path, NativePath(path), true);
    wildcard = wildcard || HasWildcard(path);
  }
  return Decide(e, question, targets.size(), [&](size_t i) -> CheckedTarget& { return targets[i]; }, wildcard) !=
         Verdict::Allowed;
}

bool ChangeRefused(TNokaBase& e, const std::string& question, const std::vector<CheckedTarget*>& targets,
                 bool wildcard) {
  std::vector<bool> inside;
  Verdict v = Decide(e, question, targets.size(), [&](size_t i) -> CheckedTarget& { return *targets[i]; },
                     wildcard, &inside);
  if (v != Verdict::Allowed) return true;
  std::string base = ScriptBase(e);
  for (size_t i = 0; i < targets.size(); ++i) targets[i]->Open(inside[i] ? base : std::string());
  return false;
}

namespace {

// The policy as the engine's change guard: commands ask through the
// service and never see this layer.
class SecurityPolicy : public IChangeGuard {
 public:
  bool RefusesChange(TNokaBase& e, const std::string& question, const std::vector<std::string>& paths) override {
    return ChangeRefused(e, question, paths);
  }
  bool RefusesChange(TNokaBase& e, const std::string& question, const std::vector<CheckedTarget*>& targets,
                     bool wildcard) override {
    return ChangeRefused(e, question, targets, wildcard);
  }
};

}  // namespace

IChangeGuard& HostSecurityPolicy() {
  static SecurityPolicy policy;
  return policy;
}

}  // namespace nokari
