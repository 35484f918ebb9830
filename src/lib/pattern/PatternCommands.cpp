// マッチ (wildcards) and the regular-expression commands.
#include "lib/pattern/Messages.h"
#include "lib/pattern/Regex.h"
#include "lib/pattern/Wildcard.h"
#include "words/Contract.h"
#include "words/Family.h"

namespace nokari {
namespace {

constexpr char kCrLf[] = "\r\n";

std::string TrimBlankLines(std::string s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  size_t b = 0, e = s.size();
  while (b < e && blank(s[b])) ++b;
  while (e > b && blank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::string JoinLines(const std::vector<std::string>& items) {
  std::string out;
  for (const auto& item : items) {
    out += item;
    out += kCrLf;
  }
  return out;
}

void SetMatchCount(TNokaBase& e, size_t count) {
  THashNode* var = FindWord(e, Sj("マッチ数"));
  if (!var) return;
  var->SetValue(FormatInt(static_cast<int64_t>(count)));
  if (var->TypeLetter() != 'e') var->TypeTag = "e";
}

// マッチ (?を,?で): the first argument names a variable (which keeps the
// rest of its text) or is a value.
void CmdWildcardMatch(TNokaBase& e) {
  std::string pattern = PopArgValue(e);
  std::string raw = PeekArgText(e);
  THashNode* var = FindWord(e, raw);
  if (var && var->Kind != kVariable) var = nullptr;
  std::string subject;
  if (var) {
    PopArgText(e);
    subject = var->Value;
  } else {
    subject = PopArgValue(e);
  }
  if (pattern.empty()) {
    SetSoreTyped(e, "", "s");
    return;
  }
  if (!var && subject.empty()) RaiseCommandError(e, msg::kArgError);
  WildcardPrefixResult r;
  try {
    r = WildcardPrefix(subject, pattern);
  } catch (const WildcardError& err) {
    RaiseError(e, msg::kMatchError, {err.what()});
  }
  std::string result = r.Matched + kCrLf + JoinLines(r.Pickups);
  if (var && var != e.SoreVar.get() && r.Ok) var->SetValue(std::move(r.Rest));
  SetSoreTyped(e, TrimBlankLines(std::move(result)), "s");
}

[[noreturn]] void RaiseRegex(TNokaBase& e, const RegexError& err) {
  RaiseCommandError(e, msg::kRegexError, {FormatMessage(Sj(err.Message), {err.Arg})});
}

// 正規表現マッチ / RE (?を,?で): the whole match and each group.
void CmdRegexMatch(TNokaBase& e) {
  std::string expr = PopArgValue(e);
  std::string text = PopArgValue(e);
  SetSoreValue(e, "");
  std::vector<std::string> groups;
  try {
    PerlExpr p = ParsePerlExpr(expr, 'm');
    groups = RegexMatch(text, p.Pattern, p.Options);
  } catch (const RegexError& err) {
    RaiseRegex(e, err);
  }
  SetMatchCount(e, groups.size());
  SetSoreTyped(e, JoinLines(groups), "s");
}

// 正規表現区切る (?を,?で): the pieces between matches.
void CmdRegexSplit(TNokaBase& e) {
  std::string expr = PopArgValue(e);
  std::string text = PopArgValue(e);
  SetSoreValue(e, "");
  std::vector<std::string> pieces;
  try {
    PerlExpr p = ParsePerlExpr(expr, 'm');
    pieces = RegexSplit(text, p.Pattern, p.Options, 1000);
  } catch (const RegexError& err) {
    RaiseRegex(e, err);
  }
  SetMatchCount(e, pieces.size());
  SetSoreTyped(e, JoinLines(pieces), "s");
}

// 正規表現置換 (?を,?で): s/pattern/replacement/options.
void CmdRegexSubst(TNokaBase& e) {
  std::string expr = PopArgValue(e);
  std::string text = PopArgValue(e);
  SetSoreValue(e, "");
  std::string result;
  int groups = 0;
  try {
    PerlExpr p = ParsePerlExpr(expr, 's');
    if (!text.empty()) result = RegexSubstitute(text, p.Pattern, p.Replacement, p.Options, &groups);
  } catch (const RegexError& err) {
    RaiseRegex(e, err);
  }
  SetMatchCount(e, static_cast<size_t>(groups));
  SetSoreTyped(e, std::move(result), "s");
}

// 正規表現入換 (?を,?で): tr/characters/characters/options.
void CmdRegexTrans(TNokaBase& e) {
  std::string expr = PopArgValue(e);
  std::string text = PopArgValue(e);
  std::string result;
  try {
    PerlExpr p = ParsePerlExpr(expr, 't');
    result = Transliterate(text, p.Pattern, p.Replacement, p.Options);
  } catch (const RegexError& err) {
    RaiseRegex(e, err);
  }
  SetMatchCount(e, 0);
  SetSoreTyped(e, std::move(result), "s");
}


using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::マッチ, CmdWildcardMatch},
    {Id::正規表現マッチ, CmdRegexMatch},
    {Id::正規表現区切る, CmdRegexSplit},
    {Id::正規表現置換, CmdRegexSubst},
    {Id::正規表現入換, CmdRegexTrans},
};

constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/pattern/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kPatternFamily{"pattern", kCommands, kMessages};

}  // namespace nokari
