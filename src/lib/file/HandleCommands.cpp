// File handles: a variable holding "\FILE_HANDLE" whose stream lives in the
// engine's handle list. The list entry remembers its variable, so a copied
// marker text never reaches another variable's stream.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "core/Errors.h"
#include "lib/file/FileCommon.h"
#include "lib/file/TextFileStream.h"
#include "lib/path/Path.h"
#include "lib/file/Messages.h"

namespace nokari {
namespace {

// Largest byte count read into a variable at once.
constexpr int64_t kMaxBinaryRead = int64_t(1) << 30;

struct HandleEntry {
  std::unique_ptr<TTextFileStream> Stream;
  std::weak_ptr<THashNode> Owner;
};

struct HandleState {
  std::vector<HandleEntry> Handles;  // indexes are never reused
};

HandleEntry* EntryOf(TNokaBase& e, THashNode* word) {
  if (!word || word->Value != Sj(msg::kHandleMarker)) return nullptr;
  for (auto& entry : FamilyState<HandleState>(e).Handles)
    if (entry.Stream && entry.Owner.lock().get() == word) return &entry;
  return nullptr;
}

// Handles named by raw text that raise "ファイル"ハンドル:%s"が、ありません。".
TTextFileStream& StreamForLine(TNokaBase& e, const std::string& name) {
  HandleEntry* entry = EntryOf(e, FindWord(e, name));
  if (!entry) RaiseError(e, msg::kFileMissing, {Sj(msg::kHandlePrefix) + name});
  return *entry->Stream;
}

// Handles named by raw text where a missing name does nothing.
TTextFileStream* StreamOrNothing(TNokaBase& e, const std::string& name) {
  THashNode* word = FindWord(e, name);
  if (!word) return nullptr;
  HandleEntry* entry = EntryOf(e, word);
  if (!entry) RaiseError(e, msg::kVariableNotFound, {name});
  return entry->Stream.get();
}

TTextFileStream& StreamOfWord(TNokaBase& e, THashNode* word) {
  HandleEntry* entry = EntryOf(e, word);
  if (!entry) RaiseError(e, msg::kVariableNotFound, {word->Name});
  return *entry->Stream;
}

void OpenHandle(TNokaBase& e, const std::string& handleName, const std::string& file, int mode,
                bool createFirst) {
  WordRef word = FindWordRef(e, handleName);
  if (!word) {
    word = std::make_shared<THashNode>(handleName, "", e.RunStack.Count(), false);
    AddWord(e, word);
  }
  RequireWritable(e, word.get());
  CheckedTarget target = TargetOf(file);
  if (Refused(e, msg::kAskHandle, {file}, {&target})) return;
  auto stream = Usable(target) ? TTextFileStream::OpenAt(target.Folder(), target.Leaf(), mode, createFirst) : nullptr;
  if (!stream) RaiseReadWrite(e, file);
  if (HandleEntry* old = EntryOf(e, word.get())) old->Stream.reset();
  FamilyState<HandleState>(e).Handles.push_back({std::move(stream), word});
  word->SetValue(Sj(msg::kHandleMarker));
}

}  // namespace

// ハンドルを開く: handle variable, file (read and write; created when missing).
void CmdOpenHandle(TNokaBase& e) {
  std::string file = PopArgValue(e);
  std::string handle = PopArgValue(e);
  OpenHandle(e, handle, file, 2, true);
}

// ハンドルを詳しく開く: handle variable, file, mode.
void CmdOpenHandleEx(TNokaBase& e) {
  int mode = static_cast<int>(ToInt32(PopArgNumber(e)));
  std::string file = PopArgValue(e);
  std::string handle = PopArgValue(e);
  OpenHandle(e, handle, file, mode, false);
}

// ハンドルを一行読む: variable, handle.
void CmdHandleReadLine(TNokaBase& e) {
  std::string handle = StripLiteral(PopArgText(e));
  THashNode* target = PopArgWord(e, true);
  RequireWritable(e, target);
  TTextFileStream& stream = StreamForLine(e, handle);
  std::string line;
  if (!stream.ReadLine(line)) RaiseReadWrite(e, Sj(msg::kHandlePrefix) + handle);
  target->SetValue(std::move(line), "s");
}

// ハンドルへ一行書く: value, handle. Refused outright at the high level.
void CmdHandleWriteLine(TNokaBase& e) {
  std::string handle = StripLiteral(PopArgText(e));
  std::string value = PopArgValue(e);
  if (e.SecurityLevel >= 2) return;
  TTextFileStream& stream = StreamForLine(e, handle);
  if (!stream.WriteLine(TextToWrite(e, std::move(value), handle))) RaiseReadWrite(e, Sj(msg::kHandlePrefix) + handle);
}

// ハンドルを閉じる: the variable goes away with its stream.
void CmdCloseHandle(TNokaBase& e) {
  std::string name = StripLiteral(PopArgText(e));
  THashNode* word = FindWord(e, name);
  if (!word) return;
  HandleEntry* entry = EntryOf(e, word);
  if (!entry) RaiseError(e, msg::kVariableNotFound, {name});
  bool closed = entry->Stream->Close();
  entry->Stream.reset();
  entry->Owner.reset();
  word->SetValue("");
  RemoveWord(e, name);
  if (!closed) RaiseReadWrite(e, Sj(msg::kHandlePrefix) + name);
}

// ハンドル最後か.
void CmdHandleAtEnd(TNokaBase& e) {
  TTextFileStream* stream = StreamOrNothing(e, StripLiteral(PopArgText(e)));
  if (stream) SetSoreTyped(e, stream->AtEnd() ? "1" : "0", "e");
}

void CmdHandleToStart(TNokaBase& e) {
  if (TTextFileStream* stream = StreamOrNothing(e, StripLiteral(PopArgText(e)))) stream->Seek(0, SEEK_SET);
}

void CmdHandleToEnd(TNokaBase& e) {
  if (TTextFileStream* stream = StreamOrNothing(e, StripLiteral(PopArgText(e)))) stream->Seek(0, SEEK_END);
}

// ハンドルを移動: handle, byte offset from the start.
void CmdHandleSeek(TNokaBase& e) {
  int64_t pos = ToInt64(PopArgNumber(e));
  THashNode* word = PopArgWord(e, false);
  TTextFileStream& stream = StreamOfWord(e, word);
  if (pos < 0 || !stream.Seek(pos, SEEK_SET)) RaiseReadWrite(e, Sj(msg::kHandlePrefix) + word->Name);
}

// ハンドルにバイナリを書く: value, handle, count. A short value is padded
// with zero bytes up to the count.
void CmdHandleWriteBytes(TNokaBase& e) {
  int64_t count = ToInt64(PopArgNumber(e));
  THashNode* word = PopArgWord(e, false);
  std::string value = PopArgValue(e);
  TTextFileStream& stream = StreamOfWord(e, word);
  if (count <= 0) return;
  size_t head = static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(value.size())));
  if (!stream.WriteBytes(value.data(), head, count - static_cast<int64_t>(head)))
    RaiseReadWrite(e, Sj(msg::kHandlePrefix) + word->Name);
}

// ハンドルにバイナリを読む: variable, handle, count. Bytes past the end of
// the file read as zeros.
void CmdHandleReadBytes(TNokaBase& e) {
  int64_t count = ToInt64(PopArgNumber(e));
  THashNode* word = PopArgWord(e, false);
  THashNode* target = PopArgWord(e, true);
  TTextFileStream& stream = StreamOfWord(e, word);
  RequireWritable(e, target);
  if (count < 1) return;
  if (count > kMaxBinaryRead) RaiseCommandError(e, msg::kArgError);
  std::string data(static_cast<size_t>(count), '\0');
  size_t got = 0;
  if (!stream.ReadBytes(data.data(), data.size(), got)) RaiseReadWrite(e, Sj(msg::kHandlePrefix) + word->Name);
  target->SetValue(std::move(data), "s");
}

}  // namespace nokari
