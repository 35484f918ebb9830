// Label and user-function calls in statement form and bracket form.
#include "words/Calls.h"

#include "core/Cp932.h"
#include "core/EngineCaches.h"
#include "core/Errors.h"
#include "core/Hot.h"
#include "core/Messages.h"
#include "core/Plans.h"
#include "core/Scan.h"
#include "words/Contract.h"
#include "words/Expr.h"
#include "words/Registry.h"
#include "words/Value.h"

namespace nokari {

size_t CountSlots(const std::string& argSpec) {
  size_t n = 0;
  for (char c : argSpec)
    if (c == '?') ++n;
  return n;
}

void PushUserArgs(TNokaBase& e, THashNode& label);  // below, beside CallLabel

namespace {

// Saves それ and puts it back when the scope ends. Where nothing can read
// the old value it is moved aside instead of copied, so a long それ (a whole
// file read) costs such a call nothing:
//   kAside: a command with no effect but its result, none of whose
//     arguments names それ. The type tag stays: a command may keep it for
//     its result.
//   kEmptied: a label run as a value, which starts with それ empty.
//   kAtEntry: a function called in brackets. Its arguments are evaluated
//     first (they may read それ); as it is entered, its first statement
//     引数取得 replaces それ unread and hands the old value over
//     (TakeArgumentsOnEntry), or else the value is copied then (AtEntry).
//     Nothing is put back if the call fails before: それ is untouched.
// A short value is copied at once (kAside, kAtEntry): that costs less than
// moving it aside and back, as long as the copy needs no block of its own
// (a text of up to 15 bytes is held in the string itself).
struct SoreKeeper {
  enum Mode : uint8_t { kCopy, kAside, kEmptied, kAtEntry };
  static constexpr size_t kShortValue = 15;
  static bool IsLong(const TNokaBase& e) { return e.SoreVar->Value.size() > kShortValue; }
  TNokaBase& e;
  std::string value, tag;
  bool saved = true;
  // Inlined: it stands in every call in brackets.
  [[gnu::always_inline]] explicit SoreKeeper(TNokaBase& eng, Mode mode = kCopy) : e(eng), tag(eng.SoreVar->TypeTag) {
    if ((mode == kAside || mode == kAtEntry) && !IsLong(eng)) mode = kCopy;
    if (mode == kCopy) {
      value = eng.SoreVar->Value;
    } else if (mode == kAside || mode == kEmptied) {
      value = std::move(eng.SoreVar->Value);
      eng.SoreVar->SetValue(std::string());  // a new version: nothing kept of the old value holds
    } else {
      saved = false;
    }
  }
  // Where the function's 引数取得 may hand the value over; null when it
  // is saved already.
  std::string* HandOverSlot() { return saved ? nullptr : &value; }
  // The function is entered; `handedOver`: its 引数取得 moved the value here.
  void AtEntry(bool handedOver) {
    if (saved) return;
    if (!handedOver) value = e.SoreVar->Value;
    saved = true;
  }
  ~SoreKeeper() {
    if (saved) e.SoreVar->SetValue(std::move(value), std::move(tag));
  }
};

// Pushes a call frame and moves the cursor into the label. True when the
// function took its arguments as it was entered (its 引数取得 moved それ's
// old value to `soreAside`, when given).
NOKARI_HOT bool EnterCall(TNokaBase& e, THashNode& label, std::string* soreAside = nullptr) {
  NoteJumpPlace(e);
  TRunControl& frame = e.RunStack.PushNew();
  frame.Kind = kCallFrame;
  frame.ReturnPos = std::move(e.Cursor);  // set anew just below
  frame.SavedFileName = SharedFileName(e);
  if (e.FileName != label.TypeTag) e.FileName = label.TypeTag;
  e.Cursor = label.Ref;
  // A label stands alone on its line: step over that line end at once, as
  // the statement engine would with nothing on the word stack.
  if ((*e.Cursor.P == '\r' || *e.Cursor.P == '\n') && e.ArgStack.Count() == 0) StepOverLineEnd(e);
  return TakeArgumentsOnEntry(e, soreAside);
}

// The label branch of a bracket call once its arguments are taken: the
// function runs in a level of its own until it returns.
void RunLabelInLevel(TNokaBase& e, THashNode& label, bool savedLoose, SoreKeeper& keep) {
  TextPos savedCursor = e.Cursor;
  e.RunStack.SaveLevel();
  // The phrases of the statement the call stands in wait under the
  // function's own: its statements start with nothing on the word stack
  // (else its first statement would take them for its own, and no event
  // could start inside it).
  std::vector<std::string> waiting;
  if (!e.ArgStack.Items.empty()) waiting.swap(e.ArgStack.Items);
  // The statement the call stands in is the one an error after it names:
  // the function's statements take its place while they run.
  struct LevelRestore {
    TNokaBase& e;
    TextPos& cursor;
    std::vector<std::string>& waiting;
    const char* stmt = e.StmtStart;
    const std::string* stmtBuf = e.StmtBuf;
    const char* stmtEnd = e.StmtEnd;
    ~LevelRestore() {
      e.RunStack.RestoreLevel();
      if (!e.StopFlag) e.Cursor = cursor;
      e.StmtStart = stmt;
      e.StmtBuf = stmtBuf;
      e.StmtEnd = stmtEnd;
      if (waiting.empty()) return;
      auto& items = e.ArgStack.Items;
      waiting.insert(waiting.end(), std::make_move_iterator(items.begin()), std::make_move_iterator(items.end()));
      items.swap(waiting);
    }
  } restoreLevel{e, savedCursor, waiting};
  e.Cursor.Reset();
  std::string* slot = keep.HandOverSlot();
  const bool tookArguments = EnterCall(e, label, slot);
  keep.AtEntry(tookArguments && slot);
  e.LooseBinding = savedLoose;
  RunLoop(e);
}

// The arguments are evaluated where the call stands (its line, its
// cursor); only the function itself runs in a level of its own.
void CallLabelBracketed(TNokaBase& e, THashNode& label, bool savedLoose, SoreKeeper& keep) {
  PushUserArgs(e, label);
  RunLabelInLevel(e, label, savedLoose, keep);
}

// Binding of a bracket call is loose, whatever the caller's: phrases fit
// their slots by order. The caller's comes back when the call is over.
struct LooseScope {
  TNokaBase& e;
  bool saved;
  explicit LooseScope(TNokaBase& eng) : e(eng), saved(eng.LooseBinding) { e.LooseBinding = true; }
  ~LooseScope() { e.LooseBinding = saved; }
};

// The call itself, once the arguments are on the word stack. Kept out of
// CallBracketed so that its locals are no part of the frames a nesting
// stacks up (the sanitizer build gives every local its own guarded slot).
[[gnu::noinline]] std::string InvokeBracketed(TNokaBase& e, THashNode& word, const std::string& name, bool push,
                                             bool soreUnread = false) {
  SoreKeeper keep(e, word.Kind == kLabel ? SoreKeeper::kAtEntry : soreUnread ? SoreKeeper::kAside : SoreKeeper::kCopy);
  LooseScope loose(e);
  if (word.Kind == kLabel) {
    CallLabelBracketed(e, word, loose.saved, keep);
  } else {
    Dispatch(e, word, name);
  }
  e.CurrentType = e.SoreVar->TypeTag;
  if (push) e.ArgStack.Push(ValueAsPhrase(e.SoreVar->Value, e.CurrentType));
  // それ gets its old value back just after this: the result is moved out
  // rather than copied.
  return std::move(e.SoreVar->Value);
}

bool IsArgBlank(char c) {
  return c == ' ' || c == '\t' || c == ',' || static_cast<unsigned char>(c) == 0xA4 || c == '\r' || c == '\n';
}

// Blanks, commas and line ends (with the line marker after each) between
// arguments.
void SkipArgBlanks(const char*& p) {
  while (IsArgBlank(*p)) {
    if (*p == '\r' || *p == '\n') {
      while (*p == '\r' || *p == '\n') ++p;
      while (*p >= '0' && *p <= '9') ++p;
      if (*p == ':') ++p;
      continue;
    }
    ++p;
  }
}

// The end of the argument at p: the next "," or ")" outside literals and
// brackets, or a line end.
const char* ArgumentEnd(TNokaBase& e, const char* p) {
  while (*p && *p != ',' && *p != ')' && *p != '\r' && *p != '\n') {
    if (*p == '"' || *p == '`')
      p = LiteralEnd(e, p);
    else if (*p == '(')
      p = BracketEnd(e, p);
    else
      p += CharLenAt(p);
  }
  return p;
}

// Arguments up to this long are copied and evaluated through the compiled
// cache (which takes texts up to 4096 bytes); longer ones, as in a deep
// nesting, are read where they stand, so that no level copies the levels
// inside it.
constexpr size_t kCopyLimit = 4096;

// Just after the ")" that closes a bracket whose contents were read up to p.
const char* ClosingParen(TNokaBase& e, const char* p) {
  p = ArgumentEnd(e, p);
  while (*p == ',' || *p == '\r' || *p == '\n') p = ArgumentEnd(e, p + 1);
  if (*p != ')') RaiseError(e, msg::kUnbalancedParen);
  return p + 1;
}

// A number as the literal reader takes it (sign, digits, fraction,
// exponent), then whatever word characters follow it (10個, $FF).
std::string ReadNumberWord(const char*& p) {
  const char* start = p;
  if (*p == '-') ++p;
  if (*p != '$') p = ScanDecimal(p);
  while (!IsWordDelimiter(static_cast<unsigned char>(*p))) p += CharLenAt(p);
  return std::string(start, p);
}

// The kinds of argument, each in a frame of its own (see InvokeBracketed).

// (expression), with a particle directly after it.
[[gnu::noinline]] void PushBracketedArg(TNokaBase& e, const char*& p) {
  std::string value;
  if (const char* end = BalancedEnd(p, kCopyLimit, true)) {
    value = EvalArg(e, std::string(p, end));
    p = end;
  } else {
    ++p;
    value = EvaluateInPlace(e, p, false);
    p = ClosingParen(e, p);
  }
  std::string particle = IsWordDelimiter(static_cast<unsigned char>(*p)) ? std::string() : ReadWord(p);
  e.ArgStack.Push(ValueAsPhrase(value, e.CurrentType) + particle);
}

// An operator with no word before it continues the last argument.
[[gnu::noinline]] void PushContinuedArg(TNokaBase& e, const char*& p) {
  std::string left = e.ArgStack.PopLast();
  std::string value;
  if (const char* end = BalancedEnd(p, kCopyLimit, false)) {
    value = EvaluateExpression(e, left + std::string(p, end));
    p = end;
  } else {
    value = EvaluateInPlace(e, p, true, &left);
    p = ArgumentEnd(e, p);
  }
  e.ArgStack.Push(ValueAsPhrase(value, e.CurrentType));
}

// A word at start that is not a call, p after it and its blanks.
[[gnu::noinline]] void PushWordArg(TNokaBase& e, std::string& word, const char* start, const char*& p) {
  if (*p == '#') {
    const char* q = start;
    std::string value = EvalTerm(e, q);
    p = q;
    e.ArgStack.Push(ValueAsPhrase(value, e.CurrentType));
  } else if (*p == '&' && p[1] != '&') {
    THashNode* w = e.Words.Find(word);
    std::string joined = w && w->Kind == kVariable ? w->Value : word;
    while (*p == '&' && p[1] != '&') {
      ++p;
      joined += EvalTerm(e, p);
      SkipSpaces(p);
    }
    e.ArgStack.Push(QuoteAsLiteral(joined));
  } else if (*p && *p != ',' && IsOperatorChar(static_cast<unsigned char>(*p))) {
    std::string value;
    if (const char* end = BalancedEnd(start, kCopyLimit, false)) {
      value = EvaluateExpression(e, std::string(start, end));
      p = end;
    } else {
      p = start;
      value = EvaluateInPlace(e, p, true);
      p = ArgumentEnd(e, p);  // whatever the reading left over is ignored
    }
    e.ArgStack.Push(ValueAsPhrase(value, e.CurrentType));
  } else {
    e.ArgStack.Push(std::move(word));
  }
}

// One argument of a bracket call at p (blanks skipped), pushed as a phrase.
void PushBracketArg(TNokaBase& e, const char*& p) {
  char c = *p;
  if (c == '"' || c == '`') {
    e.ArgStack.Push(ExtractLiteral(e, p));
    return;
  }
  if (c == '(') return PushBracketedArg(e, p);
  if (IsOperatorChar(static_cast<unsigned char>(c)) && !(c == '-' && p[1] >= '0' && p[1] <= '9'))
    return PushContinuedArg(e, p);
  const char* start = p;
  std::string word = (c == '-' || (c >= '0' && c <= '9') || c == '$') ? ReadNumberWord(p) : ReadWord(p);
  if (word.empty()) {
    ++p;  // a character that starts no argument
    return;
  }
  SkipSpaces(p);
  if (*p == '(')
    CallBracketed(e, word, p, BracketUse::kArgument);
  else
    PushWordArg(e, word, start, p);
}

}  // namespace

// Binds a user function's phrases and pushes their values on UserArgs.
void PushUserArgs(TNokaBase& e, THashNode& label) {
  if (!label.ArgSpec.empty()) {
    BindArguments(e, label);
    size_t n = CountSlots(label.ArgSpec);
    if (n > e.ArgStack.Count()) n = e.ArgStack.Count();
    // Bound arguments are the top n phrases, in slot order; they leave the
    // stack before any is evaluated.
    auto& items = e.ArgStack.Items;
    if (n == 1) {
      std::string phrase = std::move(items.back());
      items.pop_back();
      e.UserArgs.Push(EvalArg(e, phrase));
    } else {
      std::vector<std::string> phrases(std::make_move_iterator(items.end() - n), std::make_move_iterator(items.end()));
      items.resize(items.size() - n);
      for (auto& phrase : phrases) e.UserArgs.Push(EvalArg(e, phrase));
    }
  }
}

void CallLabel(TNokaBase& e, THashNode& label) {
  PushUserArgs(e, label);
  EnterCall(e, label);
}

namespace {

// A whole number's digits pushed as a function's argument. When it is the
// only argument so far, the number is kept beside it for 引数取得
// (TNokaBase::UserArgWhole), within the range a word keeps whole numbers in.
void PushWholeUserArg(TNokaBase& e, int64_t whole) {
  FormatIntInto(e.UserArgs.Items.emplace_back(), whole);
  constexpr int64_t kWholeLimit = 999'999'999'999'999;
  if (e.UserArgs.Count() == 1 && whole >= -kWholeLimit && whole <= kWholeLimit) {
    e.UserArgIsWhole = true;
    e.UserArgWhole = whole;
  }
}

// An argument's value kept for the function's 引数取得, as EvalArg gives it.
// Arithmetic on whole numbers (fib(N-1)) is written straight into its
// place: no text made on the way and moved in.
NOKARI_HOT void PushUserArg(TNokaBase& e, const std::string& text, const CompiledRef& compiled) {
  int64_t whole;
  if (ShapeOf(compiled) == kArithmeticShape && TryEvalArgWhole(e, compiled, whole)) {
    PushWholeUserArg(e, whole);
    SetTag(e.CurrentType, "e");
    e.LastNumber = static_cast<long double>(whole);
    e.LastNumberValid = true;
    return;
  }
  e.UserArgs.Push(EvalArg(e, text, compiled));
}

}  // namespace

NOKARI_HOT void CallLabelBound(TNokaBase& e, THashNode& label, const std::vector<std::string>& bound,
                    std::vector<CompiledRef>& compiled) {
  e.ImplicitSore = false;
  compiled.resize(bound.size());
  for (size_t k = 0; k < bound.size(); ++k) {
    if (!IsCurrent(compiled[k])) compiled[k] = CompileArgument(bound[k]);
    PushUserArg(e, bound[k], compiled[k]);
  }
  EnterCall(e, label);
}

namespace {

// Whether a phrase on the word stack evaluates without running anything or
// reading それ: a literal without escapes or {…}, a number, a word that
// names a variable other than それ or nothing at all.
bool QuietPhrase(TNokaBase& e, const std::string& phrase) {
  if (phrase.empty()) return false;
  const char c = phrase[0];
  if (c == '"' || c == '`') return IsPlainLiteral(phrase);
  if (c == '-' || c == '$' || (c >= '0' && c <= '9')) return true;
  if (const THashNode* w = e.Words.Find(phrase)) return w->Kind == kVariable && w != e.SoreVar.get();
  std::string property;
  return !e.Words.Find(phrase, true) && !SplitObjectProperty(e, phrase, property);
}

// Whether a bracket call the reading made, its phrases pushed from
// `from` on, cannot read それ: a command with no effect but its result
// whose slots the phrases fill exactly, each of them quiet.
bool LeavesSoreUnread(TNokaBase& e, THashNode& word, size_t from) {
  if (!IsCommandKind(word.Kind) || !IsQuietCommandNumber(word.CommandNumber)) return false;
  const size_t n = e.ArgStack.Count() - from;
  if (SlotCount(word) != n || CountSlots(word.ArgSpec) != n) return false;
  for (size_t k = from; k < e.ArgStack.Count(); ++k)
    if (!QuietPhrase(e, e.ArgStack.Items[k])) return false;
  return true;
}

}  // namespace

std::string LabelValue(TNokaBase& e, THashNode& label) {
  // The label starts with それ empty: the caller's is set aside, not copied.
  SoreKeeper keep(e, SoreKeeper::kEmptied);
  RunNested(e, label.Ref, label.TypeTag);
  e.CurrentType = e.SoreVar->TypeTag;
  // それ gets its old value back just after this.
  return std::move(e.SoreVar->Value);
}

std::string CallBracketed(TNokaBase& e, const std::string& name, const char*& p, BracketUse use) {
  return CallBracketed(e, e.Words.FindRef(name, true), name, p, use);
}

std::string CallBracketed(TNokaBase& e, WordRef word, const std::string& name, const char*& p, BracketUse use) {
  if (!IsCallable(word.get())) {
    e.ArgStack.Push(name);
    return {};
  }
  if (*p != '(') RaiseError(e, msg::kParenRightAfter, {name});
  RefuseFlowWordAsValue(e, *word, name, use == BracketUse::kStatement);
  // Nested calls recurse through here: each one is a level of evaluation.
  NestGuard nest(e);
  ++p;
  const size_t phrasesBefore = e.ArgStack.Count();
  PushBracketArgs(e, p);
  const bool soreUnread = SoreKeeper::IsLong(e) && LeavesSoreUnread(e, *word, phrasesBefore);
  return InvokeBracketed(e, *word, name, use == BracketUse::kArgument, soreUnread);
}

void PushBracketArgs(TNokaBase& e, const char*& p) {
  for (;;) {
    SkipArgBlanks(p);
    if (*p == ')') {
      ++p;
      return;
    }
    if (!*p) RaiseError(e, msg::kUnbalancedParen);
    PushBracketArg(e, p);
  }
}

// --- planned bracket calls --------------------------------------------------

namespace {

// One argument at p (blanks skipped) as PushBracketArg reads it, when it is
// a literal, a word or number alone or an expression that starts with one;
// false for any other kind (see BracketCallPlan).
bool ReadPlannedArg(const char*& p, BracketCallPlan::Arg& arg) {
  const char c = *p;
  if (c == '"' || c == '`') {
    // A literal is pushed as written (its embedded expressions are the
    // function's or command's to evaluate); one left open is the reading's
    // error.
    const char* end = FindLiteralEnd(p);
    if (!end) return false;
    arg.Text.assign(p, end);
    p = end;
    return true;
  }
  if (c == '(') return false;
  if (IsOperatorChar(static_cast<unsigned char>(c)) && !(c == '-' && p[1] >= '0' && p[1] <= '9')) return false;
  const char* start = p;
  std::string word = (c == '-' || (c >= '0' && c <= '9') || c == '$') ? ReadNumberWord(p) : ReadWord(p);
  if (word.empty()) return false;
  SkipSpaces(p);
  if (*p == '(' || *p == '#' || (*p == '&' && p[1] != '&')) return false;
  if (*p && *p != ',' && IsOperatorChar(static_cast<unsigned char>(*p))) {
    const char* end = BalancedEnd(start, kCopyLimit, false);
    if (!end) return false;
    arg.Text.assign(start, end);
    arg.Expression = true;
    p = end;
    return true;
  }
  arg.Text = std::move(word);
  return true;
}

// The phrases of the plan's words bound to the function's slots, made for
// its ArgSpec now.
std::shared_ptr<BracketCallPlan::Binding> BindPlannedCall(const BracketCallPlan& plan, THashNode& callee) {
  auto binding = std::make_shared<BracketCallPlan::Binding>();
  binding->Spec = callee.ArgSpec;
  const size_t n = plan.Args.size();
  // One phrase for every slot: binding then keeps them in order. With one
  // fewer, それ would fill the first slot; with more, some would wait.
  binding->Usable = !callee.ArgSpec.empty() ? SlotCount(callee) == n && CountSlots(callee.ArgSpec) == n : n == 0;
  if (!binding->Usable) return binding;
  binding->Phrases.resize(n);
  binding->Compiled.resize(n);
  binding->NumbersStay.resize(n);
  for (size_t k = 0; k < n; ++k) {
    if (!plan.Args[k].Expression) binding->Phrases[k] = LooselyBound(callee, k, plan.Args[k].Text);
    // A whole number's phrase (digits, a sign) loses nothing to an empty
    // particle or one not made of digits and signs alone.
    const std::string& particle = SlotParticle(callee, k);
    binding->NumbersStay[k] = particle.empty() || particle.find_first_not_of("-0123456789") != std::string::npos;
  }
  return binding;
}

}  // namespace

std::shared_ptr<BracketCallPlan> ReadBracketCall(const std::string& text) {
  const char* p = text.c_str();
  SkipBlanks(p);
  // EvalTerm's own ways for these first characters: no call.
  const char c = *p;
  if (c == '"' || c == '`' || c == '$' || (c >= '0' && c <= '9') || c == '(' || c == '-') return nullptr;
  auto plan = std::make_shared<BracketCallPlan>();
  plan->Name = ReadWord(p);
  if (plan->Name.empty() || *p != '(') return nullptr;
  ++p;
  for (;;) {
    SkipArgBlanks(p);
    if (*p == ')') {
      ++p;
      break;
    }
    if (!*p || plan->Args.size() == BracketCallPlan::kMaxArgs) return nullptr;
    BracketCallPlan::Arg arg;
    if (!ReadPlannedArg(p, arg)) return nullptr;
    plan->Args.push_back(std::move(arg));
  }
  // The value is the call alone: anything after it is the reading's.
  SkipBlanks(p);
  if (*p) return nullptr;
  return plan;
}

namespace {

// What a planned expression argument gave where the call stands: a whole
// number, or (Phrase set) its value as the phrase PushBracketArgs pushes.
struct TakenArg {
  int64_t Number;
  std::string* Phrase;
};

// The call itself, from the arguments evaluated where the call stands on,
// as InvokeBracketed makes it for a label: the same order of evaluation,
// それ kept, binding loose while the function takes its arguments.
[[gnu::noinline]] std::string InvokePlanned(TNokaBase& e, THashNode& label, const BracketCallPlan& plan,
                                            BracketCallPlan::Binding& binding, TakenArg* taken) {
  SoreKeeper keep(e, SoreKeeper::kAtEntry);
  LooseScope loose(e);
  if (!label.ArgSpec.empty()) e.ImplicitSore = false;  // as binding leaves it
  for (size_t k = 0; k < plan.Args.size(); ++k) {
    if (plan.Args[k].Expression) {
      if (!taken[k].Phrase && binding.NumbersStay[k]) {
        // The digits EvalArg would give back as they stand.
        PushWholeUserArg(e, taken[k].Number);
        e.LastNumberValid = false;
        SetTag(e.CurrentType, "e");
        continue;
      }
      std::string digits;
      if (!taken[k].Phrase) FormatIntInto(digits, taken[k].Number);
      e.UserArgs.Push(EvalArg(e, LooselyBound(label, k, taken[k].Phrase ? *taken[k].Phrase : digits)));
      continue;
    }
    if (!IsCurrent(binding.Compiled[k])) binding.Compiled[k] = CompileArgument(binding.Phrases[k]);
    e.UserArgs.Push(EvalArg(e, binding.Phrases[k], binding.Compiled[k]));
  }
  RunLabelInLevel(e, label, loose.saved, keep);
  e.CurrentType = e.SoreVar->TypeTag;
  return std::move(e.SoreVar->Value);
}

// The callee and the arguments' words looked up again for the word table's
// generation now.
void ResolveQuietCall(TNokaBase& e, BracketCallPlan& plan, uint64_t generation) {
  plan.Callee = e.Words.FindRef(plan.Name, true);
  plan.Generation = generation;
  const size_t n = plan.Args.size();
  plan.SlotsFit = plan.Callee && SlotCount(*plan.Callee) == n && CountSlots(plan.Callee->ArgSpec) == n;
  for (BracketCallPlan::Arg& arg : plan.Args) {
    arg.Word = nullptr;
    const char c = arg.Text[0];
    if (arg.Expression || c == '-' || c == '$' || (c >= '0' && c <= '9')) {
      arg.Quiet = true;  // an expression is decided as it is evaluated
    } else if (c == '"' || c == '`') {
      arg.Quiet = IsPlainLiteral(arg.Text);
    } else if ((arg.Word = e.Words.Find(arg.Text))) {
      arg.Quiet = true;
    } else {
      // Nothing found folded either, and no object's property written as
      // one word: the word is its own text.
      std::string property;
      arg.Quiet = !e.Words.Find(arg.Text, true) && !SplitObjectProperty(e, arg.Text, property);
    }
  }
}

// Whether every argument runs nothing when evaluated, as things stand (a
// word's variable may have become a dictionary since).
bool QuietArguments(const BracketCallPlan& plan) {
  for (const BracketCallPlan::Arg& arg : plan.Args)
    if (!arg.Quiet || (arg.Word && arg.Word->Kind != kVariable)) return false;
  return true;
}

// Whether the plan is a call of a command with no effect but its result on
// arguments that run nothing, filling its slots exactly, as things stand.
bool IsQuietCall(TNokaBase& e, BracketCallPlan& plan) {
  const uint64_t generation = e.Words.Generation();
  if (plan.Generation != generation || !generation) ResolveQuietCall(e, plan, generation);
  const THashNode* command = plan.Callee.get();
  return command && IsCommandKind(command->Kind) && IsQuietCommandNumber(command->CommandNumber) &&
         plan.SlotsFit && QuietArguments(plan);
}

// Whether an argument of the plan is それ itself.
bool NamesSore(const TNokaBase& e, const BracketCallPlan& plan) {
  for (const BracketCallPlan::Arg& arg : plan.Args)
    if (arg.Word == e.SoreVar.get()) return true;
  return false;
}

// The plan's phrases pushed as PushBracketArgs pushes them, expressions
// evaluated in order where the call stands. With `treeOnly`, an expression
// its compiled form cannot decide stops the pushing: false, and the reading
// decides.
bool PushPlannedPhrases(TNokaBase& e, BracketCallPlan& plan, bool treeOnly) {
  for (BracketCallPlan::Arg& arg : plan.Args) {
    if (!arg.Expression) {
      e.ArgStack.Push(arg.Text);
      continue;
    }
    if (!IsCurrent(arg.Compiled)) arg.Compiled = CompileExpression(arg.Text);
    int64_t whole;
    if (TryEvalArgWhole(e, arg.Compiled, whole)) {
      FormatIntInto(e.ArgStack.Items.emplace_back(), whole);  // the phrase of a whole number
      SetTag(e.CurrentType, "e");
      continue;
    }
    std::string v;
    if (!treeOnly) {
      v = EvaluateExpression(e, arg.Text, arg.Compiled);
    } else if (!TryEvalArgFast(e, arg.Compiled, v)) {
      return false;
    }
    e.ArgStack.Push(ValueAsPhrase(v, e.CurrentType));
  }
  return true;
}

// A command (or a library function) in bracket form: its phrases pushed as
// PushBracketArgs pushes them, expressions evaluated in order where the call
// stands, then bound and run as InvokeBracketed runs it.
std::string CallCommandPlanned(TNokaBase& e, BracketCallPlan& plan, THashNode& command) {
  NestGuard term(e);
  RefuseFlowWordAsValue(e, command, plan.Name, false);
  NestGuard call(e);
  PushPlannedPhrases(e, plan, false);
  // Decided after the arguments ran: an expression may have changed what
  // the words name (and the plan's callee with them).
  const bool soreUnread =
      SoreKeeper::IsLong(e) && IsQuietCall(e, plan) && plan.Callee.get() == &command && !NamesSore(e, plan);
  std::string value = InvokeBracketed(e, command, plan.Name, false, soreUnread);
  e.LastNumberValid = false;
  return value;
}

}  // namespace

bool CallBracketedPlanned(TNokaBase& e, BracketCallPlan& plan, std::string& value) {
  // The function and its binding are held for the call: a nested replay of
  // the same statement may find the function or bind it anew.
  const uint64_t generation = e.Words.Generation();
  if (plan.Generation != generation || !generation) ResolveQuietCall(e, plan, generation);
  WordRef callee = plan.Callee;
  if (!callee || !IsCallable(callee.get())) return false;
  if (callee->Kind != kLabel) {
    value = CallCommandPlanned(e, plan, *callee);
    return true;
  }
  if (!plan.Bound || plan.Bound->Spec != callee->ArgSpec) plan.Bound = BindPlannedCall(plan, *callee);
  std::shared_ptr<BracketCallPlan::Binding> binding = plan.Bound;
  if (!binding->Usable || e.ArgStack.Count() + plan.Args.size() > 5000) return false;
  // EvalTerm's level and the call's, as reading the value would nest them.
  NestGuard term(e);
  NestGuard call(e);
  // Expressions are evaluated where the call stands, in order; words when
  // the function takes them (as PushBracketArgs leaves them to binding).
  TakenArg taken[BracketCallPlan::kMaxArgs];
  std::vector<std::string> phrases;  // made for a value that is no whole number
  for (size_t k = 0; k < plan.Args.size(); ++k) {
    BracketCallPlan::Arg& arg = plan.Args[k];
    if (!arg.Expression) continue;
    if (!IsCurrent(arg.Compiled)) arg.Compiled = CompileExpression(arg.Text);
    taken[k].Phrase = nullptr;
    if (TryEvalArgWhole(e, arg.Compiled, taken[k].Number)) {
      SetTag(e.CurrentType, "e");
      continue;
    }
    std::string v = EvaluateExpression(e, arg.Text, arg.Compiled);
    if (phrases.empty()) phrases.resize(plan.Args.size());
    phrases[k] = ValueAsPhrase(v, e.CurrentType);
    taken[k].Phrase = &phrases[k];
  }
  value = InvokePlanned(e, *callee, plan, *binding, taken);
  // Whatever ran in the function may have left a number that is not this value's.
  e.LastNumberValid = false;
  return true;
}

// --- calls inside compiled expressions ---------------------------------------

namespace {

// Pushes the phrases and makes the call; false when an expression argument
// needs the reading.
bool MakeQuietCall(TNokaBase& e, BracketCallPlan& plan, THashNode& command, std::string& value) {
  NestGuard term(e);
  NestGuard call(e);
  if (!PushPlannedPhrases(e, plan, true)) return false;
  value = InvokeBracketed(e, command, plan.Name, false, SoreKeeper::IsLong(e) && !NamesSore(e, plan));
  return true;
}

}  // namespace

bool CallQuietCommand(TNokaBase& e, BracketCallPlan& plan, std::string& value) {
  if (!IsQuietCall(e, plan)) return false;
  THashNode* command = plan.Callee.get();
  // What a failed try leaves behind is taken back: the phrases pushed, the
  // error's line in the log.
  const size_t phrasesBefore = e.ArgStack.Items.size();
  const size_t logBefore = e.ErrorLog.size();
  bool made;
  try {
    made = MakeQuietCall(e, plan, *command, value);
  } catch (ENoka&) {
    if (e.StopFlag) throw;
    made = false;
  }
  if (!made) {
    if (e.ArgStack.Items.size() > phrasesBefore) e.ArgStack.Items.resize(phrasesBefore);
    if (e.ErrorLog.size() > logBefore) e.ErrorLog.resize(logBefore);
    return false;
  }
  e.LastNumberValid = false;
  return true;
}

}  // namespace nokari
