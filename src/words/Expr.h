// The expression evaluator: four precedence levels over operands read by
// EvalTerm, with no tokenising pass.
#pragma once
#include <string>

#include "core/Engine.h"
#include "core/EngineCaches.h"

namespace nokari {

// Evaluates the expression at p; sets e.CurrentType ("e" or "s").
std::string EvaluateExpression(TNokaBase& e, const char*& p);
std::string EvaluateExpression(TNokaBase& e, const std::string& text);
// The same for a text made afresh from values ("(" value, the rest of an
// argument, ")"): its bracket is read without compiling it, as the compiled
// cache would be no use to a text that seldom comes again.
std::string EvaluateMadeExpression(TNokaBase& e, const std::string& text);
bool IsOperatorChar(unsigned char c);
// -debug: an operand after the end of an expression is ignored ("1日+2" is
// 1); names the text from `rest` on (to the line end, or to the end of a
// bracket call's argument) once for the statement.
void WarnExpressionRest(TNokaBase& e, const char* rest, bool argument = false);
// A literal ("…" or `…`, written whole) whose value is its text as written:
// no escapes, no {…}, nothing run when it is evaluated.
bool IsPlainLiteral(const std::string& written);
// Evaluates where the text stands, without a copy, for texts too long to be
// worth one (deep nestings): `argument` stops at the end of a bracket call's
// argument (the first "," or ")" outside literals and brackets, or a line
// end); otherwise the reading stops where an expression ends (at the ")" of
// a bracket being read, say). p is left where the reading stopped. `left`,
// when given, is the text of the first operand, standing apart.
std::string EvaluateInPlace(TNokaBase& e, const char*& p, bool argument, const std::string* left = nullptr);
// The end of the balanced text at p (literals and brackets whole) when it
// lies within `limit` bytes: with `bracket`, p is at "(" and the end is just
// after its ")"; otherwise the end is the first "," or ")" at the outer
// level, a line end, or the end of the text. Null when it lies farther or
// the text is unbalanced.
const char* BalancedEnd(const char* p, size_t limit, bool bracket);
// A text's compiled form, for callers that keep it beside the text (plans,
// cached conditions). Valid while IsCurrent says so: the compiled cache is
// bounded and may be emptied.
CompiledRef CompileArgument(const std::string& text);
CompiledRef CompileExpression(const std::string& text);
extern uint64_t CompiledEpochNow;  // advanced whenever the compiled cache is emptied
inline bool IsCurrent(const CompiledRef& ref) { return ref.Tree && ref.Epoch == CompiledEpochNow; }
// What a compiled argument is, so callers can go straight to its fast way.
// kLoneItemShape: one dictionary item or table element alone (名前の(キー),
// 表#I#J), which the compiled form may decide. kArithmeticShape: an
// expression whose tree makes no call, which the numbers' fast ways may try.
enum ArgShape : uint8_t { kOtherShape, kLoneVariableShape, kArithmeticShape, kLiteralShape, kLoneItemShape };
ArgShape ShapeOf(const CompiledRef& ref);
// A lone literal's text (kLiteralShape) as evaluating it gives it; `isNumber`
// says whether its type is a number's ("e") or a text's ("s").
const std::string& LiteralOf(const CompiledRef& ref, bool& isNumber);
// The compiled form of an argument (EvalArg's rule for the first term
// included); false when the reading evaluator must decide. It may have made
// calls of commands with no effect but their result on the way.
bool TryEvalArgFast(TNokaBase& e, const CompiledRef& ref, std::string& out);
// An argument that is arithmetic on numbers only (numbers, variables
// holding numbers, brackets, operators) evaluated without side effects;
// false, with nothing done, for anything else.
bool TryEvalArgNumber(TNokaBase& e, const CompiledRef& ref, long double& out);
// The same when the result and every number on the way are whole numbers
// below 10^15 in magnitude, on machine integers; false (nothing done) when
// they are not, and TryEvalArgNumber decides.
bool TryEvalArgWhole(TNokaBase& e, const CompiledRef& ref, int64_t& out);
// The variable a compiled argument names when it is one word alone and
// names a variable now; null otherwise.
THashNode* LoneVariable(TNokaBase& e, const CompiledRef& ref);
// The same, leaving the type and number EvalArg would leave for it, so a
// caller can take the variable's text where it stands instead of a copy.
THashNode* LoneVariableValue(TNokaBase& e, const CompiledRef& ref);
// A variable alone in brackets, (N), whose value is a whole number written
// as the engine writes one (no leading zeros): evaluating the argument
// would give the variable's own text. Leaves the type and number EvalArg
// would leave; null (nothing done) otherwise.
THashNode* BracketedWholeVariable(TNokaBase& e, const CompiledRef& ref);
// A condition (an expression) decided on its compiled form: 1 when its
// value is the whole number 1, 0 when it is another whole number, -1 when it
// is not a whole number or the reading evaluator must decide. Machine
// integers first: a condition is mostly a comparison of whole numbers, and
// going through an 80-bit number cost more than the comparison.
int TryEvalCondition(TNokaBase& e, const CompiledRef& ref);
std::string EvaluateExpression(TNokaBase& e, const std::string& text, const CompiledRef& ref);

}  // namespace nokari
