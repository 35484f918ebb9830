// Expressions and arguments: the input (CP932) is prepared like a script
// line, then evaluated by the compiled evaluator, by the reading evaluator,
// and as a command argument both ways, against the prelude's words.
#include "FuzzCommon.h"
#include "Prelude.h"
#include "Targets.h"
#include "core/Prepare.h"
#include "words/Expr.h"
#include "words/Value.h"

using namespace nokari;

int NokariFuzzExpr(const uint8_t* data, size_t size) {
  fuzz::FuzzEngine f;
  fuzz::RunPrelude(f);
  f.E.StepBudget = 5000;  // labels used as values run statements
  std::string text;
  fuzz::IgnoringScriptErrors([&] { text = Prepare(f.E, std::string(reinterpret_cast<const char*>(data), size)); });
  if (text.empty()) return 0;
  fuzz::IgnoringScriptErrors([&] { EvaluateExpression(f.E, text); });
  fuzz::IgnoringScriptErrors([&] {
    const char* p = text.c_str();
    EvaluateExpression(f.E, p);
  });
  fuzz::IgnoringScriptErrors([&] { EvalArg(f.E, text); });
  fuzz::IgnoringScriptErrors([&] { EvalArgReading(f.E, text); });
  return 0;
}
