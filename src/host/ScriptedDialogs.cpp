#include "host/ScriptedDialogs.h"

#include <cstdlib>
#include <fstream>

#include "core/Encoding.h"
#include "lib/dialog/DialogText.h"

namespace nokari {
namespace {

// A transcript field on one line.
std::string Escaped(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size(); ++i) {
    char c = utf8[i];
    if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') continue;
    if (c == '\r' || c == '\n')
      out += "\\n";
    else if (c == '\t')
      out += "\\t";
    else if (c == '\\')
      out += "\\\\";
    else
      out += c;
  }
  return out;
}

std::string Joined(const std::vector<std::string>& items, const char* separator) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) out += (i ? separator : "") + items[i];
  return out;
}

std::string ChoicesPrompt(const std::string& prompt, const std::vector<std::string>& items) {
  return prompt + " [" + Joined(items, "|") + "]";
}

}  // namespace

std::optional<std::string> DecodeAnswer(const std::string& line) {
  if (line == "cancel") return std::nullopt;
  std::string out;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '\\' || i + 1 == line.size()) {
      out += line[i];
      continue;
    }
    char next = line[++i];
    out += next == 'n' ? std::string("\r\n") : std::string(1, next);
  }
  return out;
}

ScriptedDialogs::ScriptedDialogs(std::vector<std::string> answers, const HostServices& inner)
    : answers_(answers.begin(), answers.end()), inner_(inner) {
  if (const char* path = getenv("NOKARI_ANSWERS_TRANSCRIPT"); path && *path) transcriptFile_ = fopen(path, "w");
}

ScriptedDialogs::~ScriptedDialogs() {
  if (transcriptFile_) fclose(transcriptFile_);
}

bool ScriptedDialogs::ReadAnswers(const std::string& path, std::vector<std::string>& lines) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  bool first = true;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (first && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    first = false;
    lines.push_back(line);
  }
  return true;
}

HostServices ScriptedDialogs::Services() {
  HostServices s = inner_;
  s.Dialogs = this;
  s.Output = this;
  return s;
}

std::optional<std::string> ScriptedDialogs::Next() {
  if (answers_.empty()) {
    if (!exhaustedNoted_)
      inner_.Output->Diagnostic("nokari: -answers: no answers left; this dialog and every later one is cancelled");
    exhaustedNoted_ = true;
    return std::nullopt;
  }
  std::string line = answers_.front();
  answers_.pop_front();
  std::optional<std::string> decoded = DecodeAnswer(line);
  if (!decoded) return std::nullopt;
  return FromUtf8(*decoded);
}

void ScriptedDialogs::Record(const char* kind, const std::string& prompt, const std::optional<std::string>& answer) {
  std::string line = std::string(kind) + "\t" + Escaped(ToUtf8(prompt)) + "\t" +
                     (answer ? Escaped(ToUtf8(*answer)) : std::string("cancel")) + "\n";
  transcript_ += line;
  if (transcriptFile_) {
    fputs(line.c_str(), transcriptFile_);
    fflush(transcriptFile_);
  }
}

void ScriptedDialogs::WrongKind(const char* kind, const std::string& answer) {
  inner_.Output->Diagnostic(std::string("nokari: -answers: \"") + answer + "\" does not answer a " + kind +
                            " dialog; taken as a cancel");
}

void ScriptedDialogs::WriteText(const std::string& text, const TextStyle& style) { inner_.Output->WriteText(text, style); }

void ScriptedDialogs::MessageBox(const std::string& text, const std::string& caption) {
  Record("say", text, std::string());
  if (inner_.Console) inner_.Output->MessageBox(text, caption);
}

void ScriptedDialogs::Diagnostic(const std::string& text) { inner_.Output->Diagnostic(text); }

ErrorChoice ScriptedDialogs::ShowErrorDialog(const std::string& log, bool debugMode) {
  Record("error", log, std::string());
  if (inner_.Console) return inner_.Dialogs->ShowErrorDialog(log, debugMode);
  inner_.Output->Diagnostic(log);
  return ErrorChoice::Quit;
}

std::optional<std::string> ScriptedDialogs::Input(const std::string& prompt, const std::string&) {
  std::optional<std::string> answer = Next();
  Record("input", prompt, answer);
  return answer;
}

bool ScriptedDialogs::YesNo(const std::string& prompt, const std::string&) {
  std::optional<std::string> answer = Next();
  Record("yesno", prompt, answer);
  if (!answer) return false;
  std::optional<int> read = dialog::ReadYesNoAnswer(*answer, false);
  if (!read) WrongKind("yesno", *answer);
  return read == 1;
}

YesNoAnswer ScriptedDialogs::YesNoCancel(const std::string& prompt, const std::string&) {
  std::optional<std::string> answer = Next();
  Record("yesnocancel", prompt, answer);
  if (!answer) return YesNoAnswer::Cancel;
  std::optional<int> read = dialog::ReadYesNoAnswer(*answer, true);
  if (!read) WrongKind("yesnocancel", *answer);
  return read == 1 ? YesNoAnswer::Yes : read == 0 ? YesNoAnswer::No : YesNoAnswer::Cancel;
}

Confirm ScriptedDialogs::AskConfirm(const std::string& question) {
  std::optional<std::string> answer = Next();
  Record("confirm", question, answer);
  if (!answer) return Confirm::None;
  if (std::optional<int> read = dialog::ReadYesNoAnswer(*answer, false)) return *read ? Confirm::Yes : Confirm::No;
  if (*answer == "a" || *answer == Sj("全てはい")) return Confirm::AllYes;
  if (*answer == "x" || *answer == Sj("全ていいえ")) return Confirm::AllNo;
  WrongKind("confirm", *answer);
  return Confirm::None;
}

std::optional<std::string> ScriptedDialogs::Choose(const std::string& prompt, const std::vector<std::string>& items,
                                                   const std::string&, bool editable) {
  std::optional<std::string> answer = Next();
  Record(editable ? "choose-edit" : "choose", ChoicesPrompt(prompt, items), answer);
  if (!answer) return std::nullopt;
  std::optional<std::string> picked = dialog::PickChoice(*answer, items, editable);
  if (!picked) WrongKind("choose", *answer);
  return picked;
}

std::optional<std::string> ScriptedDialogs::ChooseButton(const std::string& prompt,
                                                         const std::vector<std::string>& items) {
  std::optional<std::string> answer = Next();
  Record("buttons", ChoicesPrompt(prompt, items), answer);
  if (!answer) return std::nullopt;
  std::optional<std::string> picked = answer->empty() ? std::nullopt : dialog::PickChoice(*answer, items, false);
  if (!picked) WrongKind("buttons", *answer);
  return picked;
}

std::optional<std::string> ScriptedDialogs::Memo(const std::string& initial) {
  std::optional<std::string> answer = Next();
  Record("memo", initial, answer);
  return answer;
}

std::optional<uint32_t> ScriptedDialogs::Color(uint32_t initial) {
  std::optional<std::string> answer = Next();
  Record("color", std::to_string(dialog::ColorNumber(initial)), answer);
  if (!answer) return std::nullopt;
  std::optional<uint32_t> rgb = dialog::ReadColorAnswer(*answer);
  if (!rgb) WrongKind("color", *answer);
  return rgb;
}

std::optional<FontChoice> ScriptedDialogs::Font(const FontChoice& initial) {
  std::optional<std::string> answer = Next();
  Record("font", dialog::FontResult(initial), answer);
  if (!answer) return std::nullopt;
  std::optional<FontChoice> font = dialog::ReadFontAnswer(*answer);
  if (!font) WrongKind("font", *answer);
  return font;
}

namespace {

std::string FiltersText(const std::vector<FileFilter>& filters) {
  std::string out;
  for (const FileFilter& f : filters) out += (out.empty() ? "" : "|") + f.Description + "|" + f.Pattern;
  return out;
}

}  // namespace

std::optional<std::vector<std::string>> ScriptedDialogs::OpenFiles(const std::vector<FileFilter>& filters,
                                                                   const std::string& initialName) {
  std::optional<std::string> answer = Next();
  Record("open", FiltersText(filters) + " [" + initialName + "]", answer);
  if (!answer) return std::nullopt;
  std::vector<std::string> files = dialog::SplitFileAnswer(*answer);
  if (files.empty()) return std::nullopt;
  return files;
}

std::optional<std::string> ScriptedDialogs::SaveFile(const std::vector<FileFilter>& filters,
                                                     const std::string& defaultExt, const std::string& initialName) {
  std::optional<std::string> answer = Next();
  Record("save", FiltersText(filters) + " [" + defaultExt + "] [" + initialName + "]", answer);
  if (!answer || answer->empty()) return std::nullopt;
  return answer;
}

std::optional<std::string> ScriptedDialogs::Folder(const std::string& start) {
  std::optional<std::string> answer = Next();
  Record("folder", start, answer);
  if (!answer || answer->empty()) return std::nullopt;
  return answer;
}

}  // namespace nokari
