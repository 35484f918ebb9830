// Commands that change files and folders. Each asks the security policy
// first; the shell-style operations (copy, move, delete) report nothing
// when they fail.
#include <fcntl.h>
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
#include "lib/file/Messages.h"

namespace nokari {
namespace {

bool EntryExists(const std::string& native) {
  struct stat st;
  return !native.empty() && ::lstat(native.c_str(), &st) == 0;
}

bool IsFolderNative(const std::string& native) {
  struct stat st;
  return !native.empty() && ::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A relative name to delete: what it names in the current folder, as 読む,
// 保存 and 存在するか take it, when something is there (a mask: when it
// matches something there); otherwise inside the script's folder. Taken in
// the script's folder alone, 「a.txt」 after 作業フォルダ変更 deleted another
// file than the one the script had just read.
std::string CompleteBareName(TNokaBase& e, const std::string& name) {
  if (name.empty() || IsAbsoluteName(name)) return name;
  const std::string cwd = CurrentFolderNative();
  if (!cwd.empty()) {
    const std::string here = JoinName(FromNativeName(cwd), name);
    const bool there = HasWildcard(FileNamePart(here)) ? !ExpandTargets(here).empty() : EntryExists(NativePath(here));
    if (there) return here;
  }
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

// One change target per name; `followLast` as in ResolveForChange.
std::vector<CheckedTarget> TargetsOf(const std::vector<FileTarget>& names, bool followLast) {
  std::vector<CheckedTarget> out;
  out.reserve(names.size());
  for (const auto& n : names) out.emplace_back(n.Name, n.Native, followLast);
  return out;
}

std::vector<CheckedTarget*> Pointers(std::vector<CheckedTarget>& a, std::vector<CheckedTarget>* b = nullptr) {
  std::vector<CheckedTarget*> out;
  for (auto& t : a) out.push_back(&t);
  if (b)
    for (auto& t : *b) out.push_back(&t);
  return out;
}

// The reason of a failed move to the trash, for the script.
std::string TrashReason(TrashFailure why, int err) {
  switch (why) {
    case TrashFailure::NoHome: return Sj(msg::kTrashNoHome);
    case TrashFailure::NoTrashOnDrive: return Sj(msg::kTrashNoneOnDrive);
    default: return FromUtf8(std::strerror(err));
  }
}

void ChangeFolder(TNokaBase& e, const std::string& folder) {
  std::string name = TrimName(folder);
  std::string native = NativePath(name);
  if (name.empty() || ::chdir(native.c_str()) != 0) {
    const char* reason = name.empty() ? std::strerror(ENOENT) : std::strerror(errno);
    RaiseCommandError(e, msg::kChdirFailed, {FromUtf8(reason)});
  }
}

}  // namespace

// ファイルコピー: source, destination. Checked like a write, though the
// command never asked before: a copy changes its destination as much.
// Links inside a copied folder, or met inside the destination, are never
// followed.
void CmdCopyFile(TNokaBase& e) {
  std::string dest = TrimName(PopArgValue(e));
  std::string source = TrimName(PopArgValue(e));
  if (source.empty() || dest.empty()) return;
  source = ResolveReadName(e, source);
  auto sources = ExpandTargets(source);
  if (sources.empty()) return;
  auto targets = TargetsOf(Destinations(sources, dest), true);
  if (Refused(e, msg::kAskWrite, {dest}, Pointers(targets), HasWildcard(dest))) return;
  for (size_t i = 0; i < sources.size(); ++i) {
    CheckedTarget from(sources[i].Name, sources[i].Native, false);
    CheckedTarget& to = targets[i];
    if (!from.Open() || !to.IsOpen()) continue;
    struct stat st;
    bool folder = ::fstatat(from.Folder(), from.Leaf().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
    if (folder && SameOrBelow(to.Path(), from.Path())) continue;  // never into itself
    if (to.MakeFolders(false)) CopyEntry(from.Folder(), from.Leaf(), to.Folder(), to.Leaf());
  }
}

// ファイル削除: to the trash. When the trash cannot be used nothing is
// deleted and the error says why (ファイル完全削除 deletes for good).
void CmdDeleteFile(TNokaBase& e) {
  std::string name = CompleteBareName(e, TrimName(PopArgValue(e)));
  if (name.empty()) return;
  auto targets = TargetsOf(ExpandTargets(name), false);
  if (targets.empty()) return;
  if (Refused(e, msg::kAskDelete, {name}, Pointers(targets), HasWildcard(name))) return;
  for (auto& t : targets) {
    TrashFailure why = TrashFailure::System;
    if (!Usable(t) || TrashEntry(t.Folder(), t.Leaf(), t.Path(), std::time(nullptr), why)) continue;
    int err = errno;
    if (why == TrashFailure::System && err == ENOENT) continue;  // nothing there to delete
    RaiseError(e, msg::kTrashFailed, {t.Name(), TrashReason(why, err)});
  }
}

// ファイル完全削除: removed at once, files only.
void CmdEraseFile(TNokaBase& e) {
  std::string name = CompleteBareName(e, TrimName(PopArgValue(e)));
  if (name.empty()) return;
  CheckedTarget target = TargetOf(name, false);
  if (Refused(e, msg::kAskErase, {name}, {&target})) return;
  struct stat st;
  if (Usable(target) && ::fstatat(target.Folder(), target.Leaf().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
      !S_ISDIR(st.st_mode))
    ::unlinkat(target.Folder(), target.Leaf().c_str(), 0);
}

// ファイル名変更: old name, new name; never replaces an existing entry.
void CmdRenameFile(TNokaBase& e) {
  std::string newName = PopArgValue(e);
  std::string oldName = PopArgValue(e);
  CheckedTarget from = TargetOf(oldName, false), to = TargetOf(newName, false);
  if (Refused(e, msg::kAskRename, {oldName, newName}, std::vector<CheckedTarget*>{&from, &to})) return;
  if (!Usable(from) || !Usable(to) || !MoveEntry(from.Folder(), from.Leaf(), to.Folder(), to.Leaf()))
    RaiseError(e, msg::kRenameFailed, {oldName});
}

// A file standing where a moved file goes is replaced, as a move without
// questions replaces it, and kept in the trash: false, nothing done, when it
// is a folder or cannot go to the trash. Left in place, a daily "move the
// processed file to done/" kept the file and processed it again.
bool ClearFileForMove(CheckedTarget& to) {
  struct stat st;
  if (::fstatat(to.Folder(), to.Leaf().c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return true;
  if (S_ISDIR(st.st_mode)) return false;
  TrashFailure why = TrashFailure::System;
  return TrashEntry(to.Folder(), to.Leaf(), to.Path(), std::time(nullptr), why);
}

// ファイル移動: source, destination. A file at the destination is replaced
// (the old one goes to the trash); a folder there is never replaced.
void CmdMoveFile(TNokaBase& e) {
  std::string dest = TrimName(PopArgValue(e));
  std::string source = TrimName(ResolveLocal(e, PopArgValue(e)));
  if (source.empty() || dest.empty()) return;
  auto sourceNames = ExpandTargets(source);
  if (sourceNames.empty()) return;
  auto sources = TargetsOf(sourceNames, false);
  auto targets = TargetsOf(Destinations(sourceNames, dest), false);
  if (Refused(e, msg::kAskMove, {source, dest}, Pointers(sources, &targets), HasWildcard(source))) return;
  for (size_t i = 0; i < sources.size(); ++i) {
    CheckedTarget &from = sources[i], &to = targets[i];
    if (!Usable(from) || !to.IsOpen() || !to.MakeFolders(false)) continue;
    struct stat st;
    if (::fstatat(from.Folder(), from.Leaf().c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISDIR(st.st_mode) && !ClearFileForMove(to)) continue;
    MoveEntry(from.Folder(), from.Leaf(), to.Folder(), to.Leaf());
  }
}

// ショートカット作成: target, link. The shortcut is a symbolic link to the
// target's absolute path, named with ".lnk".
void CmdShortcut(TNokaBase& e) {
  std::string link = TrimName(PopArgValue(e));
  std::string target = ResolveLocal(e, TrimName(PopArgValue(e)));
  if (link.empty() || target.empty()) return;
  if (EndsWithSeparator(link)) link += FileNamePart(target);
  std::string tail = link.size() >= 4 ? link.substr(link.size() - 4) : link;
  for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  if (tail != ".lnk") link = ChangeExtension(link, ".lnk");
  CheckedTarget at = TargetOf(link, false);
  if (Refused(e, msg::kAskWrite, {link}, {&at})) return;
  std::string targetNative = AbsoluteNative(NativePath(target));
  if (!Usable(at) || ::symlinkat(targetNative.c_str(), at.Folder(), at.Leaf().c_str()) != 0)
    RaiseReadWrite(e, link);
}

// 作業フォルダ変更, 作業ディレクトリ変更.
void CmdChangeFolder(TNokaBase& e) { ChangeFolder(e, PopArgValue(e)); }

// 作業フォルダ (with a folder: change to it; without: the current folder)
// and 作業ディレクトリ (no argument).
void CmdWorkFolder(TNokaBase& e) {
  if (!FirstArgOmitted(e) && ArgCount(e) > 0) {
    ChangeFolder(e, PopArgValue(e));
    return;
  }
  if (FirstArgOmitted(e) && ArgCount(e) > 0) PopArgText(e);
  std::string cwd = FromNativeName(CurrentFolderNative());
  if (!EndsWithSeparator(cwd)) cwd += '/';
  SetSoreTyped(e, cwd, "s");
}

// フォルダ作成: with every missing folder above it.
void CmdMakeFolder(TNokaBase& e) {
  std::string name = TrimName(PopArgValue(e));
  if (name.empty()) RaiseCommandError(e, msg::kNeedArgument);
  CheckedTarget target = TargetOf(name);
  if (Refused(e, msg::kAskMakeFolder, {name}, {&target})) return;
  if (target.IsOpen() && !target.Leaf().empty()) target.MakeFolders(true);
}

// フォルダ削除: the folder and everything in it; links inside are removed,
// never followed.
void CmdRemoveFolder(TNokaBase& e) {
  std::string name = TrimName(PopArgValue(e));
  if (name.empty()) return;
  CheckedTarget target = TargetOf(name, false);
  if (Refused(e, msg::kAskDeleteFolder, {name}, {&target})) return;
  struct stat st;
  if (!Usable(target) || ::fstatat(target.Folder(), target.Leaf().c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
      !S_ISDIR(st.st_mode))
    return;
  RemoveEntry(target.Folder(), target.Leaf());
}

// ファイル属性変更: file, attribute number (anything else does nothing).
void CmdSetAttributes(TNokaBase& e) {
  std::string attrText = PopArgValue(e);
  std::string name = ResolveLocal(e, PopArgValue(e));
  int64_t attributes = IntDefault(attrText, INT64_MIN);
  if (attributes == INT64_MIN) return;
  CheckedTarget target = TargetOf(name);
  if (Refused(e, msg::kAskAttributes, {name}, {&target})) return;
  if (Usable(target)) SetEntryAttributes(target.Folder(), target.Leaf(), attributes);
}

}  // namespace nokari
