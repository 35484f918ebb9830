// Shared helpers of the file command family (lib/file/*.cpp).
#pragma once
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "lib/path/Path.h"
#include "words/Contract.h"

namespace nokari {

// "ファイル"%s"の、読み込みか書き込みに、失敗しました。"
[[noreturn]] void RaiseReadWrite(TNokaBase& e, const std::string& name);
// Asks the engine's change guard (the security policy) with a question
// from the message table; true when the change is refused.
bool Refused(TNokaBase& e, const char* questionMsg, std::initializer_list<std::string_view> args,
             const std::vector<std::string>& paths);
// The same for resolved targets: when allowed, they come back opened (see
// IChangeGuard). `wildcard`: the script named them by a pattern.
bool Refused(TNokaBase& e, const char* questionMsg, std::initializer_list<std::string_view> args,
             const std::vector<CheckedTarget*>& targets, bool wildcard = false);
// The target of a change to the script name `name` (CP932); `followLast`
// as in ResolveForChange.
CheckedTarget TargetOf(const std::string& name, bool followLast = true);
// True when the target is open and every folder above its entry exists.
inline bool Usable(const CheckedTarget& t) { return t.IsOpen() && t.ParentExists() && !t.Leaf().empty(); }
// A name resolved for reading without the packed-file lookup (for commands
// that change or inspect the file rather than read it).
std::string ResolveLocal(TNokaBase& e, std::string_view name);
// The bytes a text command writes to the file `name`: ShiftJisFileForm
// (core/Encoding.h); -debug says when a character becomes 〓.
std::string TextToWrite(TNokaBase& e, std::string value, std::string_view name);
// A raw argument text with the backquotes of a string literal removed.
std::string StripLiteral(std::string raw);
// True when the raw text of the top argument is the word クリップボード.
bool TopArgIsClipboard(TNokaBase& e);
// Words that commands may store into: raises "読取専用" for reserved words
// and anything that is not a variable.
void RequireWritable(TNokaBase& e, THashNode* word);

// A file name with a wildcard in its last part expanded (sorted); a name
// without one is returned as is.
struct FileTarget {
  std::string Name;    // CP932, as scripts see it
  std::string Native;  // path for the system
};
std::vector<FileTarget> ExpandTargets(std::string_view name);

// Whole files and the clipboard (FileCommands.cpp).
void CmdReadFile(TNokaBase& e);
void CmdWriteFile(TNokaBase& e);
void CmdAppendFile(TNokaBase& e);
void CmdCopyToClipboard(TNokaBase& e);
void CmdClipboardText(TNokaBase& e);

// Handles (HandleCommands.cpp).
void CmdOpenHandle(TNokaBase& e);
void CmdOpenHandleEx(TNokaBase& e);
void CmdHandleReadLine(TNokaBase& e);
void CmdHandleWriteLine(TNokaBase& e);
void CmdCloseHandle(TNokaBase& e);
void CmdHandleAtEnd(TNokaBase& e);
void CmdHandleToStart(TNokaBase& e);
void CmdHandleToEnd(TNokaBase& e);
void CmdHandleSeek(TNokaBase& e);
void CmdHandleWriteBytes(TNokaBase& e);
void CmdHandleReadBytes(TNokaBase& e);

// Changes to files and folders (FolderCommands.cpp).
void CmdCopyFile(TNokaBase& e);
void CmdDeleteFile(TNokaBase& e);
void CmdEraseFile(TNokaBase& e);
void CmdRenameFile(TNokaBase& e);
void CmdMoveFile(TNokaBase& e);
void CmdShortcut(TNokaBase& e);
void CmdChangeFolder(TNokaBase& e);
void CmdWorkFolder(TNokaBase& e);
void CmdMakeFolder(TNokaBase& e);
void CmdRemoveFolder(TNokaBase& e);
void CmdSetAttributes(TNokaBase& e);

// Queries and names (FileQueries.cpp).
void CmdGetAttributes(TNokaBase& e);
void CmdFileTime(TNokaBase& e);
void CmdFileSize(TNokaBase& e);
void CmdListFiles(TNokaBase& e);
void CmdListFolders(TNokaBase& e);
void CmdListAllFiles(TNokaBase& e);
void CmdListAllFolders(TNokaBase& e);
void CmdIsFolder(TNokaBase& e);
void CmdIsFile(TNokaBase& e);
void CmdExists(TNokaBase& e);
void CmdDriveKind(TNokaBase& e);
void CmdShortName(TNokaBase& e);
void CmdLongName(TNokaBase& e);
void CmdPathPart(TNokaBase& e);
void CmdExtensionPart(TNokaBase& e);
void CmdFileNamePart(TNokaBase& e);
void CmdChangeExtension(TNokaBase& e);

// Listing with the enumeration rules: patterns split at ";", a trailing
// separator lists everything. Pure functions over the file system.
std::string ListNames(std::string_view patterns, bool folders);
std::string ListTree(std::string_view patterns, bool folders);

}  // namespace nokari
