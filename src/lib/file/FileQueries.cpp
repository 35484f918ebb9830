// Queries on files and folders, enumeration and the name-splitting
// commands.
#include <sys/stat.h>

#include "core/Cp932.h"
#include "core/Errors.h"
#include "lib/file/FileCommon.h"
#include "lib/file/FileOps.h"
#include "lib/path/Path.h"
#include "lib/file/Messages.h"

namespace nokari {
namespace {

constexpr int kMaxTreeDepth = 1024;

std::vector<std::string> SplitPatterns(std::string_view text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= text.size()) {
    size_t semi = text.find(';', start);  // ';' is never a second byte
    if (semi == std::string_view::npos) semi = text.size();
    std::string p = TrimName(text.substr(start, semi - start));
    if (!p.empty()) out.push_back(p);
    start = semi + 1;
  }
  return out;
}

std::string NativeFolder(const std::string& folder) { return folder.empty() ? std::string() : NativePath(folder); }

// The first entry matching a name that may hold wildcards.
bool FirstMatch(const std::string& name, struct stat& st) {
  auto targets = ExpandTargets(name);
  for (const auto& t : targets)
    if (::stat(t.Native.c_str(), &st) == 0) return true;
  return false;
}

void WalkTree(const std::string& folder, const std::string& mask, char sep, bool folders, int depth,
              std::string& out) {
  if (depth > kMaxTreeDepth) return;
  auto entries = ListFolder(NativeFolder(folder));
  for (const auto& entry : entries)
    if (entry.IsFolder == folders && FileNameMatch(mask, entry.Name)) out += folder + entry.Name + "\r\n";
  // Links are listed but never entered, so the walk stays inside the tree;
  // nor are hidden folders (.git, .thumbnails, a stick's .Trash-1000),
  // though they are listed.
  for (const auto& entry : entries)
    if (entry.IsRealFolder && !entry.Name.starts_with('.'))
      WalkTree(folder + entry.Name + sep, mask, sep, folders, depth + 1, out);
}

const char* DriveKindMessage(DriveKind kind) {
  switch (kind) {
    case DriveKind::Missing: return msg::kDriveMissing;
    case DriveKind::Removable: return msg::kDriveRemovable;
    case DriveKind::Fixed: return msg::kDriveFixed;
    case DriveKind::Remote: return msg::kDriveRemote;
    case DriveKind::CdRom: return msg::kDriveCdRom;
    case DriveKind::RamDisk: return msg::kDriveRam;
    default: return msg::kDriveUnknown;
  }
}

}  // namespace

std::string ListNames(std::string_view patterns, bool folders) {
  std::string out;
  for (std::string pattern : SplitPatterns(patterns)) {
    if (EndsWithSeparator(pattern)) pattern += '*';
    std::string mask = FileNamePart(pattern);
    for (const auto& entry : ListFolder(NativeFolder(FolderPart(pattern))))
      if (entry.IsFolder == folders && FileNameMatch(mask, entry.Name)) out += entry.Name + "\r\n";
  }
  return out;
}

std::string ListTree(std::string_view patterns, bool folders) {
  std::string out;
  for (std::string pattern : SplitPatterns(patterns)) {
    // 「売上/」 means everything in it, as ファイル列挙 reads it.
    if (EndsWithSeparator(pattern)) pattern += '*';
    std::string folder = FolderPart(pattern);
    char sep = folder.empty() ? '/' : folder.back();
    WalkTree(folder, FileNamePart(pattern), sep, folders, 0, out);
  }
  return out;
}

// ファイル属性取得: -1 when missing.
void CmdGetAttributes(TNokaBase& e) {
  std::string name = ResolveLocal(e, PopArgValue(e));
  SetSoreTyped(e, FormatInt(AttributesOf(NativePath(name))), "e");
}

// ファイル日時: last write time of the first match.
void CmdFileTime(TNokaBase& e) {
  std::string name = PopArgValue(e);
  struct stat st;
  if (name.empty() || !FirstMatch(name, st)) RaiseReadWrite(e, name);
  SetSoreTyped(e, FormatFileTime(st.st_mtime), "s");
}

// ファイルサイズ: in bytes (64-bit).
void CmdFileSize(TNokaBase& e) {
  std::string name = PopArgValue(e);
  struct stat st;
  if (name.empty() || !FirstMatch(name, st)) RaiseReadWrite(e, name);
  SetSoreTyped(e, FormatInt(S_ISDIR(st.st_mode) ? 0 : static_cast<int64_t>(st.st_size)), "s");
}

void CmdListFiles(TNokaBase& e) {
  std::string patterns = PopArgValue(e);
  if (!patterns.empty()) SetSoreValue(e, ListNames(patterns, false));
}

void CmdListFolders(TNokaBase& e) {
  std::string patterns = PopArgValue(e);
  if (!patterns.empty()) SetSoreValue(e, ListNames(patterns, true));
}

void CmdListAllFiles(TNokaBase& e) {
  std::string patterns = TrimName(PopArgValue(e));
  if (patterns.empty()) return;
  SetSoreTyped(e, "", "s");
  SetSoreTyped(e, ListTree(patterns, false), "s");
}

void CmdListAllFolders(TNokaBase& e) {
  std::string patterns = TrimName(PopArgValue(e));
  if (patterns.empty()) return;
  SetSoreTyped(e, "", "s");
  SetSoreTyped(e, ListTree(patterns, true), "s");
}

// フォルダか: "0" also for a path that does not exist.
void CmdIsFolder(TNokaBase& e) {
  int64_t attr = AttributesOf(NativePath(TrimName(PopArgValue(e))));
  SetSoreValue(e, attr >= 0 && (attr & 16) ? "1" : "0");
}

void CmdIsFile(TNokaBase& e) {
  int64_t attr = AttributesOf(NativePath(TrimName(PopArgValue(e))));
  SetSoreValue(e, attr >= 0 && !(attr & 16) ? "1" : "0");
}

// 存在するか: a trailing separator asks for a folder, anything else for a
// file.
void CmdExists(TNokaBase& e) {
  std::string name = TrimName(PopArgValue(e));
  int64_t attr = name.empty() ? -1 : AttributesOf(NativePath(name));
  bool wantFolder = EndsWithSeparator(name);
  SetSoreValue(e, attr >= 0 && (((attr & 16) != 0) == wantFolder) ? "1" : "0");
}

// ドライブ種類判定: kind of the file system holding the path.
void CmdDriveKind(TNokaBase& e) {
  std::string name = TrimName(PopArgValue(e));
  bool letter = name.size() == 1 && ((name[0] | 0x20) >= 'a' && (name[0] | 0x20) <= 'z');
  if (letter) name += ":\\";
  SetSoreTyped(e, Sj(DriveKindMessage(DriveKindOf(NativePath(name)))), "s");
}

// 短いファイル名取得: there is no short form; the full path of an existing
// entry, cut to 255 bytes, or "".
void CmdShortName(TNokaBase& e) {
  std::string native = NativePath(ResolveLocal(e, PopArgValue(e)));
  std::string result;
  if (AttributesOf(native) >= 0) {
    result = FromNativeName(AbsoluteNative(native));
    size_t cut = 0;
    while (cut < result.size() && cut + CharLenAt(result, cut) <= 255) cut += CharLenAt(result, cut);
    result.resize(cut);
  }
  SetSoreTyped(e, result, "s");
}

// 長いファイル名取得: the full path.
void CmdLongName(TNokaBase& e) {
  std::string name = ResolveLocal(e, PopArgValue(e));
  SetSoreTyped(e, name.empty() ? std::string() : FromNativeName(AbsoluteNative(NativePath(name))), "s");
}

void CmdPathPart(TNokaBase& e) { SetSoreTyped(e, FolderPart(PopArgValue(e)), "s"); }
void CmdExtensionPart(TNokaBase& e) { SetSoreTyped(e, ExtensionPart(PopArgValue(e)), "s"); }
void CmdFileNamePart(TNokaBase& e) { SetSoreTyped(e, FileNamePart(PopArgValue(e)), "s"); }

void CmdChangeExtension(TNokaBase& e) {
  std::string ext = PopArgValue(e);
  std::string path = PopArgValue(e);
  SetSoreTyped(e, ChangeExtension(path, ext), "s");
}

}  // namespace nokari
