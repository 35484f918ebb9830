// Calls of labels and user functions, in statement form and bracket form.
#pragma once
#include <string>
#include <vector>

#include "core/Engine.h"
#include "core/EngineCaches.h"

namespace nokari {

// Binds (for a user function) and enters a label: pushes a call frame and
// moves the cursor to the label.
void CallLabel(TNokaBase& e, THashNode& label);
// How many arguments a user function's ArgSpec takes (its "?" marks).
size_t CountSlots(const std::string& argSpec);
// The same with the arguments bound already (a planned statement), each with
// its compiled form (kept current here).
void CallLabelBound(TNokaBase& e, THashNode& label, const std::vector<std::string>& bound,
                    std::vector<CompiledRef>& compiled);
// Where a bracket form name(…) stands: a statement of its own, a value in
// an expression, or an argument of another bracket call (its result is
// then pushed on the word stack as a phrase).
enum class BracketUse { kStatement, kValue, kArgument };
// The bracket form name(…) with p at "("; returns the result (それ is kept).
std::string CallBracketed(TNokaBase& e, const std::string& name, const char*& p, BracketUse use);
// The same with the word the name finds (folded) looked up already.
std::string CallBracketed(TNokaBase& e, WordRef word, const std::string& name, const char*& p, BracketUse use);
// A label used as a value: runs it in a new level and returns それ.
std::string LabelValue(TNokaBase& e, THashNode& label);
// Reads a bracket call's argument list onto the word stack, in place: p
// just after "(", left just after the matching ")". Nested calls are read
// where they stand, so nesting costs linear time and memory.
void PushBracketArgs(TNokaBase& e, const char*& p);

}  // namespace nokari
