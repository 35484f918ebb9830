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
// A text's compiled form, for callers that keep it beside the text (plans,
// cached conditions). Valid while IsCurrent says so: the compiled cache is
// bounded and may be emptied.
CompiledRef CompileArgument(const std::string& text);
CompiledRef CompileExpression(const std::string& text);
extern uint64_t CompiledEpochNow;  // advanced whenever the compiled cache is emptied
inline bool IsCurrent(const CompiledRef& ref) { return ref.Tree && ref.Epoch == CompiledEpochNow; }
// What a compiled argument is, so callers can go straight to its fast way.
enum ArgShape : uint8_t { kOtherShape, kLoneVariableShape, kArithmeticShape };
ArgShape ShapeOf(const CompiledRef& ref);
// The compiled form of an argument (EvalArg's rule for the first term
// included); false when the reading evaluator must decide.
bool TryEvalArgFast(TNokaBase& e, const CompiledRef& ref, std::string& out);
// An argument that is arithmetic on numbers only (numbers, variables
// holding numbers, brackets, operators) evaluated without side effects;
// false, with nothing done, for anything else.
bool TryEvalArgNumber(TNokaBase& e, const CompiledRef& ref, long double& out);
// The variable a compiled argument names when it is one word alone and
// names a variable now; null otherwise.
THashNode* LoneVariable(TNokaBase& e, const CompiledRef& ref);
// The same for an expression (a condition).
bool TryEvalNumber(TNokaBase& e, const CompiledRef& ref, long double& out);
std::string EvaluateExpression(TNokaBase& e, const std::string& text, const CompiledRef& ref);

}  // namespace nokari
