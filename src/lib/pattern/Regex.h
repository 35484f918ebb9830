// Perl-style regular expressions over CP932 text (Oniguruma, SJIS encoding,
// Perl syntax): m/…/ match, s/…/…/ substitution, tr/…/…/ transliteration
// and split. Compiled patterns are cached by pattern text and options.
// Errors throw RegexError naming a message of lib/pattern/Messages.inc.
#pragma once
#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace nokari {

// A fault in an expression or its run: the message (a UTF-8 literal of
// the message table) and the CP932 text for its %s.
struct RegexError : std::exception {
  explicit RegexError(const char* message, std::string arg = {})
      : Message(message), Arg(std::move(arg)) {}
  const char* what() const noexcept override { return Message; }
  const char* Message;
  std::string Arg;
};

// A parsed m/…/, s/…/…/ or tr/…/…/ expression.
struct PerlExpr {
  char Kind = 'm';          // 'm', 's' or 't' (tr)
  std::string Pattern;      // regex, or tr's search list
  std::string Replacement;  // s and tr
  std::string Options;      // letters after the last delimiter
};

// Parses an expression of the kind 'm', 's' or 't'. Delimiters are any
// punctuation, or a bracket pair (s{…}{…}, s(…)(…), tr[…][…]; a match
// takes m{…} only). For 'm' a text that is no whole m-expression ("m." or
// "m|n": the delimiter never closes, or more than option letters follow;
// "m[ae]n", "m(a)", "m{2}") is a plain pattern.
PerlExpr ParsePerlExpr(std::string_view expr, char expectKind);

// Groups of the first match: [0] the whole match, then each group ("" when
// a group took no part). Empty when there is no match.
std::vector<std::string> RegexMatch(std::string_view text, const std::string& pattern,
                                    std::string_view options);
// Substitution; `groups` receives the group count of the last match + 1
// (0 without a match). Replacement knows $1 ($10 when there are ten
// groups), ${1}, ${name}, $+{name}, $&, \1..\9, \n, \t, \r, and the case
// changes \U \L (to \E) and \u \l (one character).
std::string RegexSubstitute(std::string_view text, const std::string& pattern,
                            std::string_view replacement, std::string_view options,
                            int* groups = nullptr);
// Perl's split: leading empty field kept, trailing empty fields dropped,
// a zero-width match never makes an empty field, captured groups included.
std::vector<std::string> RegexSplit(std::string_view text, const std::string& pattern,
                                    std::string_view options, size_t limit = 1000);
// tr/search/replace/cds on CP932 characters (ranges a-z allowed).
std::string Transliterate(std::string_view text, std::string_view search,
                          std::string_view replace, std::string_view options);

}  // namespace nokari
