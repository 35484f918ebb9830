// Statement plans: recording and replaying (see Plans.h).
#include "core/Plans.h"

#include "core/Hot.h"
#include "words/Calls.h"
#include "words/Registry.h"
#include "words/Value.h"

namespace nokari {
namespace {

// のかりする makes texts without end, so the plans are bounded. A statement
// being replayed holds on to its plan, so a full set is retired and freed only
// between top-level statements.
void RetirePlansWhenFull(TNokaBase& e) {
  if (e.Caches->Plans.size() <= 65536) return;
  e.Caches->RetiredPlans.push_back(std::move(e.Caches->Plans));
  e.Caches->Plans.clear();
}

// After an assignment ending at p: where the line end or statement
// separator that closes the statement leads, or null when neither follows.
// `line` is the line number there (-1 after a separator: the same line).
const char* LineEndAfterStatement(const TNokaBase& e, const char* p, int32_t& line) {
  while (*p == ' ' || *p == '\t' || *p == ',' || static_cast<unsigned char>(*p) == 0xA4) {
    if (*p == ',') return nullptr;  // a "," continues the statement
    ++p;
  }
  if (*p == ';' && p != e.Cursor.End) {
    line = -1;
    return p + 1;
  }
  if (!AtLineEnd(e, p)) return nullptr;
  if (p == e.Cursor.End) {  // a body's closing line end leads to its NUL
    line = LineAfter(p);
    return e.Cursor.BufferEnd();
  }
  return PastLineEnd(p, line);
}

// The line end or separator after a replayed assignment, stepped over at
// once (it would only end a statement with nothing left on the word stack).
NOKARI_HOT void StepPastLineEnd(TNokaBase& e, const EngineCaches::StatementPlan& plan) {
  if (plan.AfterLine && e.Cursor.P == plan.End && e.Cursor.Buf == plan.Owner && e.ArgStack.Count() == 0) {
    e.Cursor.P = plan.AfterLine;
    if (plan.AfterLineNo >= 0) e.LineNo = plan.AfterLineNo;
  }
}

// A command that moved the cursor from p on to a line end (もし without a
// branch taken, a loop not entered) with nothing on the word stack: the line
// end is stepped over now, as the next step would.
NOKARI_HOT void StepOverLineEndAfter(TNokaBase& e, const std::string* owner, const char* limit, const char* p) {
  if (e.Cursor && e.Cursor.Buf.get() == owner && e.Cursor.End == limit && e.Cursor.P > p &&
      e.ArgStack.Count() == 0 && AtLineEnd(e, e.Cursor.P))
    StepOverLineEnd(e);
}

// A command or user function whose phrases fit its slots in order runs with
// the binding made once; false (nothing done) otherwise.
NOKARI_HOT bool RunBound(TNokaBase& e, EngineCaches::StatementPlan& plan) {
  THashNode* word = plan.VerbWord.get();
  if (!word || plan.Phrases.empty() || e.LooseBinding) return false;
  if (!IsCommandOrLabel(word)) return false;
  if (!plan.Bound || plan.Bound->Word != word || plan.Bound->Kind != word->Kind || plan.Bound->Spec != word->ArgSpec) {
    auto bound = std::make_shared<EngineCaches::StatementPlan::BoundCall>();
    bound->Word = word;
    bound->Kind = word->Kind;
    bound->Spec = word->ArgSpec;
    bound->InOrder = BindInSlotOrder(*word, plan.Phrases, bound->Phrases) &&
                     (word->Kind != kLabel || CountSlots(word->ArgSpec) == bound->Phrases.size());
    plan.Bound = std::move(bound);
  }
  if (!plan.Bound->InOrder) return false;
  std::shared_ptr<EngineCaches::StatementPlan::BoundCall> bound = plan.Bound;
  if (word->Kind == kLabel) {
    CallLabelBound(e, *word, bound->Phrases, bound->Compiled);
  } else {
    e.ImplicitSore = false;
    auto& items = e.ArgStack.Items;
    items.insert(items.end(), bound->Phrases.begin(), bound->Phrases.end());
    RunCommand(e, *word, plan.Verb);
  }
  ReportLeftovers(e, plan.Verb);
  return true;
}

// A command statement with phrases evaluated as it is read: a leading
// call in brackets (PlannedLeadingCall) and literals with {…}
// (PlannedLiteral). The phrases are pushed in order, each of those
// evaluated at its turn as the reading evaluates it, then the verb is
// looked up and run as the reading runs it. They may run anything, so
// nothing of the plan but its text is taken before they are evaluated.
// False, nothing done, when the leading call's name no longer finds
// something to call: the reader reads the statement.
bool ReplayEvaluatingPhrases(TNokaBase& e, EngineCaches::StatementPlan& plan, const char* p) {
  WordRef callee;
  if (plan.LeadingCall.At) {
    callee = e.Words.FindRef(plan.LeadingCall.Name, true);
    if (!IsCallable(callee.get())) return false;
  }
  const std::string* owner = plan.Owner.get();
  const char* limit = plan.Limit;
  const char* end = plan.End;
  TextBuf held = plan.Owner;  // the text the phrases are read from, while they run
  auto& items = e.ArgStack.Items;
  size_t i = 0;
  if (callee) {
    const char* q = plan.LeadingCall.At;
    e.Cursor.P = q;  // where the reading stands then
    std::string result = CallBracketed(e, std::move(callee), plan.LeadingCall.Name, q, BracketUse::kStatement);
    items.push_back(ValueAsPhrase(result, e.CurrentType) + plan.LeadingCall.Particle);
    i = 1;
  }
  size_t next = 0;
  for (; i < plan.Phrases.size(); ++i) {
    if (next < plan.Literals.size() && plan.Literals[next].Index == i) {
      PlannedLiteral& literal = plan.Literals[next++];
      e.Cursor.P = literal.Text.data();
      std::string phrase = QuoteAsLiteral(EvalPlacedLiteral(e, literal.Text, literal.Reading));
      phrase += literal.Particle;
      items.push_back(std::move(phrase));
    } else {
      items.push_back(plan.Phrases[i]);
    }
  }
  e.Cursor.P = end;
  if (plan.SetsLine) e.LineNo = plan.LineNo;
  const uint64_t generation = e.Words.Generation();
  if (plan.VerbGeneration != generation || !generation) {
    plan.VerbWord = plan.Verb[0] == '\\' ? WordRef() : e.Words.FindRef(plan.Verb, true);
    plan.VerbGeneration = generation;
  }
  RunVerb(e, plan.Verb, plan.VerbWord.get());
  StepOverLineEndAfter(e, owner, limit, p);
  return true;
}

}  // namespace

bool StillPlannable(const TNokaBase& e) {
  const EngineCaches::PlanRecording& rec = e.Caches->Recording;
  return rec.Start && rec.Pure && rec.Buf == e.Cursor.Buf.get() && rec.Limit == e.Cursor.End &&
         e.StmtStart == rec.Start;
}

void RecordCommandPlan(TNokaBase& e) {
  EngineCaches::PlanRecording& rec = e.Caches->Recording;
  const char* start = rec.Start;
  rec.Start = nullptr;
  if (!start || !rec.Pure || e.Caches->PlansOff || e.ArgStack.Count() == 0 || rec.Buf != e.Cursor.Buf.get() ||
      rec.Limit != e.Cursor.End || e.StmtStart != start)
    return;
  RetirePlansWhenFull(e);
  EngineCaches::StatementPlan plan;
  plan.Kind = EngineCaches::StatementPlan::kCommand;
  plan.Owner = e.Cursor.Buf;
  plan.Limit = e.Cursor.End;
  plan.End = e.Cursor.P;
  plan.Phrases.assign(e.ArgStack.Items.begin(), e.ArgStack.Items.end() - 1);
  plan.Verb = e.ArgStack.Items.back();
  if (!rec.Literals.empty()) {
    // Literals among the phrases are evaluated again at their turn (they
    // were read on the line the statement starts); a literal as the verb
    // is not planned.
    if (rec.Literals.back().Index >= plan.Phrases.size()) return;
    plan.Literals = std::move(rec.Literals);
  }
  if (rec.LeadingCall.At) {
    if (plan.Phrases.empty()) return;  // the call's value as the verb
    plan.LeadingCall = std::move(rec.LeadingCall);
  }
  plan.SetsLine = rec.SetsLine;
  plan.LineNo = e.LineNo;
  e.Caches->Plans.Emplace(start, std::move(plan));
}

namespace {

// An assignment's plan: `name` and the value's text, the cursor after it
// and the line end that follows.
EngineCaches::StatementPlan AssignmentPlan(TNokaBase& e, EngineCaches::StatementPlan::PlanKind kind,
                                           std::string name, std::shared_ptr<const std::string> value,
                                           const char* end) {
  EngineCaches::StatementPlan plan;
  plan.Kind = kind;
  plan.Owner = e.Cursor.Buf;
  plan.Limit = e.Cursor.End;
  plan.End = end;
  plan.Name = std::move(name);
  plan.Value = std::move(value);
  plan.AfterLine = LineEndAfterStatement(e, end, plan.AfterLineNo);
  return plan;
}

}  // namespace

void RecordAssignPlan(TNokaBase& e, const char* start, const std::string& name,
                      std::shared_ptr<const std::string> value, const char* end) {
  if (e.Caches->PlansOff) return;
  RetirePlansWhenFull(e);
  e.Caches->Plans.Emplace(
      start, AssignmentPlan(e, EngineCaches::StatementPlan::kAssign, name, std::move(value), end));
}

void RecordElementPlan(TNokaBase& e, const char* start, const std::string& name,
                       std::shared_ptr<const std::string> value, const char* end) {
  const size_t hash = name.find('#');
  if (e.Caches->PlansOff || hash == 0 || hash == std::string::npos) return;
  RetirePlansWhenFull(e);
  EngineCaches::StatementPlan plan =
      AssignmentPlan(e, EngineCaches::StatementPlan::kAssignElement, name.substr(0, hash), std::move(value), end);
  plan.Keys = name.substr(hash + 1);
  e.Caches->Plans.Emplace(start, std::move(plan));
}

void RecordItemPlan(TNokaBase& e, const char* start, const std::string& item,
                    std::shared_ptr<const std::string> value, const char* end) {
  if (e.Caches->PlansOff || !e.Caches->Recording.Literals.empty() || e.Caches->Recording.LeadingCall.At) return;
  RetirePlansWhenFull(e);
  EngineCaches::StatementPlan plan =
      AssignmentPlan(e, EngineCaches::StatementPlan::kAssignItem, item, std::move(value), end);
  plan.Phrases = e.ArgStack.Items;
  plan.SetsLine = e.Caches->Recording.SetsLine;
  plan.LineNo = e.LineNo;
  e.Caches->Plans.Emplace(start, std::move(plan));
}

NOKARI_HOT bool ReplayPlan(TNokaBase& e, const char* p) {
  EngineCaches& caches = *e.Caches;
  if (caches.PlansOff) return false;
  EngineCaches::StatementPlan* found = caches.Plans.Find(p);
  if (!found || found->Owner != e.Cursor.Buf || found->Limit != e.Cursor.End) return false;
  EngineCaches::StatementPlan& plan = *found;
  caches.Recording.Start = nullptr;
  if (plan.Kind == EngineCaches::StatementPlan::kAssign) {
    // Plans outlive the statements that replay them (see RetirePlansWhenFull).
    e.Cursor.P = plan.End;
    AssignStatement(e, plan.Name, *plan.Value, &plan.Target);
    StepPastLineEnd(e, plan);
    return true;
  }
  if (plan.Kind == EngineCaches::StatementPlan::kAssignElement) {
    e.Cursor.P = plan.End;
    AssignElementPlanned(e, plan.Name, plan.Keys, *plan.Value, plan.Target);
    StepPastLineEnd(e, plan);
    return true;
  }
  if (plan.Kind == EngineCaches::StatementPlan::kAssignItem) {
    e.Cursor.P = plan.End;
    if (plan.SetsLine) e.LineNo = plan.LineNo;
    AssignItemPlanned(e, plan.Phrases, plan.Name, *plan.Value, plan.Item);
    StepPastLineEnd(e, plan);
    return true;
  }
  if (!plan.Literals.empty() || plan.LeadingCall.At) return ReplayEvaluatingPhrases(e, plan, p);
  e.Cursor.P = plan.End;
  if (plan.SetsLine) e.LineNo = plan.LineNo;
  uint64_t generation = e.Words.Generation();
  if (plan.VerbGeneration != generation || !generation) {
    plan.VerbWord = plan.Verb[0] == '\\' ? WordRef() : e.Words.FindRef(plan.Verb, true);
    plan.VerbGeneration = generation;
  }
  // A raw pointer is enough: the word is used only until its command starts
  // (a nested replay may look the verb up anew, but only after that).
  const std::string* owner = plan.Owner.get();
  const char* limit = plan.Limit;
  THashNode* word = plan.VerbWord.get();
  if (plan.Phrases.empty() && word && word->Kind == kCommand && word->ArgSpec.empty()) {
    // A command without slots (戻る, 引数取得, もし): nothing to bind, and
    // its implementation found once.
    e.ImplicitSore = false;
    if (plan.VerbFnNumber != word->CommandNumber) {
      plan.VerbFn = PlannedCommandFn(*word);
      plan.VerbFnNumber = word->CommandNumber;
    }
    if (plan.VerbFn)
      RunCommandFn(e, plan.VerbFn, *word, plan.Verb);
    else
      RunCommand(e, *word, plan.Verb);
    ReportLeftovers(e, plan.Verb);
  } else if (!RunBound(e, plan)) {
    auto& items = e.ArgStack.Items;
    items.insert(items.end(), plan.Phrases.begin(), plan.Phrases.end());
    RunVerb(e, plan.Verb, plan.VerbWord.get());
  }
  StepOverLineEndAfter(e, owner, limit, p);
  return true;
}

NOKARI_HOT bool TakeArgumentsOnEntry(TNokaBase& e, std::string* soreAside) {
  EngineCaches& caches = *e.Caches;
  if (caches.PlansOff || !NothingWaitsBetweenStatements(e)) return false;
  const char* p = e.Cursor.P;
  SkipBlanks(p);
  EngineCaches::StatementPlan* plan = caches.Plans.Find(p);
  if (!plan || plan->Kind != EngineCaches::StatementPlan::kCommand || !plan->Phrases.empty() ||
      plan->Owner != e.Cursor.Buf || plan->Limit != e.Cursor.End)
    return false;
  // The verb as the last replay found it, in this generation of the word
  // table: the built-in command, not a word of the script's of that name.
  const uint64_t generation = e.Words.Generation();
  const THashNode* word = plan->VerbWord.get();
  if (plan->VerbGeneration != generation || !generation || !word || word->Kind != kCommand ||
      word->CommandNumber != CommandNumber(CommandId::引数取得))
    return false;
  if (!TakeBudgetStep(e)) return false;
  // As the step would: the cursor after the statement, the recording let
  // go. The statement an error names stays the call (引数取得 cannot
  // fail, and a call too deep is the call's error, raised before the next
  // statement).
  caches.Recording.Start = nullptr;
  e.Cursor.P = plan->End;
  if (plan->SetsLine) e.LineNo = plan->LineNo;
  e.ImplicitSore = false;
  if (soreAside) *soreAside = std::move(e.SoreVar->Value);
  TakeUserArguments(e);
  StepOverLineEndAfter(e, e.Cursor.Buf.get(), e.Cursor.End, p);
  ++e.StepsTakenTogether;
  return true;
}


}  // namespace nokari
