// The language's own wildcard patterns:
//   ?  any one character       *  any run (lazy, no retry)
//   #  one digit               \n CR LF, \t tab, \x the character x
//   [abc] [a-z] [!...]         one character of (not of) a set
//   [*...] [+...]              zero/one or more characters of a set
//   [=ab|cd]                   one of the alternatives
//   ( )                        pick-up markers
// Pure functions; syntax errors throw WildcardError.
#pragma once
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace nokari {

struct TNokaBase;

// A wildcard syntax error; the message is CP932 text.
class WildcardError : public std::runtime_error {
 public:
  explicit WildcardError(const std::string& cp932) : std::runtime_error(cp932) {}
};

// True when the pattern consumes the whole text (table commands, masks).
// The text is read as a pattern with its backslashes kept literal, so a
// "[...]" inside it counts as one character.
bool WildcardMatch(std::string_view text, std::string_view pattern);
// Same, raising a syntax error as ENoka on the engine.
bool WildcardMatch(TNokaBase& e, std::string_view text, std::string_view pattern);

// Prefix match (マッチ): on success `matched` is the consumed beginning of
// the text, `rest` the remainder and `pickups` the texts picked up by ( ).
// On failure matched is empty and rest is the whole text.
struct WildcardPrefixResult {
  bool Ok = false;
  std::string Matched;
  std::string Rest;
  std::vector<std::string> Pickups;
};
WildcardPrefixResult WildcardPrefix(std::string_view text, std::string_view pattern);

// True when the text contains one of the wildcard characters * ? [.
bool HasWildcard(std::string_view pattern);

}  // namespace nokari
