// Recursive descent over four precedence levels, reading operands with
// EvalTerm. Each evaluation owns its lookahead, so a nested evaluation (a
// bracket, a command called as an operand) never disturbs the outer one.
#include "words/Expr.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/Cp932.h"
#include "core/Encoding.h"

#include "core/Errors.h"
#include "core/Hot.h"
#include "core/Messages.h"
#include "core/Scan.h"
#include "words/Calls.h"
#include "words/Contract.h"
#include "words/Hash.h"
#include "words/Value.h"

namespace nokari {

uint64_t CompiledEpochNow = 1;

bool IsOperatorChar(unsigned char c) {
  switch (c) {
    case '%': case '&': case '*': case '+': case '-': case '/':
    case '<': case '=': case '>': case '^': case '|':
      return true;
    default:
      return false;
  }
}

namespace {

bool IsSecondChar(char c) { return c == '&' || c == '<' || c == '=' || c == '>' || c == '|'; }

enum TokKind : uint8_t { kString = 0, kNumber = 1, kNothing = 2, kOperator = 3 };

struct TStrNum {
  std::string Text;
  long double Number = 0;
  uint8_t Kind = kNothing;
  bool Computed = false;  // Text not yet formatted from Number
  // A variable's text, copied only when the text itself is needed.
  const std::string* Borrowed = nullptr;

  const std::string& GetText() {
    if (Borrowed) {
      Text = *Borrowed;
      Borrowed = nullptr;
    }
    if (Computed) {
      Text = FormatNumber(Number);
      Computed = false;
    }
    return Text;
  }
  // The text without a copy: a borrowed one where it stands.
  std::string_view View() {
    if (Computed) return GetText();
    return Borrowed ? std::string_view(*Borrowed) : std::string_view(Text);
  }
  void SetNumber(long double x) {
    Number = x;
    Kind = kNumber;
    Computed = true;
    Borrowed = nullptr;
  }
};

// Operator semantics shared by the reading evaluator and the compiled one.
bool LogicResult(bool isAnd, long double a, long double b) { return isAnd ? (a > 0 && b > 0) : (a > 0 || b > 0); }

void ApplyLogic(bool isAnd, TStrNum& left, const TStrNum& right) {
  left.SetNumber(LogicResult(isAnd, left.Number, right.Number) ? 1 : 0);
}

// which: 0 =, 1 <>, 2 <, 3 >, 4 >=, 5 <=; -1 when `op` is no comparison.
int CompareKind(std::string_view op) {
  if (op == "=" || op == "==") return 0;
  if (op == "<>" || op == "><") return 1;
  if (op == "<") return 2;
  if (op == ">") return 3;
  if (op == ">=" || op == "=>") return 4;
  if (op == "<=" || op == "=<") return 5;
  return -1;
}

NOKARI_HOT bool CompareResult(int which, int cmp) {
  switch (which) {
    case 0: return cmp == 0;
    case 1: return cmp != 0;
    case 2: return cmp < 0;
    case 3: return cmp > 0;
    case 4: return cmp >= 0;
    case 5: return cmp <= 0;
  }
  return false;
}

int CompareNumbers(long double a, long double b) { return a < b ? -1 : (a > b ? 1 : 0); }

void ApplyCompare(int which, TStrNum& left, TStrNum& right) {
  int cmp;
  if (right.Kind != kString) {
    cmp = CompareNumbers(left.Number, right.Number);
  } else if (which >= 2 && IsDecimalText(left.View()) && IsDecimalText(right.View())) {
    // Greater and less between two numbers written as text (a line of a
    // list, a cell, a piece of 区切る) go by their values: in byte order 9
    // came after 60 and 100 before it. = and <> still compare the texts
    // ("007" is not "7").
    cmp = CompareNumbers(ToNumber(left.View()), ToNumber(right.View()));
  } else {
    int c = left.View().compare(right.View());
    cmp = c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  left.SetNumber(CompareResult(which, cmp) ? 1 : 0);
}

void ApplyAdd(char op, TStrNum& left, TStrNum& right) {
  if (op == '&') {
    std::string joined = left.GetText() + right.GetText();
    left = TStrNum();
    left.Text = std::move(joined);
    left.Kind = kString;
    left.Number = ToNumber(left.Text);
    return;
  }
  left.SetNumber(op == '+' ? left.Number + right.Number : left.Number - right.Number);
}

long double MulOp(char op, long double a, long double b) {
  switch (op) {
    case '*': return a * b;
    case '/': return b == 0 ? 0 : a / b;
    case '%': {
      int64_t x = ToInt64(a), y = ToInt64(b);
      // y == -1 would overflow for the smallest x; the remainder is 0 anyway.
      return (y == 0 || y == -1) ? 0 : static_cast<long double>(x % y);
    }
    case '^': return b == 0 ? 1 : std::pow(a, b);
  }
  return 0;
}

void ApplyMul(char op, TStrNum& left, const TStrNum& right) { left.SetNumber(MulOp(op, left.Number, right.Number)); }

// The end of a bracket call's argument read in place: "," and ")" end it
// there, and so does a line end.
bool AtArgumentEnd(char c) { return c == ',' || c == ')' || c == '\r' || c == '\n' || c == '\0'; }

}  // namespace

void WarnExpressionRest(TNokaBase& e, const char* rest, bool argument) {
  if (*rest == '\0' || *rest == '\r' || *rest == '\n') return;
  const char* end = rest;
  while (*end && *end != '\r' && *end != '\n' && !(argument && AtArgumentEnd(*end)) && end - rest < 60)
    end += CharLenAt(end);
  if (FirstDebugWarning(e)) Warn(e, msg::kExpressionRestUnused, {std::string_view(rest, end - rest)});
}

namespace {

class Evaluator {
 public:
  // `argument`: the text is a bracket call's argument read where it stands,
  // which ends at the first "," or ")" outside literals and brackets.
  // `left`: the first operand, written apart from the rest at p.
  // `freshBracket`: the text starts with a bracket made afresh from values
  // (EvaluateMadeExpression), read without a place in the compiled cache.
  Evaluator(TNokaBase& e, const char*& p, bool argument = false, const std::string* left = nullptr,
            bool freshBracket = false)
      : e_(e), p_(p), argument_(argument), left_(left), freshBracket_(freshBracket) {}

  std::string Run() {
    tok_.Kind = kNothing;
    SkipBlanks(p_);
    if (left_) {
      const char* q = left_->c_str();
      tok_.Text = EvalTerm(e_, q);
      tok_.Kind = e_.CurrentType == "e" ? kNumber : kString;
    } else {
      NextToken();
    }
    TStrNum result = Logic();
    if (tok_.Kind == kOperator) RaiseError(e_, msg::kBadResult);
    if (e_.DebugMode) WarnUnusedRest();
    if (result.Kind == kString) {
      SetTag(e_.CurrentType, "s");
      return std::move(result.Text);
    }
    if (!std::isfinite(result.Number)) RaiseError(e_, msg::kInvalidOperation);
    SetTag(e_.CurrentType, "e");
    return FormatNumber(result.Number);
  }

 private:
  void NextToken() {
    uint8_t previous = tok_.Kind;
    if (freshBracket_ && *p_ != '(') freshBracket_ = false;
    tok_ = TStrNum();
    while (*p_ == ' ' || *p_ == '\t' || (*p_ == ',' && !argument_) || static_cast<unsigned char>(*p_) == 0xA4) ++p_;
    tokStart_ = p_;
    char c = *p_;
    if (argument_ && AtArgumentEnd(c)) {
      // What the end of the text gives: an empty string operand.
      tok_.Kind = kString;
      SetTag(e_.CurrentType, "s");
      return;
    }
    if (c == '(') {
      const char* end = BracketEnd(e_, p_);
      std::string inner(p_ + 1, end - 1);
      p_ = end;
      if (std::exchange(freshBracket_, false)) {
        // What the cache would give when it misses: compiled forms agree
        // with the reading, and this text seldom comes again.
        const char* q = inner.c_str();
        tok_.Text = EvaluateExpression(e_, q);
      } else {
        tok_.Text = EvaluateExpression(e_, inner);
      }
      tok_.Kind = e_.CurrentType == "s" ? kString : kNumber;
      return;
    }
    if (IsOperatorChar(static_cast<unsigned char>(c))) {
      tok_.Kind = kOperator;
      tok_.Text = c;
      ++p_;
      if (IsSecondChar(c) && IsSecondChar(*p_)) tok_.Text += *p_++;
      if (previous == kOperator || previous == kNothing) {
        if (tok_.Text == "-") {
          std::string operand = argument_ && AtArgumentEnd(*p_) ? std::string() : EvalTerm(e_, p_);
          tok_.Text = (!operand.empty() && operand[0] == '-') ? operand.substr(1) : "-" + operand;
          tok_.Kind = kNumber;
        } else if (tok_.Text == "+" && (*p_ == '$' || (*p_ >= '0' && *p_ <= '9'))) {
          tok_.Text = EvalTerm(e_, p_);
          tok_.Kind = kNumber;
        }
      }
      return;
    }
    tok_.Text = EvalTerm(e_, p_);
    tok_.Kind = e_.CurrentType == "e" ? kNumber : kString;
  }

  bool TokIs(const char* op) const { return tok_.Kind == kOperator && tok_.Text == op; }

  // An operand after the expression's end is ignored ("1 2" is 1), so
  // 「1日+2」 is 1 and 「5円*2」 is 5: -debug names what was not used.
  void WarnUnusedRest() {
    if (tokStart_ && !(argument_ && AtArgumentEnd(*tokStart_))) WarnExpressionRest(e_, tokStart_, argument_);
  }

  TStrNum Logic() {
    TStrNum left = Compare();
    while (TokIs("&&") || TokIs("||")) {
      bool isAnd = tok_.Text == "&&";
      NextToken();
      TStrNum right = Compare();
      ApplyLogic(isAnd, left, right);
    }
    return left;
  }

  TStrNum Compare() {
    TStrNum left = Add();
    for (;;) {
      if (tok_.Kind != kOperator) return left;
      int which = CompareKind(tok_.Text);
      if (which < 0) return left;
      NextToken();
      TStrNum right = Add();
      ApplyCompare(which, left, right);
    }
  }

  TStrNum Add() {
    TStrNum left = Mul();
    while (TokIs("+") || TokIs("-") || TokIs("&")) {
      char op = tok_.Text[0];
      NextToken();
      TStrNum right = Mul();
      ApplyAdd(op, left, right);
    }
    return left;
  }

  TStrNum Mul() {
    TStrNum left = Factor();
    while (TokIs("*") || TokIs("/") || TokIs("%") || TokIs("^")) {
      char op = tok_.Text[0];
      NextToken();
      TStrNum right = Factor();
      ApplyMul(op, left, right);
    }
    return left;
  }

  TStrNum Factor() {
    if (tok_.Kind == kOperator) RaiseError(e_, msg::kBadOperatorPosition, {tok_.Text});
    TStrNum operand = std::move(tok_);
    operand.Number = ToNumber(operand.Text);
    if (operand.Kind == kNothing) operand.Kind = kString;
    tok_ = TStrNum();
    tok_.Kind = operand.Kind;
    NextToken();
    return operand;
  }

  TNokaBase& e_;
  const char*& p_;
  bool argument_;
  const std::string* left_;
  bool freshBracket_;
  TStrNum tok_;
  const char* tokStart_ = nullptr;  // where the lookahead was read
};


// ---------------------------------------------------------------------------
// Compiled expressions. Texts made only of numbers, plain literals, variable
// names, brackets, operators, dictionary items, table elements and calls of
// commands with no effect but their result are compiled once into a small
// tree and evaluated with the same operator semantics. Anything else
// (calls of anything else, embedded expressions) falls back to the reading
// evaluator; so does any case the tree cannot decide, since evaluating it
// has no side effects (a call it made is simply made again by the reading).

struct Fallback {};

struct Compiled;

struct Node {
  enum Type : uint8_t { Num, Str, Var, Neg, Group, Bin, Item, Elem, Call } type;
  std::string text;       // literal text, variable name, operator, or owner name
  std::string item = {};  // Item: the key written in 名前の(キー); full: 名前の
  std::string full = {};
  long double number = 0; // ToNumber(text) for literals
  int64_t whole = 0;        // the same as an integer, when isWhole
  bool isWhole = false;     // number is whole and below 10^15 in magnitude
  int left = -1, right = -1;
  int which = -1;         // comparison kind for Bin
  char op = 0;            // Bin: '&'+'|' as 'A'/'O', else the operator's first character
  // Var: the word found last time, valid while the table's generation holds.
  mutable uint64_t generation = 0;
  mutable THashNode* word = nullptr;
  mutable bool callable = false;  // the name folds to a command or label
  // Item: the word the key names, and whether the key folds to a command.
  mutable THashNode* keyWord = nullptr;
  mutable bool keyCallable = false;
  // Item: the generation of the owner's table in which the key as written
  // was no key of it (generations are unique to a table's set of keys).
  mutable uint64_t missGeneration = 0;
  // Item with a key that is no plain word: a plain literal's text
  // (keyIsLiteral), or the key compiled as an argument (名前の(I%5)).
  bool keyIsLiteral = false;
  std::string keyText = {};
  std::shared_ptr<const Compiled> keyTree = {};
  // Elem 名前#i or 名前#i#j (text: the variable's name): its indexes.
  std::shared_ptr<const struct ElementIndexes> indexes = {};
  // Call 名前(…) (text: the name): `left` is the call's place in the
  // tree's Compiled::calls (kept apart: a node stays small, and the
  // integer evaluation indexes nodes at every operand).
};

// An index of 名前#i as ElementAccess reads it: digits as written, a
// variable, or a bracket evaluated as an expression.
struct ElementIndex {
  std::string text;                     // the digits, or the word
  bool word = false;
  std::shared_ptr<const Compiled> tree;  // a bracket's contents
  mutable uint64_t generation = 0;       // word: its lookup, as Node's
  mutable THashNode* found = nullptr;
};
struct ElementIndexes {
  ElementIndex first, second;
  bool two = false;
};

// A literal's number, and its integer when it is a whole one.
void SetLiteralNumber(Node& n) {
  n.number = ToNumber(n.text);
  n.isWhole = IsWholeNumber(n.number);
  if (n.isWhole) n.whole = RoundToInt64(n.number);
}

struct WholeProgram;

struct Compiled {
  bool ok = false;
  // How often in a row the integer evaluation gave up on this tree, and a
  // count of the evaluations since: a tree that never stays whole is tried
  // as integers only now and then (words/Expr.cpp TryWhole).
  mutable uint8_t wholeMisses = 0;
  mutable uint8_t wholeSkips = 0;
  // The same for the tree as a whole giving the reading the decision (a
  // Fallback thrown): see TryTree.
  mutable uint8_t fallbacks = 0;
  mutable uint8_t fallbackSkips = 0;
  mutable std::unique_ptr<WholeProgram> whole;  // made at the first try
  std::vector<Node> nodes;
  int root = -1;
  int first = -1;  // EvalArg form: the first term, re-read after evaluation
  bool single = false;  // EvalArg form: one plain word and nothing after it
  // A call node somewhere in the tree or in an item's key or an element's
  // index: evaluating it may run a command, so it is evaluated once, by
  // Eval, never tried first on numbers alone.
  bool hasCall = false;
  // The calls of the Call nodes, as read once (ReadBracketCall), made by
  // CallQuietCommand when the name finds a command with no effect but its
  // result.
  std::vector<std::shared_ptr<BracketCallPlan>> calls;
};

// Runs `body` on a tree, or gives `failed` when the tree leaves the
// decision to the reading (a Fallback thrown). A throw costs the unwinder
// some 20,000 instructions, and a tree that meets something only the
// reading decides (a user function as an operand, a command that is not
// quiet) meets it at every run: after eight fallbacks in a row it is tried only
// every 64th time, in case what it met has changed. The reading decides
// meanwhile, as it does after every fallback.
template <class Body, class Result>
Result TryTree(const Compiled& c, Body body, Result failed) {
  if (c.fallbacks >= 8 && (++c.fallbackSkips & 63) != 0) [[unlikely]]
    return failed;
  try {
    Result result = body();
    if (c.fallbacks) [[unlikely]]
      c.fallbacks = 0;
    return result;
  } catch (Fallback&) {
    if (c.fallbacks < 8) ++c.fallbacks;
    return failed;
  }
}

NOKARI_HOT bool PlainNumberText(std::string_view t) {
  size_t i = 0;
  if (i < t.size() && t[i] == '-') ++i;
  if (i < t.size() && t[i] == '$') {
    ++i;
    size_t start = i;
    while (i < t.size() && isxdigit(static_cast<unsigned char>(t[i]))) ++i;
    return i == t.size() && i > start;
  }
  size_t start = i;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
  if (i == start) return false;
  if (i < t.size() && t[i] == '.') {
    ++i;
    size_t f = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    if (i == f) return false;
  }
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t d = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    if (i == d) return false;
  }
  return i == t.size();
}

// A literal at p ("…" or `…`) whose value is its text as written: no
// escapes, no {…}. Its text and end; false for any other literal.
bool ReadPlainLiteral(const char* p, std::string& text, const char*& end) {
  const char quote = *p;
  const char* q = p + 1;
  text.clear();
  while (*q && *q != quote) {
    size_t len = CharLenAt(q);
    if (len == 1 && (*q == '\\' || *q == '{' || *q == '}')) return false;
    if (len == 2 && static_cast<unsigned char>(q[0]) == 0x81 &&
        (static_cast<unsigned char>(q[1]) == 0x8F || static_cast<unsigned char>(q[1]) == 0x6F ||
         static_cast<unsigned char>(q[1]) == 0x70))
      return false;  // ￥ ｛ ｝
    text.append(q, len);
    q += len;
  }
  if (*q != quote || (quote == '`' && q[1] == '`')) return false;
  end = q + 1;
  return true;
}

class Compiler {
 public:
  explicit Compiler(Compiled& c, int depth = 0) : c_(c), depth_(depth) {}

  // Whole text as one expression; false when it needs the reading evaluator.
  bool CompileExpression(const char* p) {
    p_ = p;
    prevOperator_ = true;
    if (!Next()) return false;
    int root = Logic();
    if (root < 0 || tokKind_ != kNothing || *p_) return false;
    c_.root = root;
    return true;
  }

  // EvalArg form: a first term, then an operator and the rest.
  bool CompileArgument(const char* p) {
    p_ = p;
    Skip();
    int first = Term();
    if (first < 0) return false;
    Skip();
    const Node::Type firstType = c_.nodes[first].type;
    // A call alone is the planned call's or the reading's.
    if (*p_ == '\0' && firstType == Node::Call) return false;
    // A lone literal is its own text (the reader gives a number literal's
    // text as written, a plain string literal's contents).
    if (*p_ == '\0' && (firstType == Node::Var || firstType == Node::Item || firstType == Node::Elem || firstType == Node::Group ||
                        firstType == Node::Num || firstType == Node::Str)) {
      c_.single = true;
      c_.root = first;
      return true;
    }
    if (!IsOperatorChar(static_cast<unsigned char>(*p_))) return false;
    if (*p_ == '&' && p_[1] != '&') return false;  // joining: the reader's own path
    c_.first = first;
    prevOperator_ = false;
    tokKind_ = kNumber;
    tokNode_ = first;
    int root = Logic();
    if (root < 0 || tokKind_ != kNothing || *p_) return false;
    c_.root = root;
    return true;
  }

 private:
  int Add(Node n) {
    c_.nodes.push_back(std::move(n));
    return static_cast<int>(c_.nodes.size()) - 1;
  }
  void Skip() {
    while (*p_ == ' ' || *p_ == '\t' || *p_ == ',' || static_cast<unsigned char>(*p_) == 0xA4) ++p_;
  }

  // One operand as EvalTerm reads it; -1 when it is not compilable.
  int Term() {
    Skip();
    char c = *p_;
    if (c == '"' || c == '`') {
      std::string text;
      if (!ReadPlainLiteral(p_, text, p_)) return -1;
      Node n{Node::Str, text};
      SetLiteralNumber(n);
      return Add(std::move(n));
    }
    if (c == '$' || (c >= '0' && c <= '9')) {
      const char* start = p_;
      p_ = c == '$' ? ScanHex(p_) : ScanDecimal(p_);
      std::string text(start, p_);
      if (c == '$') text = HexLiteralValue(std::string_view(text).substr(1));
      Node n{Node::Num, text};
      SetLiteralNumber(n);
      return Add(std::move(n));
    }
    if (c == '(') {
      const char* end = SimpleBracketEnd(p_);
      if (!end) return -1;
      std::string inner(p_ + 1, end - 1);
      if (depth_ >= 64) return -1;  // deep nesting: the reader, with its guard
      Compiler sub(c_, depth_ + 1);
      if (!sub.CompileExpression(inner.c_str())) return -1;
      p_ = end;
      Node n{Node::Group, ""};
      n.left = c_.root;
      return Add(std::move(n));
    }
    if (c == '-') {
      if (++depth_ > 64) return -1;
      ++p_;
      int child = Term();
      if (child < 0) return -1;
      Node n{Node::Neg, ""};
      n.left = child;
      return Add(std::move(n));
    }
    const char* start = p_;
    while (!IsWordDelimiter(static_cast<unsigned char>(*p_))) p_ += CharLenAt(p_);
    if (p_ == start) return -1;
    std::string word(start, p_);
    static const std::string no = Sj("の");
    if (*p_ == '(' && EndsWithChar(word, no) && word.size() > no.size()) return ItemTerm(word);
    if (*p_ == '(') return CallTerm(start, word);
    if (EndsWithChar(word, no)) return -1;
    if (*p_ == '#') return ElementTerm(word);
    return Add(Node{Node::Var, word});
  }

  // 名前(…) read as a planned bracket call (ReadBracketCall): its arguments
  // literals, words, numbers and expressions on those.
  int CallTerm(const char* start, const std::string& word) {
    const char* end = SimpleBracketEnd(p_);
    if (!end) return -1;
    std::shared_ptr<BracketCallPlan> call = ReadBracketCall(std::string(start, end));
    if (!call) return -1;
    p_ = end;
    Node n{Node::Call, word};
    n.left = static_cast<int>(c_.calls.size());
    c_.calls.push_back(std::move(call));
    c_.hasCall = true;
    return Add(std::move(n));
  }

  // 名前#i or 名前#i#j, each index digits, a plain word or a bracket that
  // compiles as an expression; any other index is the reader's.
  int ElementTerm(const std::string& word) {
    auto indexes = std::make_shared<ElementIndexes>();
    ++p_;
    if (!ElementIndexAt(indexes->first, true)) return -1;
    if (*p_ == '#') {
      ++p_;
      if (!ElementIndexAt(indexes->second)) return -1;
      indexes->two = true;
    }
    Node n{Node::Elem, word};
    n.indexes = std::move(indexes);
    return Add(std::move(n));
  }

  // `first`: the column of 名前#列#行, where a variable followed by "#"
  // gives its value and leaves the "#" to the row (as IndexOf reads it).
  bool ElementIndexAt(ElementIndex& index, bool first = false) {
    const char c = *p_;
    if (c == '(') {
      const char* end = SimpleBracketEnd(p_);
      if (!end || depth_ >= 64) return false;
      const std::string inner(p_ + 1, end - 1);
      auto tree = std::make_shared<Compiled>();
      Compiler sub(*tree, depth_ + 1);
      if (!sub.CompileExpression(inner.c_str())) return false;
      tree->ok = true;
      if (tree->hasCall) c_.hasCall = true;
      index.tree = std::move(tree);
      p_ = end;
      return true;
    }
    const char* start = p_;
    if (c >= '0' && c <= '9') {
      while (*p_ >= '0' && *p_ <= '9') ++p_;
      if (!IsWordDelimiter(static_cast<unsigned char>(*p_))) return false;  // 12個, 1.5: the reader's
      index.text.assign(start, p_);
      return true;
    }
    while (!IsWordDelimiter(static_cast<unsigned char>(*p_))) p_ += CharLenAt(p_);
    if (p_ == start) return false;
    index.text.assign(start, p_);
    // A row index followed by "#" is an element of its own to the reader
    // (表#0#I#J reads I#J), and a word followed by "(" a call.
    static const std::string no = Sj("の");
    if (*p_ == '(' || (*p_ == '#' && !first) || EndsWithChar(index.text, no)) return false;
    index.word = true;
    return true;
  }

  // 名前の(キー) with a plain word as the key, a plain literal, or a key
  // that compiles as an argument on its own; any other key is the reader's.
  int ItemTerm(const std::string& word) {
    const char* end = SimpleBracketEnd(p_);
    if (!end) return -1;
    std::string key(p_ + 1, end - 1);
    if (key.empty()) return -1;
    static const std::string no = Sj("の");
    Node n{Node::Item, word.substr(0, word.size() - no.size())};
    if (!PlainWordKey(key) && !KeyReadOnce(key, n)) return -1;
    p_ = end;
    n.item = std::move(key);
    n.full = word;
    return Add(std::move(n));
  }

  static bool PlainWordKey(const std::string& key) {
    if (key[0] == '$' || key[0] == '-' || (key[0] >= '0' && key[0] <= '9')) return false;
    for (const char* q = key.c_str(); *q; q += CharLenAt(q))
      if (IsWordDelimiter(static_cast<unsigned char>(*q))) return false;
    return true;
  }

  // A key that evaluates without running anything: a literal with no
  // escapes or {…} (its text), or one that compiles as an argument (its
  // tree, run where the reading would evaluate the key).
  bool KeyReadOnce(const std::string& key, Node& n) {
    if (depth_ >= 64) return false;
    auto tree = std::make_shared<Compiled>();
    Compiler sub(*tree, depth_ + 1);
    if (!sub.CompileArgument(key.c_str())) return false;
    tree->ok = true;
    if (tree->hasCall) c_.hasCall = true;
    const Node& root = tree->nodes[tree->root];
    if (tree->single && root.type == Node::Str) {
      n.keyIsLiteral = true;
      n.keyText = root.text;
      return true;
    }
    n.keyTree = std::move(tree);
    return true;
  }

  // The end of the bracket at p ("("), literals inside taken whole; null
  // when it has none (the reader reports that).
  static const char* SimpleBracketEnd(const char* p) {
    int depth = 0;
    while (*p) {
      if (*p == '"' || *p == '`') {
        p = FindLiteralEnd(p);
        if (!p) return nullptr;
        continue;
      }
      if (*p == '(') ++depth;
      if (*p == ')' && --depth == 0) return p + 1;
      p += CharLenAt(p);
    }
    return nullptr;
  }


  // Reads the next token: an operator into op_, or an operand node.
  bool Next() {
    Skip();
    char c = *p_;
    if (c == '\0') {
      tokKind_ = kNothing;
      return true;
    }
    if (IsOperatorChar(static_cast<unsigned char>(c))) {
      std::string op(1, c);
      ++p_;
      if (IsSecondChar(c) && IsSecondChar(*p_)) op += *p_++;
      if (prevOperator_) {
        if (op == "-") {
          int child = Term();
          if (child < 0) return false;
          Node n{Node::Neg, ""};
          n.left = child;
          tokNode_ = Add(std::move(n));
          tokKind_ = kNumber;
          prevOperator_ = false;
          return true;
        }
        if (op == "+" && (*p_ == '$' || (*p_ >= '0' && *p_ <= '9'))) {
          tokNode_ = Term();
          tokKind_ = kNumber;
          prevOperator_ = false;
          return tokNode_ >= 0;
        }
      }
      op_ = op;
      tokKind_ = kOperator;
      prevOperator_ = true;
      return true;
    }
    tokNode_ = Term();
    tokKind_ = kNumber;
    prevOperator_ = false;
    return tokNode_ >= 0;
  }

  bool OpIs(const char* op) const { return tokKind_ == kOperator && op_ == op; }

  int Binary(const std::string& op, int left, int right, int which = -1) {
    if (left < 0 || right < 0) return -1;
    Node n{Node::Bin, op};
    n.op = op == "&&" ? 'A' : (op == "||" ? 'O' : op[0]);
    n.left = left;
    n.right = right;
    n.which = which;
    return Add(std::move(n));
  }

  int Logic() {
    int left = Compare();
    while (left >= 0 && (OpIs("&&") || OpIs("||"))) {
      std::string op = op_;
      if (!Next()) return -1;
      left = Binary(op, left, Compare());
    }
    return left;
  }
  int Compare() {
    int left = AddLevel();
    while (left >= 0 && tokKind_ == kOperator) {
      int which = CompareKind(op_);
      if (which < 0) break;
      std::string op = op_;
      if (!Next()) return -1;
      left = Binary(op, left, AddLevel(), which);
    }
    return left;
  }
  int AddLevel() {
    int left = MulLevel();
    while (left >= 0 && (OpIs("+") || OpIs("-") || OpIs("&"))) {
      std::string op = op_;
      if (!Next()) return -1;
      left = Binary(op, left, MulLevel());
    }
    return left;
  }
  int MulLevel() {
    int left = Factor();
    while (left >= 0 && (OpIs("*") || OpIs("/") || OpIs("%") || OpIs("^"))) {
      std::string op = op_;
      if (!Next()) return -1;
      left = Binary(op, left, Factor());
    }
    return left;
  }
  int Factor() {
    if (tokKind_ != kNumber) return -1;  // an operator where an operand belongs
    int node = tokNode_;
    if (!Next()) return -1;
    return node;
  }

  Compiled& c_;
  const char* p_ = "";
  uint8_t tokKind_ = kNothing;
  int tokNode_ = -1;
  std::string op_;
  bool prevOperator_ = true;
  int depth_ = 0;
};

// A variable node's word, looked up again only when the word table changed:
// the word it names, or whether the name folds to a command or label.
NOKARI_HOT void ResolveWord(TNokaBase& e, const Node& n) {
  uint64_t generation = e.Words.Generation();
  if (n.generation == generation && generation != 0) return;
  n.word = e.Words.Find(n.text);
  THashNode* command = n.word ? nullptr : e.Words.Find(n.text, true);
  n.callable = IsCommandOrLabel(command);
  // An object's property written as one word (ボタン1のテキスト) is the
  // reader's to resolve.
  std::string property;
  if (!n.word && !n.callable && SplitObjectProperty(e, n.text, property)) n.callable = true;
  n.generation = generation;
}

// A tree's integer evaluation as a flat program for a small stack machine:
// operands pushed, operators applied, in the order the tree evaluates them.
// Every decision that depends only on the tree (which nodes can never be
// whole, which operands must be typed as numbers, which is the first term)
// is taken once when the program is built; the rest is checked as it runs.
struct WholeOp {
  enum Code : uint8_t {
    kConstant, kVariable, kItem, kNegate,
    kAnd, kOr, kCompare, kAdd, kSubtract, kMultiply, kDivide, kRemainder,
  };
  enum : uint8_t { kNeedsTypeE = 1, kFirstTerm = 2 };
  Code Code = kConstant;
  uint8_t Flags = 0;  // operands: the bits above; kCompare: the comparison kind
  int32_t Node = -1;  // kVariable, kItem: the node
  int64_t Value = 0;  // kConstant
};

struct WholeProgram {
  static constexpr int kMaxDepth = 32;
  std::vector<WholeOp> Ops;
  int Root = -1;
  bool Possible = false;  // false: the tree can never be evaluated as integers
  // A variable, a constant and an operator between them (N+1, I<10): the
  // commonest program, run without the stack machine's loop.
  bool VariableThenConstant = false;
};

// Appends the program of the node at `index`; false when it can never be
// whole. `numeric` says whether only the operand's number counts (the
// operands of arithmetic and logic, the left of a comparison), as in
// TreeEvaluator::EvalNumber. `depth` is the stack depth it starts at.
bool BuildWhole(const Compiled& c, int index, bool numeric, int depth, int& maxDepth, std::vector<WholeOp>& ops) {
  const Node& n = c.nodes[index];
  if (depth + 1 > maxDepth) maxDepth = depth + 1;
  if (maxDepth > WholeProgram::kMaxDepth) return false;
  WholeOp op;
  switch (n.type) {
    case Node::Num:
    case Node::Str:
      if (!n.isWhole || (n.type == Node::Str && !numeric)) return false;
      op.Code = WholeOp::kConstant;
      op.Value = n.whole;
      ops.push_back(op);
      return true;
    case Node::Var:
    case Node::Item:
      // A call (in a key here, or any Call node below) is Eval's to make.
      if (n.keyTree && n.keyTree->hasCall) return false;
      op.Code = n.type == Node::Var ? WholeOp::kVariable : WholeOp::kItem;
      op.Node = index;
      if (!numeric) op.Flags |= WholeOp::kNeedsTypeE;
      if (index == c.first) op.Flags |= WholeOp::kFirstTerm;
      ops.push_back(op);
      return true;
    case Node::Neg: {
      const Node& child = c.nodes[n.left];
      if (child.type == Node::Neg || child.type == Node::Bin || index == c.first) return false;
      if (!BuildWhole(c, n.left, false, depth, maxDepth, ops)) return false;
      op.Code = WholeOp::kNegate;
      ops.push_back(op);
      return true;
    }
    case Node::Group:
      // A whole number in range is its own 15-digit text.
      return BuildWhole(c, n.left, false, depth, maxDepth, ops);
    case Node::Bin:
      if ((n.op == '&' && n.which < 0) || n.op == '^') return false;
      if (!BuildWhole(c, n.left, true, depth, maxDepth, ops) ||
          !BuildWhole(c, n.right, n.which < 0, depth + 1, maxDepth, ops))
        return false;
      if (n.op == 'A') {
        op.Code = WholeOp::kAnd;
      } else if (n.op == 'O') {
        op.Code = WholeOp::kOr;
      } else if (n.which >= 0) {
        op.Code = WholeOp::kCompare;
        op.Flags = static_cast<uint8_t>(n.which);
      } else {
        switch (n.op) {
          case '+': op.Code = WholeOp::kAdd; break;
          case '-': op.Code = WholeOp::kSubtract; break;
          case '*': op.Code = WholeOp::kMultiply; break;
          case '/': op.Code = WholeOp::kDivide; break;
          case '%': op.Code = WholeOp::kRemainder; break;
          default: return false;
        }
      }
      ops.push_back(op);
      return true;
    default:
      return false;
  }
}

const WholeProgram& WholeProgramFor(const Compiled& c, int root) {
  if (!c.whole) c.whole = std::make_unique<WholeProgram>();
  WholeProgram& program = *c.whole;
  if (program.Root != root) {
    program.Root = root;
    program.Ops.clear();
    int maxDepth = 0;
    program.Possible = BuildWhole(c, root, false, 0, maxDepth, program.Ops);
    if (!program.Possible) program.Ops.clear();
    // The binary operators are the codes from kAnd on.
    const std::vector<WholeOp>& ops = program.Ops;
    program.VariableThenConstant = ops.size() == 3 && ops[0].Code == WholeOp::kVariable &&
                                   ops[1].Code == WholeOp::kConstant && ops[2].Code >= WholeOp::kAnd;
  }
  return program;
}

bool RunCompiled(TNokaBase& e, const Compiled& c, std::string& out);

class TreeEvaluator {
 public:
  TreeEvaluator(TNokaBase& e, const Compiled& c) : e_(e), c_(c) {}
  bool PlansOff() const { return e_.Caches->PlansOff; }

  // Operand as EvalTerm gives it: its text and type tag.
  void TermValue(int index, std::string& text, bool& isNumber, long double& number, bool& hasNumber) {
    const Node& n = c_.nodes[index];
    hasNumber = false;
    typeS_ = false;
    groupNumber_ = false;
    switch (n.type) {
      case Node::Num:
        text = n.text;
        isNumber = true;
        number = n.number;
        hasNumber = true;
        return;
      case Node::Str:
        text = n.text;
        isNumber = false;
        typeS_ = true;
        number = n.number;
        hasNumber = true;
        return;
      case Node::Var: {
        ResolveWord(e_, n);
        THashNode* w = n.word;
        if (!w) {
          if (n.callable) throw Fallback();
          text = n.text;
          isNumber = false;
          typeS_ = true;
          return;
        }
        if (w->Kind != kVariable) throw Fallback();
        text = w->Value;
        number = NumberOf(*w);
        hasNumber = true;
        isNumber = w->TypeTag.size() == 1 && w->TypeTag[0] == 'e';
        typeS_ = w->TypeTag.size() == 1 && w->TypeTag[0] == 's';
        return;
      }
      case Node::Neg: {
        std::string inner;
        bool innerNumber, innerHas;
        long double innerValue;
        TermValue(n.left, inner, innerNumber, innerValue, innerHas);
        if (groupNumber_) {
          inner = FormatNumber(innerValue);
          groupNumber_ = false;
        }
        text = (!inner.empty() && inner[0] == '-') ? inner.substr(1) : "-" + inner;
        isNumber = innerNumber;  // the sign keeps the operand's type
        return;
      }
      case Node::Group: {
        TStrNum r = Eval(n.left);
        if (r.Kind != kString && IsWholeNumber(r.Number)) {
          // Whole numbers survive formatting unchanged: keep the number.
          number = r.Number;
          hasNumber = true;
          isNumber = true;
          text.clear();
          groupNumber_ = true;
          return;
        }
        if (r.Kind == kString) {
          text = r.GetText();
          isNumber = false;
          typeS_ = true;
        } else {
          if (!std::isfinite(r.Number)) throw Fallback();
          text = FormatNumber(r.Number);
          isNumber = true;
        }
        return;
      }
      case Node::Item: {
        THashNode* node = ItemNode(n);
        hasNumber = false;
        if (!node) {
          text.clear();
          isNumber = false;
          typeS_ = true;
          return;
        }
        char letter = node->TypeLetter() ? node->TypeLetter() : 's';
        text = node->Value;
        number = NumberOf(*node);
        hasNumber = true;
        isNumber = letter == 'e';
        typeS_ = letter == 's';
        return;
      }
      case Node::Elem:
        text = ElementText(n);
        hasNumber = false;
        isNumber = false;
        typeS_ = true;
        return;
      case Node::Call:
        CallValue(n, text, isNumber);
        typeS_ = !isNumber && e_.CurrentType == "s";
        return;
      case Node::Bin:
        throw Fallback();
    }
  }

  // A call's result and whether its type is a number's, as the reading
  // gives them; the reading's when the call is not one this tree may make.
  void CallValue(const Node& n, std::string& text, bool& isNumber) {
    if (PlansOff() || !CallQuietCommand(e_, *c_.calls[n.left], text)) throw Fallback();
    isNumber = e_.CurrentType == "e";
  }

  // The element 名前#i(#j) names, as ElementAccess reads it; only a
  // variable with indexes that run nothing is decided here.
  std::string ElementText(const Node& n) {
    ResolveWord(e_, n);
    THashNode* w = n.word;
    if (!w || w->Kind != kVariable) throw Fallback();
    const ElementIndexes& indexes = *n.indexes;
    const int64_t i = IndexValue(indexes.first);
    int64_t j = -1;
    if (indexes.two) j = IndexValue(indexes.second);
    return ElementValue(e_, *w, i, indexes.two && j >= 0, j);
  }

  int64_t IndexValue(const ElementIndex& index) {
    if (index.tree) {
      std::string value;
      if (!RunCompiled(e_, *index.tree, value)) throw Fallback();
      return IntDefault(value, -1);
    }
    if (!index.word) return IntDefault(index.text, -1);
    const uint64_t generation = e_.Words.Generation();
    if (index.generation != generation || generation == 0) {
      index.found = e_.Words.Find(index.text);
      index.generation = generation;
    }
    if (!index.found || index.found->Kind != kVariable) throw Fallback();
    return IntDefault(index.found->Value, -1);
  }

  // The item 名前の(キー) names, read as item access reads it: the key as
  // written, then the key's value. Only a dictionary with the plain cases
  // is decided here (nothing is run); anything else is the reader's.
  NOKARI_HOT THashNode* ItemNode(const Node& n) {
    uint64_t generation = e_.Words.Generation();
    if (n.generation != generation || generation == 0) {
      THashNode* folded = e_.Words.Find(n.full, true);
      n.callable = IsCallable(folded);
      n.word = e_.Words.Find(n.text);
      n.keyWord = e_.Words.Find(n.item);
      THashNode* keyCommand = n.keyWord ? nullptr : e_.Words.Find(n.item, true);
      n.keyCallable = IsCommandOrLabel(keyCommand);
      n.generation = generation;
    }
    THashNode* owner = n.word;
    if (n.callable || !owner || owner->Kind != kDictionary || !owner->Table) throw Fallback();
    // The key as written first; it is not looked for again while the
    // table's keys stay those it was missing from (途中の(N) is keyed by
    // N's value, never by "N").
    const THash& table = *owner->Table;
    if (n.missGeneration != table.Generation() || n.missGeneration == 0) {
      if (THashNode* node = table.Find(n.item)) return node;
      n.missGeneration = table.Generation();
    }
    if (n.keyIsLiteral) return table.Find(n.keyText);
    if (n.keyTree) {
      // The key evaluated as EvalArg evaluates it, on its compiled form.
      std::string key;
      if (!RunCompiled(e_, *n.keyTree, key)) throw Fallback();
      return table.Find(key);
    }
    if (n.keyWord) {
      if (n.keyWord->Kind != kVariable) throw Fallback();
      return table.Find(n.keyWord->Value);
    }
    if (n.keyCallable) throw Fallback();
    return nullptr;  // the key names nothing: it was looked up as written
  }

  // An argument that is one item alone: its text and type tag.
  bool RunSingleElement(std::string& out) {
    if (!TryTree(c_, [&] { out = ElementText(c_.nodes[c_.root]); return true; }, false)) return false;
    SetTag(e_.CurrentType, "s");
    return true;
  }

  bool RunSingleItem(std::string& out) {
    THashNode* node = nullptr;
    if (!TryTree(c_, [&] { node = ItemNode(c_.nodes[c_.root]); return true; }, false)) return false;
    if (!node) {
      out.clear();
      SetTag(e_.CurrentType, "s");
      return true;
    }
    out = node->Value;
    e_.CurrentType = std::string(1, node->TypeLetter() ? node->TypeLetter() : 's');
    return true;
  }

  // The same evaluation on plain numbers, for trees whose operands are all
  // numbers at this moment; false when any operand is not (the caller then
  // takes the general way). Results match Eval exactly. Where only an
  // operand's number counts (arithmetic, logic, the left of a comparison),
  // `numeric` is set and a variable of any type gives its number.
  // An operand of EvalNumber: numbers and variables are answered here
  // without another call (the same rules as EvalNumber's own).
  bool Operand(int index, long double& out, bool numeric) {
    const Node& n = c_.nodes[index];
    if (n.type == Node::Num) {
      out = n.number;
      return true;
    }
    if (n.type == Node::Var && index != c_.first) {
      THashNode* w = n.word;
      if (!w || n.generation != e_.Words.Generation() || n.generation == 0 || w->Kind != kVariable) return false;
      if (!numeric && !(w->TypeTag.size() == 1 && w->TypeTag[0] == 'e')) return false;
      out = NumberOf(*w);
      return true;
    }
    return EvalNumber(index, out, numeric);
  }

  bool EvalNumber(int index, long double& out, bool numeric = false) {
    if (c_.hasCall) return false;  // Eval makes the call, once
    const Node& n = c_.nodes[index];
    switch (n.type) {
      case Node::Num:
        out = n.number;
        return true;
      case Node::Str:
        if (!numeric) return false;
        out = n.number;
        return true;
      case Node::Var: {
        if (n.generation != e_.Words.Generation() || n.generation == 0 || !n.word) return false;
        THashNode* w = n.word;
        if (w->Kind != kVariable) return false;
        const bool typeE = w->TypeTag.size() == 1 && w->TypeTag[0] == 'e';
        const bool typeS = w->TypeTag.size() == 1 && w->TypeTag[0] == 's';
        if (!typeE && !numeric) return false;
        // The first term is read again as text unless it is a string.
        if (index == c_.first && !typeS && !PlainNumberText(w->Value)) return false;
        out = NumberOf(*w);
        return true;
      }
      case Node::Neg: {
        const Node& child = c_.nodes[n.left];
        if (child.type == Node::Neg || child.type == Node::Bin || index == c_.first) return false;
        long double v;
        if (!EvalNumber(n.left, v)) return false;
        out = -v;
        return true;
      }
      case Node::Group: {
        long double v;
        if (!Operand(n.left, v, false) || !std::isfinite(v)) return false;
        if (IsWholeNumber(v)) {
          out = v;
        } else {
          out = ToNumber(FormatNumber(v));  // the bracket's value is its 15-digit text
        }
        return true;
      }
      case Node::Bin: {
        long double a, b;
        if (n.op == '&' && n.which < 0) return false;
        // A comparison with a string on its right compares texts.
        if (!Operand(n.left, a, true) || !Operand(n.right, b, n.which < 0)) return false;
        switch (n.op) {
          case 'A': out = LogicResult(true, a, b) ? 1 : 0; break;
          case 'O': out = LogicResult(false, a, b) ? 1 : 0; break;
          default:
            if (n.which >= 0)
              out = CompareResult(n.which, CompareNumbers(a, b)) ? 1 : 0;
            else if (n.op == '+' || n.op == '-')
              out = n.op == '+' ? a + b : a - b;
            else
              out = MulOp(n.op, a, b);
        }
        return true;
      }
      case Node::Item: {
        THashNode* node = ItemNode(n);
        if (!node) return false;
        char letter = node->TypeLetter() ? node->TypeLetter() : 's';
        if (letter != 'e' && !numeric) return false;
        if (index == c_.first && letter != 's' && !PlainNumberText(node->Value)) return false;
        out = NumberOf(*node);
        return true;
      }
      default:
        return false;
    }
  }

  // EvalNumber on machine integers, for the usual case of whole numbers:
  // the same decisions node by node, while every operand and every result
  // along the way is a whole number below 10^15 in magnitude. In that range
  // the 80-bit numbers are exact too, so sums, differences, products, exact
  // quotients, remainders and comparisons come out as EvalNumber's (a
  // product that could round, a quotient with a remainder, ^, a fraction or
  // a larger number answer false, and EvalNumber decides). The one number
  // the two could tell apart, a negative zero, prints and compares as 0 and
  // is only seen by ^, which this never takes. The tree runs as the flat
  // program BuildWhole made of it (see WholeProgram).
  static constexpr int64_t kWholeLimit = 999'999'999'999'999;
  static bool InWholeRange(int64_t v) { return v >= -kWholeLimit && v <= kWholeLimit; }

  // A variable operand's integer: false when its word is not the one the
  // tree found in this generation of the word table, or its value is not
  // a whole number the operand may use as it stands.
  bool VariableWhole(const WholeOp& op, uint64_t generation, int64_t& out) {
    const Node& n = c_.nodes[op.Node];
    THashNode* w = n.word;
    if (!w || n.generation != generation || generation == 0 || w->Kind != kVariable) return false;
    if (op.Flags & WholeOp::kNeedsTypeE) {
      if (!(w->TypeTag.size() == 1 && w->TypeTag[0] == 'e')) return false;
    }
    // The first term is read again as text unless it is a string.
    if ((op.Flags & WholeOp::kFirstTerm) && !(w->TypeTag.size() == 1 && w->TypeTag[0] == 's') &&
        !(w->NumVersion == w->Version && w->NumTextPlain) && !PlainNumberText(w->Value))
      return false;
    return WholeOf(*w, out);
  }

  // a = a op b for a binary operator; false when the result leaves the
  // range of whole numbers (or a division is not exact).
  static bool ApplyBinary(const WholeOp& op, int64_t& a, int64_t b) {
    switch (op.Code) {
      case WholeOp::kAnd: a = (a > 0 && b > 0) ? 1 : 0; return true;
      case WholeOp::kOr: a = (a > 0 || b > 0) ? 1 : 0; return true;
      case WholeOp::kCompare: a = CompareResult(op.Flags, a < b ? -1 : (a > b ? 1 : 0)) ? 1 : 0; return true;
      case WholeOp::kAdd: a += b; return InWholeRange(a);
      case WholeOp::kSubtract: a -= b; return InWholeRange(a);
      case WholeOp::kMultiply: return !__builtin_mul_overflow(a, b, &a) && InWholeRange(a);
      case WholeOp::kDivide:
        if (b == 0) {
          a = 0;
          return true;
        }
        if (a % b != 0) return false;
        a /= b;
        return true;
      case WholeOp::kRemainder: a = (b == 0 || b == -1) ? 0 : a % b; return true;
      default: return false;
    }
  }

  bool RunWhole(const WholeProgram& program, int64_t& out) {
    const uint64_t generation = e_.Words.Generation();
    if (program.VariableThenConstant) {
      const WholeOp* ops = program.Ops.data();
      if (!VariableWhole(ops[0], generation, out)) return false;
      return ApplyBinary(ops[2], out, ops[1].Value);
    }
    int64_t stack[WholeProgram::kMaxDepth];
    int sp = 0;
    for (const WholeOp& op : program.Ops) {
      switch (op.Code) {
        case WholeOp::kConstant:
          stack[sp++] = op.Value;
          continue;
        case WholeOp::kVariable:
          if (!VariableWhole(op, generation, stack[sp])) return false;
          ++sp;
          continue;
        case WholeOp::kItem: {
          THashNode* node = ItemNode(c_.nodes[op.Node]);
          if (!node) return false;
          char letter = node->TypeLetter() ? node->TypeLetter() : 's';
          if ((op.Flags & WholeOp::kNeedsTypeE) && letter != 'e') return false;
          if ((op.Flags & WholeOp::kFirstTerm) && letter != 's' &&
              !(node->NumVersion == node->Version && node->NumTextPlain) && !PlainNumberText(node->Value))
            return false;
          if (!WholeOf(*node, stack[sp])) return false;
          ++sp;
          continue;
        }
        case WholeOp::kNegate:
          stack[sp - 1] = -stack[sp - 1];
          continue;
        default:
          break;
      }
      const int64_t b = stack[--sp];
      if (!ApplyBinary(op, stack[sp - 1], b)) return false;
    }
    out = stack[0];
    return true;
  }

  TStrNum Eval(int index) {
    const Node& n = c_.nodes[index];
    if (n.type == Node::Bin) {
      TStrNum left = Eval(n.left);
      TStrNum right = Eval(n.right);
      switch (n.op) {
        case 'A': ApplyLogic(true, left, right); break;
        case 'O': ApplyLogic(false, left, right); break;
        case '+': case '-': case '&':
          if (n.which < 0) {
            ApplyAdd(n.op, left, right);
            break;
          }
          [[fallthrough]];
        default:
          if (n.which >= 0)
            ApplyCompare(n.which, left, right);
          else
            ApplyMul(n.op, left, right);
      }
      return left;
    }
    TStrNum t;
    bool isNumber, hasNumber;
    long double number;
    if ((n.type == Node::Num || n.type == Node::Str) && index != c_.first) {
      // Literals: the number was read when compiling; the text is borrowed.
      t.Borrowed = &n.text;
      t.Kind = n.type == Node::Num ? kNumber : kString;
      t.Number = n.number;
      return t;
    }
    if (n.type == Node::Var && index != c_.first) {
      // The common operand: a variable read for its number.
      if (n.generation == e_.Words.Generation() && n.generation != 0 && n.word && n.word->Kind == kVariable) {
        THashNode* w = n.word;
        t.Borrowed = &w->Value;
        t.Kind = (w->TypeTag.size() == 1 && w->TypeTag[0] == 'e') ? kNumber : kString;
        t.Number = NumberOf(*w);
        return t;
      }
    }
    if (index == c_.first) {
      // The first term of an argument is put back into the text: a string
      // stays a string, anything else is read again as expression text.
      TermValue(index, t.Text, isNumber, number, hasNumber);
      if (groupNumber_) {
        t.Kind = kNumber;
        t.SetNumber(number);
        return t;
      }
      if (typeS_) {
        t.Kind = kString;
      } else if (PlainNumberText(t.Text)) {
        t.Kind = kNumber;
      } else {
        throw Fallback();
      }
      t.Number = ToNumber(t.Text);
      return t;
    }
    TermValue(index, t.Text, isNumber, number, hasNumber);
    if (groupNumber_) {
      t.SetNumber(number);
      return t;
    }
    t.Kind = (n.type == Node::Neg) ? kNumber : (isNumber ? kNumber : kString);
    t.Number = hasNumber ? number : ToNumber(t.Text);
    return t;
  }

 private:
  TNokaBase& e_;
  const Compiled& c_;
  bool typeS_ = false;  // the last term's type tag is exactly "s"
  bool groupNumber_ = false;  // the last term was a whole-number bracket
};


// A cheap hash for the memo in front of the compiled cache.
uint32_t TextHash(const std::string& text) {
  uint32_t h = 2166136261u;
  for (unsigned char c : text) h = (h ^ c) * 16777619u;
  return h;
}

const Compiled& CompiledFor(const std::string& text, bool argumentForm) {
  static const Compiled tooLong;
  if (text.size() > 4096) return tooLong;
  // Most lookups repeat a few texts: a small direct-mapped memo by content
  // spares the map's hashing and bucket search.
  struct Memo {
    uint32_t hash = 0;
    uint64_t epoch = 0;
    std::string text;
    const Compiled* compiled = nullptr;
  };
  static Memo memo[2][256];
  const uint32_t hash = TextHash(text);
  Memo& m = memo[argumentForm ? 1 : 0][hash & 255];
  if (m.hash == hash && m.epoch == CompiledEpochNow && m.text == text) return *m.compiled;
  static std::unordered_map<std::string, std::unique_ptr<Compiled>> cache[2];
  auto& map = cache[argumentForm ? 1 : 0];
  auto it = map.find(text);
  if (it == map.end()) {
    if (map.size() > 8192) {
      cache[0].clear();
      cache[1].clear();
      ++CompiledEpochNow;
    }
    auto compiled = std::make_unique<Compiled>();
    Compiler compiler(*compiled);
    compiled->ok = argumentForm ? compiler.CompileArgument(text.c_str()) : compiler.CompileExpression(text.c_str());
    it = map.emplace(text, std::move(compiled)).first;
  }
  m.hash = hash;
  m.epoch = CompiledEpochNow;
  m.text = text;
  m.compiled = it->second.get();
  return *m.compiled;
}

// The number behind a result is handed on only when its text reads back as
// exactly that number (whole numbers); otherwise readers use the text.
void KeepNumber(TNokaBase& e, long double x) {
  e.LastNumber = x;
  e.LastNumberValid = IsWholeNumber(x);
}

// A lone word as an argument: a variable's text and type, or the word
// itself when it names nothing; anything else is the reader's.
bool RunSingleWord(TNokaBase& e, const Node& n, std::string& out) {
  ResolveWord(e, n);
  THashNode* w = n.word;
  if (!w) {
    if (n.callable) return false;
    out = n.text;
    SetTag(e.CurrentType, "s");
    return true;
  }
  if (w->Kind != kVariable) return false;
  out = w->Value;
  SetTag(e.CurrentType, w->TypeTag);
  // The text is the variable's own, so its cached number goes with it.
  e.LastNumber = w->Num;
  e.LastNumberValid = w->NumVersion == w->Version;
  return true;
}

// The tree evaluated on machine integers (TreeEvaluator::RunWhole), unless
// it can never be, or has given up on that eight times in a row: then only
// every 64th time, in case its numbers have become whole since.
NOKARI_HOT bool TryWhole(TreeEvaluator& ev, const Compiled& c, int root, int64_t& out) {
  if (ev.PlansOff()) return false;  // every fast way off: the agreement tests' reference
  const WholeProgram& program = WholeProgramFor(c, root);
  if (!program.Possible) return false;
  if (c.wholeMisses >= 8 && (++c.wholeSkips & 63) != 0) return false;
  if (ev.RunWhole(program, out)) {
    c.wholeMisses = 0;
    return true;
  }
  if (c.wholeMisses < 8) ++c.wholeMisses;
  return false;
}

// The tree evaluated from `root` as a whole expression.
bool RunTree(TNokaBase& e, const Compiled& c, int root, std::string& out) {
  return TryTree(c, [&] {
    TreeEvaluator ev(e, c);
    int64_t whole;
    if (TryWhole(ev, c, root, whole)) {
      FormatIntInto(out, whole);
      SetTag(e.CurrentType, "e");
      e.LastNumber = static_cast<long double>(whole);
      e.LastNumberValid = true;
      return true;
    }
    long double number;
    if (ev.EvalNumber(root, number) && std::isfinite(number)) {
      FormatNumberInto(out, number);
      SetTag(e.CurrentType, "e");
      KeepNumber(e, number);
      return true;
    }
    TStrNum result = ev.Eval(root);
    if (result.Kind == kString) {
      out = result.GetText();
      SetTag(e.CurrentType, "s");
      return true;
    }
    if (!std::isfinite(result.Number)) return false;
    FormatNumberInto(out, result.Number);
    SetTag(e.CurrentType, "e");
    KeepNumber(e, result.Number);
    return true;
  }, false);
}

// The root a tree is evaluated from as a whole expression: a lone bracketed
// argument is its contents, as the reader evaluates them.
int ExpressionRoot(const Compiled& c) {
  if (c.single) return c.nodes[c.root].type == Node::Group ? c.nodes[c.root].left : -1;
  return c.root;
}

bool RunCompiled(TNokaBase& e, const Compiled& c, std::string& out) {
  // The number handed on belongs to this result alone (see KeepNumber).
  e.LastNumberValid = false;
  if (!c.ok) return false;
  if (c.single && c.nodes[c.root].type == Node::Var) return RunSingleWord(e, c.nodes[c.root], out);
  if (c.single && c.nodes[c.root].type == Node::Item) return TreeEvaluator(e, c).RunSingleItem(out);
  if (c.single && c.nodes[c.root].type == Node::Elem) return TreeEvaluator(e, c).RunSingleElement(out);
  if (c.single && c.nodes[c.root].type != Node::Group) {
    const Node& literal = c.nodes[c.root];
    out = literal.text;
    SetTag(e.CurrentType, literal.type == Node::Num ? "e" : "s");
    return true;
  }
  return RunTree(e, c, ExpressionRoot(c), out);
}

}  // namespace

bool IsPlainLiteral(const std::string& written) {
  if (written.empty() || (written[0] != '"' && written[0] != '`')) return false;
  std::string text;
  const char* end = nullptr;
  return ReadPlainLiteral(written.c_str(), text, end) && *end == '\0';
}

CompiledRef CompileArgument(const std::string& text) {
  return {&CompiledFor(text, true), CompiledEpochNow};
}

CompiledRef CompileExpression(const std::string& text) {
  return {&CompiledFor(text, false), CompiledEpochNow};
}

NOKARI_HOT ArgShape ShapeOf(const CompiledRef& ref) {
  const Compiled& c = *static_cast<const Compiled*>(ref.Tree);
  if (!c.ok) return kOtherShape;
  if (c.single && c.nodes[c.root].type == Node::Var) return kLoneVariableShape;
  if (c.single && (c.nodes[c.root].type == Node::Num || c.nodes[c.root].type == Node::Str)) return kLiteralShape;
  if (c.single && (c.nodes[c.root].type == Node::Item || c.nodes[c.root].type == Node::Elem)) return kLoneItemShape;
  // A tree that makes calls is no number's fast way: its value is Eval's.
  return ExpressionRoot(c) >= 0 && !c.hasCall ? kArithmeticShape : kOtherShape;
}

const std::string& LiteralOf(const CompiledRef& ref, bool& isNumber) {
  const Compiled& c = *static_cast<const Compiled*>(ref.Tree);
  const Node& literal = c.nodes[c.root];
  isNumber = literal.type == Node::Num;  // as RunCompiled types it
  return literal.text;
}

bool TryEvalArgFast(TNokaBase& e, const CompiledRef& ref, std::string& out) {
  return RunCompiled(e, *static_cast<const Compiled*>(ref.Tree), out);
}

namespace {

// Runs `evaluate(evaluator, compiled, root)` on an argument's tree as a whole
// expression; false when there is no such tree or the evaluation falls back.
template <class Evaluate>
bool OnArgumentTree(TNokaBase& e, const CompiledRef& ref, Evaluate evaluate) {
  const Compiled& c = *static_cast<const Compiled*>(ref.Tree);
  if (!c.ok) return false;
  int root = ExpressionRoot(c);
  if (root < 0) return false;
  return TryTree(c, [&] {
    TreeEvaluator ev(e, c);
    return evaluate(ev, c, root);
  }, false);
}

}  // namespace

bool TryEvalArgNumber(TNokaBase& e, const CompiledRef& ref, long double& out) {
  return OnArgumentTree(e, ref, [&out](TreeEvaluator& ev, const Compiled& c, int root) {
    int64_t whole;
    if (TryWhole(ev, c, root, whole)) {
      out = static_cast<long double>(whole);
      return true;
    }
    return ev.EvalNumber(root, out) && std::isfinite(out);
  });
}

NOKARI_HOT bool TryEvalArgWhole(TNokaBase& e, const CompiledRef& ref, int64_t& out) {
  return OnArgumentTree(e, ref, [&out](TreeEvaluator& ev, const Compiled& c, int root) {
    return TryWhole(ev, c, root, out);
  });
}

namespace {

// Bracket nesting deeper than the evaluator's guard is refused at once
// instead of being discovered level by level.
bool TooDeep(const char* p) {
  int depth = 0;
  for (; *p; ++p) {
    if (*p == '(' && ++depth > 1000) return true;
    if (*p == ')') --depth;
  }
  return false;
}

// An error already wrapped by an evaluation. The evaluations around it pass
// it on as it is: wrapping it again at every level of a deep nesting would
// repeat every expression text below, quadratic in the depth.
class EExpression : public ENoka {
 public:
  using ENoka::ENoka;
};

[[noreturn]] void RaiseWrapped(TNokaBase& e, const ENoka& err, std::string_view expr) {
  std::string line = ErrorLine(e, Sj(msg::kBadExpression) + err.Message + std::string(expr));
  e.ErrorLog += line;
  e.ErrorLog += "\r\n";
  throw EExpression(std::move(line));
}

std::string Evaluate(TNokaBase& e, const char*& p, bool argument, const char* textEnd,
                     const std::string* left = nullptr, bool freshBracket = false) {
  const char* start = p;
  NestGuard guard(e);
  try {
    Evaluator ev(e, p, argument, left, freshBracket);
    return ev.Run();
  } catch (EExpression&) {
    throw;
  } catch (ENoka& err) {
    if (e.StopFlag) throw;
    if (!textEnd) {
      textEnd = BalancedEnd(start, 4096, false);
      if (!textEnd) textEnd = start + strnlen(start, 4096);
    }
    RaiseWrapped(e, err, (left ? *left : std::string()) + std::string(start, textEnd));
  }
}

}  // namespace

const char* BalancedEnd(const char* p, size_t limit, bool bracket) {
  const char* const stop = p + limit;
  int depth = 0;
  const char* q = p;
  while (*q && q < stop) {
    char c = *q;
    if (c == '"' || c == '`') {
      // As LiteralEnd reads a literal: escapes in "…", doubled backquotes.
      for (++q; *q && q < stop; q += CharLenAt(q)) {
        if (c == '"' && *q == '\\') {
          ++q;
          if (!*q) break;
        } else if (*q == c) {
          if (c == '`' && q[1] == '`') {
            ++q;
            continue;
          }
          break;
        }
      }
      if (!*q || q >= stop) return nullptr;
      ++q;
      continue;
    }
    if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (depth == 0) return bracket ? nullptr : q;
      if (--depth == 0 && bracket) return q + 1;
    } else if (!bracket && depth == 0 && (c == ',' || c == '\r' || c == '\n')) {
      return q;
    }
    q += CharLenAt(q);
  }
  return !bracket && !*q && depth == 0 ? q : nullptr;
}

std::string EvaluateExpression(TNokaBase& e, const char*& p) {
  const size_t length = strlen(p);
  if (length > 2000 && TooDeep(p)) RaiseError(e, msg::kBadExpression);
  return Evaluate(e, p, false, p + length);
}

std::string EvaluateMadeExpression(TNokaBase& e, const std::string& text) {
  const char* p = text.c_str();
  const size_t length = strlen(p);  // as EvaluateExpression reads it
  if (length > 2000 && TooDeep(p)) RaiseError(e, msg::kBadExpression);
  return Evaluate(e, p, false, p + length, nullptr, *p == '(');
}

std::string EvaluateInPlace(TNokaBase& e, const char*& p, bool argument, const std::string* left) {
  return Evaluate(e, p, argument, nullptr, left);
}

std::string EvaluateExpression(TNokaBase& e, const std::string& text) {
  std::string fast;
  if (RunCompiled(e, CompiledFor(text, false), fast)) return fast;
  const char* p = text.c_str();
  return EvaluateExpression(e, p);
}

std::string EvaluateExpression(TNokaBase& e, const std::string& text, const CompiledRef& ref) {
  std::string fast;
  if (RunCompiled(e, *static_cast<const Compiled*>(ref.Tree), fast)) return fast;
  const char* p = text.c_str();
  return EvaluateExpression(e, p);
}

NOKARI_HOT THashNode* LoneVariable(TNokaBase& e, const CompiledRef& ref) {
  const Compiled& c = *static_cast<const Compiled*>(ref.Tree);
  if (!c.ok || !c.single) return nullptr;
  const Node& n = c.nodes[c.root];
  if (n.type != Node::Var) return nullptr;
  ResolveWord(e, n);
  return n.word && n.word->Kind == kVariable ? n.word : nullptr;
}

NOKARI_HOT THashNode* BracketedWholeVariable(TNokaBase& e, const CompiledRef& ref) {
  const Compiled& c = *static_cast<const Compiled*>(ref.Tree);
  if (!c.ok || !c.single) return nullptr;
  const Node& group = c.nodes[c.root];
  if (group.type != Node::Group || c.nodes[group.left].type != Node::Var) return nullptr;
  const Node& n = c.nodes[group.left];
  ResolveWord(e, n);
  THashNode* w = n.word;
  if (!w || w->Kind != kVariable || !(w->TypeTag.size() == 1 && w->TypeTag[0] == 'e')) return nullptr;
  // Its number read from its text, a whole number, and the text its plain
  // decimal digits: then the text is the number as written back unless it
  // has leading zeros.
  if (w->NumVersion != w->Version || !w->NumIsWhole || !w->NumTextPlain) return nullptr;
  const std::string& text = w->Value;
  const size_t sign = !text.empty() && text[0] == '-' ? 1 : 0;
  if (text.size() <= sign || (text[sign] == '0' && text.size() > sign + 1)) return nullptr;
  SetTag(e.CurrentType, "e");
  e.LastNumber = w->Num;
  e.LastNumberValid = true;
  return w;
}

NOKARI_HOT THashNode* LoneVariableValue(TNokaBase& e, const CompiledRef& ref) {
  THashNode* w = LoneVariable(e, ref);
  if (!w) return nullptr;
  SetTag(e.CurrentType, w->TypeTag);
  e.LastNumber = w->Num;
  e.LastNumberValid = w->NumVersion == w->Version;
  return w;
}

NOKARI_HOT int TryEvalCondition(TNokaBase& e, const CompiledRef& ref) {
  const Compiled& c = *static_cast<const Compiled*>(ref.Tree);
  if (!c.ok || c.single) return -1;
  return TryTree(c, [&] {
    TreeEvaluator ev(e, c);
    int64_t whole;
    if (TryWhole(ev, c, c.root, whole)) return whole == 1 ? 1 : 0;
    long double x;
    if (ev.EvalNumber(c.root, x)) return std::isfinite(x) && IsWholeNumber(x) ? (ToInt64(x) == 1 ? 1 : 0) : -1;
    // A comparison of texts (Sが、「abc」ならば): the tree's own value,
    // which a comparison gives as the number 0 or 1. (With every fast way
    // off, the reading evaluator decides, the agreement tests' reference.)
    if (ev.PlansOff()) return -1;
    const TStrNum result = ev.Eval(c.root);
    if (result.Kind == kString || !std::isfinite(result.Number) || !IsWholeNumber(result.Number)) return -1;
    return ToInt64(result.Number) == 1 ? 1 : 0;
  }, -1);
}

}  // namespace nokari
