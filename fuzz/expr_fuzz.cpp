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
  std::string text;
  fuzz::IgnoringScriptErrors([&] { text = Prepare(f.E, std::string(reinterpret_cast<const char*>(data), size)); });
  if (text.empty()) return 0;
  // Evaluation happens while a statement runs: commands called in bracket
  // form may read the text after the cursor, so it stands in a running text.
  TextBuf running = MakeText(text);
  f.E.SourceSlots.push_back(running);
  auto atStatement = [&] {
    f.E.Cursor = TextPos::StartOf(running);
    f.E.StopFlag = false;
    f.E.StepBudget = 5000;  // labels used as values run statements
  };
  fuzz::IgnoringScriptErrors([&] {
    atStatement();
    EvaluateExpression(f.E, *running);
  });
  fuzz::IgnoringScriptErrors([&] {
    atStatement();
    const char* p = running->c_str();
    EvaluateExpression(f.E, p);
  });
  fuzz::IgnoringScriptErrors([&] {
    atStatement();
    EvalArg(f.E, *running);
  });
  fuzz::IgnoringScriptErrors([&] {
    atStatement();
    EvalArgReading(f.E, *running);
  });
  return 0;
}
