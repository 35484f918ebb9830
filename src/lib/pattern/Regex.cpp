// Perl-style expressions on Oniguruma (Shift-JIS encoding, Perl syntax).
#include "lib/pattern/Regex.h"

#include <oniguruma.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <unordered_map>

#include "core/Cp932.h"
#include "lib/pattern/Messages.h"

namespace nokari {
namespace {

using Uchar = const OnigUChar;

inline Uchar* U(const char* p) { return reinterpret_cast<Uchar*>(p); }

struct RegexFree {
  void operator()(OnigRegexType* r) const { onig_free(r); }
};
using RegexPtr = std::unique_ptr<OnigRegexType, RegexFree>;

struct RegionFree {
  void operator()(OnigRegion* r) const { onig_region_free(r, 1); }
};
using RegionPtr = std::unique_ptr<OnigRegion, RegionFree>;

void InitOnce() {
  static const bool done = [] {
    OnigEncoding encodings[] = {ONIG_ENCODING_SJIS};
    onig_initialize(encodings, 1);
    return true;
  }();
  (void)done;
}

// The engine's error code as a message of ours (the engine's own texts are
// English); a name the engine reports (\p{Han}, \k<x>) is the argument.
[[noreturn]] void ThrowEngineError(int code, const OnigErrorInfo* info) {
  std::string name;
  if (info && info->par && info->par_end > info->par)
    name.assign(reinterpret_cast<const char*>(info->par), info->par_end - info->par);
  switch (code) {
    case ONIGERR_UNMATCHED_CLOSE_PARENTHESIS:
    case ONIGERR_END_PATTERN_WITH_UNMATCHED_PARENTHESIS:
    case ONIGERR_END_PATTERN_IN_GROUP:
      throw RegexError(msg::kRegexParentheses);
    case ONIGERR_END_PATTERN_AT_LEFT_BRACKET:
    case ONIGERR_EMPTY_CHAR_CLASS:
    case ONIGERR_PREMATURE_END_OF_CHAR_CLASS:
    case ONIGERR_CHAR_CLASS_VALUE_AT_END_OF_RANGE:
    case ONIGERR_CHAR_CLASS_VALUE_AT_START_OF_RANGE:
    case ONIGERR_UNMATCHED_RANGE_SPECIFIER_IN_CHAR_CLASS:
    case ONIGERR_INVALID_POSIX_BRACKET_TYPE:
    case ONIGERR_EMPTY_RANGE_IN_CHAR_CLASS:
    case ONIGERR_MISMATCH_CODE_LENGTH_IN_CLASS_RANGE:
      throw RegexError(msg::kRegexClass);
    case ONIGERR_END_PATTERN_AT_ESCAPE:
    case ONIGERR_END_PATTERN_AT_META:
    case ONIGERR_END_PATTERN_AT_CONTROL:
    case ONIGERR_META_CODE_SYNTAX:
    case ONIGERR_CONTROL_CODE_SYNTAX:
    case ONIGERR_UNDEFINED_OPERATOR:
      throw RegexError(msg::kRegexEscape);
    case ONIGERR_END_PATTERN_AT_LEFT_BRACE:
    case ONIGERR_TARGET_OF_REPEAT_OPERATOR_NOT_SPECIFIED:
    case ONIGERR_TARGET_OF_REPEAT_OPERATOR_INVALID:
    case ONIGERR_NESTED_REPEAT_OPERATOR:
    case ONIGERR_INVALID_REPEAT_RANGE_PATTERN:
    case ONIGERR_TOO_BIG_NUMBER:
    case ONIGERR_TOO_BIG_NUMBER_FOR_REPEAT_RANGE:
    case ONIGERR_UPPER_SMALLER_THAN_LOWER_IN_REPEAT_RANGE:
      throw RegexError(msg::kRegexRepeat);
    case ONIGERR_UNDEFINED_GROUP_OPTION:
    case ONIGERR_INVALID_GROUP_OPTION:
    case ONIGERR_INVALID_LOOK_BEHIND_PATTERN:
    case ONIGERR_INVALID_IF_ELSE_SYNTAX:
    case ONIGERR_INVALID_ABSENT_GROUP_PATTERN:
    case ONIGERR_INVALID_ABSENT_GROUP_GENERATOR_PATTERN:
    case ONIGERR_INVALID_CALLOUT_PATTERN:
      throw RegexError(msg::kRegexGroup);
    case ONIGERR_TOO_BIG_BACKREF_NUMBER:
    case ONIGERR_INVALID_BACKREF:
    case ONIGERR_NUMBERED_BACKREF_OR_CALL_NOT_ALLOWED:
    case ONIGERR_UNDEFINED_GROUP_REFERENCE:
    case ONIGERR_MULTIPLEX_DEFINITION_NAME_CALL:
      throw RegexError(msg::kRegexReference);
    case ONIGERR_EMPTY_GROUP_NAME:
    case ONIGERR_INVALID_GROUP_NAME:
    case ONIGERR_INVALID_CHAR_IN_GROUP_NAME:
    case ONIGERR_UNDEFINED_NAME_REFERENCE:
    case ONIGERR_MULTIPLEX_DEFINED_NAME:
    case ONIGERR_INVALID_CHAR_PROPERTY_NAME:
    case ONIGERR_TOO_LONG_PROPERTY_NAME:
    case ONIGERR_INVALID_CALLOUT_NAME:
    case ONIGERR_UNDEFINED_CALLOUT_NAME:
      throw RegexError(msg::kRegexName, name);
    case ONIGERR_TOO_LONG_WIDE_CHAR_VALUE:
    case ONIGERR_INVALID_CODE_POINT_VALUE:
    case ONIGERR_TOO_BIG_WIDE_CHAR_VALUE:
    case ONIGERR_TOO_SHORT_MULTI_BYTE_STRING:
      throw RegexError(msg::kRegexCode);
    case ONIGERR_PARSE_DEPTH_LIMIT_OVER:
    case ONIGERR_TOO_MANY_CAPTURES:
    case ONIGERR_TOO_MANY_MULTI_BYTE_RANGES:
    case ONIGERR_NEVER_ENDING_RECURSION:
    case ONIGERR_VERY_INEFFICIENT_PATTERN:
      throw RegexError(msg::kRegexPatternTooComplex);
    case ONIGERR_MATCH_STACK_LIMIT_OVER:
    case ONIGERR_RETRY_LIMIT_IN_MATCH_OVER:
    case ONIGERR_RETRY_LIMIT_IN_SEARCH_OVER:
    case ONIGERR_SUBEXP_CALL_LIMIT_IN_SEARCH_OVER:
      throw RegexError(msg::kRegexMatchTooComplex);
    default:
      throw RegexError(msg::kRegexEngine, std::to_string(code));
  }
}

// Perl's syntax with its named groups (?<name>…) and \k<name>; plain
// groups keep their numbers beside named ones, and a name may stand twice.
OnigSyntaxType* Syntax() {
  static OnigSyntaxType syntax = [] {
    OnigSyntaxType s;
    onig_copy_syntax(&s, ONIG_SYNTAX_PERL);
    onig_set_syntax_op2(&s, onig_get_syntax_op2(&s) | ONIG_SYN_OP2_QMARK_LT_NAMED_GROUP |
                                ONIG_SYN_OP2_ESC_K_NAMED_BACKREF);
    onig_set_syntax_behavior(&s, (onig_get_syntax_behavior(&s) & ~ONIG_SYN_CAPTURE_ONLY_NAMED_GROUP) |
                                     ONIG_SYN_ALLOW_MULTIPLEX_DEFINITION_NAME);
    return s;
  }();
  return &syntax;
}

OnigOptionType CompileOptions(std::string_view options) {
  OnigOptionType o = ONIG_OPTION_NONE;
  for (char c : options) {
    switch (c) {
      case 'i': o |= ONIG_OPTION_IGNORECASE; break;
      case 'x': o |= ONIG_OPTION_EXTEND; break;
      case 's': o |= ONIG_OPTION_MULTILINE; break;        // "." takes line breaks
      case 'm': o |= ONIG_OPTION_NEGATE_SINGLELINE; break;  // ^ $ at every line
      default: break;  // g, k, o and the rest do not change the pattern
    }
  }
  return o;
}

// CR LF is the language's line break, but Oniguruma's line anchors know LF
// alone: "$" stood between CR and LF, so "(.*)$" captured the CR, and
// "\d+$" never matched a line ending in CR LF. These stand-ins for "$" and
// "\Z" take CR LF as one break and never stop between its two bytes; the
// inner "$" keeps the anchor's own meaning (with or without m, also when
// an inline (?m) changes it). The look behind comes after the anchor, so
// it runs only where the anchor holds.
constexpr char kCrLfDollar[] = "(?:(?=\\r\\n)(?=\\r$)|$(?<!\\r)|\\z)";
constexpr char kCrLfEndOrLastBreak[] = "(?:(?=\\r\\n\\z)|\\Z(?<!\\r)|\\z)";

// Index just past the character class opening at pattern[i] ("[…]", nested
// classes and a leading "]" included); pattern.size() when it never closes.
size_t SkipClass(std::string_view pattern, size_t i) {
  int depth = 0;
  while (i < pattern.size()) {
    char c = pattern[i];
    if (c == '[') {
      ++depth;
      ++i;
      if (i < pattern.size() && pattern[i] == '^') ++i;
      if (i < pattern.size() && pattern[i] == ']') ++i;  // "[]…]": a literal "]"
      continue;
    }
    if (c == '\\' && i + 1 < pattern.size()) {
      i += 1 + CharLenAt(pattern, i + 1);
      continue;
    }
    i += CharLenAt(pattern, i);
    if (c == ']' && --depth == 0) return i;
  }
  return i;
}

// The pattern with its end-of-line anchors made CR LF aware. Escapes,
// classes, \Q…\E and (?#…) comments are copied as written.
std::string WithCrLfAnchors(std::string_view pattern) {
  std::string out;
  out.reserve(pattern.size() + 32);
  for (size_t i = 0; i < pattern.size();) {
    char c = pattern[i];
    size_t len = CharLenAt(pattern, i);
    if (len == 2) {
      out.append(pattern.substr(i, 2));
      i += 2;
    } else if (c == '$') {
      out += kCrLfDollar;
      ++i;
    } else if (c == '\\' && i + 1 < pattern.size()) {
      char n = pattern[i + 1];
      size_t end = i + 1 + CharLenAt(pattern, i + 1);
      if (n == 'Z') {
        out += kCrLfEndOrLastBreak;
        i = end;
        continue;
      }
      if (n == 'Q') {
        size_t q = FindChar(pattern, "\\E", end);
        end = q == std::string_view::npos ? pattern.size() : q + 2;
      } else if (n == 'c' && end < pattern.size()) {
        end += CharLenAt(pattern, end);  // \cX: X is taken as it is
      }
      out.append(pattern.substr(i, end - i));
      i = end;
    } else if (c == '[') {
      size_t end = SkipClass(pattern, i);
      out.append(pattern.substr(i, end - i));
      i = end;
    } else if (pattern.substr(i, 3) == "(?#") {
      size_t close = pattern.find(')', i);
      size_t end = close == std::string_view::npos ? pattern.size() : close + 1;
      out.append(pattern.substr(i, end - i));
      i = end;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

// Whether the pattern must be compiled CR LF aware for this text: only a
// text holding a CR can tell the difference, and the plain form runs about
// twice as fast.
bool NeedsCrLfAnchors(std::string_view pattern, std::string_view text) {
  const bool anchored = pattern.find('$') != std::string_view::npos ||
                        pattern.find("\\Z") != std::string_view::npos;
  return anchored && text.find('\r') != std::string_view::npos;
}

// Compiled patterns by pattern text and options. Bounded: a script that
// builds patterns in a loop must not grow memory without end.
OnigRegexType* Compile(const std::string& pattern, std::string_view options,
                       std::string_view text) {
  InitOnce();
  static std::unordered_map<std::string, RegexPtr> cache;
  OnigOptionType o = CompileOptions(options);
  const bool crLf = NeedsCrLfAnchors(pattern, text);
  std::string key = pattern;
  key += '\0';
  key += std::to_string(o);
  if (crLf) key += 'r';
  auto it = cache.find(key);
  if (it != cache.end()) return it->second.get();
  OnigRegex reg = nullptr;
  OnigErrorInfo info{};
  const std::string source = crLf ? WithCrLfAnchors(pattern) : pattern;
  const char* p = source.data();
  int r = onig_new(&reg, U(p), U(p + source.size()), o, ONIG_ENCODING_SJIS,
                   Syntax(), &info);
  if (r != ONIG_NORMAL) ThrowEngineError(r, &info);
  if (cache.size() >= 256) cache.clear();
  return cache.emplace(std::move(key), RegexPtr(reg)).first->second.get();
}

// One search from `from`; returns false when there is no match.
class Searcher {
 public:
  Searcher(std::string_view text, OnigRegexType* reg)
      : text_(text), reg_(reg), region_(onig_region_new()) {}

  bool Find(size_t from) {
    const char* begin = text_.data();
    const char* end = begin + text_.size();
    int r = onig_search(reg_, U(begin), U(end), U(begin + from), U(end), region_.get(),
                        ONIG_OPTION_NONE);
    if (r == ONIG_MISMATCH) return false;
    if (r < 0) ThrowEngineError(r, nullptr);
    return true;
  }
  size_t Start(int g = 0) const { return static_cast<size_t>(region_->beg[g]); }
  size_t End(int g = 0) const { return static_cast<size_t>(region_->end[g]); }
  int Groups() const { return region_->num_regs; }  // whole match included
  // The number of the group of that name (of several, the one that took
  // part in the match); -1 when the pattern names none so.
  int NamedGroup(std::string_view name) const {
    int g = onig_name_to_backref_number(reg_, U(name.data()), U(name.data() + name.size()),
                                        region_.get());
    return g > 0 ? g : -1;
  }
  std::string Group(int g) const {
    if (g < 0 || g >= region_->num_regs || region_->beg[g] < 0) return {};
    return std::string(text_.substr(Start(g), End(g) - Start(g)));
  }

 private:
  std::string_view text_;
  OnigRegexType* reg_;
  RegionPtr region_;
};

bool IsDelimiter(char c) {
  auto u = static_cast<unsigned char>(c);
  return u > 0x20 && u < 0x7F && !std::isalnum(u) && c != '\\';
}

// The closing delimiter for an opening one: Perl pairs the brackets
// (m{…}, s(…)(…)); any other delimiter closes itself.
char ClosingDelimiter(char open) {
  switch (open) {
    case '{': return '}';
    case '(': return ')';
    case '[': return ']';
    case '<': return '>';
    default: return open;
  }
}

// Reads from expr[i] (an opening delimiter) up to its unescaped closing
// delimiter, counting nested brackets of a bracket pair; escapes stay as
// written (the regex engine reads "\/" as "/"). Leaves i past the close.
std::string ReadPart(std::string_view s, size_t& i) {
  const char open = s[i++];
  const char close = ClosingDelimiter(open);
  const size_t start = i;
  int depth = 0;
  while (i < s.size()) {
    size_t len = CharLenAt(s, i);
    if (len == 1 && s[i] == '\\' && i + 1 < s.size()) {
      i += 1 + CharLenAt(s, i + 1);
      continue;
    }
    if (len == 1 && s[i] == close) {
      if (depth == 0) {
        std::string part(s.substr(start, i - start));
        ++i;
        return part;
      }
      --depth;
    } else if (len == 1 && s[i] == open) {
      ++depth;  // only a bracket pair gets here: a self-closing one closed above
    }
    i += len;
  }
  throw RegexError(msg::kRegexUnclosed, std::string(1, open));
}

// The second part of s{…}{…}: after a bracket pair it may open with a
// delimiter of its own, spaces between.
std::string ReadSecondPart(std::string_view s, size_t& i, char firstOpen) {
  if (ClosingDelimiter(firstOpen) != firstOpen) {
    while (i < s.size() && s[i] == ' ') ++i;
    if (i >= s.size() || !IsDelimiter(s[i])) throw RegexError(msg::kRegexUnclosed, std::string(1, firstOpen));
  } else {
    --i;  // the first part's close opens the second
  }
  return ReadPart(s, i);
}

void ReadOptions(std::string_view s, size_t i, PerlExpr& e) {
  e.Options = std::string(s.substr(i));
  for (size_t k = 0; k < e.Options.size(); k += CharLenAt(e.Options, k))
    if (!std::isalpha(static_cast<unsigned char>(e.Options[k])) && e.Options[k] != ' ')
      throw RegexError(msg::kRegexBadOption, e.Options.substr(k, CharLenAt(e.Options, k)));
}

// Size of the "m", "s", "tr" or "y" that opens an expression of the kind
// (followed by a delimiter); 0 when the text does not open so.
size_t KeywordLength(std::string_view expr, char kind) {
  auto opens = [&](std::string_view word) {
    return expr.size() > word.size() && expr.substr(0, word.size()) == word &&
           IsDelimiter(expr[word.size()]);
  };
  if (kind == 'm') return opens("m") ? 1 : 0;
  if (kind == 's') return opens("s") ? 1 : 0;
  return opens("tr") ? 2 : opens("y") ? 1 : 0;
}

PerlExpr ParseDelimited(std::string_view expr, size_t i, char kind) {
  PerlExpr e;
  e.Kind = kind;
  const char open = expr[i];
  e.Pattern = ReadPart(expr, i);
  if (kind != 'm') e.Replacement = ReadSecondPart(expr, i, open);
  ReadOptions(expr, i, e);
  return e;
}

}  // namespace

// In a plain pattern "m(", "m[" and "m<" begin a group, a class or a
// literal as often as not, and "m{2,3}" is a count: of the bracket forms
// a match takes m{…} alone, and only when it holds no count.
bool IsPlainBracketAfterM(std::string_view expr) {
  const char open = expr[1];
  if (open == '(' || open == '[' || open == '<') return true;
  if (open != '{') return false;
  size_t close = expr.find('}', 2);
  if (close == std::string_view::npos) return false;
  std::string_view inside = expr.substr(2, close - 2);
  return inside.find_first_not_of("0123456789,") == std::string_view::npos;
}

PerlExpr ParsePerlExpr(std::string_view expr, char expectKind) {
  size_t keyword = KeywordLength(expr, expectKind);
  if (expectKind == 'm') {
    // "m." or "m|n" is a pattern for an "m" and what follows, unless the
    // delimiter closes and only option letters come after it.
    if (keyword && !IsPlainBracketAfterM(expr)) {
      try {
        return ParseDelimited(expr, keyword, 'm');
      } catch (const RegexError&) {
      }
    }
    PerlExpr bare;
    bare.Pattern = std::string(expr);
    return bare;
  }
  if (!keyword)
    throw RegexError(expectKind == 's' ? msg::kRegexNotSubstitution : msg::kRegexNotTransliteration);
  return ParseDelimited(expr, keyword, expectKind);
}

std::vector<std::string> RegexMatch(std::string_view text, const std::string& pattern,
                                    std::string_view options) {
  Searcher s(text, Compile(pattern, options, text));
  std::vector<std::string> groups;
  if (!s.Find(0)) return groups;
  for (int g = 0; g < s.Groups(); ++g) groups.push_back(s.Group(g));
  return groups;
}

namespace {

// A replacement text read once: literal pieces, group references by number
// or name, and the case changes \U \L \E \u \l.
struct ReplacePart {
  enum Kind { kLiteral, kGroup, kNamedGroup, kCase } kind;
  int group = 0;
  std::string text;  // the literal, the group's name, or the case letter
};

// The digits of "$12" after i: as many as name an existing group (so "$10"
// is group 10 in a pattern of ten groups, group 1 and "0" otherwise), at
// least one.
int ReadGroupNumber(std::string_view r, size_t& i, int groupCount) {
  int number = r[i++] - '0';
  while (i < r.size() && r[i] >= '0' && r[i] <= '9') {
    int longer = number * 10 + (r[i] - '0');
    if (longer > groupCount) break;
    number = longer;
    ++i;
  }
  return number;
}

std::vector<ReplacePart> ParseReplacement(std::string_view r, int groupCount) {
  std::vector<ReplacePart> parts;
  std::string lit;
  auto flush = [&] {
    if (!lit.empty()) parts.push_back({ReplacePart::kLiteral, 0, std::move(lit)});
    lit.clear();
  };
  auto add = [&](ReplacePart part) {
    flush();
    parts.push_back(std::move(part));
  };
  for (size_t i = 0; i < r.size();) {
    size_t len = CharLenAt(r, i);
    char c = r[i];
    char n = i + 1 < r.size() ? r[i + 1] : '\0';
    if (len == 1 && c == '\\' && i + 1 < r.size()) {
      if (n >= '1' && n <= '9') {
        add({ReplacePart::kGroup, n - '0', {}});
        i += 2;
        continue;
      }
      if (n == 'n' || n == 't' || n == 'r') {
        lit += n == 'n' ? '\n' : n == 't' ? '\t' : '\r';
        i += 2;
        continue;
      }
      if (n == 'U' || n == 'L' || n == 'E' || n == 'u' || n == 'l') {
        add({ReplacePart::kCase, 0, std::string(1, n)});
        i += 2;
        continue;
      }
      size_t escLen = CharLenAt(r, i + 1);
      lit.append(r.substr(i + 1, escLen));
      i += 1 + escLen;
      continue;
    }
    if (len == 1 && c == '$' && n == '&') {
      add({ReplacePart::kGroup, 0, {}});
      i += 2;
      continue;
    }
    if (len == 1 && c == '$' && n >= '0' && n <= '9') {
      ++i;
      int number = ReadGroupNumber(r, i, groupCount);
      add({ReplacePart::kGroup, number, {}});
      continue;
    }
    if (len == 1 && c == '$' && (n == '{' || (n == '+' && i + 2 < r.size() && r[i + 2] == '{'))) {
      // ${1}, ${name} and Perl's $+{name}.
      size_t brace = n == '{' ? i + 1 : i + 2;
      size_t close = FindChar(r, "}", brace + 1);
      if (close != std::string_view::npos && close > brace + 1) {
        std::string_view inside = r.substr(brace + 1, close - brace - 1);
        bool number = inside.size() <= 3 && std::all_of(inside.begin(), inside.end(), [](char d) {
                        return d >= '0' && d <= '9';
                      });
        if (number) add({ReplacePart::kGroup, std::stoi(std::string(inside)), {}});
        else add({ReplacePart::kNamedGroup, 0, std::string(inside)});
        i = close + 1;
        continue;
      }
    }
    lit.append(r.substr(i, len));
    i += len;
  }
  flush();
  return parts;
}

// Appends replacement pieces under \U \L (until \E) and \u \l (the next
// character). ASCII letters only: a double-byte character is never split.
class CaseAppender {
 public:
  void Set(char op) {
    if (op == 'u' || op == 'l') once_ = op;
    else mode_ = op == 'E' ? 0 : op;
  }
  void Append(std::string& out, std::string_view piece) {
    if (!mode_ && !once_) {
      out.append(piece);
      return;
    }
    for (size_t i = 0; i < piece.size();) {
      size_t len = CharLenAt(piece, i);
      char op = once_ ? once_ : mode_;
      once_ = 0;
      if (len == 1 && (op == 'U' || op == 'u')) out += static_cast<char>(std::toupper(static_cast<unsigned char>(piece[i])));
      else if (len == 1 && (op == 'L' || op == 'l')) out += static_cast<char>(std::tolower(static_cast<unsigned char>(piece[i])));
      else out.append(piece.substr(i, len));
      i += len;
    }
  }

 private:
  char mode_ = 0;  // 'U', 'L' or none
  char once_ = 0;  // 'u', 'l' or none
};

}  // namespace

std::string RegexSubstitute(std::string_view text, const std::string& pattern,
                            std::string_view replacement, std::string_view options,
                            int* groups) {
  const bool global = options.find('g') != std::string_view::npos;
  OnigRegexType* reg = Compile(pattern, options, text);
  auto parts = ParseReplacement(replacement, onig_number_of_captures(reg));
  Searcher s(text, reg);
  std::string out;
  size_t copied = 0, from = 0;
  int lastGroups = 0;
  while (from <= text.size() && s.Find(from)) {
    lastGroups = s.Groups();
    out.append(text.substr(copied, s.Start() - copied));
    CaseAppender appender;
    for (const auto& p : parts) {
      switch (p.kind) {
        case ReplacePart::kLiteral: appender.Append(out, p.text); break;
        case ReplacePart::kGroup: appender.Append(out, s.Group(p.group)); break;
        case ReplacePart::kNamedGroup: appender.Append(out, s.Group(s.NamedGroup(p.text))); break;
        case ReplacePart::kCase: appender.Set(p.text[0]); break;
      }
    }
    copied = s.End();
    if (!global) break;
    if (s.End() == s.Start()) {
      // An empty match: step over one character so the next search moves on.
      if (copied >= text.size()) break;
      size_t len = CharLenAt(text, copied);
      out.append(text.substr(copied, len));
      copied += len;
    }
    from = copied;
  }
  out.append(text.substr(std::min(copied, text.size())));
  if (groups) *groups = lastGroups;
  return out;
}

std::vector<std::string> RegexSplit(std::string_view text, const std::string& pattern,
                                    std::string_view options, size_t limit) {
  std::vector<std::string> pieces;
  if (text.empty()) return pieces;
  Searcher s(text, Compile(pattern, options, text));
  size_t fieldStart = 0, from = 0;
  while (pieces.size() + 1 < limit && from < text.size() && s.Find(from)) {
    if (s.End() == s.Start() && s.Start() == fieldStart) {
      // A zero-width match where the field begins makes no empty field.
      from = s.Start() + CharLenAt(text, s.Start());
      continue;
    }
    if (s.Start() >= text.size() && s.End() == s.Start()) break;
    pieces.emplace_back(text.substr(fieldStart, s.Start() - fieldStart));
    for (int g = 1; g < s.Groups(); ++g) pieces.push_back(s.Group(g));
    fieldStart = s.End();
    from = s.End();
  }
  pieces.emplace_back(text.substr(fieldStart));
  while (!pieces.empty() && pieces.back().empty()) pieces.pop_back();
  return pieces;
}

namespace {

unsigned CodeAt(std::string_view s, size_t i, size_t len) {
  auto b = [&](size_t k) { return static_cast<unsigned>(static_cast<unsigned char>(s[k])); };
  return len == 2 ? b(i) << 8 | b(i + 1) : b(i);
}

void PutCode(std::string& out, unsigned code) {
  if (code > 0xFF) out += static_cast<char>(code >> 8);
  out += static_cast<char>(code & 0xFF);
}

// Whether a code taken from a range is a character: a single byte other
// than 0x80, 0xA0 and 0xFD-0xFF, or a lead byte with a trail byte of
// 0x40-0x7E or 0x80-0xFC. ァ-ン spans 0x837F, which is none, so counting
// it shifted every katakana from ム on by one.
bool IsCharacterCode(unsigned code) {
  if (code <= 0xFF) return code != 0x80 && code != 0xA0 && code < 0xFD;
  unsigned lead = code >> 8, trail = code & 0xFF;
  return IsLeadByte(static_cast<unsigned char>(lead)) && trail >= 0x40 && trail != 0x7F &&
         trail <= 0xFC;
}

// A tr list: characters, "a-z" ranges, and backslash escapes.
std::vector<unsigned> ExpandList(std::string_view s) {
  std::vector<unsigned> codes;
  auto read = [&](size_t& i) {
    size_t len = CharLenAt(s, i);
    if (len == 1 && s[i] == '\\' && i + 1 < s.size()) {
      char n = s[i + 1];
      size_t escLen = CharLenAt(s, i + 1);
      unsigned code = n == 'n' ? '\n' : n == 't' ? '\t' : n == 'r' ? '\r' : CodeAt(s, i + 1, escLen);
      i += 1 + escLen;
      return code;
    }
    unsigned code = CodeAt(s, i, len);
    i += len;
    return code;
  };
  for (size_t i = 0; i < s.size();) {
    unsigned lo = read(i);
    if (i + 1 < s.size() && s[i] == '-') {
      ++i;
      unsigned hi = read(i);
      if (hi < lo || hi - lo > 0x10000) {
        std::string range;
        PutCode(range, lo);
        range += '-';
        PutCode(range, hi);
        throw RegexError(hi < lo ? msg::kRegexReversedRange : msg::kRegexRangeTooLarge, range);
      }
      for (unsigned c = lo; c <= hi; ++c)
        if (IsCharacterCode(c)) codes.push_back(c);
    } else {
      codes.push_back(lo);
    }
  }
  return codes;
}

}  // namespace

std::string Transliterate(std::string_view text, std::string_view search,
                          std::string_view replace, std::string_view options) {
  const bool complement = options.find('c') != std::string_view::npos;
  const bool del = options.find('d') != std::string_view::npos;
  const bool squeeze = options.find('s') != std::string_view::npos;
  std::vector<unsigned> from = ExpandList(search), to = ExpandList(replace);
  if (to.empty() && !del) to = complement ? std::vector<unsigned>{} : from;
  constexpr long kDelete = -1, kKeep = -2;
  std::unordered_map<unsigned, long> map;  // first occurrence wins
  for (size_t k = 0; k < from.size(); ++k) {
    // Past the end of the replacement list its last character repeats; with
    // no list at all (tr/a//c) a character stands for itself.
    long target = k < to.size() ? static_cast<long>(to[k])
                  : del         ? kDelete
                  : to.empty()  ? static_cast<long>(from[k])
                                : static_cast<long>(to.back());
    map.emplace(from[k], target);
  }
  auto lookup = [&](unsigned c) -> long {
    if (!complement) {
      auto it = map.find(c);
      return it == map.end() ? kKeep : it->second;
    }
    if (map.count(c)) return kKeep;
    if (del) return kDelete;
    return to.empty() ? static_cast<long>(c) : static_cast<long>(to.back());
  };
  std::string out;
  out.reserve(text.size());
  long lastOut = -1;
  for (size_t i = 0; i < text.size();) {
    size_t len = CharLenAt(text, i);
    unsigned c = CodeAt(text, i, len);
    i += len;
    long t = lookup(c);
    if (t == kKeep) {
      PutCode(out, c);
      lastOut = -1;
      continue;
    }
    if (t == kDelete) continue;
    if (squeeze && t == lastOut) continue;
    PutCode(out, static_cast<unsigned>(t));
    lastOut = t;
  }
  return out;
}

}  // namespace nokari
