// The wildcard matcher. A pattern and its subject are both sequences of
// elements; the pattern's elements run in order, each consuming subject
// elements. "*" is lazy and never retried with a longer run, which keeps
// matching cheap and is how scripts have always seen it behave.
#include "lib/pattern/Wildcard.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "core/Cp932.h"
#include "core/Encoding.h"
#include "core/Errors.h"
#include "core/Messages.h"
#include "lib/pattern/Messages.h"

namespace nokari {
namespace {

enum class Kind : uint8_t { Char, Question, Asterisk, Number, Set, PickFrom, PickTo };

struct Elem {
  Kind kind = Kind::Char;
  std::string text;  // text form
  // Sets
  bool negate = false;
  char mode = '1';  // '1' exactly one, '*', '+', '='
  std::vector<std::pair<unsigned, unsigned>> ranges;
  std::vector<std::string> alts;

  unsigned Code() const {
    if (text.empty()) return 0;
    unsigned c = static_cast<unsigned char>(text[0]);
    if (text.size() >= 2 && IsLeadByte(c)) return c << 8 | static_cast<unsigned char>(text[1]);
    return c;
  }
  bool InSet(const Elem& subject) const {
    unsigned c = subject.Code();
    bool in = std::any_of(ranges.begin(), ranges.end(),
                          [c](auto r) { return c >= r.first && c <= r.second; });
    return in != negate;
  }
};

using Elems = std::vector<Elem>;

bool IsDigitText(const std::string& t) { return !t.empty() && t[0] >= '0' && t[0] <= '9'; }

unsigned CodeOf(std::string_view ch) {
  unsigned c = static_cast<unsigned char>(ch[0]);
  return ch.size() == 2 ? c << 8 | static_cast<unsigned char>(ch[1]) : c;
}

// Splits at "|" on character boundaries.
std::vector<std::string> SplitAlternatives(std::string_view body) {
  std::vector<std::string> alts;
  size_t start = 0;
  for (size_t i = 0; i <= body.size();) {
    if (i == body.size() || body[i] == '|') {
      alts.emplace_back(body.substr(start, i - start));
      start = ++i;
      continue;
    }
    i += CharLenAt(body, i);
  }
  return alts;
}

// For k = 0..n-1, the first shortest alternative after k (or the one at k
// when there is none) moves to the front.
void ReorderAlternatives(std::vector<std::string>& alts) {
  const size_t n = alts.size();
  for (size_t k = 0; k < n; ++k) {
    size_t pick = k;
    if (k + 1 < n) {
      pick = k + 1;
      for (size_t j = k + 2; j < n; ++j)
        if (alts[j].size() < alts[pick].size()) pick = j;
    }
    std::string moved = std::move(alts[pick]);
    alts.erase(alts.begin() + static_cast<std::ptrdiff_t>(pick));
    alts.insert(alts.begin(), std::move(moved));
  }
}

class Reader {
 public:
  // A subject is read leniently: a backslash in a set never fails there.
  Reader(std::string_view src, bool strict) : s_(src), strict_(strict) {}

  Elems Read() {
    Elems out;
    while (i_ < s_.size()) ReadOne(out);
    return out;
  }

 private:
  std::string_view NextChar() {
    size_t len = CharLenAt(s_, i_);
    std::string_view ch = s_.substr(i_, len);
    i_ += len;
    return ch;
  }

  static Elem Simple(Kind k, std::string_view text) {
    Elem e;
    e.kind = k;
    e.text = std::string(text);
    return e;
  }

  void ReadOne(Elems& out) {
    size_t start = i_;
    std::string_view ch = NextChar();
    if (ch.size() == 2) {
      out.push_back(Simple(Kind::Char, ch));
      return;
    }
    switch (ch[0]) {
      case '#': out.push_back(Simple(Kind::Number, ch)); return;
      case '(': out.push_back(Simple(Kind::PickFrom, ch)); return;
      case ')': out.push_back(Simple(Kind::PickTo, ch)); return;
      case '*': out.push_back(Simple(Kind::Asterisk, ch)); return;
      case '?': out.push_back(Simple(Kind::Question, ch)); return;
      case '[': out.push_back(ReadSet(start)); return;
      case '\\':
        if (i_ >= s_.size()) break;
        ch = NextChar();
        if (ch == "n") {
          out.push_back(Simple(Kind::Char, "\r"));
          out.push_back(Simple(Kind::Char, "\n"));
        } else {
          out.push_back(Simple(Kind::Char, ch == "t" ? "\t" : ch));
        }
        return;
      default: break;
    }
    out.push_back(Simple(Kind::Char, ch));
  }

  Elem ReadSet(size_t start) {
    Elem e;
    e.kind = Kind::Set;
    if (i_ < s_.size() && s_[i_] == '!') {
      e.negate = true;
      ++i_;
    }
    if (i_ < s_.size() && (s_[i_] == '*' || s_[i_] == '+' || s_[i_] == '=')) e.mode = s_[i_++];
    if (e.mode == '=') {
      size_t bodyStart = i_;
      while (i_ < s_.size() && s_[i_] != ']') i_ += CharLenAt(s_, i_);
      e.alts = SplitAlternatives(s_.substr(bodyStart, i_ - bodyStart));
      ReorderAlternatives(e.alts);
      if (i_ < s_.size()) ++i_;
    } else {
      ReadRanges(e);
    }
    e.text = std::string(s_.substr(start, i_ - start));
    return e;
  }

  void ReadRanges(Elem& e) {
    while (i_ < s_.size()) {
      std::string_view x = NextChar();
      if (x == "]") return;
      if (x == "\\" && i_ < s_.size()) {
        std::string_view esc = NextChar();
        if (esc == "n") {
          e.ranges.emplace_back(10, 13);
          continue;
        }
        if (esc == "t") {
          e.ranges.emplace_back(9, 9);
          continue;
        }
        if (strict_) throw WildcardError(Sj(msg::kWildcardBackslashInSet));
        x = esc;
      }
      unsigned lo = CodeOf(x), hi = lo;
      if (i_ + 1 < s_.size() && s_[i_] == '-' && s_[i_ + 1] != ']') {
        ++i_;
        hi = CodeOf(NextChar());
        if (hi < lo) std::swap(lo, hi);
      }
      e.ranges.emplace_back(lo, hi);
    }
  }

  std::string_view s_;
  size_t i_ = 0;
  bool strict_;
};

class Matcher {
 public:
  Matcher(const Elems& pattern, const Elems& subject) : p_(pattern), s_(subject) {}

  bool Run(size_t from) {
    for (size_t k = from; k < p_.size(); ++k) {
      if (p_[k].kind == Kind::Asterisk) return Star(k);
      if (!Step(k)) return false;
    }
    return true;
  }

  size_t pos = 0;
  std::vector<std::string> pickups;

 private:
  std::string TextOf(size_t from, size_t to) const {
    std::string t;
    for (size_t i = from; i < to && i < s_.size(); ++i) t += s_[i].text;
    return t;
  }

  bool Step(size_t k) {
    const Elem& e = p_[k];
    const size_t n = s_.size();
    switch (e.kind) {
      case Kind::Char:
        return pos < n && s_[pos++].text == e.text;
      case Kind::Question:
        if (pos < n) ++pos;  // never reads past the end
        return true;
      case Kind::Number:
        if (pos >= n) return false;
        return IsDigitText(s_[pos++].text);
      case Kind::Set:
        return MatchSet(k);
      case Kind::PickFrom:
        pickStart_ = pos;
        return true;
      case Kind::PickTo:
        if (recording_ && static_cast<long>(pos) > maxPick_) {
          maxPick_ = static_cast<long>(pos);
          pickups.push_back(TextOf(std::min(pickStart_, pos), pos));
        }
        return true;
      case Kind::Asterisk:
        return Star(k);
    }
    return false;
  }

  bool MatchSet(size_t k) {
    const Elem& e = p_[k];
    const size_t n = s_.size();
    if (e.mode == '1') return pos < n && e.InSet(s_[pos++]);
    if (e.mode == '=') return MatchAlternatives(e);
    // "*" and "+": stop before the literal that follows, if any.
    size_t f = k + 1;
    if (f < p_.size() && (p_[f].kind == Kind::PickFrom || p_[f].kind == Kind::PickTo)) ++f;
    const Elem* follow = nullptr;
    if (f < p_.size()) {
      if (p_[f].kind != Kind::Char) throw WildcardError(Sj(msg::kWildcardAfterRepeat));
      follow = &p_[f];
    }
    size_t taken = 0;
    while (pos < n) {
      if (follow && s_[pos].text == follow->text) break;
      if (!e.InSet(s_[pos])) break;  // left for the next element
      ++pos;
      ++taken;
    }
    return e.mode == '*' || taken > 0;
  }

  bool MatchAlternatives(const Elem& e) {
    for (const std::string& alt : e.alts) {
      size_t count = CharCount(alt);
      if (pos + count <= s_.size() && TextOf(pos, pos + count) == alt) {
        if (e.negate) return false;
        pos += count;
        return true;
      }
    }
    if (!e.negate || pos >= s_.size()) return false;
    ++pos;
    return true;
  }

  bool Star(size_t k) {
    const size_t n = s_.size();
    if (k + 1 == p_.size()) {
      pos = n;
      return true;
    }
    if (k + 2 == p_.size() && p_[k + 1].kind == Kind::PickTo) {
      pos = n;
      return Step(k + 1);
    }
    const bool pickNext = p_[k + 1].kind == Kind::PickFrom;
    const size_t start = pickStart_;  // trials must not move an open pick-up
    for (size_t i = pos; i <= n; ++i) {
      bool saved = recording_;
      recording_ = false;
      pickStart_ = pickNext ? i : start;
      pos = i;
      bool ok = Trial(k + 1, i);
      recording_ = saved;
      if (ok) {
        pickStart_ = pickNext ? i : start;
        pos = i;
        return Run(k + 1);
      }
    }
    return false;
  }

  // Whether the pattern from element k matches at subject position i does
  // not depend on pick-ups, so trial results are kept: several "*" would
  // otherwise retry the same rest again and again.
  bool Trial(size_t k, size_t i) {
    if (memo_.empty()) memo_.assign((p_.size() + 1) * (s_.size() + 1), -1);
    int8_t& known = memo_[k * (s_.size() + 1) + i];
    if (known < 0) known = Run(k) ? 1 : 0;
    return known == 1;
  }

  const Elems& p_;
  const Elems& s_;
  std::vector<int8_t> memo_;
  size_t pickStart_ = 0;
  long maxPick_ = -1;
  bool recording_ = true;
};

// The last pattern read, kept because table searches match one pattern
// against many cells.
const Elems& ReadPattern(std::string_view pattern) {
  static std::string lastText;
  static Elems last;
  static bool valid = false;
  if (!valid || lastText != pattern) {
    valid = false;
    last = Reader(pattern, true).Read();
    lastText = std::string(pattern);
    valid = true;
  }
  return last;
}

std::string DoubleBackslashes(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (size_t i = 0; i < text.size();) {
    size_t len = CharLenAt(text, i);
    out.append(text.substr(i, len));
    if (len == 1 && text[i] == '\\') out += '\\';
    i += len;
  }
  return out;
}

}  // namespace

bool WildcardMatch(std::string_view text, std::string_view pattern) {
  const Elems& pat = ReadPattern(pattern);
  Elems subject = Reader(DoubleBackslashes(text), false).Read();
  Matcher m(pat, subject);
  return m.Run(0) && m.pos >= subject.size();
}

bool WildcardMatch(TNokaBase& e, std::string_view text, std::string_view pattern) {
  try {
    return WildcardMatch(text, pattern);
  } catch (const WildcardError& err) {
    RaiseErrorText(e, err.what());
  }
}

WildcardPrefixResult WildcardPrefix(std::string_view text, std::string_view pattern) {
  Elems pat = Reader(pattern, true).Read();
  Elems subject;
  for (size_t i = 0; i < text.size();) {
    size_t len = CharLenAt(text, i);
    Elem c;
    c.text = std::string(text.substr(i, len));
    subject.push_back(std::move(c));
    i += len;
  }
  Matcher m(pat, subject);
  WildcardPrefixResult r;
  r.Ok = m.Run(0);
  if (!r.Ok) {  // a failed match picks nothing up
    r.Rest = std::string(text);
    return r;
  }
  size_t split = 0;
  for (size_t i = 0; i < m.pos; ++i) split += subject[i].text.size();
  r.Matched = std::string(text.substr(0, split));
  r.Rest = std::string(text.substr(split));
  r.Pickups = std::move(m.pickups);
  return r;
}

bool HasWildcard(std::string_view pattern) {
  for (size_t i = 0; i < pattern.size(); i += CharLenAt(pattern, i)) {
    char c = pattern[i];
    if (c == '*' || c == '?' || c == '[') return true;
  }
  return false;
}

}  // namespace nokari
