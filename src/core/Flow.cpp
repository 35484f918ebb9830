// Branches, cases and loops: the commands that read their block from the
// text after the cursor, and the phrase endings 回 and の時.
#include "core/Flow.h"

#include <cstring>

#include "core/Cp932.h"
#include "core/Errors.h"
#include "core/Keywords.h"
#include "core/Messages.h"
#include "core/Scan.h"
#include "words/Contract.h"
#include "words/Expr.h"
#include "words/Registry.h"
#include "words/Value.h"

namespace nokari {
namespace {

bool StartsWithWord(const char* p, const std::string& w) { return strncmp(p, w.c_str(), w.size()) == 0; }

bool AtBranchWord(const char* p) {
  const Keywords& kw = Kw();
  return StartsWithWord(p, kw.Nara) || StartsWithWord(p, kw.Chigaeba) || StartsWithWord(p, kw.Denakereba);
}

bool AtTrueWord(const char* p) { return StartsWithWord(p, Kw().Nara); }
bool AtFalseWord(const char* p) {
  return StartsWithWord(p, Kw().Chigaeba) || StartsWithWord(p, Kw().Denakereba);
}

void PushAndEnter(TNokaBase& e, TRunControl frame) {
  TextPos body = frame.Body;
  e.RunStack.Push(std::move(frame));
  e.Cursor = std::move(body);
}

// Whether a text reads as a number (optional sign, then a digit or "$").
bool LooksNumeric(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  return i < s.size() && ((s[i] >= '0' && s[i] <= '9') || s[i] == '$');
}

int32_t ClampInt32(long double x) { return ToInt32(x); }

// One piece of a condition: up to a space, "," or 0xA4; a literal or a
// bracketed text ends the piece right after it.
std::string NextPiece(const std::string& s, size_t& i) {
  while (i < s.size() && (s[i] == '\t' || s[i] == ' ' || s[i] == ',' || static_cast<unsigned char>(s[i]) == 0xA4)) ++i;
  size_t start = i;
  while (i < s.size()) {
    char c = s[i];
    if (c == ' ' || c == ',' || static_cast<unsigned char>(c) == 0xA4) break;
    if (c == '"' || c == '`') {
      size_t j = i + 1;
      while (j < s.size() && s[j] != c) {
        if (c == '"' && s[j] == '\\') ++j;
        j += CharLenAt(s, j < s.size() ? j : s.size() - 1);
      }
      i = j < s.size() ? j + 1 : s.size();
      break;
    }
    if (c == '(') {
      int depth = 0;
      while (i < s.size()) {
        if (s[i] == '(') ++depth;
        if (s[i] == ')' && --depth == 0) {
          ++i;
          break;
        }
        i += CharLenAt(s, i);
      }
      break;
    }
    i += CharLenAt(s, i);
  }
  return s.substr(start, i - start);
}

std::string DropTail(const std::string& s, const std::string& tail) { return s.substr(0, s.size() - tail.size()); }

}  // namespace

std::string TranslateCondition(const std::string& condition) {
  const Keywords& kw = Kw();
  std::string out;
  size_t i = 0;
  for (;;) {
    std::string piece = NextPiece(condition, i);
    if (piece.empty()) break;
    if (StartsWith(piece, kw.Katsu)) {
      out += " && " + piece.substr(kw.Katsu.size());
    } else if (StartsWith(piece, kw.Mataha)) {
      out += " || " + piece.substr(kw.Mataha.size());
    } else if (EndsWithChar(piece, kw.Ga)) {
      std::string left = DropTail(piece, kw.Ga);
      std::string right = NextPiece(condition, i);
      if (EndsWithChar(right, kw.Ijou))
        out += left + ">=" + DropTail(right, kw.Ijou);
      else if (EndsWithChar(right, kw.Ika))
        out += left + "<=" + DropTail(right, kw.Ika);
      else if (EndsWithChar(right, kw.ToHitoshii))
        out += left + "=" + DropTail(right, kw.ToHitoshii);
      else
        out += left + "=" + right;
    } else {
      out += piece;
    }
  }
  return out;
}

namespace {

// Reads the ならば / 違えば blocks after a condition into a plan; leaves the
// cursor after them. Reading depends on the text alone.
void ReadBranches(TNokaBase& e, bool questionForm, TNokaBase::BranchPlan& plan) {
  e.Recording.SetsLine = false;  // tells whether a line end was kept
  const char* p = e.Cursor.P;
  SkipBlanks(p);
  if (AtLineEnd(e, p)) {
    e.Cursor.P = p;
    StepOverLineEnd(e);
    p = e.Cursor.P;
    SkipBlanks(p);
  }
  e.Cursor.P = p;
  TRunControl trueBlock, falseBlock;
  if (AtTrueWord(p) || (questionForm && !AtFalseWord(p))) {
    if (AtTrueWord(p)) {
      ReadWord(p);
      SkipBlanks(p);
      e.Cursor.P = p;
    }
    ReadBlock(e, trueBlock);
    plan.TrueStart = trueBlock.Body.P;
    plan.TrueEnd = trueBlock.Body.End;
    p = e.Cursor.P;
    if (*p == ';' && !AtBodyEnd(e, p)) ++p;
    SkipBlanks(p);
    // Line ends between the blocks are stepped over only when a false
    // branch follows them.
    const char* q = p;
    int32_t savedLine = e.LineNo;
    bool lineKept = e.Recording.SetsLine;
    e.Cursor.P = q;
    while (AtLineEnd(e, e.Cursor.P)) {
      StepOverLineEnd(e);
      const char* r = e.Cursor.P;
      SkipBlanks(r);
      e.Cursor.P = r;
    }
    if (AtFalseWord(e.Cursor.P)) {
      p = e.Cursor.P;
    } else {
      e.Cursor.P = p;
      e.LineNo = savedLine;
      e.Recording.SetsLine = lineKept;
    }
  }
  if (AtFalseWord(p)) {
    ReadWord(p);
    SkipBlanks(p);
    e.Cursor.P = p;
    if (StartsWithWord(p, Kw().Moshi)) RaiseError(e, msg::kNestedIf, {Kw().Moshi});
    ReadBlock(e, falseBlock);
    plan.FalseStart = falseBlock.Body.P;
    plan.FalseEnd = falseBlock.Body.End;
  }
  plan.Owner = e.Cursor.Buf;
  plan.Limit = e.Cursor.End;
  plan.QuestionForm = questionForm;
  plan.End = e.Cursor.P;
  plan.SetsLine = e.Recording.SetsLine;
  plan.LineNo = e.LineNo;
}

// Branch frames need only their body and the place after the blocks: they
// never return anywhere nor give back a file name.
void EnterBranch(TNokaBase& e, const char* start, const char* end, FrameKind kind) {
  TRunControl& frame = e.RunStack.PushNew();
  frame.Kind = kind;
  frame.Body = TextPos(e.Cursor.Buf, start, end);
  frame.ExitPos = std::move(e.Cursor);
  e.Cursor = frame.Body;
}

}  // namespace

void SelectBranch(TNokaBase& e, bool questionForm) {
  const char* at = e.Cursor.P;
  const TNokaBase::BranchPlan* plan = e.BranchPlans.Find(at);
  if (plan && plan->Owner == e.Cursor.Buf && plan->Limit == e.Cursor.End && plan->QuestionForm == questionForm) {
    e.Cursor.P = plan->End;
    if (plan->SetsLine) e.LineNo = plan->LineNo;
  } else {
    TNokaBase::BranchPlan fresh;
    ReadBranches(e, questionForm, fresh);
    if (e.BranchPlans.size() > 65536) e.BranchPlans.clear();
    plan = &e.BranchPlans.Set(at, std::move(fresh));
  }
  int32_t result = e.CondResult;
  e.CondResult = -1;
  // Nothing runs while a branch is entered: the plan stays as it is.
  if (result == 1 && plan->TrueStart) {
    EnterBranch(e, plan->TrueStart, plan->TrueEnd, kTrueBranch);
  } else if (result == 0 && plan->FalseStart) {
    EnterBranch(e, plan->FalseStart, plan->FalseEnd, kFalseBranch);
  }
}

void TimesLoop(TNokaBase& e, const std::string& countText) {
  std::string v = EvalArg(e, countText);
  int64_t n = IntDefault(v, LooksNumeric(v) ? ToInt64(ToNumber(v)) : -1);
  TRunControl frame;
  ReadBlock(e, frame);
  if (n <= 0) return;
  frame.Kind = kTimesLoop;
  frame.Counter = 1;
  frame.Limit = n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n);
  e.CountVar->SetValue("1");
  PushAndEnter(e, std::move(frame));
}

void SwitchCase(TNokaBase& e, const std::string& caseText) {
  const Keywords& kw = Kw();
  TRunControl frame;
  ReadBlock(e, frame);
  if (e.SwitchValue == kw.Undefined) return;
  bool match;
  if (caseText == kw.Sonota) {
    match = true;
  } else if (EndsWithChar(caseText, kw.Ijou)) {
    match = ToNumber(EvalArg(e, DropTail(caseText, kw.Ijou))) <= ToNumber(e.SwitchValue);
  } else if (EndsWithChar(caseText, kw.Ika)) {
    match = ToNumber(EvalArg(e, DropTail(caseText, kw.Ika))) >= ToNumber(e.SwitchValue);
  } else {
    match = EvalArg(e, caseText) == e.SwitchValue;
  }
  if (!match) return;
  e.SwitchValue = kw.Undefined;
  frame.Kind = kCaseFrame;
  PushAndEnter(e, std::move(frame));
}

// ---------------------------------------------------------------------------
// Commands

namespace {

void CmdIf(TNokaBase& e) {
  const char* p = e.Cursor.P;
  SkipBlanks(p);
  TNokaBase::CachedValueText* cached = e.ConditionCache.Find(p);
  if (cached && cached->Owner == e.Cursor.Buf && cached->Limit == e.Cursor.End) {
    e.Cursor.P = cached->End;
    CompiledRef& slot = cached->Compiled;
    if (!IsCurrent(slot)) slot = CompileExpression(*cached->Text);
    const CompiledRef compiled = slot;
    long double x;
    // A whole number reads back from its text unchanged: no text needed.
    if (TryEvalNumber(e, compiled, x) && IsWholeNumber(x)) {
      SetTag(e.CurrentType, "e");
      e.CondResult = ToInt64(x) == 1 ? 1 : 0;
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
  auto expression = std::make_shared<const std::string>(TranslateCondition(condition));
  // Conditions on one line are cached; one that runs on to the next line
  // is read again so the line marker is stepped over.
  if (!crossedLine) {
    if (e.ConditionCache.size() > 65536) e.ConditionCache.clear();
    e.ConditionCache.Set(start, {e.Cursor.Buf, e.Cursor.End, p, expression});
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
  int32_t last = ClampInt32(ToNumber(endText));
  int32_t first = ClampInt32(ToNumber(startText));
  WordRef counter = e.Words.FindRef(name);
  if (!counter) {
    CreateVariable(e, name);
    counter = e.Words.FindRef(name);
  } else if (counter->Kind != kVariable) {
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
  THashNode* w = e.Words.Find(arg);
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
  std::string condition = UnquoteLiteral(PopArgText(e));
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
    e.FileName = f.SavedFileName;
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
  if (!IsBranchKind(f.Kind)) e.FileName = f.SavedFileName;
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
  THashNode* label = e.Words.Find(name);
  if (!label || label->Kind != kLabel) RaiseError(e, msg::kUndefinedLabel, {name});
  e.Cursor = label->Ref;
  e.FileName = label->TypeTag;
}

void CmdJump(TNokaBase& e) {
  std::string name = UnquoteLiteral(PopArgText(e));
  if (!name.empty() && name[0] == '*') name.erase(0, 1);
  std::string mark = "*" + name + "\r";
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
  THashNode* label = e.Words.Find(name);
  if (!label || label->Kind != kLabel) RaiseError(e, msg::kArgError, {Sj("呼ぶ")});
  TRunControl frame;
  frame.Kind = kCallFrame;
  frame.ReturnPos = e.Cursor;
  frame.ExitPos = label->Ref;
  frame.SavedFileName = e.FileName;
  e.RunStack.Push(std::move(frame));
  e.FileName = label->TypeTag;
  e.Cursor = label->Ref;
}

void CmdReturn(TNokaBase& e) {
  if (e.RunStack.Count() == 0) {
    e.Cursor.Reset();
    return;
  }
  // Without a call frame nothing is popped: the loop around stays intact.
  bool inCall = false;
  for (int i = 0; i < e.RunStack.Count() && !inCall; ++i) {
    uint8_t kind = e.RunStack.At(i)->Kind;
    inCall = kind == kCallFrame || kind == kEventFrame;
  }
  if (!inCall) RaiseError(e, msg::kNoReturnPlace);
  while (TRunControl* top = e.RunStack.Top()) {
    if (top->Kind == kCallFrame || top->Kind == kEventFrame) {
      e.Cursor = std::move(top->ReturnPos);
      if (e.FileName != top->SavedFileName) e.FileName = std::move(top->SavedFileName);
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
}

}  // namespace

std::span<const CommandImpl> FlowCommands() {
  static const CommandImpl table[] = {
      {2, CmdEnd},      {3, CmdReturn},   {5, CmdJump},        {6, CmdCall},
      {13, CmdWait},    {56, CmdRepeat},  {71, CmdEach},       {102, CmdIf},
      {215, CmdBreak},  {369, CmdSwitch}, {398, CmdContinue},  {414, CmdWhile},
  };
  return table;
}

}  // namespace nokari
