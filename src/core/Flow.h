// Control flow that the statement engine starts from phrase endings.
#pragma once
#include <string>

#include "core/Engine.h"

namespace nokari {

// N回: the phrase without 回.
void TimesLoop(TNokaBase& e, const std::string& countText);
// A 条件分岐 case: the phrase without の時.
void SwitchCase(TNokaBase& e, const std::string& caseText);
// Branch selection after a condition (もし, "?").
void SelectBranch(TNokaBase& e, bool questionForm);
// Translates Japanese comparison words into an expression. `whole`, when
// given, receives the first piece left as it stands that still holds が,
// かつ or または (a word of its own to the expression: -debug says so).
std::string TranslateCondition(const std::string& condition, std::string* whole = nullptr);
// A ループ condition: an expression (N<3) is kept as written; one spoken
// as もし's are (Nが、3未満, A>1かつB>1, in brackets or not) is translated
// as もし translates it, rather than read as words that are never true.
std::string LoopConditionExpression(const std::string& condition);

// For the control commands (lib/control):
// At ならば, なら, 違えば or でなければ.
bool AtBranchWord(const char* p);
// Pushes a loop or branch frame and moves the cursor into its body.
void PushAndEnter(TNokaBase& e, TRunControl frame);
// Whether a text reads as a number (optional sign, then a digit or "$").
bool LooksNumeric(std::string_view s);

}  // namespace nokari
