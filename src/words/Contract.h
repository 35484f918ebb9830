// The command contract: how a built-in command implementation reads its
// arguments and returns its result. After binding, the top of the word stack
// holds the arguments in slot order, the last slot on top; implementations
// pop them last slot first, only through these helpers.
//
// This is the one header a command family needs: arguments (pop, peek,
// duplicate, whether the first was left out), words by name, それ, argument
// errors (core/Errors.h), per-family state and the host services
// (e.Services). Families read the word stack and the word table only through
// it; the engine's caches and flow machinery stay out of sight.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <typeindex>
#include <unordered_map>
#include <vector>

#include "core/Engine.h"
#include "core/Errors.h"
#include "core/Encoding.h"
#include "core/Messages.h"
#include "words/CommandIds.h"

namespace nokari {

using CommandFn = void (*)(TNokaBase&);

// One row of a family's implementation list: {Id::表示, CmdShowText}.
struct CommandImpl {
  constexpr CommandImpl(CommandId id, CommandFn fn) : Number(CommandNumber(id)), Fn(fn) {}
  int Number;
  CommandFn Fn;
};

// Raw text of the top phrase (names of variables, objects, labels, handles).
std::string PopArgText(TNokaBase& e);
// The top phrase evaluated; sets e.CurrentType.
std::string PopArgValue(TNokaBase& e);
// The same as a view, for commands that only read a text that may be long:
// a variable named alone is read where it stands instead of copied;
// anything else is evaluated into `store`. The view holds until the next
// evaluation or write (so take it last, after every other argument).
std::string_view PopArgView(TNokaBase& e, std::string& store);
// The same, with `lent` set to the variable whose value the view is (null
// when the text was evaluated into `store`), for CharOffsetIn.
std::string_view PopArgView(TNokaBase& e, std::string& store, THashNode*& lent);
// Where character `index` (from 0) of `s` starts, s.size() past its end.
// With `lent` (PopArgView's variable) the value keeps where every 64th
// character starts while it stays as it is, so a loop that takes one
// character after another (MID(S,I,1)) does not walk the text from its
// start each time.
size_t CharOffsetIn(THashNode* lent, std::string_view s, size_t index);
// The top phrase read as a table, for commands that only read it. A
// variable named alone lends the table kept beside its value: a run of
// commands on one variable parses its text once, and nothing is copied.
// Anything else, or a text too long to keep a table beside, is parsed for
// this command alone. Held shared, the table stays as it is whatever later
// becomes of the variable. The field names setting is the caller's.
std::shared_ptr<const TCsvDbBase> PopArgTable(TNokaBase& e);
// The top phrase evaluated and read as a number.
long double PopArgNumber(TNokaBase& e);
// The word named by the top phrase (backquotes of a literal removed). With
// create, a missing name becomes a new empty variable; without, it raises
// "オブジェクト\"%s\"が特定できません。".
THashNode* PopArgWord(TNokaBase& e, bool create);

// The phrases on the word stack: the bound arguments on top, any the
// statement left over below them.
inline size_t ArgCount(const TNokaBase& e) { return e.ArgStack.Count(); }
// Raw text of the phrase `depthFromTop` below the top (0: the top) without
// taking it; empty when the stack is not that deep.
const std::string& PeekArgText(const TNokaBase& e, size_t depthFromTop = 0);
// Pushes a copy of the top phrase (nothing on an empty stack), for commands
// that read one argument twice: raw as a name, then evaluated as a value.
void DuplicateTopArg(TNokaBase& e);
// Whether the statement left the first slot out and the binder filled it
// with それ: a command whose first argument is optional then pops that それ
// and acts as if it had none.
inline bool FirstArgOmitted(const TNokaBase& e) { return e.ImplicitSore; }

// Words by name (exact, no okurigana folding), for commands that manage
// words themselves; PopArgWord covers the common case of a named argument.
inline THashNode* FindWord(const TNokaBase& e, std::string_view name) { return e.Words.Find(name); }
// The same as a shared reference, for words a command keeps hold of.
inline WordRef FindWordRef(const TNokaBase& e, std::string_view name) { return e.Words.FindRef(name); }
// Adds a word, or replaces the one of the same name in place (reserved
// names raise).
inline void AddWord(TNokaBase& e, WordRef word) { e.Words.Add(std::move(word)); }
// Removes the word of that name; nothing when there is none.
inline void RemoveWord(TNokaBase& e, std::string_view name) { e.Words.Delete(name); }
// Every word in the table's order.
inline std::vector<THashNode*> AllWords(const TNokaBase& e) { return e.Words.ToArray(); }

// The language's reading of a number (12円 -> 12, $FF -> 255, full-width
// digits accepted, commas ignored, 1E20 -> 1e20).
long double ToNumber(std::string_view text);
// A number written plainly: ASCII digits with an optional sign and fraction,
// nothing else ("60", "-1.5"; not "1,000", "12円" or "").
bool IsDecimalText(std::string_view text);
// Rounds to the nearest integer in the current (to-nearest) x87 mode: no
// libm call, and no control-word switch as a cast would make. The caller
// keeps x within the int64 range.
inline int64_t RoundToInt64(long double x) {
#if defined(__x86_64__) || defined(__i386__)
  int64_t r;
  __asm__("fistpll %0" : "=m"(r) : "t"(x) : "st");
  return r;
#else
  return __builtin_llrintl(x);
#endif
}
// Truncates toward zero into 64 bits; NaN gives 0, out of range saturates.
inline int64_t ToInt64(long double x) {
  if (x != x) return 0;
  if (x >= 9.2233720368547758e18L) return INT64_MAX;
  if (x <= -9.2233720368547758e18L) return INT64_MIN;
  int64_t r = RoundToInt64(x);
  if (x >= 0 && static_cast<long double>(r) > x) --r;
  if (x < 0 && static_cast<long double>(r) < x) ++r;
  return r;
}
// int32 conversion with the same rules (saturating).
int32_t ToInt32(long double x);
// "int-default": a decimal integer text, anything else gives `def`.
int64_t IntDefault(std::string_view text, int64_t def);
// 15 significant digits, general format ("3.33333333333333", "1E20").
std::string FormatNumber(long double x);
// The fifteen significant digits printf's "%.14Le" gives for |x| (x finite
// and not 0), trailing zeros kept, and their decimal exponent: |x| is about
// d.dddddddddddddd × 10^exp.
void FifteenSignificantDigits(long double x, std::string& digits, int& exp);
// 10^k for 0 <= k <= 19, which a long double holds exactly: a product or
// quotient with it rounds once.
long double ExactPowerOfTen(int k);
std::string FormatInt(int64_t x);
// The same texts written into an existing string (its buffer is reused).
void FormatNumberInto(std::string& out, long double x);
void FormatIntInto(std::string& out, int64_t x);
// A whole number below 10^15 in magnitude: its text reads back exactly.
// (rint keeps the rounding mode: no x87 control-word switch, unlike a cast.)
inline bool IsWholeNumber(long double x) { return x > -1e15L && x < 1e15L && x == __builtin_rintl(x); }

// Results. SetSore stores the value in それ and the tag in CurrentType only;
// SetSoreTyped also writes それ's type tag; SetSoreValue leaves every tag.
void SetSore(TNokaBase& e, std::string value, const char* tag);
void SetSoreTyped(TNokaBase& e, std::string&& value, const char* tag);
void SetSoreTyped(TNokaBase& e, const std::string& value, const char* tag);
void SetSoreValue(TNokaBase& e, std::string&& value);
void SetSoreValue(TNokaBase& e, const std::string& value);
inline void SetSoreNumber(TNokaBase& e, long double x) { SetSoreTyped(e, FormatNumber(x), "e"); }
// 引数取得: the arguments the call kept, joined by line ends and trimmed,
// become それ (a text), and are let go.
void TakeUserArguments(TNokaBase& e);

// A value text as the script wrote it, evaluated (a literal, a variable, an
// expression); sets e.CurrentType. For commands and properties that take
// raw text and decide themselves when to evaluate it.
std::string EvaluateText(TNokaBase& e, const std::string& text);
// Removes the backquotes of a literal phrase (`a``b` -> a`b); other text
// as is.
std::string UnquoteLiteral(std::string_view phrase);
// Runs a program text as のかりする does: prepared, in a nested run level,
// named after the current file and line; returns when it has run out.
void RunProgramText(TNokaBase& e, std::string text);

// Value of a built-in variable (CP932 name given as a UTF-8 literal).
std::string VarValue(TNokaBase& e, const char* nameUtf8);

// Per-engine state of a command family (open handles, search positions...),
// created on first use and freed with the engine.
struct ExtensionState {
  std::unordered_map<std::type_index, std::shared_ptr<void>> Items;
};
template <typename T>
T& FamilyState(TNokaBase& e) {
  auto& slot = e.Ext->Items[std::type_index(typeid(T))];
  if (!slot) slot = std::make_shared<T>();
  return *static_cast<T*>(slot.get());
}

}  // namespace nokari
