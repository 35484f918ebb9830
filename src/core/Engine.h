// The engine state and the statement engine. TNokaBase is a plain state
// struct; the engine, the evaluator, the binder and the command families are
// free functions over it, each in its own file.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/Events.h"
#include "core/RunControl.h"
#include "core/Services.h"
#include "core/Parts.h"
#include "core/TextPos.h"
#include "words/Hash.h"

namespace nokari {

struct ExtensionState;  // per-family state (handles, table search, ...)
struct EngineCaches;    // readings kept by place (core/EngineCaches.h)

// Where the run stood before a step: the run loop's guard stops a run
// whose step left it where it was (core/Engine.cpp RunLoop).
struct RunMark {
  const char* P = nullptr;
  const char* End = nullptr;
  int Frames = -1;
  uint64_t Turns = 0;     // TNokaBase::LoopTurns
  uint64_t Together = 0;  // TNokaBase::StepsTakenTogether
  bool operator==(const RunMark&) const = default;
};

struct TNokaBase {
  // Start-up
  std::string FileName;      // file whose text now runs (for error lines)
  TextBuf FileNameShare;     // the same text as a share, made when it changed
  std::string MainFilePath;  // the main script, whole path as given
  TextBuf Source;            // the prepared main program
  bool RunOption = false, PackedScript = false, DefaultScript = false, DebugMode = false;
  bool LineStop = false;
  int32_t SecurityLevel = -1;
  std::vector<std::string> Args;  // command line, parameter 0 = executable
  int ScriptArgIndex = -1;        // index in Args of the script parameter
  std::string ExePath;

  // Execution
  TextPos Cursor;
  int32_t LineNo = 0;
  THash Words;
  TStack ArgStack;
  TStack UserArgs;
  // While UserArgs holds one value written from a whole number (an
  // argument N-1): that number, so that 引数取得 gives それ the number with
  // its text and the function's first use of it reads no digits back.
  bool UserArgIsWhole = false;
  int64_t UserArgWhole = 0;
  TRunControlStack RunStack;
  uint64_t LoopTurns = 0;  // loop repetitions so far (progress for the run loop's guard)
  // Statements stepped within another's step (core/Engine.cpp StepFollowing,
  // core/Plans.cpp TakeArgumentsOnEntry): progress for the same guard, which
  // would otherwise take a step that came round to where it began (a jump
  // back, a recursion at the same depth) for one that went nowhere.
  uint64_t StepsTakenTogether = 0;
  // Where the statement taken together that failed began (P null: none
  // failed): the guard's mark for the failed step, as if that statement had
  // been a step of its own, so that errors ignored repeat as often either way.
  RunMark FailedUnit;
  TObjList Objects;
  // Reads and writes of object words (kind 4); installed by the parts
  // family, null in an engine without it (core/Parts.h).
  IObjectModel* ObjectModel = nullptr;
  int32_t CondResult = -1;
  WordRef CountVar;
  bool StopFlag = false;
  // Steps left before the run stops as if ended (0: no limit), so a harness
  // can run untrusted scripts without hanging.
  uint64_t StepBudget = 0;
  bool LooseBinding = false;
  bool ImplicitSore = false;
  std::string SwitchValue;
  WordRef SoreVar, SonoVar;
  WordRef ErrorMessageVar, NoExitVar;
  std::string CurrentType = "s";
  // The number behind the last compiled result (valid until cleared).
  long double LastNumber = 0;
  bool LastNumberValid = false;

  // Errors
  bool ShowErrors = true;
  WordRef ErrorHandlerLabel;
  bool InErrorHandler = false;
  TextPos ResumePos;
  WordRef ExitHandlerLabel;
  std::string ErrorLog;
  // The command now running, named as the script wrote it (an alias such as
  // LEN, okurigana such as 切り出せ): messages that name their command take
  // the name from here. Dispatch sets it and puts the outer one back. A
  // view: the name it shows (the statement's verb, the word's own name)
  // outlives the command, and a copy at every command cost a tenth of a
  // user function's call.
  std::string_view RunningWord;
  std::unordered_set<const char*> WarnedPlaces;  // debug-mode hints given
  bool Closed = false;   // the main window was closed / the program ended
  int ExitStatus = 0;
  // An error's dialog was answered with quit (on the console it always
  // is): the program stopped with an error, and exits with status 1.
  bool StoppedByError = false;

  // Where the statement now being read began (for error lines): the place,
  // and the text it stands in (buffer and end, see TextPos).
  const char* StmtStart = nullptr;
  const std::string* StmtBuf = nullptr;
  const char* StmtEnd = nullptr;

  // The line marker after the end of the body the cursor last ran to (see
  // BodyEndLine): a loop body reaches its end once a turn and asks three
  // times whether a line end follows there. The share keeps the text alive,
  // so the place cannot come to mean another text.
  struct EndLineMemo {
    TextBuf Buf;
    const char* End = nullptr;
    int32_t Line = -1;
  };
  mutable EndLineMemo EndLine;

  // Where a jump command (戻る, 飛ぶ, 呼ぶ) stood when it jumped with phrases
  // of its statement left over (NoteJumpPlace): the error about them names
  // that file and line rather than the place jumped to. Valid while Stmt is
  // still the statement being run.
  struct JumpPlace {
    const char* Stmt = nullptr;
    const std::string* StmtBuf = nullptr;
    std::string FileName;
    int32_t Line = 0;
  } LeftoverPlace;

  // The readings kept by the place they start (blocks, value texts,
  // conditions, statement plans; core/EngineCaches.h). Held behind a pointer
  // so that this state carries none of the plan machinery.
  std::unique_ptr<EngineCaches> Caches;

  TextPos PendingJump;
  std::vector<TextBuf> SourceSlots;  // slot 0 main program, then 取り込む

  // Re-entry guards
  int RunDepth = 0;     // nested RunLoop calls ("busy" when > 0)
  int NestDepth = 0;    // nested evaluations (native stack guard)

  // Events waiting for their handlers, and the script timer
  // (core/Events.h).
  EventQueue Events;

  // What the engine asks of its host (output, dialogs, events, window...).
  HostServices Services = QuietServices();
  std::unique_ptr<ExtensionState> Ext;

  TNokaBase();
  ~TNokaBase();
};

// Writes a type tag only when it changes: tags are short strings set at
// every evaluation, and most of the time they stay as they were.
// Forced inline: with the one-letter tags it folds to a compare and a
// store, and it runs at every evaluation.
[[gnu::always_inline]] inline void SetTag(std::string& tag, const char* value) {
  if (value[0] && !value[1]) {  // the common one-letter tags
    if (!(tag.size() == 1 && tag[0] == value[0])) tag.assign(1, value[0]);
  } else if (tag != value) {
    tag = value;
  }
}
// Nearly every tag is one letter: written without a compare or an assign.
inline void SetTag(std::string& tag, const std::string& value) {
  if (tag.size() == 1 && value.size() == 1)
    tag[0] = value[0];
  else if (tag != value)
    tag = value;
}

// The file name as a share for a frame to keep: made again only when the
// name changed, so entering a call or a loop copies no text.
inline const TextBuf& SharedFileName(TNokaBase& e) {
  if (!e.FileNameShare || *e.FileNameShare != e.FileName) e.FileNameShare = MakeText(e.FileName);
  return e.FileNameShare;
}
// Gives back the file name a frame kept (one that kept none leaves it).
inline void RestoreFileName(TNokaBase& e, const TextBuf& saved) {
  if (saved && e.FileName != *saved) e.FileName = *saved;
}

// The statement engine (core/Engine.cpp).
void Step(TNokaBase& e);
void ExecutePending(TNokaBase& e);
// Performs the verb of a statement whose other phrases are on the word
// stack; `word` is what the verb names (null when nothing).
void RunVerb(TNokaBase& e, const std::string& verb, THashNode* word);
// Raises "too many arguments" for phrases a statement's verb left unused
// (checked after every command: the usual empty stack costs no call).
void RaiseLeftovers(TNokaBase& e, const std::string& verb);
// Called by a command about to jump elsewhere: keeps the statement's place
// when phrases are left over (see TNokaBase::LeftoverPlace).
void NoteJumpPlaceSlow(TNokaBase& e);
inline void NoteJumpPlace(TNokaBase& e) {
  if (!e.ArgStack.Items.empty()) NoteJumpPlaceSlow(e);
}
inline void ReportLeftovers(TNokaBase& e, const std::string& verb) {
  if (e.ArgStack.Count() != 0) RaiseLeftovers(e, verb);
}
void ExecuteWord(TNokaBase& e, THashNode* word, std::string_view written = {});
void CheckRunControl(TNokaBase& e);
void RunLoop(TNokaBase& e);
// Runs `pos` in a fresh run level until that level ends, then restores the
// cursor and file name (取り込む, のかりする, handlers, label values).
// `frame`, when given, is the level's first frame (a handler's).
void RunNested(TNokaBase& e, TextPos pos, const std::string& fileName, const TRunControl* frame = nullptr);
// Reads the block after a loop or branch word into a frame (Body, ExitPos);
// leaves the cursor after the block.
void ReadBlock(TNokaBase& e, TRunControl& frame);
// Whether the text the cursor runs in ends at p: its NUL, or the end of a
// body with no line end after it. A body's end with a line end after it
// reads as that line end (AtLineEnd); stepping over it reaches the NUL.
bool LineFollows(const char* p);
// LineAfter(e.Cursor.End), remembered for the body the cursor runs in
// (e.Cursor.End is not null).
int32_t BodyEndLineSlow(const TNokaBase& e);
inline int32_t BodyEndLine(const TNokaBase& e) {
  const TNokaBase::EndLineMemo& memo = e.EndLine;
  return memo.End == e.Cursor.End && memo.Buf == e.Cursor.Buf ? memo.Line : BodyEndLineSlow(e);
}
inline bool AtTextEnd(const TNokaBase& e, const char* p) {
  return *p == '\0' || (p == e.Cursor.End && BodyEndLine(e) < 0);
}
inline bool AtLineEnd(const TNokaBase& e, const char* p) {
  return *p == '\r' || *p == '\n' || (p == e.Cursor.End && *p && BodyEndLine(e) >= 0);
}
// Whether p is at or past the end of the body the cursor runs in (the text
// there belongs to the enclosing block).
inline bool AtBodyEnd(const TNokaBase& e, const char* p) { return e.Cursor.End && p >= e.Cursor.End; }
// Where stepping over the line end at p leads, and the line number its
// marker gives (-1 without one).
const char* PastLineEnd(const char* p, int32_t& line);
// Steps over a line end at the cursor, reading its line marker.
void StepOverLineEnd(TNokaBase& e);
// Line number of the marker that follows p (the line p stands on), or -1.
// With `end` (the end of p's whole text) the search goes on past NUL bytes.
int32_t LineAfter(const char* p, const char* end = nullptr);
// Current line number for messages.
int32_t CurrentLine(const TNokaBase& e);
// Event entry from outside (a socket, a notification): the handler at
// `label` is queued as a window event (core/Events.h).
void EnterLabel(TNokaBase& e, const TextPos& label, const std::string& fileName);
// Program start and end.
void StartProgram(TNokaBase& e, const std::string& sourceText);
void EndProgram(TNokaBase& e);   // おわり
void RequestClose(TNokaBase& e); // close request: runs the close handler

// Word reading shared by the engine and the evaluator.
bool IsWordDelimiter(unsigned char c);
// Reads a word at p (skipping leading spaces/tabs); advances p.
std::string ReadWord(const char*& p);
// TAB, space, ',' and 0xA4 (every statement starts with this: inline).
inline void SkipBlanks(const char*& p) {
  for (;;) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c != ' ' && c != '\t' && c != ',' && c != 0xA4) return;
    ++p;
  }
}
void SkipSpaces(const char*& p);  // TAB and space
// The end of a string literal starting at p (at its quote); raises when open.
const char* LiteralEnd(TNokaBase& e, const char* p);
// The same without raising: null when the literal has no closing quote.
const char* FindLiteralEnd(const char* p);
// The end of a bracketed text starting at p ('('): points after ')'.
const char* BracketEnd(TNokaBase& e, const char* p);

}  // namespace nokari
