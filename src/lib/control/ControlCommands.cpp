// The control commands: branches, loops, jumps, calls, returns, waiting and
// the end. They drive the statement engine itself, so unlike other families
// they reach its flow machinery (core/Flow.h), the cursor and the run-control
// stack, and もし keeps the conditions it translated in the engine's caches
// (core/EngineCaches.h). Arguments and words they still take through the
// command API (words/Contract.h) like any family.
#include <cstring>

#include "core/Cp932.h"
#include "core/Errors.h"
#include "core/Events.h"
#include "core/EngineCaches.h"
#include "core/Flow.h"
#include "core/Hot.h"
#include "core/Keywords.h"
#include "core/Messages.h"
#include "core/Scan.h"
#include "words/Contract.h"
#include "words/Expr.h"
#include "words/Family.h"
#include "words/Value.h"

namespace nokari {
namespace {

NOKARI_HOT void CmdIf(TNokaBase& e) {
  const char* p = e.Cursor.P;
  SkipBlanks(p);
  EngineCaches::CachedValueText* cached = e.Caches->ConditionCache.Find(p);
  if (cached && cached->Owner == e.Cursor.Buf && cached->Limit == e.Cursor.End) {
    e.Cursor.P = cached->End;
    CompiledRef& slot = cached->Compiled;
    if (!IsCurrent(slot)) slot = CompileExpression(*cached->Text);
    const CompiledRef compiled = slot;
    // A whole number reads back from its text unchanged: no text needed.
    const int decided = TryEvalCondition(e, compiled);
    if (decided >= 0) {
      SetTag(e.CurrentType, "e");
      e.CondResult = decided;
    } else {
      // Held: the evaluation may run statements that change the cache.
      std::shared_ptr<const std::string> expression = cached->Text;
      std::string value = EvaluateExpression(e, *expression, compiled);
      e.CondResult = ToInt64(ToNumber(value)) == 1 ? 1 : 0;
    }
    SelectBranch(e, false);
    return;
  }
  const char* start = p;
  bool crossedLine = false;
  std::string condition;
  for (;;) {
    if (AtTextEnd(e, p)) {
      e.Cursor.P = p;
      RaiseError(e, msg::kNoBranchEnd);
    }
    if (AtBranchWord(p)) break;
    if (AtLineEnd(e, p)) {
      e.Cursor.P = p;
      StepOverLineEnd(e);
      p = e.Cursor.P;
      SkipBlanks(p);
      if (!AtBranchWord(p)) RaiseError(e, msg::kNoBranchEnd);
      crossedLine = true;
      break;
    }
    if (*p == '"' || *p == '`') {
      const char* end = LiteralEnd(e, p);
      condition.append(p, end);
      p = end;
      continue;
    }
    size_t len = CharLenAt(p);
    condition.append(p, len);
    p += len;
  }
  e.Cursor.P = p;
  std::string whole;
  auto expression = std::make_shared<const std::string>(TranslateCondition(condition, &whole));
  if (!whole.empty() && FirstDebugWarning(e, start)) Warn(e, msg::kConditionWordWhole, {whole});
  // Conditions on one line are cached; one that runs on to the next line
  // is read again so the line marker is stepped over.
  if (!crossedLine) {
    if (e.Caches->ConditionCache.size() > 65536) e.Caches->ConditionCache.clear();
    e.Caches->ConditionCache.Set(start, {e.Cursor.Buf, e.Cursor.End, p, expression});
  }
  std::string value = EvaluateExpression(e, *expression);
  e.CondResult = ToInt64(ToNumber(value)) == 1 ? 1 : 0;
  SelectBranch(e, false);
}

void CmdSwitch(TNokaBase& e) { e.SwitchValue = PopArgValue(e); }

void CmdRepeat(TNokaBase& e) {
  std::string endText = PopArgValue(e);
  std::string startText = PopArgValue(e);
  std::string name = UnquoteLiteral(PopArgText(e));
  static const std::string self = Sj("繰り返す");
  if (!LooksNumeric(endText) || !LooksNumeric(startText)) RaiseError(e, msg::kNeedNumber, {self});
  int32_t last = ToInt32(ToNumber(endText));
  int32_t first = ToInt32(ToNumber(startText));
  // No name (",を、1から…") makes no variable to count in.
  if (name.empty()) RaiseError(e, msg::kCounterMustBeVariable, {self});
  WordRef counter = FindWordRef(e, name);
  if (!counter) {
    CreateVariable(e, name);
    counter = FindWordRef(e, name);
  }
  if (!counter || counter->Kind != kVariable) {
    RaiseError(e, msg::kCounterMustBeVariable, {self});
  }
  TRunControl frame;
  ReadBlock(e, frame);
  if (last < first) return;
  counter->SetValue(FormatInt(first), "e");
  frame.Kind = kCountLoop;
  frame.Counter = first;
  frame.Limit = last;
  frame.CounterVar = counter;
  PushAndEnter(e, std::move(frame));
}

void CmdEach(TNokaBase& e) {
  std::string arg = PopArgText(e);
  std::string value;
  THashNode* w = FindWord(e, arg);
  if (w && w->Kind == kVariable) {
    value = w->Value;
  } else if (w && w->Kind == kDictionary) {
    value = w->Table ? w->Table->PairsText() : std::string();
  } else {
    value = EvalArg(e, arg);
  }
  TRunControl frame;
  ReadBlock(e, frame);
  auto items = std::make_shared<std::vector<std::string>>();
  for (auto line : SplitLines(value)) items->emplace_back(line);
  if (items->empty()) return;
  e.SoreVar->SetValue((*items)[0], "s");
  e.CountVar->SetValue("1");
  frame.Kind = kEachLoop;
  frame.Counter = 1;
  frame.Items = std::move(items);
  PushAndEnter(e, std::move(frame));
}

void CmdWhile(TNokaBase& e) {
  const std::string written = PopArgText(e);
  std::string condition = UnquoteLiteral(written);
  // Only a condition written out is read as もし reads it: a literal is an
  // expression as it stands (its 、 are not the pieces' separators).
  const bool literal = !written.empty() && (written[0] == '`' || written[0] == '"');
  if (!condition.empty() && !literal) condition = LoopConditionExpression(condition);
  TRunControl frame;
  ReadBlock(e, frame);
  if (condition.empty() || condition == "``") {
    if (FirstDebugWarning(e)) Warn(e, msg::kEmptyLoopCondition);
    return;
  }
  if (ToInt64(ToNumber(EvaluateExpression(e, condition))) == 0) return;
  frame.Kind = kWhileLoop;
  frame.Counter = 1;
  frame.Limit = -1;
  frame.Condition = condition;
  e.CountVar->SetValue("1");
  PushAndEnter(e, std::move(frame));
}

bool IsBranchKind(uint8_t k) { return k == kTrueBranch || k == kFalseBranch || k == kCaseFrame; }
bool IsLoopKind(uint8_t k) { return k == kCountLoop || k == kTimesLoop || k == kEachLoop || k == kWhileLoop; }

void CmdBreak(TNokaBase& e) {
  TRunControl f;
  // Every branch and case frame above the innermost loop or call goes.
  do {
    if (!e.RunStack.Pop(f)) return;
  } while (IsBranchKind(f.Kind));
  if (IsLoopKind(f.Kind)) {
    e.Cursor = f.ExitPos;
  } else if (f.Kind == kCallFrame || f.Kind == kEventFrame) {
    e.Cursor = f.ReturnPos;
    RestoreFileName(e, f.SavedFileName);
  }
}

void CmdContinue(TNokaBase& e) {
  if (e.RunStack.Count() == 0) {
    e.Cursor.Reset();
    return;
  }
  TRunControl f;
  while (e.RunStack.Pop(f) && IsBranchKind(f.Kind)) {
  }
  // Only loops and calls keep a file name; with branch frames alone there is
  // no file to go back to (a branch never changes the file).
  if (!IsBranchKind(f.Kind)) RestoreFileName(e, f.SavedFileName);
  e.RunStack.Push(std::move(f));
  CheckRunControl(e);
}

// Where "*name" followed by a line end stands in a body; null when nowhere.
// The body's own closing line end counts (the label may end the body).
const char* FindLabelInBody(const TextPos& body, const std::string& mark) {
  std::string_view text(body.P, body.End - body.P);
  size_t at = text.find(mark);
  if (at != std::string_view::npos) return body.P + at;
  std::string_view name(mark.data(), mark.size() - 1);
  if (text.ends_with(name) && LineFollows(body.End)) return body.End - name.size();
  return nullptr;
}

void GlobalJump(TNokaBase& e, const std::string& name) {
  THashNode* label = FindWord(e, name);
  if (!label || label->Kind != kLabel) RaiseError(e, msg::kUndefinedLabel, {name});
  e.Cursor = label->Ref;
  e.FileName = label->TypeTag;
}

void CmdJump(TNokaBase& e) {
  std::string name = UnquoteLiteral(PopArgText(e));
  if (!name.empty() && name[0] == '*') name.erase(0, 1);
  std::string mark = "*" + name + "\r";
  NoteJumpPlace(e);
  TRunControl f;
  while (e.RunStack.Pop(f)) {
    if (!f.Body) {
      e.RunStack.Push(std::move(f));
      break;
    }
    if (const char* at = FindLabelInBody(f.Body, mark)) {
      TextPos body = f.Body;
      e.RunStack.Push(std::move(f));
      e.Cursor = TextPos(body.Buf, at, body.End);
      return;
    }
  }
  GlobalJump(e, name);
}

void CmdCall(TNokaBase& e) {
  std::string name = UnquoteLiteral(PopArgText(e));
  if (!name.empty() && name[0] == '*') name.erase(0, 1);
  THashNode* label = FindWord(e, name);
  if (!label || label->Kind != kLabel) RaiseCommandError(e, msg::kArgError);
  NoteJumpPlace(e);
  TRunControl frame;
  frame.Kind = kCallFrame;
  frame.ReturnPos = e.Cursor;
  frame.ExitPos = label->Ref;
  frame.SavedFileName = SharedFileName(e);
  e.RunStack.Push(std::move(frame));
  e.FileName = label->TypeTag;
  e.Cursor = label->Ref;
}

NOKARI_HOT void CmdReturn(TNokaBase& e) {
  if (e.RunStack.Count() == 0) {
    e.Cursor.Reset();
    return;
  }
  // Without a call frame nothing is popped: the loop around stays intact.
  // Looked for from the top, where the nearest one is (a deep recursion
  // would otherwise walk all its frames at every return).
  bool inCall = false;
  for (int i = e.RunStack.Count(); i-- > 0 && !inCall;) {
    uint8_t kind = e.RunStack.At(i)->Kind;
    inCall = kind == kCallFrame || kind == kEventFrame;
  }
  if (!inCall) RaiseError(e, msg::kNoReturnPlace);
  NoteJumpPlace(e);
  while (TRunControl* top = e.RunStack.Top()) {
    if (top->Kind == kCallFrame || top->Kind == kEventFrame) {
      e.Cursor = std::move(top->ReturnPos);
      RestoreFileName(e, top->SavedFileName);
      e.RunStack.DropTop();
      return;
    }
    e.RunStack.DropTop();
  }
}

void CmdEnd(TNokaBase& e) { EndProgram(e); }

void CmdWait(TNokaBase& e) {
  e.RunStack.Clear();
  e.Cursor.Reset();
  NoteHalt(e);
}

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::おわり, CmdEnd},
    {Id::戻る, CmdReturn},
    {Id::飛ぶ, CmdJump},
    {Id::呼ぶ, CmdCall},
    {Id::待機, CmdWait},
    {Id::繰り返す, CmdRepeat},
    {Id::反復, CmdEach},
    {Id::もし, CmdIf},
    {Id::抜ける, CmdBreak},
    {Id::条件分岐, CmdSwitch},
    {Id::続ける, CmdContinue},
    {Id::ループ, CmdWhile},
};

}  // namespace

extern const Family kControlFamily{"control", kCommands, {}};

}  // namespace nokari
