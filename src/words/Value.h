// Values: literals, variables, element access (名前#i, 名前#i#j), item access
// (名前の項目) and assignment. Every value is CP932 text; e.CurrentType says
// how it was made ("s" string, "e" number, "hs" dictionary text).
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Engine.h"
#include "core/EngineCaches.h"
#include "core/Errors.h"

namespace nokari {

// Reads one operand at p (NUL-terminated text) and advances p.
std::string EvalTerm(TNokaBase& e, const char*& p);
// The value of one argument phrase (particle already removed).
std::string EvalArg(TNokaBase& e, const std::string& text);
// EvalArg's own reading of the text (a term, then joins or an expression),
// which the compiled forms must agree with.
std::string EvalArgReading(TNokaBase& e, const std::string& text);
// The same with the text's compiled form at hand (current, see IsCurrent).
std::string EvalArg(TNokaBase& e, const std::string& text, const CompiledRef& compiled);
// The value of a literal written with its quotes ("…" or `…`).
std::string EvalStringLiteral(TNokaBase& e, std::string_view literal);
// A double-quoted literal's reading (its texts and {…} expressions), kept
// by its text in the engine's caches.
std::shared_ptr<LiteralReading> KeptLiteralReading(TNokaBase& e, std::string_view literal);
// EvalStringLiteral for a literal that stands in one place: its reading is
// kept in `kept` at the first call instead of being looked up by its text.
std::string EvalPlacedLiteral(TNokaBase& e, std::string_view literal, std::shared_ptr<LiteralReading>& kept);
// The same by walking the literal every time, which the kept readings of
// double-quoted literals must agree with.
std::string EvalStringLiteralReading(TNokaBase& e, std::string_view literal);
// The literal at p, quotes included; advances p past it.
std::string ExtractLiteral(TNokaBase& e, const char*& p);
// A value written back as a backquoted literal.
std::string QuoteAsLiteral(std::string_view value);
// An argument that is one backquoted literal or one number written plainly
// and nothing else, as values are handed on as phrases (a literal with {…}
// read with its statement, a bracket call's result): its text and type as
// EvalArg gives them, without compiling it (such texts seldom come twice,
// and every new text compiled is kept). False, nothing done, otherwise.
bool EvalHandedOnValue(TNokaBase& e, const std::string& text, std::string& out);

// Assignment statements (the statement engine hands them over).
void AssignStatement(TNokaBase& e, const std::string& name, const std::string& valueText,
                     AssignTarget* target = nullptr);
// 名前の項目は値 with the owner phrase on the word stack.
void AssignItem(TNokaBase& e, const std::string& item, const std::string& valueText);
// A word written as object, の and property in one (ボタン1のテキスト,
// そのテキスト) that names no word itself: the word before the の (an
// object, or a variable naming one, as そ does) with `property` set to the
// rest. Null when the word does not split so.
THashNode* SplitObjectProperty(TNokaBase& e, std::string_view word, std::string& property);
// A planned item assignment: the owner phrases as read, then the item and
// value texts; the target cache spares the lookups while nothing changed.
void AssignItemPlanned(TNokaBase& e, const std::vector<std::string>& ownerPhrases, const std::string& item,
                       const std::string& valueText, ItemTarget& target);
// A planned element assignment 名前#列#行は値: `name` the variable, `keys`
// the text after its "#", evaluated as the reading evaluates them.
void AssignElementPlanned(TNokaBase& e, const std::string& name, const std::string& keys,
                          const std::string& valueText, AssignTarget& target);
// Stores a whole value in a word, making it a variable or a dictionary.
void StoreValue(TNokaBase& e, THashNode& word, std::string&& value, const std::string& type);
// Creates a user variable (level = run-control depth).
THashNode* CreateVariable(TNokaBase& e, const std::string& name, std::string value = {});

// Evaluations nest through one another (terms, expressions, bracket calls
// and their argument lists); each level counts here, and beyond the cap the
// endless-loop error ends the statement long before the native stack would
// run out, also in the sanitizer build, whose frames are several times larger.
inline constexpr int kMaxNestDepth = 2000;
class NestGuard {
 public:
  explicit NestGuard(TNokaBase& e) : e_(e) {
    if (++e_.NestDepth > kMaxNestDepth) Overflow();
  }
  ~NestGuard() { --e_.NestDepth; }
  NestGuard(const NestGuard&) = delete;
  NestGuard& operator=(const NestGuard&) = delete;

 private:
  [[noreturn]] void Overflow();
  TNokaBase& e_;
};

// A value handed on as an argument phrase, to be evaluated again by the
// command that takes it: a number whose text reads back as that number stays
// as written, anything else becomes a backquoted literal. A value is thus
// never read as program text ("4,200", "1+2", a line feed, a quote).
std::string ValueAsPhrase(std::string_view value, std::string_view type);

// Raises `err` again with a hint appended to its line and to the log's copy
// of that line.
[[noreturn]] void AppendHint(TNokaBase& e, const ENoka& err, std::string_view hint);

// Element access on a variable's value.
std::string ElementValue(TNokaBase& e, THashNode& var, int64_t i, bool twoIndexes, int64_t j);

// The variable's value read as a table, for commands that only read it:
// the table kept beside the value for element access, parsed now if need
// be and kept on (until the value changes; never changed in place while a
// command holds it), so that a run of table commands on one variable parses
// its text once. Null for a text longer than kKeptTableLimit with no table
// kept yet: a table takes about 15 times its text's memory, too much to
// keep beside a long text; the caller parses for itself, once.
inline constexpr size_t kKeptTableLimit = 4u << 20;
std::shared_ptr<const TCsvDbBase> KeptTable(THashNode& var);

}  // namespace nokari
