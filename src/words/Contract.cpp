// The helpers through which command implementations read arguments and
// return results, and the language's reading and writing of numbers.
#include "words/Contract.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "core/Cp932.h"
#include "core/Hot.h"
#include "core/Prepare.h"
#include "core/Scan.h"
#include "words/Expr.h"
#include "words/Value.h"

namespace nokari {

std::string PopArgText(TNokaBase& e) { return e.ArgStack.PopLast(); }

std::string PopArgValue(TNokaBase& e) {
  std::string text = e.ArgStack.PopLast();
  return EvalArg(e, text);
}

namespace {

// The variable an argument names alone, with the type and number EvalArg
// would leave for it, so that its text can be lent instead of copied; null
// for any other argument.
THashNode* LoneVariableArg(TNokaBase& e, const std::string& text, const CompiledRef& compiled) {
  return text.empty() ? nullptr : LoneVariableValue(e, compiled);
}

std::shared_ptr<const TCsvDbBase> ParseFresh(std::string_view text) {
  auto fresh = std::make_shared<TCsvDbBase>();
  fresh->ReadCsv(text);
  return fresh;
}

}  // namespace

std::string_view PopArgView(TNokaBase& e, std::string& store) {
  THashNode* lent = nullptr;
  return PopArgView(e, store, lent);
}

// Where every 64th character of a variable's value starts, valid while
// Version matches the word's.
struct TCharIndex {
  static constexpr size_t kStep = 64;
  uint64_t Version = ~0ull;
  size_t Size = 0;             // the text's length, checked as well
  std::vector<size_t> Starts;  // of characters 0, 64, 128 … up to the end
};

size_t CharOffsetIn(THashNode* lent, std::string_view s, size_t index) {
  // Short texts are walked: an index costs more than it saves.
  if (!lent || s.size() < 4 * TCharIndex::kStep || s.data() != lent->Value.data())
    return ByteOffsetOfChar(s, index);
  TTableCaches& caches = lent->TableCaches();
  if (!caches.Chars) caches.Chars = std::make_shared<TCharIndex>();
  TCharIndex& chars = *caches.Chars;
  if (chars.Version != lent->Version || chars.Size != s.size()) {
    chars.Starts.clear();
    size_t count = 0;
    for (size_t i = 0; i < s.size(); i += CharLenAt(s, i), ++count)
      if (count % TCharIndex::kStep == 0) chars.Starts.push_back(i);
    chars.Version = lent->Version;
    chars.Size = s.size();
  }
  const size_t chunk = index / TCharIndex::kStep;
  if (chunk >= chars.Starts.size()) return s.size();
  return chars.Starts[chunk] + ByteOffsetOfChar(s.substr(chars.Starts[chunk]), index % TCharIndex::kStep);
}

std::string_view PopArgView(TNokaBase& e, std::string& store, THashNode*& lent) {
  lent = nullptr;
  std::string text = e.ArgStack.PopLast();
  if ((text[0] == '`' || (text[0] >= '0' && text[0] <= '9')) && !e.Caches->PlansOff &&
      EvalHandedOnValue(e, text, store))
    return store;
  const CompiledRef compiled = CompileArgument(text);
  if (THashNode* w = LoneVariableArg(e, text, compiled)) {
    lent = w;
    return w->Value;
  }
  store = EvalArg(e, text, compiled);
  return store;
}

std::shared_ptr<const TCsvDbBase> PopArgTable(TNokaBase& e) {
  std::string text = e.ArgStack.PopLast();
  const CompiledRef compiled = CompileArgument(text);
  if (THashNode* w = LoneVariableArg(e, text, compiled)) {
    if (auto kept = KeptTable(*w)) return kept;
    return ParseFresh(w->Value);
  }
  return ParseFresh(EvalArg(e, text, compiled));
}

long double PopArgNumber(TNokaBase& e) { return ToNumber(PopArgValue(e)); }

const std::string& PeekArgText(const TNokaBase& e, size_t depthFromTop) {
  static const std::string none;
  const auto& items = e.ArgStack.Items;
  return depthFromTop < items.size() ? items[items.size() - 1 - depthFromTop] : none;
}

void DuplicateTopArg(TNokaBase& e) {
  auto& items = e.ArgStack.Items;
  if (!items.empty()) items.push_back(std::string(items.back()));
}

THashNode* PopArgWord(TNokaBase& e, bool create) {
  std::string name = UnquoteLiteral(PopArgText(e));
  if (THashNode* w = e.Words.Find(name)) return w;
  if (!create) RaiseError(e, msg::kObjectNotFound, {name});
  return CreateVariable(e, name);
}

namespace {

// The powers of ten a long double holds exactly (its 64-bit mantissa holds
// 5^27): scaling by one of them rounds once.
constexpr long double kExactPow10[] = {1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,
                                       1e10L, 1e11L, 1e12L, 1e13L, 1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L};


bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Half-width form of the first 254 bytes, commas removed, trimmed.
std::string NumberText(std::string_view text) {
  if (text.size() > 254) text = text.substr(0, 254);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    size_t len = CharLenAt(text, i);
    const char* folded = len == 2 ? FoldedChar(text[i], text[i + 1]) : nullptr;
    if (folded && folded[0] && !folded[1]) {
      if (folded[0] != ',') out += folded[0];
    } else if (!(len == 1 && text[i] == ',')) {
      out.append(text.substr(i, len));
    }
    i += len;
  }
  size_t b = 0, e = out.size();
  while (b < e && IsSpace(out[b])) ++b;
  while (e > b && IsSpace(out[e - 1])) --e;
  return out.substr(b, e - b);
}

}  // namespace

bool IsDecimalText(std::string_view t) {
  size_t i = !t.empty() && (t[0] == '-' || t[0] == '+') ? 1 : 0;
  const size_t start = i;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
  if (i == start) return false;
  if (i < t.size() && t[i] == '.') {
    const size_t fraction = ++i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    if (i == fraction) return false;
  }
  return i == t.size();
}

long double ToNumber(std::string_view text) {
  // Fast path: plain ASCII decimal integers, the common case in loops.
  if (!text.empty() && text.size() < 19) {
    size_t i = text[0] == '-' ? 1 : 0;
    if (i < text.size()) {
      int64_t v = 0;
      size_t k = i;
      while (k < text.size() && text[k] >= '0' && text[k] <= '9') v = v * 10 + (text[k++] - '0');
      if (k == text.size()) return i ? -static_cast<long double>(v) : static_cast<long double>(v);
    }
  }
  // Plain decimals with a fraction and up to 19 digits (a price, an
  // average): the digits as an integer over a power of ten, both exact in
  // a long double, so the one rounding of the division gives what strtold
  // gives, the long double nearest the decimal.
  if (!text.empty() && text.size() <= 21) {
    size_t i = text[0] == '-' ? 1 : 0;
    uint64_t v = 0;
    int count = 0, fractionDigits = -1;
    for (; i < text.size(); ++i) {
      const char c = text[i];
      if (c >= '0' && c <= '9') {
        v = v * 10 + static_cast<uint64_t>(c - '0');
        ++count;
        if (fractionDigits >= 0) ++fractionDigits;
      } else if (c == '.' && fractionDigits < 0 && count > 0) {
        fractionDigits = 0;
      } else {
        break;
      }
    }
    if (i == text.size() && fractionDigits > 0 && count <= 19) {
      const long double value = static_cast<long double>(v) / kExactPow10[fractionDigits];
      return text[0] == '-' ? -value : value;
    }
  }
  std::string s = NumberText(text);
  const char* p = s.c_str();
  while (*p == ' ' || *p == '\t') ++p;
  if (*p == '$') {
    const char* end = ScanHex(p);
    return std::stold(HexLiteralValue(std::string_view(p + 1, end - p - 1)));
  }
  const char* start = p;
  if (*p == '+' || *p == '-') ++p;
  const char* digits = p;
  p = ScanDecimal(p);
  if (p == digits) return 0;
  std::string prefix(start, p);
  return strtold(prefix.c_str(), nullptr);
}

int32_t ToInt32(long double x) {
  int64_t v = ToInt64(x);
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}

int64_t IntDefault(std::string_view text, int64_t def) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  if (text.empty()) return def;
  size_t i = 0;
  bool negative = false;
  if (text[0] == '-' || text[0] == '+') {
    negative = text[0] == '-';
    i = 1;
  }
  if (i == text.size()) return def;
  int64_t v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return def;
    if (v > (INT64_MAX - 9) / 10) return def;
    v = v * 10 + (text[i] - '0');
  }
  return negative ? -v : v;
}

namespace {

// The 15 significant digits printf's "%.14Le" gives for x (0 < x), as an
// integer of 15 digits, and its decimal exponent, worked out without
// printf for a number from 10^-5 to 10^15 (a fraction in a loop costs
// printf some 2,500 instructions). x is scaled by an exact power of ten;
// the product is then within 2^-13 of the exact value, so its rounding to
// an integer is printf's unless its fraction lies within 1/1000 of a half.
// False in that case, and whenever the digits do not come to 15 (x near a
// power of ten): printf decides.
bool FifteenDigits(long double x, int64_t& digits, int& exp) {
  if (!(x >= 1e-5L && x < 1e15L)) return false;
  int e = 0;
  if (x >= 1) {
    while (e < 14 && x >= kExactPow10[e + 1]) ++e;
  } else {
    e = -1;
    while (e > -5 && x * kExactPow10[-e] < 1) --e;
  }
  const long double scaled = x * kExactPow10[14 - e];
  const int64_t whole = static_cast<int64_t>(scaled);
  const long double fraction = scaled - static_cast<long double>(whole);
  if (fraction > 0.499L && fraction < 0.501L) return false;
  const int64_t rounded = whole + (fraction > 0.5L ? 1 : 0);
  if (rounded < 100'000'000'000'000 || rounded >= 1'000'000'000'000'000) return false;
  digits = rounded;
  exp = e;
  return true;
}

}  // namespace

long double ExactPowerOfTen(int k) { return kExactPow10[k]; }

void FifteenSignificantDigits(long double x, std::string& digits, int& exp) {
  if (x < 0) x = -x;
  int64_t fifteen;
  if (FifteenDigits(x, fifteen, exp)) {
    digits = std::to_string(fifteen);
    return;
  }
  char buf[64];
  snprintf(buf, sizeof buf, "%.14Le", x);
  const char* e = strchr(buf, 'e');
  exp = atoi(e + 1);
  digits.assign(1, buf[0]);
  digits.append(buf + 2, e - (buf + 2));
}

std::string FormatNumber(long double x) {
  if (std::isnan(x)) return "NAN";
  if (std::isinf(x)) return x > 0 ? "INF" : "-INF";
  if (x == 0) return "0";
  // Integers that fit print directly (the common case in loops).
  if (IsWholeNumber(x)) return std::to_string(RoundToInt64(x));
  const bool negative = x < 0;
  std::string digits;
  int exp;
  FifteenSignificantDigits(x, digits, exp);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out;
  if (exp >= 15 || exp < -5) {
    out = digits.substr(0, 1);
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += "E" + std::to_string(exp);
  } else if (exp >= 0) {
    std::string intPart = digits.substr(0, std::min<size_t>(digits.size(), exp + 1));
    while (static_cast<int>(intPart.size()) < exp + 1) intPart += '0';
    out = intPart;
    if (static_cast<int>(digits.size()) > exp + 1) out += "." + digits.substr(exp + 1);
  } else {
    out = "0." + std::string(-exp - 1, '0') + digits;
  }
  return negative ? "-" + out : out;
}

std::string FormatInt(int64_t x) { return std::to_string(x); }

namespace {

// "00" "01" ... "99": two digits per division halves the divisions.
constexpr char kDigitPairs[] =
    "0001020304050607080910111213141516171819202122232425262728293031323334353637383940414243444546474849"
    "5051525354555657585960616263646566676869707172737475767778798081828384858687888990919293949596979899";

}  // namespace

NOKARI_HOT void FormatIntInto(std::string& out, int64_t x) {
  char buf[24];
  char* end = buf + sizeof buf;
  char* p = end;
  uint64_t v = x < 0 ? 0 - static_cast<uint64_t>(x) : static_cast<uint64_t>(x);
  while (v >= 100) {
    const char* pair = kDigitPairs + (v % 100) * 2;
    v /= 100;
    *--p = pair[1];
    *--p = pair[0];
  }
  if (v >= 10) {
    *--p = kDigitPairs[v * 2 + 1];
    *--p = kDigitPairs[v * 2];
  } else {
    *--p = static_cast<char>('0' + v);
  }
  if (x < 0) *--p = '-';
  // A loop's counter and a running total keep their length most of the
  // time: the bytes are written over the old ones, with no reallocation and
  // none of assign's checks for overlapping text.
  const size_t n = static_cast<size_t>(end - p);
  if (out.size() != n) out.resize(n);
  // At most 20 bytes: a loop beats a call to memcpy for them.
  char* to = out.data();
  for (size_t k = 0; k < n; ++k) to[k] = p[k];
}

void FormatNumberInto(std::string& out, long double x) {
  // A whole number below 10^15 other than 0, the usual result: rounded and
  // compared back rather than through rint (a call, and the slowest x87
  // instruction). 0 and -0 are FormatNumber's.
  if (x > -1e15L && x < 1e15L) {
    const int64_t rounded = RoundToInt64(x);
    if (rounded != 0 && static_cast<long double>(rounded) == x) {
      FormatIntInto(out, rounded);
      return;
    }
  }
  out = FormatNumber(x);
}

NOKARI_HOT long double ReadNumberOf(THashNode& word) {
  // A plain decimal integer of up to 15 digits, the usual value in loops,
  // is read straight into the integer ("-0" is left to ToNumber: its
  // number is a negative zero).
  const std::string& text = word.Value;
  const size_t sign = !text.empty() && text[0] == '-' ? 1 : 0;
  if (text.size() > sign && text.size() - sign <= 15) {
    int64_t v = 0;
    size_t k = sign;
    while (k < text.size() && text[k] >= '0' && text[k] <= '9') v = v * 10 + (text[k++] - '0');
    if (k == text.size() && !(sign && v == 0)) {
      KeepWholeOf(word, sign ? -v : v);
      return word.Num;
    }
  }
  KeepNumberOf(word, ToNumber(text));
  return word.Num;
}

void KeepNumberOf(THashNode& word, long double x) {
  word.Num = x;
  // Rounded and compared back rather than IsWholeNumber's rint: frndint is
  // the slowest of the x87 instructions.
  word.NumIsWhole = false;
  word.NumTextPlain = false;
  word.NumWhole = 0;
  if (x > -1e15L && x < 1e15L) {
    const int64_t rounded = RoundToInt64(x);
    if (static_cast<long double>(rounded) == x) {
      word.NumIsWhole = true;
      word.NumWhole = rounded;
    }
  }
  word.NumVersion = word.Version;
}

void SetSore(TNokaBase& e, std::string value, const char* tag) {
  e.SoreVar->SetValue(std::move(value));
  e.CurrentType = tag;
}

NOKARI_HOT void SetSoreTyped(TNokaBase& e, std::string&& value, const char* tag) {
  e.SoreVar->SetValue(std::move(value));
  SetTag(e.SoreVar->TypeTag, tag);
  SetTag(e.CurrentType, tag);
}

NOKARI_HOT void SetSoreTyped(TNokaBase& e, const std::string& value, const char* tag) {
  e.SoreVar->SetValue(value);
  SetTag(e.SoreVar->TypeTag, tag);
  SetTag(e.CurrentType, tag);
}

NOKARI_HOT void TakeUserArguments(TNokaBase& e) {
  const bool whole = std::exchange(e.UserArgIsWhole, false);
  // The usual call: one argument with nothing to trim, moved straight in.
  if (e.UserArgs.Count() == 1) {
    std::string& only = e.UserArgs.Items[0];
    if (only.empty() || (static_cast<unsigned char>(only.front()) > ' ' &&
                         static_cast<unsigned char>(only.back()) > ' ')) {
      SetSoreTyped(e, std::move(only), "s");
      if (whole) KeepWholeOf(*e.SoreVar, e.UserArgWhole);
      e.UserArgs.Clear();
      return;
    }
  }
  std::string out;
  if (e.UserArgs.Count() == 1) {
    out = std::move(e.UserArgs.Items[0]);
  } else {
    for (size_t i = 0; i < e.UserArgs.Count(); ++i) {
      if (i) out += "\r\n";
      out += e.UserArgs.Items[i];
    }
  }
  e.UserArgs.Clear();
  while (!out.empty() && static_cast<unsigned char>(out.back()) <= ' ') out.pop_back();
  size_t b = 0;
  while (b < out.size() && static_cast<unsigned char>(out[b]) <= ' ') ++b;
  if (b) out.erase(0, b);
  SetSoreTyped(e, std::move(out), "s");
}

void SetSoreValue(TNokaBase& e, std::string&& value) { e.SoreVar->SetValue(std::move(value)); }
void SetSoreValue(TNokaBase& e, const std::string& value) { e.SoreVar->SetValue(value); }

std::string VarValue(TNokaBase& e, const char* nameUtf8) { return e.Words.GetValue(Sj(nameUtf8)); }

std::string EvaluateText(TNokaBase& e, const std::string& text) { return EvalArg(e, text); }

void RunProgramText(TNokaBase& e, std::string text) {
  if (text.empty() || (text.back() != '\n' && text.back() != '\r')) text += "\r\n";
  std::string name = e.FileName + FormatMessage(Sj(msg::kNokariSuffix), {std::to_string(CurrentLine(e))});
  TextBuf prepared = MakeText(Prepare(e, text));
  TextBuf savedSource = e.Source;
  RunNested(e, TextPos::StartOf(prepared), name);
  e.Source = savedSource;
}

}  // namespace nokari
