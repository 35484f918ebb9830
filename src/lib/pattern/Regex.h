// Perl-style regular expressions over CP932 text (Oniguruma, SJIS encoding,
// Perl syntax): m/…/ match, s/…/…/ substitution, tr/…/…/ transliteration
// and split. Compiled patterns are cached by pattern text and options.
// Errors throw RegexError with an ASCII message.
#pragma once
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace nokari {

class RegexError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A parsed m/…/, s/…/…/ or tr/…/…/ expression.
struct PerlExpr {
  char Kind = 'm';          // 'm', 's' or 't' (tr)
  std::string Pattern;      // regex, or tr's search list
  std::string Replacement;  // s and tr
  std::string Options;      // letters after the last delimiter
};

// Parses an expression. With allowBare, a text that is not an m-expression
// (an "m" followed by a punctuation delimiter) is a bare pattern.
PerlExpr ParsePerlExpr(std::string_view expr, char expectKind, bool allowBare);

// Groups of the first match: [0] the whole match, then each group ("" when
// a group took no part). Empty when there is no match.
std::vector<std::string> RegexMatch(std::string_view text, const std::string& pattern,
                                    std::string_view options);
// Substitution; `groups` receives the group count of the last match + 1
// (0 without a match). Replacement knows $1..$9, $&, \1..\9, \n, \t, \r.
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
