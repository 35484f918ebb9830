// Whole files, the clipboard, the family's shared helpers and its
// registration table.
#include <cerrno>
#include <cstdio>

#include "core/Encoding.h"
#include "core/Errors.h"
#include "lib/file/FileCommon.h"
#include "lib/file/FileOps.h"
#include "lib/path/Path.h"
#include "lib/file/Messages.h"
#include "words/Contract.h"
#include "words/Family.h"

namespace nokari {

void RaiseReadWrite(TNokaBase& e, const std::string& name) { RaiseError(e, msg::kReadWriteFailed, {name}); }

bool Refused(TNokaBase& e, const char* questionMsg, std::initializer_list<std::string_view> args,
             const std::vector<std::string>& paths) {
  return ChangeGuardOf(e.Services).RefusesChange(e, FormatMessage(Sj(questionMsg), args), paths);
}

bool Refused(TNokaBase& e, const char* questionMsg, std::initializer_list<std::string_view> args,
             const std::vector<CheckedTarget*>& targets, bool wildcard) {
  return ChangeGuardOf(e.Services).RefusesChange(e, FormatMessage(Sj(questionMsg), args), targets, wildcard);
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
  return ArgCount(e) > 0 && PeekArgText(e) == Sj(msg::kClipboardWord);
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
void CmdReadFile(TNokaBase& e) {
  bool clipboard = TopArgIsClipboard(e);
  std::string name = clipboard ? PopArgText(e) : PopArgValue(e);
  THashNode* target = PopArgWord(e, true);
  bool toObject = target->Kind == kObject;
  if (toObject && !e.ObjectModel) RaiseError(e, msg::kCannotAssignTo, {target->Name});
  if (!toObject) RequireWritable(e, target);
  std::string content;
  if (clipboard) {
    content = e.Services.Clipboard->ClipboardText();
  } else {
    std::string resolved = ResolveReadName(e, name);
    if (resolved.empty() || !ReadWholeFile(NativePath(resolved), content)) RaiseReadWrite(e, name);
    WarnUtf8File(e, name, content);
  }
  // A part takes the content as its value (an エディタ its text...).
  if (toObject)
    e.ObjectModel->AssignObject(e, *target, content);
  else
    target->SetValue(std::move(content), "s");
}

std::string TextToWrite(TNokaBase& e, std::string value, std::string_view name) {
  if (e.DebugMode && IsShiftJisText(value)) {
    const std::string lost = FirstStandIn(value);
    if (!lost.empty() && lost != "\xC2\xA5" && lost != "\xE2\x80\xBE" && FirstDebugWarning(e))
      Warn(e, msg::kNoShiftJisForm, {name, FromUtf8(lost)});
  }
  return ShiftJisFileForm(std::move(value));
}

// 書く, 保存: value, file.
void CmdWriteFile(TNokaBase& e) {
  bool clipboard = TopArgIsClipboard(e);
  std::string name = clipboard ? PopArgText(e) : PopArgValue(e);
  std::string value = PopArgValue(e);
  if (clipboard) {
    e.Services.Clipboard->SetClipboardText(value);
    return;
  }
  CheckedTarget target = TargetOf(name);
  if (Refused(e, msg::kAskWrite, {name}, {&target})) return;
  if (!Usable(target) || !WriteEntry(target.Folder(), target.Leaf(), TextToWrite(e, std::move(value), name)))
    RaiseReadWrite(e, name);
}

// The first bytes of a file, or "" when it cannot be read.
std::string FileHead(const std::string& native, size_t bytes) {
  std::string head(bytes, '\0');
  std::FILE* f = std::fopen(native.c_str(), "rb");
  if (!f) return {};
  head.resize(std::fread(head.data(), 1, bytes, f));
  std::fclose(f);
  return head;
}

// 追加保存: value, file (which must exist).
void CmdAppendFile(TNokaBase& e) {
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
  if (e.DebugMode) WarnAppendToUtf8File(e, name, FileHead(target.Native(), 4096), value);
  if (!Usable(target) || !AppendEntry(target.Folder(), target.Leaf(), TextToWrite(e, std::move(value), resolved), false))
    RaiseReadWrite(e, resolved);
}

// コピー: text to the clipboard.
void CmdCopyToClipboard(TNokaBase& e) {
  std::string value = PopArgValue(e);
  e.Services.Clipboard->SetClipboardText(value);
}

// クリップボード取得.
void CmdClipboardText(TNokaBase& e) { SetSoreTyped(e, e.Services.Clipboard->ClipboardText(), "s"); }

namespace {

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::読む, CmdReadFile},
    {Id::書く, CmdWriteFile},
    {Id::追加保存, CmdAppendFile},
    {Id::コピー, CmdCopyToClipboard},
    {Id::クリップボード取得, CmdClipboardText},
    {Id::ハンドルを開く, CmdOpenHandle},
    {Id::ハンドルを詳しく開く, CmdOpenHandleEx},
    {Id::ハンドルを一行読む, CmdHandleReadLine},
    {Id::ハンドルへ一行書く, CmdHandleWriteLine},
    {Id::ハンドルを閉じる, CmdCloseHandle},
    {Id::ハンドル最後か, CmdHandleAtEnd},
    {Id::ハンドルを先頭に移動, CmdHandleToStart},
    {Id::ハンドルを最後に移動, CmdHandleToEnd},
    {Id::ハンドルを移動, CmdHandleSeek},
    {Id::ハンドルにバイナリを書く, CmdHandleWriteBytes},
    {Id::ハンドルにバイナリを読む, CmdHandleReadBytes},
    {Id::ファイルコピー, CmdCopyFile},
    {Id::ファイル削除, CmdDeleteFile},
    {Id::ファイル完全削除, CmdEraseFile},
    {Id::ファイル名変更, CmdRenameFile},
    {Id::ファイル移動, CmdMoveFile},
    {Id::ショートカット作成, CmdShortcut},
    {Id::作業フォルダ変更, CmdChangeFolder},
    {Id::作業フォルダ, CmdWorkFolder},
    {Id::フォルダ作成, CmdMakeFolder},
    {Id::フォルダ削除, CmdRemoveFolder},
    {Id::ファイル属性変更, CmdSetAttributes},
    {Id::ファイル属性取得, CmdGetAttributes},
    {Id::ファイル日時, CmdFileTime},
    {Id::ファイルサイズ, CmdFileSize},
    {Id::ファイル列挙, CmdListFiles},
    {Id::フォルダ列挙, CmdListFolders},
    {Id::全ファイル列挙, CmdListAllFiles},
    {Id::全フォルダ列挙, CmdListAllFolders},
    {Id::フォルダか, CmdIsFolder},
    {Id::ファイルか, CmdIsFile},
    {Id::存在するか, CmdExists},
    {Id::ドライブ種類判定, CmdDriveKind},
    {Id::短いファイル名取得, CmdShortName},
    {Id::長いファイル名取得, CmdLongName},
    {Id::パスを切り出す, CmdPathPart},
    {Id::拡張子を切り出す, CmdExtensionPart},
    {Id::ファイル名を切り出す, CmdFileNamePart},
    {Id::拡張子変更, CmdChangeExtension},
};

constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/file/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kFileFamily{"file", kCommands, kMessages};

}  // namespace nokari
