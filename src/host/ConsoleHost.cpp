#include "host/ConsoleHost.h"

#include <unistd.h>

#include <iostream>

#include "core/Encoding.h"
#include "host/ConsoleDebugger.h"
#include "lib/dialog/DialogText.h"

namespace nokari {

ConsoleHost::ConsoleHost() : interactive_(isatty(STDIN_FILENO)) {
  // Standard output is buffered in large blocks; it is flushed before
  // anything goes to standard error and at exit.
  static char buffer[1 << 16];
  setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
}

ConsoleHost::~ConsoleHost() { fflush(stdout); }

HostServices ConsoleHost::Services() {
  HostServices s = ServicesOf(*this, pump_, true);
  s.Parts = &parts_;
  s.Debugger = &TerminalDebugger();
  return s;
}

void ConsoleHost::WriteLine(FILE* f, const std::string& cp932) {
  std::string text = ToUtf8(cp932);
  std::string out;
  out.reserve(text.size() + 1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') continue;
      out += '\n';
      continue;
    }
    out += text[i];
  }
  out += '\n';
  if (f == stderr) fflush(stdout);
  fwrite(out.data(), 1, out.size(), f);
}

// A terminal has one font and colour: the style is for window surfaces.
void ConsoleHost::WriteText(const std::string& text, const TextStyle&) { WriteLine(stdout, text); }

void ConsoleHost::MessageBox(const std::string& text, const std::string&) { WriteLine(stdout, text); }

ErrorChoice ConsoleHost::ShowErrorDialog(const std::string& log, bool) {
  std::string text = log;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  WriteLine(stderr, text);
  errorShown_ = true;
  return ErrorChoice::Quit;
}

bool ConsoleHost::ReadLine(std::string& cp932) {
  fflush(stdout);
  std::string line;
  if (!std::getline(std::cin, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  cp932 = FromUtf8(line);
  return true;
}

std::optional<std::string> ConsoleHost::Ask(const std::string& prompt) {
  if (interactive_ && !prompt.empty()) WriteLine(stderr, prompt);
  std::string answer;
  if (!ReadLine(answer)) return std::nullopt;
  return answer;
}

// File, folder, font and colour questions: an empty line chooses nothing.
std::optional<std::string> ConsoleHost::AskNonEmpty(const std::string& prompt) {
  std::optional<std::string> answer = Ask(prompt);
  if (answer && answer->empty()) return std::nullopt;
  return answer;
}

namespace {

// The initial text (ダイアログ初期値) shown after the question, as the
// text an empty answer takes.
std::string WithInitial(const std::string& prompt, const std::string& initial) {
  return initial.empty() ? prompt : prompt + " [" + initial + "]";
}

// How often a yes/no question is asked before an answer it cannot read is
// taken as no (or cancel): input that never ends, such as `yes abc`, must
// not keep the program asking.
constexpr int kYesNoAttempts = 5;

}  // namespace

std::optional<std::string> ConsoleHost::AskWithInitial(const std::string& prompt, const std::string& initial) {
  std::optional<std::string> answer = Ask(WithInitial(prompt, initial));
  if (answer && answer->empty()) return initial;
  return answer;
}

std::optional<std::string> ConsoleHost::Input(const std::string& prompt, const std::string& initial) {
  return AskWithInitial(prompt, initial);
}

std::optional<int> ConsoleHost::AskYesNo(const std::string& prompt, bool withCancel) {
  std::string question = prompt + FromUtf8(withCancel ? " [y=はい/n=いいえ/c=キャンセル]" : " [y=はい/n=いいえ]");
  for (int attempt = 0; attempt < kYesNoAttempts; ++attempt) {
    std::optional<std::string> answer = Ask(question);
    if (!answer) return std::nullopt;
    if (std::optional<int> read = dialog::ReadYesNoAnswer(*answer, withCancel)) return read;
    question = FromUtf8(withCancel ? "y, n か c で答えてください:" : "y か n で答えてください:");
  }
  return std::nullopt;
}

bool ConsoleHost::YesNo(const std::string& prompt, const std::string&) { return AskYesNo(prompt, false) == 1; }

YesNoAnswer ConsoleHost::YesNoCancel(const std::string& prompt, const std::string&) {
  std::optional<int> read = AskYesNo(prompt, true);
  if (read == 1) return YesNoAnswer::Yes;
  if (read == 0) return YesNoAnswer::No;
  return YesNoAnswer::Cancel;
}

namespace {

// The choices under the prompt, numbered from 1 as answers may name them.
std::string NumberedChoices(const std::string& prompt, const std::vector<std::string>& items) {
  std::string out = prompt;
  for (size_t i = 0; i < items.size(); ++i) out += "\r\n  " + std::to_string(i + 1) + ": " + items[i];
  return out;
}

}  // namespace

std::optional<std::string> ConsoleHost::Choose(const std::string& prompt, const std::vector<std::string>& items,
                                               const std::string& initial, bool editable) {
  // Listing ten thousand choices nobody reads would only slow a pipe: the
  // list is written for a terminal alone, like every prompt. An empty
  // answer takes the initial text, as OK does in the window's dialog.
  std::string question = WithInitial(prompt, initial);
  std::optional<std::string> answer = Ask(interactive_ ? NumberedChoices(question, items) : question);
  if (!answer) return std::nullopt;
  if (answer->empty()) return initial;
  return dialog::PickChoice(*answer, items, editable);
}

std::optional<std::string> ConsoleHost::ChooseButton(const std::string& prompt, const std::vector<std::string>& items) {
  std::optional<std::string> answer = Ask(interactive_ ? NumberedChoices(prompt, items) : prompt);
  if (!answer || answer->empty()) return std::nullopt;
  return dialog::PickChoice(*answer, items, false);
}

std::optional<std::string> ConsoleHost::Memo(const std::string& initial) {
  if (interactive_) {
    if (!initial.empty()) WriteLine(stderr, initial);
    WriteLine(stderr, FromUtf8(initial.empty() ? "(\".\" だけの行で終わり)"
                                               : "(\".\" だけの行で終わり。すぐ \".\" なら上の文のまま)"));
  }
  std::string text, line;
  bool any = false;
  while (ReadLine(line)) {
    // Ended before any line: the memo's text stays as it was shown.
    if (line == ".") return any ? text : initial;
    if (any) text += "\r\n";
    text += line;
    any = true;
  }
  if (!any) return std::nullopt;
  return text;
}

std::optional<uint32_t> ConsoleHost::Color(uint32_t) {
  std::optional<std::string> answer = AskNonEmpty(FromUtf8("色 (#RRGGBB):"));
  if (!answer) return std::nullopt;
  return dialog::ReadColorAnswer(*answer);
}

std::optional<FontChoice> ConsoleHost::Font(const FontChoice&) {
  std::optional<std::string> answer = AskNonEmpty(FromUtf8("フォント (書体|太字傾斜下線|サイズ):"));
  if (!answer) return std::nullopt;
  return dialog::ReadFontAnswer(*answer);
}

std::optional<std::vector<std::string>> ConsoleHost::OpenFiles(const std::vector<FileFilter>&, const std::string&) {
  std::optional<std::string> answer = AskNonEmpty(FromUtf8("読み込むファイル (複数は | で区切る):"));
  if (!answer) return std::nullopt;
  return dialog::SplitFileAnswer(*answer);
}

std::optional<std::string> ConsoleHost::SaveFile(const std::vector<FileFilter>&, const std::string&,
                                                 const std::string&) {
  return AskNonEmpty(FromUtf8("書き込むファイル:"));
}

std::optional<std::string> ConsoleHost::Folder(const std::string&) { return AskNonEmpty(FromUtf8("フォルダ:")); }

Confirm ConsoleHost::AskConfirm(const std::string& question) {
  // Without a terminal there is nobody to ask: the change is refused.
  if (!isatty(STDIN_FILENO)) return Confirm::Nobody;
  WriteLine(stderr, question + FromUtf8(" [y=はい/n=いいえ/a=全てはい/x=全ていいえ]"));
  std::string answer;
  if (!ReadLine(answer)) return Confirm::None;
  if (answer == "y") return Confirm::Yes;
  if (answer == "a") return Confirm::AllYes;
  if (answer == "x") return Confirm::AllNo;
  return Confirm::No;
}

void ConsoleHost::Diagnostic(const std::string& text) { WriteLine(stderr, text); }

}  // namespace nokari
