// Label and user-function calls in statement form and bracket form.
#include "words/Calls.h"

#include "core/Cp932.h"
#include "core/EngineCaches.h"
#include "core/Errors.h"
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

// Saves それ and puts it back when the scope ends.
struct SoreKeeper {
  TNokaBase& e;
  std::string value, tag;
  explicit SoreKeeper(TNokaBase& eng) : e(eng), value(eng.SoreVar->Value), tag(eng.SoreVar->TypeTag) {}
  ~SoreKeeper() { e.SoreVar->SetValue(std::move(value), std::move(tag)); }
};

// Pushes a call frame and moves the cursor into the label.
void EnterCall(TNokaBase& e, THashNode& label) {
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
  TakeArgumentsOnEntry(e);
}

// The label branch of a bracket call: the function runs in a level of its
// own until it returns.
void CallLabelBracketed(TNokaBase& e, THashNode& label, bool savedLoose) {
  // The arguments are evaluated where the call stands (its line, its
  // cursor); only the function itself runs in a level of its own.
  PushUserArgs(e, label);
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
  EnterCall(e, label);
  e.LooseBinding = savedLoose;
  RunLoop(e);
}

// The call itself, once the arguments are on the word stack. Kept out of
// CallBracketed so that its locals are no part of the frames a nesting
// stacks up (the sanitizer build gives every local its own guarded slot).
[[gnu::noinline]] std::string InvokeBracketed(TNokaBase& e, THashNode& word, const std::string& name, bool push) {
  SoreKeeper keep(e);
  bool savedLoose = e.LooseBinding;
  e.LooseBinding = true;
  struct LooseRestore {
    TNokaBase& e;
    bool v;
    ~LooseRestore() { e.LooseBinding = v; }
  } restoreLoose{e, savedLoose};
  if (word.Kind == kLabel) {
    CallLabelBracketed(e, word, savedLoose);
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

// An argument's value kept for the function's 引数取得, as EvalArg gives it.
// Arithmetic on whole numbers (fib(N-1)) is written straight into its
// place: no text made on the way and moved in.
void PushUserArg(TNokaBase& e, const std::string& text, const CompiledRef& compiled) {
  int64_t whole;
  if (ShapeOf(compiled) == kArithmeticShape && TryEvalArgWhole(e, compiled, whole)) {
    FormatIntInto(e.UserArgs.Items.emplace_back(), whole);
    SetTag(e.CurrentType, "e");
    e.LastNumber = static_cast<long double>(whole);
    e.LastNumberValid = true;
    return;
  }
  e.UserArgs.Push(EvalArg(e, text, compiled));
}

}  // namespace

void CallLabelBound(TNokaBase& e, THashNode& label, const std::vector<std::string>& bound,
                    std::vector<CompiledRef>& compiled) {
  e.ImplicitSore = false;
  compiled.resize(bound.size());
  for (size_t k = 0; k < bound.size(); ++k) {
    if (!IsCurrent(compiled[k])) compiled[k] = CompileArgument(bound[k]);
    PushUserArg(e, bound[k], compiled[k]);
  }
  EnterCall(e, label);
}

std::string LabelValue(TNokaBase& e, THashNode& label) {
  SoreKeeper keep(e);
  e.SoreVar->SetValue(std::string());
  RunNested(e, label.Ref, label.TypeTag);
  e.CurrentType = e.SoreVar->TypeTag;
  return e.SoreVar->Value;
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
  PushBracketArgs(e, p);
  return InvokeBracketed(e, *word, name, use == BracketUse::kArgument);
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

}  // namespace nokari
