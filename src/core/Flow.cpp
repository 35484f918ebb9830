// Branches, cases and loops as the statement engine reads them: the phrase
// endings 回 and の時, the branches after a condition, and the frames the
// control commands (lib/control) push.
#include "core/Flow.h"

#include <cstring>
#include <vector>

#include "core/Cp932.h"
#include "core/EngineCaches.h"
#include "core/Errors.h"
#include "core/Hot.h"
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

}  // namespace

bool AtBranchWord(const char* p) {
  const Keywords& kw = Kw();
  return StartsWithWord(p, kw.Nara) || StartsWithWord(p, kw.Chigaeba) || StartsWithWord(p, kw.Denakereba);
}

namespace {

bool AtTrueWord(const char* p) { return StartsWithWord(p, Kw().Nara); }
bool AtFalseWord(const char* p) {
  return StartsWithWord(p, Kw().Chigaeba) || StartsWithWord(p, Kw().Denakereba);
}

}  // namespace

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

namespace {

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

bool IsPieceSeparator(char c) { return c == ' ' || c == '\t' || c == ',' || static_cast<unsigned char>(c) == 0xA4; }
// A character that ends a value written in ASCII: a name or number such as
// N or 80, a closing bracket or quote.
bool EndsAsciiValue(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ')' ||
         c == '"' || c == '`';
}
// A character that starts a value: a number, a sign, a literal, a bracket.
bool StartsValue(char c) {
  return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '$' || c == '"' || c == '`' || c == '(';
}

// The comparison word (が, かつ, または) at i inside a piece, when it is
// glued to a value on its left (かつ, または) or to either side (が).
// `before`: the character before i when it is a single byte, else 0.
const std::string* GluedWordAt(const std::string& condition, size_t i, char before) {
  const Keywords& kw = Kw();
  for (const std::string* joiner : {&kw.Katsu, &kw.Mataha})
    if (condition.compare(i, joiner->size(), *joiner) == 0 && EndsAsciiValue(before)) return joiner;
  if (condition.compare(i, kw.Ga.size(), kw.Ga) != 0) return nullptr;
  const size_t after = i + kw.Ga.size();
  if (after >= condition.size() || IsPieceSeparator(condition[after])) return nullptr;
  return EndsAsciiValue(before) || StartsValue(condition[after]) ? &kw.Ga : nullptr;
}

// Whether a piece holds が, かつ or または after its first character, outside
// literals.
bool HoldsComparisonWord(const std::string& piece) {
  const Keywords& kw = Kw();
  for (size_t i = CharLenAt(piece, 0); i < piece.size(); i += CharLenAt(piece, i)) {
    if (piece[i] == '"' || piece[i] == '`') return false;
    for (const std::string* word : {&kw.Ga, &kw.Katsu, &kw.Mataha})
      if (piece.compare(i, word->size(), *word) == 0) return true;
  }
  return false;
}

// Pieces are separated by 、 or spaces (Nが、5以上), and a condition
// written without them (Nが5以上, N>3かつN<10) would be read as one word
// and be silently false, or worse. Where the comparison word is plainly
// glued to a value written in ASCII, a number or a literal, a space is put
// in so the pieces come apart as with the 、. A word that only holds が or
// かつ among kana and kanji (手がかり, たかつき) is left whole.
std::string SeparateGluedWords(const std::string& condition) {
  const Keywords& kw = Kw();
  std::string out;
  out.reserve(condition.size() + 8);
  const size_t n = condition.size();
  size_t pieceStart = 0;
  char before = 0;  // the last character when it was a single byte
  int depth = 0;
  for (size_t i = 0; i < n;) {
    const char c = condition[i];
    if (c == '"' || c == '`') {  // a literal goes over whole
      size_t j = i + 1;
      while (j < n && condition[j] != c) {
        if (c == '"' && condition[j] == '\\') ++j;
        j += j < n ? CharLenAt(condition, j) : 0;
      }
      j = j < n ? j + 1 : n;
      out.append(condition, i, j - i);
      before = condition[j - 1];
      i = j;
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')' && depth > 0) --depth;
    if (IsPieceSeparator(c)) pieceStart = i + 1;
    const std::string* glued = depth == 0 && i > pieceStart ? GluedWordAt(condition, i, before) : nullptr;
    if (glued == &kw.Ga) {  // Nが5: the left side, then the right
      out += kw.Ga;
      out += ' ';
      i += kw.Ga.size();
      pieceStart = i;
    } else if (glued) {  // N>3かつN<10: a piece of its own
      out += ' ';
      out += *glued;
      i += glued->size();
      if (i < n && !IsPieceSeparator(condition[i])) out += ' ';
      pieceStart = i;
    } else {
      const size_t len = CharLenAt(condition, i);
      out.append(condition, i, len);
      before = len == 1 ? c : 0;
      i += len;
      continue;
    }
    before = 0;
  }
  return out;
}

// The words that end the right side of a comparison with が, and the
// operator each makes. Read as left = right, 未満 and its like were true
// exactly when they should not be (Nが、5未満 for N = 5): their own
// comparisons.
struct Comparison {
  const std::string* Word;
  const char* Operator;
};
const std::vector<Comparison>& Comparisons() {
  static const std::vector<Comparison> comparisons = [] {
    const Keywords& kw = Kw();
    return std::vector<Comparison>{{&kw.Ijou, ">="},   {&kw.Ika, "<="},         {&kw.ToHitoshii, "="},
                                   {&kw.Miman, "<"},   {&kw.YoriChiisai, "<"},  {&kw.YoriOokii, ">"},
                                   {&kw.Igai, "<>"}};
  }();
  return comparisons;
}
const Comparison* ComparisonEnding(const std::string& right) {
  for (const Comparison& c : Comparisons())
    if (EndsWithChar(right, *c.Word)) return &c;
  return nullptr;
}
// A comparison word standing alone at i (the text or a separator after
// it); i is moved past it.
const Comparison* ComparisonAt(const std::string& condition, size_t& i) {
  for (const Comparison& c : Comparisons()) {
    const size_t after = i + c.Word->size();
    if (condition.compare(i, c.Word->size(), *c.Word) != 0 ||
        (after < condition.size() && !IsPieceSeparator(condition[after])))
      continue;
    i = after;
    return &c;
  }
  return nullptr;
}

}  // namespace

std::string TranslateCondition(const std::string& written, std::string* whole) {
  const Keywords& kw = Kw();
  const std::string condition = SeparateGluedWords(written);
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
      // A literal ends its piece: a comparison word written right after it
      // (Sが「x」以外) belongs to it.
      const Comparison* comparison = nullptr;
      if (i < condition.size() && !IsPieceSeparator(condition[i])) {
        comparison = ComparisonAt(condition, i);
        if (comparison) right += *comparison->Word;
      }
      if (!comparison) comparison = ComparisonEnding(right);
      if (comparison)
        out += left + comparison->Operator + DropTail(right, *comparison->Word);
      else
        out += left + "=" + right;
    } else {
      if (whole && whole->empty() && HoldsComparisonWord(piece)) *whole = piece;
      out += piece;
    }
  }
  return out;
}

std::string LoopConditionExpression(const std::string& condition) {
  // The condition may be written in brackets: （Nが、3未満）で、ループ.
  std::string inner = condition;
  size_t i = 0;
  if (NextPiece(condition, i).size() == condition.size() && condition.size() >= 2 && condition.front() == '(' &&
      condition.back() == ')')
    inner = condition.substr(1, condition.size() - 2);
  const Keywords& kw = Kw();
  const std::string separated = SeparateGluedWords(inner);
  for (size_t at = 0;;) {
    const std::string piece = NextPiece(separated, at);
    if (piece.empty()) return condition;
    if (StartsWith(piece, kw.Katsu) || StartsWith(piece, kw.Mataha) || EndsWithChar(piece, kw.Ga))
      return TranslateCondition(inner);
  }
}

namespace {

// Reads the ならば / 違えば blocks after a condition into a plan; leaves the
// cursor after them. Reading depends on the text alone.
void ReadBranches(TNokaBase& e, bool questionForm, EngineCaches::BranchPlan& plan) {
  e.Caches->Recording.SetsLine = false;  // tells whether a line end was kept
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
    bool lineKept = e.Caches->Recording.SetsLine;
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
      e.Caches->Recording.SetsLine = lineKept;
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
  plan.SetsLine = e.Caches->Recording.SetsLine;
  plan.LineNo = e.LineNo;
}

// Branch frames need only their body and the place after the blocks: they
// never return anywhere nor give back a file name.
NOKARI_HOT void EnterBranch(TNokaBase& e, const char* start, const char* end, FrameKind kind) {
  TRunControl& frame = e.RunStack.PushNew();
  frame.Kind = kind;
  frame.Body = TextPos(e.Cursor.Buf, start, end);
  frame.ExitPos = std::move(e.Cursor);
  e.Cursor = frame.Body;
}

}  // namespace

NOKARI_HOT void SelectBranch(TNokaBase& e, bool questionForm) {
  const char* at = e.Cursor.P;
  const EngineCaches::BranchPlan* plan = e.Caches->BranchPlans.Find(at);
  if (plan && plan->Owner == e.Cursor.Buf && plan->Limit == e.Cursor.End && plan->QuestionForm == questionForm) {
    e.Cursor.P = plan->End;
    if (plan->SetsLine) e.LineNo = plan->LineNo;
  } else {
    EngineCaches::BranchPlan fresh;
    ReadBranches(e, questionForm, fresh);
    if (e.Caches->BranchPlans.size() > 65536) e.Caches->BranchPlans.clear();
    plan = &e.Caches->BranchPlans.Set(at, std::move(fresh));
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

}  // namespace nokari
