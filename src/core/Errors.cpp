#include "core/Errors.h"

#include <vector>

#include "core/Cp932.h"
#include "core/Encoding.h"
#include "core/Engine.h"
#include "core/Messages.h"

namespace nokari {

namespace {

// A text without a lead byte that ends it without its second byte (a text
// cut short): in a message that byte would pair with the next character.
std::string_view WholeChars(std::string_view s) {
  if (s.empty() || !IsLeadByte(static_cast<unsigned char>(s.back()))) return s;
  size_t i = 0;
  while (i + 1 < s.size()) i += CharLenAt(s, i);
  return i == s.size() ? s : s.substr(0, i);
}

// FormatMessage over any run of arguments.
template <typename It>
std::string FormatFrom(std::string_view tmpl, It next, It end) {
  std::string out;
  out.reserve(tmpl.size() + 32);
  size_t i = 0;
  while (i < tmpl.size()) {
    size_t len = CharLenAt(tmpl, i);
    if (len == 1 && tmpl[i] == '%' && i + 1 < tmpl.size() &&
        (tmpl[i + 1] == 's' || tmpl[i + 1] == 'd') && next != end) {
      out.append(WholeChars(*next++));
      i += 2;
      continue;
    }
    out.append(tmpl.substr(i, len));
    i += len;
  }
  return out;
}

}  // namespace

std::string FormatMessage(std::string_view tmpl, std::initializer_list<std::string_view> args) {
  return FormatFrom(tmpl, args.begin(), args.end());
}

namespace {

// The file name without its folder ("/" or "\" separated).
std::string BaseName(std::string_view path) {
  size_t start = 0;
  for (size_t i = 0; i < path.size(); i += CharLenAt(path, i)) {
    if (CharLenAt(path, i) == 1 && (path[i] == '/' || path[i] == '\\')) start = i + 1;
  }
  return std::string(path.substr(start));
}

std::string LineOf(const char* fmtUtf8, std::string_view fileName, int32_t line, std::string_view message) {
  return FormatMessage(Sj(fmtUtf8), {BaseName(fileName), std::to_string(line), message});
}

std::string LineOf(const char* fmtUtf8, const TNokaBase& e, int32_t line, std::string_view message) {
  return LineOf(fmtUtf8, e.FileName, line, message);
}

}  // namespace

std::string ErrorLine(const TNokaBase& e, std::string_view message) {
  return LineOf(msg::kErrorLine, e, CurrentLine(e), message);
}

void RaiseErrorAtLine(TNokaBase& e, int32_t line, std::string_view cp932Message) {
  RaiseErrorAt(e, e.FileName, line, cp932Message);
}

void RaiseErrorAt(TNokaBase& e, std::string_view fileName, int32_t line, std::string_view cp932Message) {
  std::string text = LineOf(msg::kErrorLine, fileName, line, cp932Message);
  e.ErrorLog += text;
  e.ErrorLog += "\r\n";
  throw ENoka(std::move(text));
}

void RaiseErrorText(TNokaBase& e, std::string_view cp932Message) {
  std::string line = ErrorLine(e, cp932Message);
  e.ErrorLog += line;
  e.ErrorLog += "\r\n";
  throw ENoka(std::move(line));
}

void RaiseError(TNokaBase& e, const char* msgUtf8, std::initializer_list<std::string_view> args) {
  RaiseErrorText(e, FormatMessage(Sj(msgUtf8), args));
}

std::string_view RunningWordName(const TNokaBase& e) { return e.RunningWord; }

void RaiseCommandError(TNokaBase& e, const char* msgUtf8, std::initializer_list<std::string_view> args) {
  std::vector<std::string_view> all;
  all.reserve(args.size() + 1);
  all.push_back(RunningWordName(e));
  all.insert(all.end(), args.begin(), args.end());
  RaiseErrorText(e, FormatFrom(Sj(msgUtf8), all.begin(), all.end()));
}

void Warn(TNokaBase& e, const char* msgUtf8, std::initializer_list<std::string_view> args) {
  WarnAtLine(e, CurrentLine(e), msgUtf8, args);
}

void WarnAtLine(TNokaBase& e, int32_t lineNo, const char* msgUtf8, std::initializer_list<std::string_view> args) {
  std::string line = LineOf(msg::kWarningLine, e, lineNo, FormatMessage(Sj(msgUtf8), args));
  e.ErrorLog += line;
  e.ErrorLog += "\r\n";
  if (e.DebugMode) {
    if (e.Services.Console) {
      e.Services.Output->Diagnostic(line);
    } else if (e.Services.Dialogs->ShowErrorDialog(e.ErrorLog, true) == ErrorChoice::Quit) {
      e.StopFlag = true;
      e.Cursor.Reset();
      e.Services.Window->CloseMainWindow();
    }
  }
}

bool FirstDebugWarning(TNokaBase& e, const char* place) {
  if (!e.DebugMode) return false;
  if (!place) place = e.StmtStart;
  if (e.WarnedPlaces.size() > 4096) e.WarnedPlaces.clear();
  return e.WarnedPlaces.insert(place).second;
}

void WarnUtf8File(TNokaBase& e, std::string_view name, std::string_view content) {
  if (e.DebugMode && LooksLikeUtf8(content) && FirstDebugWarning(e)) Warn(e, msg::kUtf8File, {name});
}

void WarnAppendToUtf8File(TNokaBase& e, std::string_view name, std::string_view head, std::string_view value) {
  // A head cut from a longer file may end inside a character: that
  // character is left out.
  if (head.size() >= 4096) {
    while (!head.empty() && (static_cast<unsigned char>(head.back()) & 0xC0) == 0x80) head.remove_suffix(1);
    if (!head.empty() && static_cast<unsigned char>(head.back()) >= 0xC0) head.remove_suffix(1);
  }
  if (e.DebugMode && LooksLikeUtf8(head) && !IsValidUtf8(value) && FirstDebugWarning(e))
    Warn(e, msg::kAppendToUtf8File, {name});
}

void TrimErrorLog(TNokaBase& e) {
  std::string& log = e.ErrorLog;
  if (log.size() <= kErrorLogKept) return;
  // Whole entries only: every error or warning line starts with "[" after
  // a line end (a CR LF is never part of a double-byte character).
  size_t cut = log.find("\r\n[", log.size() - kErrorLogKept);
  cut = cut == std::string::npos ? log.size() : cut + 2;
  log = Sj(msg::kLogTrimmed) + "\r\n" + log.substr(cut);
}

namespace {

// The end of "[エラー] file(N行目): " at the start of an error line; 0 when
// the text is no error line.
size_t ErrorLineHead(std::string_view entry) {
  const std::string& open = Sj("[エラー] ");
  if (!StartsWith(entry, open)) return 0;
  size_t at = entry.find(Sj("行目): "), open.size());
  return at == std::string_view::npos ? 0 : at + Sj("行目): ").size();
}

std::string Indented(std::string_view text) {
  std::string out = "  ";
  for (size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] == '\n' && i + 1 < text.size()) out += "  ";
  }
  return out;
}

}  // namespace

std::string ConsoleErrorLog(std::string_view log) {
  std::string_view wrap = Sj(msg::kCommandError);
  wrap.remove_suffix(2);  // "%s"
  struct Shown {
    std::string_view original;  // the entry as logged
    std::string text;           // as shown
    std::string reason;         // for a wrapping line: the innermost reason
  };
  std::vector<Shown> shown;
  size_t i = 0;
  while (i < log.size()) {
    // An entry runs up to the line end before the next "[" that starts one
    // (messages may hold line ends of their own).
    size_t next = log.find("\r\n[", i);
    size_t end = next == std::string_view::npos ? log.size() : next;
    std::string_view entry = log.substr(i, end - i);
    i = next == std::string_view::npos ? log.size() : next + 2;
    if (entry.ends_with("\r\n")) entry.remove_suffix(2);
    size_t head = ErrorLineHead(entry);
    std::string_view rest = entry.substr(head);
    if (head && StartsWith(rest, wrap) && !shown.empty() && rest.substr(wrap.size()) == shown.back().original) {
      Shown& inner = shown.back();
      std::string reason = inner.reason;
      if (reason.empty()) {
        reason = inner.text;
        if (StartsWith(reason, entry.substr(0, head))) reason.erase(0, head);
      }
      inner.original = entry;
      inner.text = std::string(entry.substr(0, head + wrap.size())) + "\r\n" + Indented(reason);
      inner.reason = std::move(reason);
      continue;
    }
    shown.push_back({entry, std::string(entry), {}});
  }
  std::string out;
  for (const Shown& s : shown) out += s.text + "\r\n";
  return out;
}

ErrorChoice ShowErrorLog(TNokaBase& e) {
  ErrorChoice choice =
      e.Services.Dialogs->ShowErrorDialog(e.Services.Console ? ConsoleErrorLog(e.ErrorLog) : e.ErrorLog, e.DebugMode);
  if (choice == ErrorChoice::Quit) e.StoppedByError = true;
  return choice;
}

void RaisePlain(const char* msgUtf8, std::initializer_list<std::string_view> args) {
  throw ENoka(FormatMessage(Sj(msgUtf8), args));
}

}  // namespace nokari
