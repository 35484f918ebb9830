// Settings kept outside the script: the registry (lib/settings/Registry),
// file associations, INI files, the main window's position and shared
// memory blocks.
#include <sys/stat.h>

#include "core/Encoding.h"
#include "core/Errors.h"
#include "core/Parts.h"
#include "lib/file/FileCommon.h"
#include "lib/file/FileOps.h"
#include "lib/file/Messages.h"
#include "lib/settings/IniFile.h"
#include "lib/settings/Messages.h"
#include "lib/settings/Registry.h"
#include "lib/settings/SharedMemory.h"
#include "words/Contract.h"
#include "words/Family.h"

namespace nokari {
namespace {

using settings::RegistryDocument;
using settings::RegKey;
using settings::RegValue;

// The open key and INI file of a run, and the blocks it wrote.
struct SettingsState {
  bool KeyOpen = false;
  uint32_t Root = 1;
  std::string KeyPath;  // CP932, normalised
  bool IniOpen = false;
  std::string IniName;  // CP932, as resolved
  settings::SharedBlocks Blocks;
};

SettingsState& State(TNokaBase& e) { return FamilyState<SettingsState>(e); }

// A text read back into それ: a number when it looks like one; an empty
// text leaves the mark as it was.
void SetSoreGuessed(TNokaBase& e, const std::string& v) {
  if (v.empty()) {
    e.SoreVar->SetValue(v);
    return;
  }
  SetSoreTyped(e, v, v[0] == '$' || (v[0] >= '0' && v[0] <= '9') ? "e" : "s");
}

bool RefusedWith(TNokaBase& e, const char* question, std::initializer_list<std::string_view> args,
                 const std::vector<std::string>& paths) {
  return ChangeGuardOf(e.Services).RefusesChange(e, FormatMessage(Sj(question), args), paths);
}

SettingsState& RequireKey(TNokaBase& e) {
  SettingsState& s = State(e);
  if (!s.KeyOpen) RaiseError(e, msg::kRegistryNotOpen);
  return s;
}

[[noreturn]] void RaiseUnusable(TNokaBase& e, const std::string& whyUtf8) {
  RaiseCommandError(e, msg::kRegistryUnusable, {FromUtf8(whyUtf8)});
}

// Changes the open key's document; `change` gets the key (made when
// missing) and returns whether to write.
template <class Change>
void ChangeOpenKey(TNokaBase& e, SettingsState& s, Change change) {
  std::string why;
  bool ok = settings::ChangeRegistry(
      s.Root, [&](RegistryDocument& doc) { return change(doc, doc.Ensure(s.KeyPath)); }, why);
  if (!ok) RaiseUnusable(e, why);
}

// The open key's value, when the key and the value are there.
std::optional<RegValue> ReadOpenValue(TNokaBase& e, SettingsState& s, const std::string& name) {
  RegistryDocument doc;
  std::string why;
  if (!settings::LoadRegistry(s.Root, doc, why)) RaiseUnusable(e, why);
  RegKey* key = doc.Find(s.KeyPath);
  const RegValue* v = key ? settings::FindValue(*key, name) : nullptr;
  if (!v) return std::nullopt;
  return *v;
}

// --- the registry -------------------------------------------------------------

// レジストリ開く: root (a decimal number ≥ 0), key path; the key is made
// when missing.
void CmdRegistryOpen(TNokaBase& e) {
  std::string path = settings::NormalKeyPath(PopArgValue(e));
  std::string rootText = PopArgValue(e);
  SettingsState& s = State(e);
  s.KeyOpen = false;
  if (rootText.empty() || rootText.find_first_not_of("0123456789") != std::string::npos || rootText.size() > 9)
    RaiseCommandError(e, msg::kArgError);
  s.Root = static_cast<uint32_t>(std::stoul(rootText));
  std::string why;
  bool ok = settings::ChangeRegistry(
      s.Root,
      [&](RegistryDocument& doc) {
        if (doc.Find(path) || path.empty()) return false;
        doc.Ensure(path);
        return true;
      },
      why);
  if (!ok) RaiseUnusable(e, why);
  s.KeyPath = path;
  s.KeyOpen = true;
}

void CmdRegistryClose(TNokaBase& e) { State(e).KeyOpen = false; }

void CmdRegistryRead(TNokaBase& e) {
  std::string name = PopArgValue(e);
  SettingsState& s = RequireKey(e);
  std::optional<RegValue> v = ReadOpenValue(e, s, name);
  std::string text;
  if (v) text = v->Type == RegValue::Kind::Dword ? std::to_string(v->Number) : v->Data;
  SetSoreGuessed(e, text);
}

void WriteValue(TNokaBase& e, SettingsState& s, RegValue value, const std::string& shown) {
  if (RefusedWith(e, msg::kAskRegistryWrite, {s.KeyPath, value.Name, shown}, {"*"})) return;
  ChangeOpenKey(e, s, [&](RegistryDocument&, RegKey& key) {
    settings::SetValue(key, std::move(value));
    return true;
  });
}

// レジストリ書く: value name; それ is written.
void CmdRegistryWrite(TNokaBase& e) {
  RegValue v;
  v.Name = PopArgValue(e);
  SettingsState& s = RequireKey(e);
  v.Data = e.SoreVar->Value;
  std::string shown = v.Data;
  WriteValue(e, s, std::move(v), shown);
}

// レジストリのバイナリを読む: value name, count (replaced by the stored
// size); それ gets the bytes and one zero byte after them.
void CmdRegistryReadBinary(TNokaBase& e) {
  PopArgValue(e);
  std::string name = PopArgValue(e);
  SettingsState& s = RequireKey(e);
  std::optional<RegValue> v = ReadOpenValue(e, s, name);
  if (!v) RaiseError(e, msg::kRegistryNoValue, {name});
  std::string bytes = v->Type == RegValue::Kind::Dword ? std::string(reinterpret_cast<const char*>(&v->Number), 4)
                                                        : v->Data;
  bytes.push_back('\0');
  SetSoreTyped(e, bytes, "s");
}

// レジストリにバイナリを書く: data, value name, count. Only the bytes the
// data has are written when the count asks for more.
void CmdRegistryWriteBinary(TNokaBase& e) {
  long double count = PopArgNumber(e);
  RegValue v;
  v.Name = PopArgValue(e);
  std::string data = PopArgValue(e);
  SettingsState& s = RequireKey(e);
  if (!(count >= 0)) RaiseCommandError(e, msg::kArgError);
  if (data.empty()) data.assign(1, '\0');
  if (count < static_cast<long double>(data.size())) data.resize(static_cast<size_t>(count));
  v.Type = RegValue::Kind::Binary;
  v.Data = data;
  WriteValue(e, s, std::move(v), data);
}

void CmdRegistryReadDword(TNokaBase& e) {
  std::string name = PopArgValue(e);
  SettingsState& s = RequireKey(e);
  std::optional<RegValue> v = ReadOpenValue(e, s, name);
  if (!v || v->Type != RegValue::Kind::Dword) RaiseError(e, msg::kRegistryNoValue, {name});
  SetSoreTyped(e, std::to_string(v->Number), "e");
}

void CmdRegistryWriteDword(TNokaBase& e) {
  RegValue v;
  v.Name = PopArgValue(e);
  std::string numberText = PopArgValue(e);
  SettingsState& s = RequireKey(e);
  long double n = ToNumber(numberText);
  v.Type = RegValue::Kind::Dword;
  v.Number = static_cast<uint32_t>(static_cast<int64_t>(n));
  WriteValue(e, s, std::move(v), numberText);
}

void CmdRegistryDeleteValue(TNokaBase& e) {
  std::string name = PopArgValue(e);
  SettingsState& s = RequireKey(e);
  if (RefusedWith(e, msg::kAskRegistryDeleteValue, {s.KeyPath, name}, {"*"})) return;
  ChangeOpenKey(e, s, [&](RegistryDocument&, RegKey& key) { return settings::DeleteValue(key, name); });
}

// レジストリキー削除: a key below the open one, with everything below it.
void CmdRegistryDeleteKey(TNokaBase& e) {
  std::string name = settings::NormalKeyPath(PopArgValue(e));
  SettingsState& s = RequireKey(e);
  if (RefusedWith(e, msg::kAskRegistryDeleteKey, {s.KeyPath, name}, {"*"})) return;
  if (name.empty()) return;
  std::string path = s.KeyPath.empty() ? name : s.KeyPath + "\\" + name;
  std::string why;
  if (!settings::ChangeRegistry(s.Root, [&](RegistryDocument& doc) { return doc.DeleteKey(path); }, why))
    RaiseUnusable(e, why);
}

void CmdRegistrySubkeys(TNokaBase& e) {
  SettingsState& s = RequireKey(e);
  RegistryDocument doc;
  std::string why;
  if (!settings::LoadRegistry(s.Root, doc, why)) RaiseUnusable(e, why);
  std::string out;
  for (const std::string& name : doc.Subkeys(s.KeyPath)) out += (out.empty() ? "" : "\r\n") + name;
  SetSoreTyped(e, out, "s");
}

// --- associations -------------------------------------------------------------

std::string Trimmed(std::string s) {
  size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return {};
  return s.substr(a, s.find_last_not_of(" \t\r\n") - a + 1);
}

std::string WithoutDot(std::string ext) { return !ext.empty() && ext[0] == '.' ? ext.substr(1) : ext; }

void SetDefault(RegistryDocument& doc, const std::string& path, const std::string& value) {
  RegValue v;
  v.Data = value;
  settings::SetValue(doc.Ensure(path), std::move(v));
}

// 関連付ける: extension, application, description; written under
// HKEY_CLASSES_ROOT of the user's registry files.
void CmdAssociate(TNokaBase& e) {
  std::string description = Trimmed(PopArgValue(e));
  std::string app = Trimmed(PopArgValue(e));
  std::string ext = WithoutDot(Trimmed(PopArgValue(e)));
  if (app.empty() || ext.empty()) return;
  struct stat st;
  if (stat(NativePath(app).c_str(), &st) != 0) RaiseCommandError(e, msg::kAppMissing, {app});
  RegistryDocument current;
  std::string why;
  if (!settings::LoadRegistry(0, current, why)) RaiseUnusable(e, why);
  const char* question = current.Find("." + ext) ? msg::kAskAssociationChange : msg::kAskAssociation;
  if (RefusedWith(e, question, {ext, app}, {"*"})) return;
  std::string type = ext + "File";
  std::string icon = "\"" + FolderPart(FromNativeName(e.ExePath)) + "nokari.ico\"";
  bool ok = settings::ChangeRegistry(
      0,
      [&](RegistryDocument& doc) {
        SetDefault(doc, "." + ext, type);
        SetDefault(doc, type, description);
        SetDefault(doc, type + "\\DefaultIcon", icon);
        SetDefault(doc, type + "\\shell\\open\\command", "\"" + app + "\" \"%1\"");
        return true;
      },
      why);
  if (!ok) RaiseUnusable(e, why);
}

void CmdRemoveAssociation(TNokaBase& e) {
  std::string ext = WithoutDot(Trimmed(PopArgValue(e)));
  if (ext.empty()) return;
  if (RefusedWith(e, msg::kAskAssociationDelete, {ext}, {"*"})) return;
  std::string why;
  bool ok = settings::ChangeRegistry(
      0,
      [&](RegistryDocument& doc) {
        RegKey* key = doc.Find("." + ext);
        if (!key) return false;
        const RegValue* type = settings::FindValue(*key, "");
        std::string typeName = type ? type->Data : std::string();
        doc.DeleteKey("." + ext);
        if (!typeName.empty()) doc.DeleteKey(typeName);
        return true;
      },
      why);
  if (!ok) RaiseUnusable(e, why);
}

// --- INI files ----------------------------------------------------------------

// A name not starting at the root counts from the current folder.
std::string FromCurrentFolder(const std::string& name) {
  if (name.empty() || name[0] == '/' || name[0] == '\\') return name;
  char cwd[4096];
  if (!getcwd(cwd, sizeof cwd)) return name;
  std::string folder = FromNativeName(cwd);
  if (folder.back() != '/') folder += '/';
  return folder + name;
}

bool ReadIni(const std::string& name, settings::IniFile& ini) {
  std::string text;
  struct stat st;
  if (stat(NativePath(name).c_str(), &st) != 0) {
    ini = settings::IniFile();
    return true;
  }
  if (!ReadWholeFile(NativePath(name), text)) return false;
  ini = settings::IniFile(text);
  return true;
}

void CmdIniOpen(TNokaBase& e) {
  std::string name = Trimmed(PopArgValue(e));
  SettingsState& s = State(e);
  if (name.empty()) RaiseCommandError(e, msg::kArgError);
  name = ResolveLocal(e, FromCurrentFolder(name));
  struct stat st;
  bool exists = stat(NativePath(name).c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) RaiseReadWrite(e, name);
  if (!exists && RefusedWith(e, msg::kAskIniCreate, {name}, {name})) return;
  s.IniName = name;
  s.IniOpen = true;
}

void CmdIniClose(TNokaBase& e) { State(e).IniOpen = false; }

void CmdIniWrite(TNokaBase& e) {
  std::string key = PopArgValue(e);
  std::string section = PopArgValue(e);
  std::string value = PopArgValue(e);
  SettingsState& s = State(e);
  if (!s.IniOpen) RaiseCommandError(e, msg::kIniNotOpen);
  if (e.SecurityLevel >= 2) return;
  if (RefusedWith(e, msg::kAskIniWrite, {s.IniName, section, key}, {s.IniName})) return;
  settings::IniFile ini;
  if (!ReadIni(s.IniName, ini)) RaiseError(e, msg::kIniFailed, {s.IniName, key, section});
  ini.Set(section, key, value);
  if (!AtomicWriteFile(NativePath(s.IniName), ShiftJisFileForm(ini.Text()))) RaiseError(e, msg::kIniFailed, {s.IniName, key, section});
}

void CmdIniRead(TNokaBase& e) {
  std::string key = PopArgValue(e);
  std::string section = PopArgValue(e);
  THashNode* target = PopArgWord(e, true);
  SettingsState& s = State(e);
  if (!s.IniOpen) RaiseCommandError(e, msg::kIniNotOpen);
  if (e.SecurityLevel >= 2) {
    e.SoreVar->SetValue(std::string());
    return;
  }
  RequireWritable(e, target);
  settings::IniFile ini;
  if (!ReadIni(s.IniName, ini)) RaiseError(e, msg::kIniFailed, {s.IniName, key, section});
  target->SetValue(ini.Get(section, key).value_or(std::string()), "s");
}

// --- the main window's position --------------------------------------------------

constexpr char kFormSection[] = "frmNoka";

PartHandle& MainWindow(TNokaBase& e) {
  if (!e.Services.Parts) RaiseCommandError(e, msg::kArgError);
  return e.Services.Parts->MainWindow();
}

int StateNumber(WindowState state) {
  return state == WindowState::Minimized ? 1 : state == WindowState::Maximized ? 2 : 0;
}

void CmdSaveFormPosition(TNokaBase& e) {
  std::string name = Trimmed(PopArgValue(e));
  if (name.empty()) return;
  name = FromCurrentFolder(name);
  if (RefusedWith(e, msg::kAskFormPosition, {name}, {name})) return;
  PartHandle& window = MainWindow(e);
  WindowState state = window.GetWindowState();
  // The bounds of the normal state, whatever the window shows now.
  if (state != WindowState::Normal) window.SetWindowState(WindowState::Normal);
  e.Services.Pump->ProcessEvents();
  PartRect r = window.Geometry();
  if (state != WindowState::Normal) window.SetWindowState(state);
  settings::IniFile ini;
  if (!ReadIni(name, ini)) RaiseReadWrite(e, name);
  ini.Set(kFormSection, "state", std::to_string(StateNumber(state)));
  ini.Set(kFormSection, "top", std::to_string(r.Y));
  ini.Set(kFormSection, "left", std::to_string(r.X));
  ini.Set(kFormSection, "height", std::to_string(r.H));
  ini.Set(kFormSection, "width", std::to_string(r.W));
  if (!AtomicWriteFile(NativePath(name), ShiftJisFileForm(ini.Text()))) RaiseReadWrite(e, name);
}

int IniNumber(const settings::IniFile& ini, const char* key, int fallback) {
  std::optional<std::string> v = ini.Get(kFormSection, key);
  if (!v || v->empty()) return fallback;
  long double n = ToNumber(*v);
  return n > -1e6 && n < 1e6 ? static_cast<int>(n) : fallback;
}

void CmdRestoreFormPosition(TNokaBase& e) {
  std::string name = Trimmed(PopArgValue(e));
  if (name.empty()) return;
  name = ResolveLocal(e, FromCurrentFolder(name));
  settings::IniFile ini;
  if (!ReadIni(name, ini)) RaiseReadWrite(e, name);
  PartHandle& window = MainWindow(e);
  PartRect r = window.Geometry();
  r.Y = IniNumber(ini, "top", r.Y);
  r.X = IniNumber(ini, "left", r.X);
  r.H = std::max(1, IniNumber(ini, "height", r.H));
  r.W = std::max(1, IniNumber(ini, "width", r.W));
  window.SetGeometry(r);
  if (std::optional<std::string> state = ini.Get(kFormSection, "state")) {
    int n = static_cast<int>(ToNumber(*state));
    window.SetWindowState(n == 1 ? WindowState::Minimized : n == 2 ? WindowState::Maximized : WindowState::Normal);
  }
}

// --- shared memory ----------------------------------------------------------------

void CmdSharedSave(TNokaBase& e) {
  std::string name = PopArgValue(e);
  if (!State(e).Blocks.Write(name, e.SoreVar->Value)) RaiseError(e, msg::kSharedCannotOpen, {name});
}

void CmdSharedLoad(TNokaBase& e) {
  std::string name = PopArgValue(e);
  SetSoreGuessed(e, settings::SharedBlocks::Read(name).value_or(std::string()));
}

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::レジストリ開く, CmdRegistryOpen},
    {Id::レジストリ閉じる, CmdRegistryClose},
    {Id::レジストリ読む, CmdRegistryRead},
    {Id::レジストリ書く, CmdRegistryWrite},
    {Id::レジストリのバイナリを読む, CmdRegistryReadBinary},
    {Id::レジストリにバイナリを書く, CmdRegistryWriteBinary},
    {Id::レジストリのDWORDを読む, CmdRegistryReadDword},
    {Id::レジストリにDWORDを書く, CmdRegistryWriteDword},
    {Id::レジストリ値削除, CmdRegistryDeleteValue},
    {Id::レジストリキー削除, CmdRegistryDeleteKey},
    {Id::レジストリサブキー取得, CmdRegistrySubkeys},
    {Id::関連付ける, CmdAssociate},
    {Id::関連付けを削除, CmdRemoveAssociation},
    {Id::INIファイル開く, CmdIniOpen},
    {Id::INIファイル閉じる, CmdIniClose},
    {Id::INIファイル書く, CmdIniWrite},
    {Id::INIファイル読む, CmdIniRead},
    {Id::フォームの位置記録, CmdSaveFormPosition},
    {Id::フォームの位置復元, CmdRestoreFormPosition},
    {Id::共有保存, CmdSharedSave},
    {Id::共有読込, CmdSharedLoad},
};

constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/settings/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kSettingsFamily{"settings", kCommands, kMessages};

}  // namespace nokari
