// The built-in word registry: one registration table (RegistryTable.cpp) of
// every built-in word in registration order, and one dispatch table indexed
// by command number, filled from the command families' own tables.
#pragma once
#include <cstdint>
#include <span>

#include "words/Contract.h"

namespace nokari {

enum class RowKind : uint8_t { Command, Variable, Constant };

// How the initial value of a built-in variable is found.
enum class InitFrom : uint8_t {
  Literal,        // Value as written
  WindowColor, DesktopColor, ActiveColor, InactiveColor, SelectColor,
  CommandLine, ScriptFolder, RuntimeFolder, DesktopFolder, TrashFolder,
  DocumentsFolder, StartMenuFolder, StartupFolder, SendToFolder,
  WindowsFolder, SystemFolder, TempFolder, FavoritesFolder,
  OsName, ScreenWidth, ScreenHeight, Version, BuildDate,
};

struct RegistryRow {
  RowKind Kind;
  const char* Name;     // UTF-8
  const char* Text;     // command: ArgSpec; variable/constant: initial value
  int Number;           // command number (commands only)
  const char* TypeTag;  // variables: description + type letter ("" = none)
  const char* Family;   // for --list-words
  InitFrom Init = InitFrom::Literal;
};

std::span<const RegistryRow> RegistryTable();

constexpr int kMaxCommandNumber = 503;  // numbers 0..502

// Registers every built-in word, then 母艦 (the statement engine calls this
// right after clearing the word table).
void RegisterBuiltins(TNokaBase& e);

// The implementation of a command number, or null.
CommandFn CommandFor(int number);
// ならば, なら, 違えば, でなければ: read by もし itself, nothing to do here.
inline bool IsBranchWordNumber(int number) {
  return number == CommandNumber(CommandId::ならば) || number == CommandNumber(CommandId::違えば) ||
         number == CommandNumber(CommandId::なら);
}
// Words that move the cursor or the run-control stack (jumps, calls,
// returns, loops, branches, waiting, the end). They make sense only as a
// statement's verb: run as a value inside an expression or a bracket call
// they would act on a cursor that is not the statement's.
bool IsFlowCommandNumber(int number);
// Commands with no effect but their result (それ, put back by a bracket
// call): they read only their arguments (要素数 and 表行数 the setting
// 表フィールド名 too), write no word, warn of nothing and
// give the same result for the same arguments. A compiled expression may
// make such a call and, should it give up later on, leave the reading to
// make it again (words/Expr.cpp).
bool IsQuietCommandNumber(int number);
// Raises "…式や関数の形(…)の中では使えません" for such a word, named as the
// script wrote it. A statement in the bracket form (条件分岐(2)) may still
// be one that reads its own block; only the jumps are refused there.
void RefuseFlowWordAsValue(TNokaBase& e, const THashNode& word, const std::string& writtenName,
                           bool asStatement);
// `written` is the command's name as the script wrote it (an alias, a verb
// with okurigana); empty means the registered name. Argument errors name
// it, and while the implementation runs it is the running word
// (RunningWordName), put back afterwards so an outer command's errors name
// the outer command again.
// Binds the word stack to the word's ArgSpec slots.
void BindArguments(TNokaBase& e, THashNode& word, std::string_view written = {});
// Binds, then runs the implementation (errors wrapped once).
void Dispatch(TNokaBase& e, THashNode& word, std::string_view written = {});
// Runs the implementation with the word stack already bound.
void RunCommand(TNokaBase& e, THashNode& word, std::string_view written = {});
// A built-in command word's implementation, for a planned statement that
// runs it again and again (RunCommandFn): null when RunCommand must decide
// (a branch word, a number without one, not a built-in command).
CommandFn PlannedCommandFn(const THashNode& word);
// RunCommand with the implementation found once (PlannedCommandFn).
void RunCommandFn(TNokaBase& e, CommandFn fn, const THashNode& word, std::string_view written = {});
// When `phrases` fit the word's slots one to one in order (the binding then
// only strips particles), the bound phrases; false otherwise. Lets a planned
// statement bind once.
bool BindInSlotOrder(THashNode& word, const std::vector<std::string>& phrases, std::vector<std::string>& bound);
// How many slots the word's ArgSpec has, and one slot's particle.
size_t SlotCount(THashNode& word);
const std::string& SlotParticle(THashNode& word, size_t slot);
// The phrase as loose binding (a bracket call's) leaves it in slot `slot`
// of the word: its particle stripped when it fits that slot.
std::string LooselyBound(THashNode& word, size_t slot, const std::string& phrase);

}  // namespace nokari
