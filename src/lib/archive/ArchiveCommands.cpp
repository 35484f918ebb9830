// 圧縮, 解凍, 自己解凍書庫作成: archives through lib/archive/Archive.h. The
// option variables are read as LHA-style switches; of them only x
// (folder names kept on extraction) and r (folders stored with their
// contents) change anything.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/Errors.h"
#include "lib/archive/Archive.h"
#include "lib/archive/Messages.h"
#include "lib/file/FileCommon.h"
#include "lib/path/Path.h"
#include "words/Contract.h"
#include "words/Family.h"

namespace nokari {
namespace {

// The non-empty trimmed lines of a file list.
std::vector<std::string> ListLines(const std::string& list) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find('\n', start);
    std::string line = TrimName(list.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (!line.empty()) lines.push_back(std::move(line));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

// The text of a failure, to follow the command's own message.
std::string Reason(const archive::Result& r) {
  using archive::Error;
  std::string detail = FromNativeName(r.Detail);
  switch (r.Code) {
    case Error::CannotRead: return FormatMessage(Sj(msg::kReasonCannotRead), {detail});
    case Error::CannotWrite: return FormatMessage(Sj(msg::kReasonCannotWrite), {detail});
    case Error::Damaged: return FormatMessage(Sj(msg::kReasonDamaged), {detail});
    case Error::TooLarge:
      return FormatMessage(Sj(msg::kReasonTooLarge), {std::to_string(archive::Limits().MaxBytes)});
    case Error::TooManyEntries:
      return FormatMessage(Sj(msg::kReasonTooManyEntries), {std::to_string(archive::Limits().MaxEntries)});
    case Error::TooBigForLha: return FormatMessage(Sj(msg::kReasonTooBigForLha), {detail});
    case Error::NothingToStore: return Sj(msg::kReasonNothingToStore);
    case Error::Unrecognized: return Sj(msg::kUnknownArchiveFormat);
    case Error::None: break;
  }
  return {};
}

std::string SystemReason() { return FromNativeName(std::strerror(errno)); }

// What the failure message shows as the command line: the operation, the
// archive and the listed names, cut short for long lists.
std::string CommandLine(const char* op, const std::string& archiveName, const std::vector<std::string>& lines) {
  std::string out = std::string(op) + " \"" + archiveName + "\"";
  for (const std::string& line : lines) {
    if (out.size() > 200) {
      out += " ...";
      break;
    }
    out += " \"" + line + "\"";
  }
  return out;
}

// The listed files (wildcards expanded) with the names they get in the
// archive: relative to the folder they all share.
std::vector<archive::Source> SourcesOf(const std::vector<std::string>& lines) {
  std::vector<FileTarget> found;
  for (const std::string& line : lines)
    for (FileTarget& t : ExpandTargets(line)) found.push_back(std::move(t));
  std::vector<std::string> names;
  for (const FileTarget& t : found) names.push_back(t.Name);
  std::string base = archive::CommonFolder(names);
  std::vector<archive::Source> sources;
  for (const FileTarget& t : found) sources.push_back({t.Native, archive::StoredName(t.Name, base)});
  return sources;
}

// The archive's kind, or the error of a name that cannot be written.
archive::Kind WritableKind(TNokaBase& e, const std::string& name) {
  archive::Kind kind = archive::KindForName(name);
  if (kind == archive::Kind::Unknown) RaiseError(e, msg::kUnknownArchiveFormat);
  if (kind == archive::Kind::ReadOnly) RaiseError(e, msg::kCannotCreateFormat);
  return kind;
}

// 圧縮: file list, archive. A name without an extension is an LHA archive.
void CmdCompress(TNokaBase& e) {
  std::string archiveName = TrimName(PopArgValue(e));
  std::vector<std::string> lines = ListLines(PopArgValue(e));
  if (ExtensionPart(archiveName).empty()) archiveName += ".lzh";
  archive::Kind kind = WritableKind(e, archiveName);
  std::string optionText = VarValue(e, "圧縮オプション");
  archive::Options options = archive::ParseOptions(optionText);
  CheckedTarget target = TargetOf(archiveName);
  if (Refused(e, msg::kAskCompress, {archiveName}, {&target})) return;
  auto fail = [&](const std::string& reason) {
    RaiseError(e, msg::kCompressFailed, {CommandLine("a", archiveName, lines), optionText, reason});
  };
  std::vector<archive::Entry> entries;
  archive::Result r = archive::CollectEntries(SourcesOf(lines), options.Recurses(), entries);
  if (!r.Ok()) fail(Reason(r));
  if (!Usable(target)) fail(SystemReason());
  archive::TempFile temp(target.Folder(), target.Leaf(), 0666);
  if (temp.Fd() < 0) fail(SystemReason());
  r = archive::WriteArchive(kind, entries, temp.Fd());
  if (!r.Ok()) fail(Reason(r));
  if (!temp.Commit()) fail(SystemReason());
}

// 解凍: archive, destination folder (made when missing).
void CmdExtract(TNokaBase& e) {
  std::string dest = TrimName(PopArgValue(e));
  std::string name = TrimName(PopArgValue(e));
  // A name without an extension is an LHA archive, unless the file exists
  // as named (a self-extractor is usually named so).
  if (ExtensionPart(name).empty() && access(NativePath(ResolveReadName(e, name)).c_str(), F_OK) != 0)
    name += ".lzh";
  if (dest.empty()) dest = FromNativeName(CurrentFolderNative());
  std::string optionText = VarValue(e, "解凍オプション");
  archive::ExtractSettings settings;
  settings.Flatten = archive::ParseOptions(optionText).FlattensPaths();
  std::string source = NativePath(ResolveReadName(e, name));
  CheckedTarget target = TargetOf(dest);
  if (Refused(e, msg::kAskExtract, {dest}, {&target})) return;
  auto fail = [&](const std::string& reason) {
    RaiseError(e, msg::kExtractFailed, {dest, name, optionText, reason});
  };
  if (!target.IsOpen() || target.Leaf().empty() || !target.MakeFolders(true)) fail(SystemReason());
  UniqueFd folder(openat(target.Folder(), target.Leaf().c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (folder.Get() < 0) fail(SystemReason());
  archive::Result r = archive::Extract(source, folder.Get(), settings);
  if (r.Code == archive::Error::Unrecognized) RaiseError(e, msg::kUnknownArchiveFormat);
  if (!r.Ok()) fail(Reason(r));
}

// 自己解凍書庫作成: file list or an LHA archive, program. The program is a
// POSIX sh script followed by a tar.gz of the files.
void CmdMakeSelfExtractor(TNokaBase& e) {
  std::string program = TrimName(PopArgValue(e));
  std::vector<std::string> lines = ListLines(PopArgValue(e));
  std::string optionText = VarValue(e, "圧縮オプション");
  CheckedTarget target = TargetOf(program);
  if (Refused(e, msg::kAskSelfExtractor, {program}, {&target})) return;
  auto fail = [&](const std::string& reason) {
    RaiseError(e, msg::kCompressFailed, {CommandLine("s", program, lines), optionText, reason});
  };
  bool fromArchive = lines.size() == 1 && Upper(ExtensionPart(lines[0])) == ".LZH";
  std::vector<archive::Entry> entries;
  if (!fromArchive) {
    archive::Result r =
        archive::CollectEntries(SourcesOf(lines), archive::ParseOptions(optionText).Recurses(), entries);
    if (!r.Ok()) fail(Reason(r));
  }
  if (!Usable(target)) fail(SystemReason());
  archive::TempFile temp(target.Folder(), target.Leaf(), 0755);
  if (temp.Fd() < 0 || fchmod(temp.Fd(), 0755) != 0) fail(SystemReason());
  archive::Result r = fromArchive ? archive::ConvertToSelfExtractor(NativePath(ResolveReadName(e, lines[0])),
                                                                    temp.Fd(), archive::Limits())
                                  : archive::WriteSelfExtractor(entries, temp.Fd());
  if (r.Code == archive::Error::Unrecognized) RaiseError(e, msg::kUnknownArchiveFormat);
  if (!r.Ok()) fail(Reason(r));
  if (!temp.Commit()) fail(SystemReason());
}

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::圧縮, CmdCompress},
    {Id::解凍, CmdExtract},
    {Id::自己解凍書庫作成, CmdMakeSelfExtractor},
};

constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/archive/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kArchiveFamily{"archive", kCommands, kMessages};

}  // namespace nokari
