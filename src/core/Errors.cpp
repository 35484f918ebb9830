#include "core/Errors.h"

#include "core/Cp932.h"
#include "core/Encoding.h"
#include "core/Engine.h"
#include "core/Messages.h"
#include "host/Host.h"

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

}  // namespace

std::string FormatMessage(std::string_view tmpl, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(tmpl.size() + 32);
  auto next = args.begin();
  size_t i = 0;
  while (i < tmpl.size()) {
    size_t len = CharLenAt(tmpl, i);
    if (len == 1 && tmpl[i] == '%' && i + 1 < tmpl.size() &&
        (tmpl[i + 1] == 's' || tmpl[i + 1] == 'd') && next != args.end()) {
      out.append(WholeChars(*next++));
      i += 2;
      continue;
    }
    out.append(tmpl.substr(i, len));
    i += len;
  }
  return out;
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

std::string LineOf(const char* fmtUtf8, const TNokaBase& e, int32_t line, std::string_view message) {
  return FormatMessage(Sj(fmtUtf8), {BaseName(e.FileName), std::to_string(line), message});
}

}  // namespace

std::string ErrorLine(const TNokaBase& e, std::string_view message) {
  return LineOf(msg::kErrorLine, e, CurrentLine(e), message);
}

void RaiseErrorAtLine(TNokaBase& e, int32_t line, std::string_view cp932Message) {
  std::string text = LineOf(msg::kErrorLine, e, line, cp932Message);
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

void Warn(TNokaBase& e, const char* msgUtf8, std::initializer_list<std::string_view> args) {
  std::string line = LineOf(msg::kWarningLine, e, CurrentLine(e), FormatMessage(Sj(msgUtf8), args));
  e.ErrorLog += line;
  e.ErrorLog += "\r\n";
  if (e.DebugMode && e.Host) {
    if (e.Host->IsConsole()) {
      e.Host->Diagnostic(line);
    } else if (e.Host->ShowErrorDialog(e.ErrorLog, true) == ErrorChoice::Quit) {
      e.StopFlag = true;
      e.Cursor.Reset();
      e.Host->RequestClose();
    }
  }
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

void RaisePlain(const char* msgUtf8, std::initializer_list<std::string_view> args) {
  throw ENoka(FormatMessage(Sj(msgUtf8), args));
}

}  // namespace nokari
