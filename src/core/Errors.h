// ENoka, the one exception every script-caused error becomes, and the
// helpers that format error and warning lines into the log.
#pragma once
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

#include "core/Services.h"

namespace nokari {

struct TNokaBase;

class ENoka : public std::exception {
 public:
  explicit ENoka(std::string message) : Message(std::move(message)) {}
  const char* what() const noexcept override { return Message.c_str(); }
  std::string Message;  // CP932: normally a whole error line
};

// Substitutes CP932 arguments for the %s and %d placeholders of a CP932
// template, in order. Arguments are never read as templates themselves.
std::string FormatMessage(std::string_view tmpl, std::initializer_list<std::string_view> args);

// "[エラー] file(N行目): message" for the current file and line.
std::string ErrorLine(const TNokaBase& e, std::string_view message);

// Builds the error line of a message-table entry (UTF-8 literal) with its
// arguments, appends it to the error log and throws ENoka.
[[noreturn]] void RaiseError(TNokaBase& e, const char* msgUtf8,
                             std::initializer_list<std::string_view> args = {});
// The command now running, named as the script wrote it; empty outside a
// command. Set by dispatch (Registry.h), so an alias reports under the
// name the script used, never a name written at the raising site.
std::string_view RunningWordName(const TNokaBase& e);
// RaiseError for a message whose first %s is the running command's name;
// `args` fill the placeholders after it.
[[noreturn]] void RaiseCommandError(TNokaBase& e, const char* msgUtf8,
                                    std::initializer_list<std::string_view> args = {});
// An error line naming an explicit line (source preparation).
[[noreturn]] void RaiseErrorAtLine(TNokaBase& e, int32_t line, std::string_view cp932Message);
// The same naming a file too (a place the run has left).
[[noreturn]] void RaiseErrorAt(TNokaBase& e, std::string_view fileName, int32_t line,
                               std::string_view cp932Message);
// Same with a message already in CP932.
[[noreturn]] void RaiseErrorText(TNokaBase& e, std::string_view cp932Message);
// Appends a warning line to the log (and, in debug mode, shows the dialog).
void Warn(TNokaBase& e, const char* msgUtf8, std::initializer_list<std::string_view> args = {});
// The same for a given line.
void WarnAtLine(TNokaBase& e, int32_t line, const char* msgUtf8, std::initializer_list<std::string_view> args = {});
// Warnings that help a new user, given in debug mode only (nothing changes
// without it), once per place in the program: true when the statement now
// running (or `place`) has not warned yet.
bool FirstDebugWarning(TNokaBase& e, const char* place = nullptr);
// In debug mode: a file that 読む read looks like UTF-8 (the engine's texts
// are CP932), with how to convert it.
void WarnUtf8File(TNokaBase& e, std::string_view name, std::string_view content);
// In debug mode: Shift-JIS text about to be appended (追加保存) to a file
// whose text so far (`head`: the file, or its first 4096 bytes) looks
// like UTF-8.
void WarnAppendToUtf8File(TNokaBase& e, std::string_view name, std::string_view head, std::string_view value);
// The error log keeps its newest part: past kErrorLogLimit bytes,
// TrimErrorLog drops the oldest lines down to kErrorLogKept and says so in
// the log's first line. Called between steps of the run loop (a command
// may remember the log's size while it runs).
inline constexpr size_t kErrorLogKept = size_t{1} << 20;
inline constexpr size_t kErrorLogLimit = kErrorLogKept + kErrorLogKept / 4;
void TrimErrorLog(TNokaBase& e);
// The error log as the console shows it, to be read once: an error that a
// command's wrapping repeats ("システム命令実行中のエラー。理由は,…" right
// after the error it wraps) is shown as the wrapping line alone, with the
// innermost reason indented under it (without the file and line when they
// are the same). The log itself keeps both lines.
std::string ConsoleErrorLog(std::string_view log);
// Shows the error log on the host's error dialog (the console's form on a
// console). Quit answered there marks the program as stopped by an error.
ErrorChoice ShowErrorLog(TNokaBase& e);
// A plain error with no file and line (the word table's reserved-word error).
[[noreturn]] void RaisePlain(const char* msgUtf8, std::initializer_list<std::string_view> args = {});

}  // namespace nokari
