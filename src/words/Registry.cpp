// Registers every built-in word at program start and computes the values of
// the variables that come from the system.
#include "words/Registry.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "core/Keywords.h"
#include "words/Family.h"
#include "words/RegistryNames.h"

namespace nokari {
namespace {

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

std::string Home() {
  const char* h = getenv("HOME");
  return h && *h ? h : "/";
}

// An XDG user folder from ~/.config/user-dirs.dirs, or the usual default.
std::string XdgUserDir(const std::string& key, const std::string& fallback) {
  const char* cfg = getenv("XDG_CONFIG_HOME");
  std::string file = (cfg && *cfg ? std::string(cfg) : Home() + "/.config") + "/user-dirs.dirs";
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key + "=", 0) != 0) continue;
    std::string v = line.substr(key.size() + 1);
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    if (v.rfind("$HOME", 0) == 0) v = Home() + v.substr(5);
    if (!v.empty()) return WithSlash(v);
  }
  return WithSlash(Home() + "/" + fallback);
}

std::string DataHome() {
  const char* d = getenv("XDG_DATA_HOME");
  return d && *d ? std::string(d) : Home() + "/.local/share";
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) {
    char cwd[4096];
    return getcwd(cwd, sizeof cwd) ? WithSlash(cwd) : std::string();
  }
  return path.substr(0, slash + 1);
}

std::string Utf8Path(const std::string& p) {
  // Script paths may use "\" as a separator; replaced only in UTF-8 form.
  std::string s = p;
  for (char& c : s)
    if (c == '\\') c = '/';
  return s;
}

std::string ComputedValue(TNokaBase& e, InitFrom init) {
  switch (init) {
    case InitFrom::Literal: return {};
    case InitFrom::WindowColor: return std::to_string(e.Services.Screen->ButtonFaceColour());
    case InitFrom::DesktopColor: return "0";
    case InitFrom::ActiveColor: return "13743257";
    case InitFrom::InactiveColor: return "14405055";
    case InitFrom::SelectColor: return "16750899";
    case InitFrom::CommandLine: {
      std::string out;
      if (e.ScriptArgIndex >= 0) {
        for (size_t i = e.ScriptArgIndex; i < e.Args.size(); ++i) {
          if (i > static_cast<size_t>(e.ScriptArgIndex)) out += "\r\n";
          out += FromUtf8(e.Args[i]);
        }
      }
      return out;
    }
    case InitFrom::ScriptFolder:
      if (e.ScriptArgIndex < 0 || e.ScriptArgIndex >= static_cast<int>(e.Args.size())) return {};
      if (!e.Args[e.ScriptArgIndex].empty() && e.Args[e.ScriptArgIndex][0] == '-') return {};
      // Start-up made the main file's path absolute and real, so the
      // folder does not move with the current folder.
      if (!e.MainFilePath.empty()) return FolderOf(e.MainFilePath);  // CP932: no "\\" to fold
      return FromUtf8(FolderOf(Utf8Path(e.Args[e.ScriptArgIndex])));
    case InitFrom::RuntimeFolder: return FromUtf8(FolderOf(e.ExePath));
    case InitFrom::DesktopFolder: return FromUtf8(XdgUserDir("XDG_DESKTOP_DIR", "Desktop"));
    case InitFrom::DocumentsFolder: return FromUtf8(XdgUserDir("XDG_DOCUMENTS_DIR", "Documents"));
    case InitFrom::TrashFolder: return FromUtf8(WithSlash(DataHome() + "/Trash/files"));
    case InitFrom::StartMenuFolder: return FromUtf8(WithSlash(DataHome() + "/applications"));
    case InitFrom::StartupFolder: {
      const char* cfg = getenv("XDG_CONFIG_HOME");
      return FromUtf8(WithSlash((cfg && *cfg ? std::string(cfg) : Home() + "/.config") + "/autostart"));
    }
    case InitFrom::SendToFolder: return FromUtf8(WithSlash(DataHome() + "/nokari/sendto"));
    case InitFrom::WindowsFolder: return "/etc/";
    case InitFrom::SystemFolder: return "/usr/lib/";
    case InitFrom::TempFolder: {
      const char* t = getenv("TMPDIR");
      return FromUtf8(WithSlash(t && *t ? t : "/tmp"));
    }
    case InitFrom::FavoritesFolder: return FromUtf8(WithSlash(DataHome() + "/nokari/favorites"));
    case InitFrom::OsName: {
      struct utsname u;
      std::string os = "Linux";
      if (uname(&u) == 0) os += std::string(" ") + u.release;
      return os;
    }
    case InitFrom::ScreenWidth: return std::to_string(e.Services.Screen->PrimaryScreenSize().Width);
    case InitFrom::ScreenHeight: return std::to_string(e.Services.Screen->PrimaryScreenSize().Height);
    case InitFrom::Version: return NOKARI_VERSION;
    case InitFrom::BuildDate: {
      static const char* months = "JanFebMarAprMayJunJulAugSepOctNovDec";
      std::string d = __DATE__;  // "Mmm dd yyyy"
      int month = static_cast<int>(std::string(months).find(d.substr(0, 3)) / 3 + 1);
      int day = atoi(d.substr(4, 2).c_str());
      char buf[16];
      snprintf(buf, sizeof buf, "%s/%02d/%02d", d.substr(7, 4).c_str(), month, day);
      return buf;
    }
  }
  return {};
}

}  // namespace

void RegisterBuiltins(TNokaBase& e) {
  const std::span<const RegistryRow> rows = RegistryTable();
  const std::span<const RegistryNames> texts = RegistryNamesCp932();  // made beside the table
  if (texts.size() != rows.size()) throw std::logic_error("registry: CP932 texts out of step with the table");
  for (size_t i = 0; i < rows.size(); ++i) {
    const RegistryRow& row = rows[i];
    const RegistryNames& text = texts[i];
    auto node = std::make_shared<THashNode>();
    if (row.Kind == RowKind::Command) {
      node->Name = StripOkurigana(text.Name);
      node->Kind = kCommand;
      node->ArgSpec = text.Text;
      node->CommandNumber = row.Number;
      node->Reserved = true;
    } else {
      node->Name = text.Name;
      node->Kind = kVariable;
      node->Value = row.Init == InitFrom::Literal ? std::string(text.Text) : ComputedValue(e, row.Init);
      node->TypeTag = text.TypeTag;
      node->Level = -1;
      node->Reserved = row.Kind == RowKind::Constant;
    }
    e.Words.Add(std::move(node));
  }
  auto mothership = std::make_shared<THashNode>();
  mothership->Name = Sj("母艦");
  mothership->Kind = kObject;
  mothership->ObjectIndex = 0;
  mothership->TypeTag = Sj("メインフォーム");
  mothership->Reserved = true;
  e.Words.Add(mothership);
  if (e.Objects.Count() == 0) {
    auto obj = std::make_unique<TObjNode>();
    obj->Name = mothership->Name;
    e.Objects.Add(std::move(obj));
  }
  const Keywords& kw = Kw();
  e.SoreVar = e.Words.FindRef(kw.Sore);
  e.SonoVar = e.Words.FindRef(kw.Sono);
  e.CountVar = e.Words.FindRef(kw.Kaisu);
  e.ErrorMessageVar = e.Words.FindRef(Sj("エラーメッセージ"));
  e.NoExitVar = e.Words.FindRef(Sj("終了不可能"));
  for (const Family* family : Families())
    if (family->Install) family->Install(e);
}

}  // namespace nokari
