// Whole files, the clipboard, the family's shared helpers and its
// registration table.
#include <cerrno>

#include "core/Errors.h"
#include "host/Security.h"
#include "lib/file/FileCommon.h"
#include "lib/file/FileOps.h"
#include "lib/path/Path.h"
#include "words/Registry.h"
#include "lib/file/Messages.h"
#include "words/Family.h"

namespace nokari {

void RaiseReadWrite(TNokaBase& e, const std::string& name) { RaiseError(e, msg::kReadWriteFailed, {name}); }

bool Refused(TNokaBase& e, const char* questionMsg, std::initializer_list<std::string_view> args,
             const std::vector<std::string>& paths) {
  return CheckChange(e, FormatMessage(Sj(questionMsg), args), paths);
}

bool Refused(TNokaBase& e, const char* questionMsg, std::initializer_list<std::string_view> args,
             const std::vector<CheckedTarget*>& targets, bool wildcard) {
  return CheckChange(e, FormatMessage(Sj(questionMsg), args), targets, wildcard);
}

CheckedTarget TargetOf(const std::string& name, bool followLast) {
  return CheckedTarget(name, NativePath(name), followLast);
}

std::string ResolveLocal(TNokaBase& e, std::string_view name) {
  return ResolveReadName(name, SearchFoldersOf(e));
}

std::string StripLiteral(std::string raw) {
  if (raw.size() >= 2 && raw.front() == '`' && raw.back() == '`') return raw.substr(1, raw.size() - 2);
  return raw;
}

bool TopArgIsClipboard(TNokaBase& e) {
  size_t n = e.ArgStack.Count();
  return n > 0 && e.ArgStack.Peek(n - 1) == Sj(msg::kClipboardWord);
}

void RequireWritable(TNokaBase& e, THashNode* word) {
  if (word->Reserved || word->Kind != kVariable) RaiseError(e, msg::kReadOnly, {word->Name});
}

std::vector<FileTarget> ExpandTargets(std::string_view name) {
  std::string file = FileNamePart(name);
  if (!HasWildcard(file)) return {{std::string(name), NativePath(name)}};
  std::string folder = FolderPart(name);
  std::string nativeFolder = folder.empty() ? std::string() : NativePath(folder);
  std::vector<FileTarget> out;
  for (const auto& entry : ListFolder(nativeFolder)) {
    if (!FileNameMatch(file, entry.Name)) continue;
    std::string native = nativeFolder.empty() ? entry.Native
                         : nativeFolder.back() == '/' ? nativeFolder + entry.Native
                                                       : nativeFolder + "/" + entry.Native;
    out.push_back({folder + entry.Name, native});
  }
  return out;
}

// 読む, 開く: variable, file.
void ReadFileCmd(TNokaBase& e) {
  bool clipboard = TopArgIsClipboard(e);
  std::string name = clipboard ? PopArgText(e) : PopArgValue(e);
  THashNode* target = PopArgWord(e, true);
  if (target->Kind == kObject) RaiseError(e, msg::kCannotAssignTo, {target->Name});
  RequireWritable(e, target);
  std::string content;
  if (clipboard) {
    content = e.Services.Clipboard->ClipboardText();
  } else {
    std::string resolved = ResolveReadName(e, name);
    if (resolved.empty() || !ReadWholeFile(NativePath(resolved), content)) RaiseReadWrite(e, name);
    WarnUtf8File(e, name, content);
  }
  target->SetValue(std::move(content), "s");
}

// 書く, 保存: value, file.
void WriteFileCmd(TNokaBase& e) {
  bool clipboard = TopArgIsClipboard(e);
  std::string name = clipboard ? PopArgText(e) : PopArgValue(e);
  std::string value = PopArgValue(e);
  if (clipboard) {
    e.Services.Clipboard->SetClipboardText(value);
    return;
  }
  CheckedTarget target = TargetOf(name);
  if (Refused(e, msg::kAskWrite, {name}, {&target})) return;
  if (!Usable(target) || !WriteEntry(target.Folder(), target.Leaf(), value)) RaiseReadWrite(e, name);
}

// 追加保存: value, file (which must exist).
void AppendFileCmd(TNokaBase& e) {
  bool clipboard = TopArgIsClipboard(e);
  std::string name = clipboard ? PopArgText(e) : PopArgValue(e);
  std::string value = PopArgValue(e);
  if (clipboard) {
    e.Services.Clipboard->SetClipboardText(e.Services.Clipboard->ClipboardText() + value);
    return;
  }
  std::string resolved = ResolveLocal(e, name);
  CheckedTarget target = TargetOf(resolved);
  if (Refused(e, msg::kAskAppend, {resolved}, {&target})) return;
  if (resolved.empty() || AttributesOf(target.Native()) < 0) RaiseError(e, msg::kFileMissing, {resolved});
  if (!Usable(target) || !AppendEntry(target.Folder(), target.Leaf(), value, false)) RaiseReadWrite(e, resolved);
}

// コピー: text to the clipboard.
void CopyToClipboardCmd(TNokaBase& e) {
  std::string value = PopArgValue(e);
  e.Services.Clipboard->SetClipboardText(value);
}

// クリップボード取得.
void ClipboardTextCmd(TNokaBase& e) { SetSoreTyped(e, e.Services.Clipboard->ClipboardText(), "s"); }

namespace {

constexpr CommandImpl kCommands[] = {
    // whole files and the clipboard
    {37, ReadFileCmd}, {38, WriteFileCmd}, {297, AppendFileCmd},
    {429, CopyToClipboardCmd}, {430, ClipboardTextCmd},
    // handles
    {331, OpenHandleCmd}, {422, OpenHandleExCmd}, {332, HandleReadLineCmd},
    {333, HandleWriteLineCmd}, {334, CloseHandleCmd}, {335, HandleAtEndCmd},
    {336, HandleToStartCmd}, {337, HandleToEndCmd}, {419, HandleSeekCmd},
    {420, HandleWriteBytesCmd}, {421, HandleReadBytesCmd},
    // changes
    {58, CopyFileCmd}, {59, DeleteFileCmd}, {385, EraseFileCmd}, {60, RenameFileCmd},
    {61, MoveFileCmd}, {66, ShortcutCmd}, {62, ChangeFolderCmd}, {89, WorkFolderCmd},
    {63, MakeFolderCmd}, {64, RemoveFolderCmd}, {65, SetAttributesCmd},
    // queries and names
    {382, GetAttributesCmd}, {185, FileTimeCmd}, {186, FileSizeCmd},
    {67, ListFilesCmd}, {168, ListFoldersCmd}, {268, ListAllFilesCmd}, {446, ListAllFoldersCmd},
    {68, IsFolderCmd}, {69, IsFileCmd}, {81, ExistsCmd}, {353, DriveKindCmd},
    {383, ShortNameCmd}, {384, LongNameCmd}, {170, PathPartCmd}, {176, ExtensionPartCmd},
    {269, FileNamePartCmd}, {314, ChangeExtensionCmd},
};

constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/file/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kFileFamily{"file", kCommands, kMessages};

}  // namespace nokari
