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
// A planned value that is one bracket call F(…) and nothing else, as read
// once from its text: the function's name and each argument, a variable or
// number (a word, evaluated when the function takes it) or an expression
// on words and numbers (evaluated where it stands). Only arguments of those
// kinds are planned; literals, nested calls, bracketed arguments with a
// particle, items and joins are left to the reading.
struct BracketCallPlan {
  static constexpr size_t kMaxArgs = 8;
  struct Arg {
    std::string Text;         // the word, or the expression as written
    bool Expression = false;
    CompiledRef Compiled;     // an expression's compiled form (kept current)
    // For a call made inside a compiled expression (CallQuietCommand), in
    // the plan's generation: the variable a word names, and whether the
    // argument runs nothing when evaluated (a word: while it names that
    // variable).
    THashNode* Word = nullptr;
    bool Quiet = false;
  };
  std::string Name;
  std::vector<Arg> Args;
  // The word the name finds (folded), in a generation of the word table.
  WordRef Callee;
  uint64_t Generation = 0;
  // The words as binding leaves them for one ArgSpec of the function; a
  // call holds its own while a nested one may bind anew.
  struct Binding {
    std::string Spec;
    bool Usable = false;  // one argument for every slot
    std::vector<std::string> Phrases;      // a word's phrase, particle stripped
    std::vector<CompiledRef> Compiled;     // those phrases compiled as arguments
    std::vector<uint8_t> NumbersStay;      // a number's phrase is left whole there
  };
  std::shared_ptr<Binding> Bound;
  // For CallQuietCommand, in `Generation`: one argument for every slot of
  // the callee (none of the phrases around the call is taken).
  bool SlotsFit = false;
};
// The plan of a value text that is one bracket call with arguments of the
// kinds above; null for anything else.
std::shared_ptr<BracketCallPlan> ReadBracketCall(const std::string& text);
// Runs a planned bracket call as reading its text would, when the name
// finds a user function with one slot for each argument: its result in
// `value`. False, with nothing done, otherwise (the reading decides).
bool CallBracketedPlanned(TNokaBase& e, BracketCallPlan& plan, std::string& value);
// A planned call made inside a compiled expression, of a command with no
// effect but its result (IsQuietCommandNumber) on arguments that run
// nothing when evaluated: literals without escapes or {…}, numbers, words
// that name variables or nothing, expressions the compiled form decides.
// False, with nothing run and nothing left behind, when any of that does
// not hold now or the command fails: the reading then makes the call (and
// reports the error) as it would have anyway.
bool CallQuietCommand(TNokaBase& e, BracketCallPlan& plan, std::string& value);
// A label used as a value: runs it in a new level and returns それ.
std::string LabelValue(TNokaBase& e, THashNode& label);
// Reads a bracket call's argument list onto the word stack, in place: p
// just after "(", left just after the matching ")". Nested calls are read
// where they stand, so nesting costs linear time and memory.
void PushBracketArgs(TNokaBase& e, const char*& p);

}  // namespace nokari
