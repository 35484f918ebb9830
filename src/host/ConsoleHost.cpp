#include "host/ConsoleHost.h"

#include <unistd.h>

#include <iostream>

#include "core/Encoding.h"

namespace nokari {

ConsoleHost::ConsoleHost() {
  // Standard output is buffered in large blocks; it is flushed before
  // anything goes to standard error and at exit.
  static char buffer[1 << 16];
  setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
}

ConsoleHost::~ConsoleHost() { fflush(stdout); }

HostServices ConsoleHost::Services() {
  HostServices s = ServicesOf(*this, pump_, true);
  s.Parts = &parts_;
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

std::optional<std::string> ConsoleHost::Input(const std::string& prompt, const std::string&) {
  if (!prompt.empty() && isatty(STDIN_FILENO)) WriteLine(stdout, prompt);
  std::string answer;
  if (!ReadLine(answer)) return std::nullopt;
  return answer;
}

bool ConsoleHost::YesNo(const std::string& prompt, const std::string&) {
  if (isatty(STDIN_FILENO)) WriteLine(stdout, prompt);
  std::string answer;
  if (!ReadLine(answer)) return false;
  return answer == "y" || answer == "Y" || answer == "yes" || answer == "1" || answer == FromUtf8("はい");
}

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
