// Commands that change files and folders. Each asks the security policy
// first; the shell-style operations (copy, move, delete) report nothing
// when they fail.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>

#include "core/Cp932.h"
#include "core/Errors.h"
#include "lib/file/FileCommon.h"
#include "lib/file/FileOps.h"
#include "lib/path/Path.h"

namespace nokari {
namespace {

bool IsFolderNative(const std::string& native) {
  struct stat st;
  return !native.empty() && ::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A bare name (not absolute) is taken inside the script's folder.
std::string CompleteBareName(TNokaBase& e, const std::string& name) {
  if (name.empty() || IsAbsoluteName(name)) return name;
  std::string base = VarValue(e, "母艦のパス");
  return base.empty() ? name : JoinName(base, name);
}

// Where each source lands: inside `dest` when it is a folder (or must
// become one for several sources), else at `dest` itself.
std::vector<FileTarget> Destinations(const std::vector<FileTarget>& sources, const std::string& dest) {
  std::string destNative = NativePath(dest);
  bool intoFolder = EndsWithSeparator(dest) || IsFolderNative(destNative) || sources.size() > 1;
  std::vector<FileTarget> out;
  for (const auto& src : sources) {
    if (!intoFolder) {
      out.push_back({dest, destNative});
      continue;
    }
    std::string leaf = FileNamePart(src.Name);
    size_t slash = src.Native.find_last_of('/');
    std::string nativeLeaf = slash == std::string::npos ? src.Native : src.Native.substr(slash + 1);
    std::string folder = destNative.empty() || destNative.back() == '/' ? destNative : destNative + "/";
    out.push_back({JoinName(dest, leaf), folder + nativeLeaf});
  }
  return out;
}

std::vector<std::string> NamesOf(const std::vector<FileTarget>& a, const std::vector<FileTarget>& b = {}) {
  std::vector<std::string> names;
  for (const auto& t : a) names.push_back(t.Name);
  for (const auto& t : b) names.push_back(t.Name);
  return names;
}

void MakeParent(const std::string& native) {
  size_t slash = native.find_last_of('/');
  if (slash != std::string::npos && slash > 0) MakeFolders(native.substr(0, slash));
}

void ChangeFolder(TNokaBase& e, const std::string& folder) {
  std::string name = TrimName(folder);
  std::string native = NativePath(name);
  if (name.empty() || ::chdir(native.c_str()) != 0) {
    const char* reason = name.empty() ? std::strerror(ENOENT) : std::strerror(errno);
    RaiseError(e, msg::kChdirFailed, {Sj(msg::kCmdChdir), FromUtf8(reason)});
  }
}

}  // namespace

// ファイルコピー: source, destination.
void CopyFileCmd(TNokaBase& e) {
  std::string dest = TrimName(PopArgValue(e));
  std::string source = TrimName(PopArgValue(e));
  if (source.empty() || dest.empty()) return;
  source = ResolveReadName(e, source);
  auto sources = ExpandTargets(source);
  if (sources.empty()) return;
  auto targets = Destinations(sources, dest);
  std::vector<std::string> checked = NamesOf(targets);
  checked.push_back(dest);
  if (Refused(e, msg::kAskWrite, {dest}, checked)) return;
  if (sources.size() > 1) MakeFolders(NativePath(dest));
  for (size_t i = 0; i < sources.size(); ++i) {
    MakeParent(targets[i].Native);
    CopyTree(sources[i].Native, targets[i].Native);
  }
}

// ファイル削除: to the trash.
void DeleteFileCmd(TNokaBase& e) {
  std::string name = CompleteBareName(e, TrimName(PopArgValue(e)));
  if (name.empty()) return;
  auto targets = ExpandTargets(name);
  std::vector<std::string> checked = NamesOf(targets);
  checked.push_back(name);
  if (Refused(e, msg::kAskDelete, {name}, checked)) return;
  for (const auto& t : targets) MoveToTrash(t.Native, std::time(nullptr));
}

// ファイル完全削除: removed at once, files only.
void EraseFileCmd(TNokaBase& e) {
  std::string name = CompleteBareName(e, ResolveLocal(e, PopArgValue(e)));
  if (name.empty()) return;
  if (Refused(e, msg::kAskErase, {name}, {name})) return;
  std::string native = NativePath(name);
  struct stat st;
  if (::lstat(native.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) ::unlink(native.c_str());
}

// ファイル名変更: old name, new name; never replaces an existing entry.
void RenameFileCmd(TNokaBase& e) {
  std::string newName = PopArgValue(e);
  std::string oldName = PopArgValue(e);
  if (Refused(e, msg::kAskRename, {oldName, newName}, {oldName, newName})) return;
  if (oldName.empty() || newName.empty() || !MoveNoReplace(NativePath(oldName), NativePath(newName)))
    RaiseError(e, msg::kRenameFailed, {oldName});
}

// ファイル移動: source, destination; never replaces an existing entry.
void MoveFileCmd(TNokaBase& e) {
  std::string dest = TrimName(PopArgValue(e));
  std::string source = TrimName(ResolveLocal(e, PopArgValue(e)));
  if (source.empty() || dest.empty()) return;
  auto sources = ExpandTargets(source);
  if (sources.empty()) return;
  auto targets = Destinations(sources, dest);
  std::vector<std::string> checked = NamesOf(sources, targets);
  checked.push_back(source);
  if (Refused(e, msg::kAskMove, {source, dest}, checked)) return;
  if (sources.size() > 1) MakeFolders(NativePath(dest));
  for (size_t i = 0; i < sources.size(); ++i) {
    MakeParent(targets[i].Native);
    MoveNoReplace(sources[i].Native, targets[i].Native);
  }
}

// ショートカット作成: target, link. The shortcut is a symbolic link to the
// target's absolute path, named with ".lnk".
void ShortcutCmd(TNokaBase& e) {
  std::string link = TrimName(PopArgValue(e));
  std::string target = ResolveLocal(e, TrimName(PopArgValue(e)));
  if (link.empty() || target.empty()) return;
  if (EndsWithSeparator(link)) link += FileNamePart(target);
  std::string tail = link.size() >= 4 ? link.substr(link.size() - 4) : link;
  for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  if (tail != ".lnk") link = ChangeExtension(link, ".lnk");
  if (Refused(e, msg::kAskWrite, {link}, {link})) return;
  std::string targetNative = AbsoluteNative(NativePath(target));
  if (::symlink(targetNative.c_str(), NativePath(link).c_str()) != 0) RaiseReadWrite(e, link);
}

// 作業フォルダ変更, 作業ディレクトリ変更.
void ChangeFolderCmd(TNokaBase& e) { ChangeFolder(e, PopArgValue(e)); }

// 作業フォルダ (with a folder: change to it; without: the current folder)
// and 作業ディレクトリ (no argument).
void WorkFolderCmd(TNokaBase& e) {
  if (!e.ImplicitSore && e.ArgStack.Count() > 0) {
    ChangeFolder(e, PopArgValue(e));
    return;
  }
  if (e.ImplicitSore && e.ArgStack.Count() > 0) PopArgText(e);
  std::string cwd = FromNativeName(CurrentFolderNative());
  if (!EndsWithSeparator(cwd)) cwd += '/';
  SetSoreTyped(e, cwd, "s");
}

// フォルダ作成: with every missing folder above it.
void MakeFolderCmd(TNokaBase& e) {
  std::string name = TrimName(PopArgValue(e));
  if (name.empty()) RaiseError(e, msg::kNeedArgument, {Sj(msg::kCmdMakeFolder)});
  if (Refused(e, msg::kAskMakeFolder, {name}, {name})) return;
  MakeFolders(NativePath(name));
}

// フォルダ削除: the folder and everything in it; links inside are removed,
// never followed.
void RemoveFolderCmd(TNokaBase& e) {
  std::string name = TrimName(PopArgValue(e));
  if (name.empty()) return;
  if (Refused(e, msg::kAskDeleteFolder, {name}, {name})) return;
  std::string native = NativePath(name);
  struct stat st;
  if (::lstat(native.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
  if (CanonicalNative(native) == "/") return;
  RemoveTree(native);
}

// ファイル属性変更: file, attribute number (anything else does nothing).
void SetAttributesCmd(TNokaBase& e) {
  std::string attrText = PopArgValue(e);
  std::string name = ResolveLocal(e, PopArgValue(e));
  int64_t attributes = IntDefault(attrText, INT64_MIN);
  if (attributes == INT64_MIN) return;
  if (Refused(e, msg::kAskAttributes, {name}, {name})) return;
  SetAttributes(NativePath(name), attributes);
}

}  // namespace nokari
