// The expression evaluator: four precedence levels over operands read by
// EvalTerm, with no tokenising pass.
#pragma once
#include <string>

#include "core/Engine.h"

namespace nokari {

// Evaluates the expression at p; sets e.CurrentType ("e" or "s").
std::string EvaluateExpression(TNokaBase& e, const char*& p);
std::string EvaluateExpression(TNokaBase& e, const std::string& text);
bool IsOperatorChar(unsigned char c);
// The compiled form of an argument with operators (EvalArg's rule for the
// first term included); false when the reading evaluator must decide.
bool TryEvalArgFast(TNokaBase& e, const std::string& text, std::string& out);
// An argument text that is arithmetic on numbers only (numbers, variables
// holding numbers, brackets, operators) evaluated without side effects;
// false, with nothing done, for anything else.
bool TryEvalArgNumber(TNokaBase& e, const std::string& text, long double& out);

}  // namespace nokari
