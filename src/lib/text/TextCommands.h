// Shared pieces of the string command wrappers (lib/text). The wrappers
// only read arguments, call the pure functions of TextCore.h and set それ.
#pragma once
#include <string>

#include "words/Contract.h"

namespace nokari::text {

// The existing variable a raw argument text names, or null (literals, which
// begin with a double quote or a backquote, never name one).
THashNode* FindVariable(TNokaBase& e, const std::string& raw);

// An argument read both as its raw text and as a value.
struct VarArg {
  std::string Raw;
  THashNode* Var = nullptr;  // the variable the raw text names, if any
  std::string Value;
};
// Pops the top argument. With `evaluate` false a variable's value is taken
// as it is and only other texts are evaluated.
VarArg PopVarArg(TNokaBase& e, bool evaluate);

// Writes a cut remainder back unless the variable is それ or a constant.
void WriteBack(TNokaBase& e, THashNode* var, std::string rest);

inline void SetSoreText(TNokaBase& e, std::string s) { SetSoreTyped(e, std::move(s), "s"); }
inline void SetSoreFlag(TNokaBase& e, bool b) { SetSoreTyped(e, b ? "1" : "0", "e"); }

// The implementations of TextVariables.cpp, listed in StringCommands().
void CmdLineCount(TNokaBase& e);
void CmdReserve(TNokaBase& e);
void CmdCutLeft(TNokaBase& e);
void CmdCutRight(TNokaBase& e);
void CmdCutAt(TNokaBase& e);
void CmdCutEscaped(TNokaBase& e);
void CmdCutRange(TNokaBase& e);
void CmdBinaryGet(TNokaBase& e);
void CmdBinarySet(TNokaBase& e);

}  // namespace nokari::text
