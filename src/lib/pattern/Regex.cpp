// Perl-style expressions on Oniguruma (Shift-JIS encoding, Perl syntax).
#include "lib/pattern/Regex.h"

#include <oniguruma.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <unordered_map>

#include "core/Cp932.h"

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

std::string ErrorText(int code, OnigErrorInfo* info) {
  OnigUChar buf[ONIG_MAX_ERROR_MESSAGE_LEN];
  int len = info ? onig_error_code_to_str(buf, code, info) : onig_error_code_to_str(buf, code);
  return std::string(reinterpret_cast<char*>(buf), len > 0 ? static_cast<size_t>(len) : 0);
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

// Compiled patterns by pattern text and options. Bounded: a script that
// builds patterns in a loop must not grow memory without end.
OnigRegexType* Compile(const std::string& pattern, std::string_view options) {
  InitOnce();
  static std::unordered_map<std::string, RegexPtr> cache;
  OnigOptionType o = CompileOptions(options);
  std::string key = pattern;
  key += '\0';
  key += std::to_string(o);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second.get();
  OnigRegex reg = nullptr;
  OnigErrorInfo info;
  const char* p = pattern.data();
  int r = onig_new(&reg, U(p), U(p + pattern.size()), o, ONIG_ENCODING_SJIS,
                   ONIG_SYNTAX_PERL, &info);
  if (r != ONIG_NORMAL) throw RegexError(ErrorText(r, &info));
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
    if (r < 0) throw RegexError(ErrorText(r, nullptr));
    return true;
  }
  size_t Start(int g = 0) const { return static_cast<size_t>(region_->beg[g]); }
  size_t End(int g = 0) const { return static_cast<size_t>(region_->end[g]); }
  int Groups() const { return region_->num_regs; }  // whole match included
  std::string Group(int g) const {
    if (g >= region_->num_regs || region_->beg[g] < 0) return {};
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

// Reads up to the next unescaped delimiter at or after `i`; escapes stay
// as written (the regex engine reads "\/" as "/").
std::string ReadPart(std::string_view s, size_t& i, char delim) {
  size_t start = i;
  while (i < s.size()) {
    size_t len = CharLenAt(s, i);
    if (len == 1 && s[i] == delim) {
      std::string part(s.substr(start, i - start));
      ++i;
      return part;
    }
    if (len == 1 && s[i] == '\\' && i + 1 < s.size()) {
      i += 1 + CharLenAt(s, i + 1);
      continue;
    }
    i += len;
  }
  throw RegexError("missing closing delimiter");
}

}  // namespace

PerlExpr ParsePerlExpr(std::string_view expr, char expectKind, bool allowBare) {
  PerlExpr e;
  e.Kind = expectKind;
  size_t i = 0;
  if (expectKind == 'm') {
    if (expr.size() >= 2 && expr[0] == 'm' && IsDelimiter(expr[1])) {
      i = 1;
    } else if (allowBare) {
      e.Pattern = std::string(expr);
      return e;
    } else {
      throw RegexError("not a match expression");
    }
  } else if (expectKind == 's') {
    if (!(expr.size() >= 2 && expr[0] == 's' && IsDelimiter(expr[1])))
      throw RegexError("not a substitution expression");
    i = 1;
  } else {
    if (expr.size() >= 3 && expr.substr(0, 2) == "tr" && IsDelimiter(expr[2])) i = 2;
    else if (expr.size() >= 2 && expr[0] == 'y' && IsDelimiter(expr[1])) i = 1;
    else throw RegexError("not a transliteration expression");
  }
  char delim = expr[i++];
  e.Pattern = ReadPart(expr, i, delim);
  if (expectKind != 'm') e.Replacement = ReadPart(expr, i, delim);
  e.Options = std::string(expr.substr(i));
  for (char c : e.Options)
    if (!std::isalpha(static_cast<unsigned char>(c)) && c != ' ')
      throw RegexError("invalid option");
  return e;
}

std::vector<std::string> RegexMatch(std::string_view text, const std::string& pattern,
                                    std::string_view options) {
  Searcher s(text, Compile(pattern, options));
  std::vector<std::string> groups;
  if (!s.Find(0)) return groups;
  for (int g = 0; g < s.Groups(); ++g) groups.push_back(s.Group(g));
  return groups;
}

namespace {

// A replacement text read once: literal pieces and group references.
struct ReplacePart {
  int group;  // -1: literal
  std::string literal;
};

std::vector<ReplacePart> ParseReplacement(std::string_view r) {
  std::vector<ReplacePart> parts;
  std::string lit;
  auto flush = [&] {
    if (!lit.empty()) parts.push_back({-1, std::move(lit)});
    lit.clear();
  };
  for (size_t i = 0; i < r.size();) {
    size_t len = CharLenAt(r, i);
    char c = r[i];
    char n = i + 1 < r.size() ? r[i + 1] : '\0';
    if (len == 1 && c == '\\' && i + 1 < r.size()) {
      if (n >= '1' && n <= '9') {
        flush();
        parts.push_back({n - '0', {}});
        i += 2;
        continue;
      }
      if (n == 'n' || n == 't' || n == 'r') {
        lit += n == 'n' ? '\n' : n == 't' ? '\t' : '\r';
        i += 2;
        continue;
      }
      size_t escLen = CharLenAt(r, i + 1);
      lit.append(r.substr(i + 1, escLen));
      i += 1 + escLen;
      continue;
    }
    if (len == 1 && c == '$' && (n == '&' || (n >= '0' && n <= '9'))) {
      flush();
      parts.push_back({n == '&' ? 0 : n - '0', {}});
      i += 2;
      continue;
    }
    lit.append(r.substr(i, len));
    i += len;
  }
  flush();
  return parts;
}

}  // namespace

std::string RegexSubstitute(std::string_view text, const std::string& pattern,
                            std::string_view replacement, std::string_view options,
                            int* groups) {
  const bool global = options.find('g') != std::string_view::npos;
  auto parts = ParseReplacement(replacement);
  Searcher s(text, Compile(pattern, options));
  std::string out;
  size_t copied = 0, from = 0;
  int lastGroups = 0;
  while (from <= text.size() && s.Find(from)) {
    lastGroups = s.Groups();
    out.append(text.substr(copied, s.Start() - copied));
    for (const auto& p : parts) out += p.group < 0 ? p.literal : s.Group(p.group);
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
  Searcher s(text, Compile(pattern, options));
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
      if (hi < lo) throw RegexError("invalid range in transliteration");
      if (hi - lo > 0x10000) throw RegexError("transliteration range too large");
      for (unsigned c = lo; c <= hi; ++c) codes.push_back(c);
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
