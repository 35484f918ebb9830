// Dialogs answered from a file (-answers FILE), for tests and unattended
// runs: every question a script asks takes the next answer, whichever host
// runs it, and nothing ever waits for a user.
//
// The file is UTF-8, one answer per line:
//   - the line itself is the answer (a typed text, a choice's text or
//     number, はい/いいえ/y/n/1/0, "#RRGGBB" or a colour number,
//     "face|太字|12", a path; several files separated by "|");
//   - a line holding only "cancel" cancels (closes the dialog);
//   - "\n" stands for a line break (a memo's lines), "\\" for a backslash,
//     and "\" before any other character for that character ("\cancel" is
//     the text "cancel").
// An answer of the wrong kind (text where a colour is asked, a choice that
// is not in the list) counts as a cancel, with a note on standard error;
// so does a question after the last answer (one note for all of them).
//
// 言う takes no answer: its text goes to the transcript, and on the
// console also to standard output as always (a window's message box would
// wait for a click, so under a window host it is not shown). The error
// dialog takes none either: on the console it goes to standard error as
// always; under a window host to standard error too, answered with quit.
// The security confirmation does take one (y/n/a/x, はい/いいえ/全てはい/
// 全ていいえ; cancel or the wrong kind: no choice).
//
// The transcript holds one line per dialog, "kind<TAB>prompt<TAB>answer"
// (line breaks and tabs written as \n and \t, a cancel as "cancel"; the
// choices of a list follow its prompt as " [a|b|c]"); it is
// kept in memory and, when NOKARI_ANSWERS_TRANSCRIPT names a file, appended
// to that file line by line as the dialogs come.
#pragma once
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "core/Services.h"

namespace nokari {

class ScriptedDialogs : public IDialogService, public IOutputService {
 public:
  // `answers`: the file's lines (UTF-8). `inner`: the host's services,
  // which still draw (表示) and, on the console, print and report errors.
  ScriptedDialogs(std::vector<std::string> answers, const HostServices& inner);
  ~ScriptedDialogs() override;

  // The file's lines; false when it cannot be read.
  static bool ReadAnswers(const std::string& path, std::vector<std::string>& lines);
  // The host's services with this object answering the dialogs and 言う.
  HostServices Services();
  // The transcript so far (UTF-8).
  const std::string& Transcript() const { return transcript_; }

  void WriteText(const std::string& text, const TextStyle& style) override;
  void MessageBox(const std::string& text, const std::string& caption) override;
  void Diagnostic(const std::string& text) override;

  ErrorChoice ShowErrorDialog(const std::string& log, bool debugMode) override;
  std::optional<std::string> Input(const std::string& prompt, const std::string& initial) override;
  bool YesNo(const std::string& prompt, const std::string& caption) override;
  Confirm AskConfirm(const std::string& question) override;
  YesNoAnswer YesNoCancel(const std::string& prompt, const std::string& caption) override;
  std::optional<std::string> Choose(const std::string& prompt, const std::vector<std::string>& items,
                                    const std::string& initial, bool editable) override;
  std::optional<std::string> ChooseButton(const std::string& prompt, const std::vector<std::string>& items) override;
  std::optional<std::string> Memo(const std::string& initial) override;
  std::optional<uint32_t> Color(uint32_t initial) override;
  std::optional<FontChoice> Font(const FontChoice& initial) override;
  std::optional<std::vector<std::string>> OpenFiles(const std::vector<FileFilter>& filters,
                                                    const std::string& initialName) override;
  std::optional<std::string> SaveFile(const std::vector<FileFilter>& filters, const std::string& defaultExt,
                                      const std::string& initialName) override;
  std::optional<std::string> Folder(const std::string& start) override;

 private:
  // The next answer (CP932, escapes decoded); none for "cancel" and after
  // the last one.
  std::optional<std::string> Next();
  // Writes the transcript line of a dialog.
  void Record(const char* kind, const std::string& prompt, const std::optional<std::string>& answer);
  // An answer that does not fit the question: noted, and a cancel.
  void WrongKind(const char* kind, const std::string& answer);

  std::deque<std::string> answers_;
  HostServices inner_;
  std::string transcript_;
  FILE* transcriptFile_ = nullptr;
  bool exhaustedNoted_ = false;
};

// Decodes an answer line: "cancel" → none; "\n", "\\", "\x" → line break,
// backslash, x. UTF-8 in and out.
std::optional<std::string> DecodeAnswer(const std::string& line);

}  // namespace nokari
