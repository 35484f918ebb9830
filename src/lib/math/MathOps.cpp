// Number, list and statistics operations of the mathematics commands.
#include "lib/math/MathOps.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/Cp932.h"
#include "lib/japanese/Convert.h"
#include "lib/table/TableOps.h"
#include "words/Contract.h"

namespace nokari {

namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= 0x20) s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= 0x20) s.remove_suffix(1);
  return s;
}

// Increments a decimal digit string in place ("199" -> "200", "99" -> "100").
void IncrementDigits(std::string& digits) {
  for (size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return;
    }
    digits[i] = '0';
  }
  digits.insert(digits.begin(), '1');
}

// Sort key of one character for the caseless comparison: ASCII letters
// folded; double-byte characters (whose second byte may look like a
// letter) compared whole.
bool CaselessLess(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    size_t la = CharLenAt(a, i), lb = CharLenAt(b, j);
    if (la == 1 && lb == 1) {
      unsigned char ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[j]);
      if (ca >= 'A' && ca <= 'Z') ca += 32;
      if (cb >= 'A' && cb <= 'Z') cb += 32;
      if (ca != cb) return ca < cb;
    } else {
      int c = a.substr(i, la).compare(b.substr(j, lb));
      if (c != 0) return c < 0;
    }
    i += la;
    j += lb;
  }
  return a.size() - i < b.size() - j;
}

}  // namespace

long double RoundDecimal(long double x, int64_t places, DecimalMode mode) {
  if (!std::isfinite(x) || x == 0) return x;
  places = std::clamp<int64_t>(places, -6000, 6000);
  std::string digits;
  int exp;
  FifteenSignificantDigits(x, digits, exp);
  const int64_t exp10 = exp;  // x = 0.digits × 10^(exp10 + 1)
  int64_t keep = exp10 + 1 + places;
  if (keep >= static_cast<int64_t>(digits.size())) return x;
  bool up = mode == DecimalMode::HalfAwayFromZero && keep >= 0 && digits[keep] >= '5';
  std::string kept = keep > 0 ? digits.substr(0, keep) : std::string("0");
  if (up) IncrementDigits(kept);
  long double r;
  if (places >= -19 && places <= 19) {
    // kept × 10^-places as strtold reads it: the digits (16 at most) and
    // the power of ten are exact in a long double, so the one rounding of
    // the product or quotient gives the nearest long double.
    const long double power = ExactPowerOfTen(static_cast<int>(places < 0 ? -places : places));
    const long double v = static_cast<long double>(std::strtoull(kept.c_str(), nullptr, 10));
    r = places >= 0 ? v / power : v * power;
    if (x < 0) r = -r;
  } else {
    std::string text = (x < 0 ? "-" : "") + kept + "e" + std::to_string(-places);
    r = std::strtold(text.c_str(), nullptr);
  }
  return r == 0 ? 0.0L : r;
}

std::optional<std::string> HexText(long double x) {
  long double t = truncl(x);
  if (!(t >= -9223372036854775808.0L && t < 9223372036854775808.0L)) return std::nullopt;
  int64_t n = static_cast<int64_t>(t);
  char buf[32];
  if (n < 0 && n >= INT32_MIN)
    std::snprintf(buf, sizeof buf, "%08X", static_cast<uint32_t>(n));
  else
    std::snprintf(buf, sizeof buf, "%02llX", static_cast<unsigned long long>(n));
  return std::string(buf);
}

std::string FracText(std::string_view text) {
  std::string mapped = ToHalfWidth(TrimBlanks(text));
  size_t dot = mapped.find('.');
  if (dot == std::string::npos) return "";
  return "0" + mapped.substr(dot);
}

void SortLinesCaseless(std::vector<std::string>& lines) {
  std::stable_sort(lines.begin(), lines.end(),
                   [](const std::string& a, const std::string& b) { return CaselessLess(a, b); });
}

void SortLinesNumeric(std::vector<std::string>& lines) {
  std::vector<std::pair<long double, size_t>> keys(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) keys[i] = {ToNumber(lines[i]), i};
  // NaN cannot come out of the numeric reading, so < is a strict order.
  std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> sorted;
  sorted.reserve(lines.size());
  for (const auto& k : keys) sorted.push_back(std::move(lines[k.second]));
  lines = std::move(sorted);
}

void ShuffleLines(std::vector<std::string>& lines, TRandom& random) {
  if (lines.empty()) return;
  int32_t n = static_cast<int32_t>(std::min<size_t>(lines.size(), INT32_MAX));
  for (int32_t k = 0; k <= n; ++k) {
    int32_t a = random.Below(n);
    int32_t b = random.Below(n);
    std::swap(lines[a], lines[b]);
  }
}

void InsertLine(std::vector<std::string>& lines, size_t index, std::string value) {
  if (index < lines.size()) {
    lines.insert(lines.begin() + index, std::move(value));
    return;
  }
  lines.resize(index);
  lines.push_back(std::move(value));
}

std::vector<long double> StatisticsValues(std::string_view text) {
  std::vector<long double> values;
  for (const auto& line : SplitLines(text)) {
    std::string mapped = ToHalfWidth(line);
    std::string_view trimmed = TrimBlanks(mapped);
    if (!trimmed.empty()) values.push_back(ToNumber(trimmed));
  }
  if (values.empty()) values.push_back(0);
  return values;
}

long double Sum(const std::vector<long double>& v) {
  long double s = 0;
  for (long double x : v) s += x;
  return s;
}

long double Mean(const std::vector<long double>& v) { return v.empty() ? 0 : Sum(v) / v.size(); }

namespace {
long double SquaredDeviations(const std::vector<long double>& v) {
  long double m = Mean(v), s = 0;
  for (long double x : v) s += (x - m) * (x - m);
  return s;
}
}  // namespace

long double PopulationVariance(const std::vector<long double>& v) {
  return v.empty() ? 0 : SquaredDeviations(v) / v.size();
}

long double SampleStdDev(const std::vector<long double>& v) {
  return v.size() < 2 ? 0 : sqrtl(SquaredDeviations(v) / (v.size() - 1));
}

long double MaxOf(const std::vector<long double>& v) {
  return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

long double MinOf(const std::vector<long double>& v) {
  return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

}  // namespace nokari
