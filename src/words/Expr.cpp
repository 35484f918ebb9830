// Recursive descent over four precedence levels, reading operands with
// EvalTerm. Each evaluation owns its lookahead, so a nested evaluation (a
// bracket, a command called as an operand) never disturbs the outer one.
#include "words/Expr.h"

#include <cmath>

#include "core/Errors.h"
#include "core/Messages.h"
#include "words/Contract.h"
#include "words/Value.h"

namespace nokari {

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

  const std::string& GetText() {
    if (Computed) {
      Text = FormatNumber(Number);
      Computed = false;
    }
    return Text;
  }
  void SetNumber(long double x) {
    Number = x;
    Kind = kNumber;
    Computed = true;
  }
};

class Evaluator {
 public:
  Evaluator(TNokaBase& e, const char*& p) : e_(e), p_(p) {}

  std::string Run() {
    tok_.Kind = kNothing;
    SkipBlanks(p_);
    NextToken();
    TStrNum result = Logic();
    if (tok_.Kind == kOperator) RaiseError(e_, msg::kBadResult);
    if (result.Kind == kString) {
      e_.CurrentType = "s";
      return std::move(result.Text);
    }
    if (!std::isfinite(result.Number)) RaiseError(e_, msg::kInvalidOperation);
    e_.CurrentType = "e";
    return FormatNumber(result.Number);
  }

 private:
  void NextToken() {
    uint8_t previous = tok_.Kind;
    tok_ = TStrNum();
    while (*p_ == ' ' || *p_ == '\t' || *p_ == ',' || static_cast<unsigned char>(*p_) == 0xA4) ++p_;
    char c = *p_;
    if (c == '(') {
      const char* end = BracketEnd(e_, p_);
      std::string inner(p_ + 1, end - 1);
      p_ = end;
      tok_.Text = EvaluateExpression(e_, inner);
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
          std::string operand = EvalTerm(e_, p_);
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

  TStrNum Logic() {
    TStrNum left = Compare();
    while (TokIs("&&") || TokIs("||")) {
      bool isAnd = tok_.Text == "&&";
      NextToken();
      TStrNum right = Compare();
      bool r = isAnd ? (left.Number > 0 && right.Number > 0) : (left.Number > 0 || right.Number > 0);
      left.SetNumber(r ? 1 : 0);
    }
    return left;
  }

  TStrNum Compare() {
    TStrNum left = Add();
    for (;;) {
      if (tok_.Kind != kOperator) return left;
      const std::string op = tok_.Text;
      int which;
      if (op == "=" || op == "==") which = 0;
      else if (op == "<>" || op == "><") which = 1;
      else if (op == "<") which = 2;
      else if (op == ">") which = 3;
      else if (op == ">=" || op == "=>") which = 4;
      else if (op == "<=" || op == "=<") which = 5;
      else return left;
      NextToken();
      TStrNum right = Add();
      int cmp;
      if (right.Kind != kString) {
        cmp = left.Number < right.Number ? -1 : (left.Number > right.Number ? 1 : 0);
      } else {
        int c = left.GetText().compare(right.GetText());
        cmp = c < 0 ? -1 : (c > 0 ? 1 : 0);
      }
      bool r = false;
      switch (which) {
        case 0: r = cmp == 0; break;
        case 1: r = cmp != 0; break;
        case 2: r = cmp < 0; break;
        case 3: r = cmp > 0; break;
        case 4: r = cmp >= 0; break;
        case 5: r = cmp <= 0; break;
      }
      left.SetNumber(r ? 1 : 0);
    }
  }

  TStrNum Add() {
    TStrNum left = Mul();
    for (;;) {
      if (TokIs("+") || TokIs("-")) {
        bool plus = tok_.Text == "+";
        NextToken();
        TStrNum right = Mul();
        left.SetNumber(plus ? left.Number + right.Number : left.Number - right.Number);
      } else if (TokIs("&")) {
        NextToken();
        TStrNum right = Mul();
        std::string joined = left.GetText() + right.GetText();
        left = TStrNum();
        left.Text = std::move(joined);
        left.Kind = kString;
        left.Number = ToNumber(left.Text);
      } else {
        return left;
      }
    }
  }

  TStrNum Mul() {
    TStrNum left = Factor();
    for (;;) {
      if (!(TokIs("*") || TokIs("/") || TokIs("%") || TokIs("^"))) return left;
      char op = tok_.Text[0];
      NextToken();
      TStrNum right = Factor();
      long double a = left.Number, b = right.Number, r = 0;
      switch (op) {
        case '*': r = a * b; break;
        case '/': r = b == 0 ? 0 : a / b; break;
        case '%': {
          int64_t x = ToInt64(a), y = ToInt64(b);
          r = (y == 0 || (y == -1)) ? 0 : static_cast<long double>(x % y);
          break;
        }
        case '^': r = b == 0 ? 1 : std::pow(a, b); break;
      }
      left.SetNumber(r);
    }
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
  TStrNum tok_;
};

}  // namespace

std::string EvaluateExpression(TNokaBase& e, const char*& p) {
  const char* start = p;
  if (++e.NestDepth > 2000) {
    --e.NestDepth;
    RaiseError(e, msg::kEndlessLoop);
  }
  struct Guard {
    TNokaBase& e;
    ~Guard() { --e.NestDepth; }
  } guard{e};
  try {
    Evaluator ev(e, p);
    return ev.Run();
  } catch (ENoka& err) {
    if (e.StopFlag) throw;
    std::string expr(start);
    RaiseErrorText(e, Sj(msg::kBadExpression) + err.Message + expr);
  }
}

std::string EvaluateExpression(TNokaBase& e, const std::string& text) {
  const char* p = text.c_str();
  return EvaluateExpression(e, p);
}

}  // namespace nokari
