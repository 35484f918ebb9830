// 暗号化して保存, 暗号解除して読込, ファイル合成, 合成ファイル取り出す: the
// scrambled value files and merged files of lib/cipher.
#include "core/Errors.h"
#include "lib/cipher/Cipher.h"
#include "lib/cipher/FileMix.h"
#include "lib/cipher/Messages.h"
#include "lib/file/FileCommon.h"
#include "lib/file/FileOps.h"
#include "lib/file/Messages.h"
#include "words/Contract.h"
#include "words/Family.h"

namespace nokari {
namespace {

std::string Trimmed(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return {};
  size_t b = s.find_last_not_of(" \t\r\n");
  return s.substr(a, b - a + 1);
}

// Writes `content` to the script's file `name` after the policy agreed to
// `question`; false when refused.
bool SaveChecked(TNokaBase& e, const char* question, const std::string& name, const std::string& content) {
  CheckedTarget target = TargetOf(name);
  if (Refused(e, question, {name}, {&target})) return false;
  if (!Usable(target) || !WriteEntry(target.Folder(), target.Leaf(), content)) RaiseReadWrite(e, name);
  return true;
}

std::string ReadWhole(TNokaBase& e, const std::string& name) {
  std::string resolved = ResolveReadName(e, name);
  std::string content;
  if (resolved.empty() || !ReadWholeFile(NativePath(resolved), content)) RaiseReadWrite(e, name);
  return content;
}

// 暗号化して保存: value, file.
void CmdSaveScrambled(TNokaBase& e) {
  std::string name = PopArgValue(e);
  std::string value = PopArgValue(e);
  SaveChecked(e, msg::kAskSaveScrambled, name, cipher::EncodeValueFile(value));
}

// 暗号解除して読込: variable (それ when omitted), file.
void CmdLoadScrambled(TNokaBase& e) {
  std::string name = PopArgValue(e);
  THashNode* target = PopArgWord(e, true);
  RequireWritable(e, target);
  std::string value;
  // A length beyond the data is a damaged file: an error, never part of a
  // value.
  if (!cipher::DecodeValueFile(ReadWhole(e, name), value)) RaiseReadWrite(e, name);
  target->SetValue(std::move(value), "s");
}

// The entry lines of ファイル合成: "path=name=flag", "," standing for "=";
// a list without any "=" names each file by its own name, plain.
std::vector<std::string> EntryLines(std::string list) {
  for (char& c : list)
    if (c == ',') c = '=';
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find('\n', start);
    std::string line = Trimmed(list.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (!line.empty()) lines.push_back(line);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  bool named = false;
  for (const std::string& line : lines) named = named || line.find('=') != std::string::npos;
  if (!named)
    for (std::string& line : lines) line += "=" + FileNamePart(line) + "=0";
  return lines;
}

// ファイル合成: list of files, merged file. Built whole in memory and
// written in one go: a failure leaves the old file as it was.
void CmdMergeFiles(TNokaBase& e) {
  std::string target = Trimmed(PopArgValue(e));
  std::string list = Trimmed(PopArgValue(e));
  std::vector<cipher::MixInput> inputs;
  for (const std::string& line : EntryLines(list)) {
    size_t first = line.find('=');
    std::string path = line.substr(0, first);
    std::string rest = first == std::string::npos ? std::string() : line.substr(first + 1);
    size_t second = rest.find('=');
    cipher::MixInput in;
    in.Name = rest.substr(0, second);
    std::string flag = second == std::string::npos ? std::string() : Trimmed(rest.substr(second + 1));
    in.Flag = flag == "1" ? 1 : 0;
    in.Data = ReadWhole(e, path);
    inputs.push_back(std::move(in));
  }
  std::string merged;
  if (!cipher::BuildMix(std::move(inputs), merged)) RaiseReadWrite(e, target);
  SaveChecked(e, msg::kAskSaveMix, target, merged);
}

// 合成ファイル取り出す: merged file, entry name → それ, up to the first
// zero byte.
void CmdTakeFromMerged(TNokaBase& e) {
  std::string entry = PopArgValue(e);
  std::string name = PopArgValue(e);
  std::string resolved = ResolveReadName(e, name);
  cipher::FileMixReader reader;
  switch (reader.Open(NativePath(resolved))) {
    case cipher::FileMixReader::OpenResult::Ok: break;
    case cipher::FileMixReader::OpenResult::CannotRead: RaiseReadWrite(e, name);
    default: RaiseError(e, msg::kNotAFileMix, {name});
  }
  std::string data;
  if (!reader.Read(entry, data)) RaiseError(e, msg::kFileMissing, {entry});
  size_t nul = data.find('\0');
  if (nul != std::string::npos) data.resize(nul);
  SetSoreTyped(e, data, "s");
}

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::暗号化して保存, CmdSaveScrambled},
    {Id::暗号解除して読込, CmdLoadScrambled},
    {Id::ファイル合成, CmdMergeFiles},
    {Id::合成ファイル取り出す, CmdTakeFromMerged},
};

constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/cipher/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kCipherFamily{"cipher", kCommands, kMessages};

}  // namespace nokari
