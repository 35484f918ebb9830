// Error settings, the close handler, and the commands that run further
// program text (取り込む, のかりする). Like the control commands they drive the
// engine: they write its error state and handlers, its source slots and the
// cursor (resuming after an error). Arguments and words they take through
// the command API (words/Contract.h) like any family.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "core/Errors.h"
#include "core/Keywords.h"
#include "core/Messages.h"
#include "core/Prepare.h"
#include "core/Source.h"
#include "lib/path/Path.h"
#include "words/Contract.h"
#include "words/Family.h"
#include "words/Value.h"

namespace nokari {
namespace {

void CmdIgnoreErrors(TNokaBase& e) {
  e.ShowErrors = false;
  e.ErrorHandlerLabel.reset();
}

void CmdWarnErrors(TNokaBase& e) {
  e.ShowErrors = true;
  e.ErrorHandlerLabel.reset();
}

void CmdSetErrorHandler(TNokaBase& e) {
  std::string name = UnquoteLiteral(PopArgText(e));
  e.InErrorHandler = false;
  WordRef label = FindWordRef(e, name);
  if (!label || label->Kind != kLabel) {
    e.ErrorHandlerLabel.reset();
    RaiseError(e, msg::kUndefinedLabel, {name});
  }
  e.ErrorHandlerLabel = std::move(label);
}

void CmdResumeAfterError(TNokaBase& e) {
  e.InErrorHandler = false;
  if (e.ResumePos) e.Cursor = e.ResumePos;
}

void CmdSetExitHandler(TNokaBase& e) {
  std::string name = UnquoteLiteral(PopArgText(e));
  WordRef label = FindWordRef(e, name);
  if (label) {
    e.ExitHandlerLabel = std::move(label);
    e.NoExitVar->SetValue("1");
    return;
  }
  if (EvalArg(e, name).empty()) {
    e.ExitHandlerLabel.reset();
    e.NoExitVar->SetValue("0");
    return;
  }
  RaiseError(e, msg::kUndefinedLabel, {name});
}

void CmdInclude(TNokaBase& e) {
  std::string name = PopArgValue(e);
  // A packed program's own files come first.
  std::string path = ResolveReadName(e, PackedLookup(e, name));
  std::string text;
  if (!ReadScriptFile(e, path, text)) RaiseError(e, msg::kFileMissing, {name});
  if (e.SourceSlots.size() >= 50) RaiseError(e, msg::kTooManyIncludes, {name});
  TextBuf prepared = MakeText(Prepare(e, text));
  e.SourceSlots.push_back(prepared);
  CollectLabels(e, prepared, path);
  RunNested(e, TextPos::StartOf(prepared), path);
}

void CmdRunText(TNokaBase& e) { RunProgramText(e, PopArgValue(e)); }

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::取り込む, CmdInclude},
    {Id::のかりする, CmdRunText},
    {Id::エラーを無視, CmdIgnoreErrors},
    {Id::エラー処理設定, CmdSetErrorHandler},
    {Id::エラーを警告, CmdWarnErrors},
    {Id::エラーから復帰, CmdResumeAfterError},
    {Id::終了処理設定, CmdSetExitHandler},
};

}  // namespace

extern const Family kErrorsFamily{"errors", kCommands, {}};

}  // namespace nokari
