// 通貨形式に変換 and 指定形式に変換. Numbers are rounded half away from zero
// on their decimal digits (as a reader of the printed value expects), not
// half to even on the binary value as the C library does.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/Cp932.h"
#include "lib/text/TextCore.h"
#include "words/Contract.h"

namespace nokari::text {

namespace {

constexpr int kSignificant = 18;
constexpr int64_t kMaxFieldWidth = 1 << 20;  // width/precision guard

// The digits of |x| and the count of its integer digits (x = 0.D * 10^point).
void DecimalDigits(long double x, std::string& digits, int& point) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*Le", kSignificant - 1, std::fabs(x));
  digits.clear();
  const char* p = buf;
  for (; *p && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') digits.push_back(*p);
  point = (*p == 'e' ? std::atoi(p + 1) : 0) + 1;
}

// Rounds 0.D * 10^point half up to `prec` decimals; returns the digits of
// the rounded value times 10^prec.
std::string RoundDigits(std::string digits, int point, int prec) {
  int64_t keep = static_cast<int64_t>(point) + prec;
  bool up = false;
  if (keep < 0) {
    digits.clear();
  } else if (keep < static_cast<int64_t>(digits.size())) {
    up = digits[keep] >= '5';
    digits.resize(keep);
  } else {
    digits.append(keep - digits.size(), '0');
  }
  if (up) {
    size_t k = digits.size();
    while (k > 0 && digits[k - 1] == '9') digits[--k] = '0';
    if (k == 0) digits.insert(digits.begin(), '1');
    else ++digits[k - 1];
  }
  size_t nz = digits.find_first_not_of('0');
  return nz == std::string::npos ? "0" : digits.substr(nz);
}

// Integer digits and fraction of a value scaled by 10^prec.
void SplitScaled(std::string scaled, int prec, std::string& intPart, std::string& frac) {
  if (scaled.size() < static_cast<size_t>(prec) + 1)
    scaled.insert(0, prec + 1 - scaled.size(), '0');
  intPart = scaled.substr(0, scaled.size() - prec);
  frac = scaled.substr(scaled.size() - prec);
}

std::string Group(const std::string& intPart) {
  std::string out;
  for (size_t k = 0; k < intPart.size(); ++k) {
    if (k > 0 && (intPart.size() - k) % 3 == 0) out.push_back(',');
    out.push_back(intPart[k]);
  }
  return out;
}

// Fixed notation with `prec` decimals, optionally grouped; sign-less.
std::string Fixed(long double x, int prec, bool grouped, bool& zero) {
  std::string digits;
  int point;
  DecimalDigits(x, digits, point);
  std::string scaled = RoundDigits(digits, point, prec), intPart, frac;
  zero = scaled == "0";
  SplitScaled(scaled, prec, intPart, frac);
  std::string out = grouped ? Group(intPart) : intPart;
  if (prec > 0) out.append(".").append(frac);
  return out;
}

// The value of a number directive, read as the language reads numbers;
// false when it is no finite number.
bool ReadNumber(std::string_view value, long double& x) {
  x = ToNumber(value);
  return std::isfinite(x);
}

// Cuts a text to at most `bytes` bytes without splitting a character.
std::string_view CutBytes(std::string_view s, int64_t bytes) {
  size_t i = 0;
  while (i < s.size() && static_cast<int64_t>(i + CharLenAt(s, i)) <= bytes) i += CharLenAt(s, i);
  return s.substr(0, i);
}

struct Directive {
  bool Left = false;
  bool Zeros = false;  // "%05d": a number padded with zeros after its sign
  int64_t Width = -1, Precision = -1;
  char Kind = 0;
};

// Reads "-", width, ".precision" and the letter after "%" at f[j].
bool ReadDirective(std::string_view f, size_t& j, Directive& d) {
  if (j < f.size() && f[j] == '-') d.Left = true, ++j;
  if (j < f.size() && f[j] == '0') d.Zeros = true, ++j;
  auto number = [&](int64_t& n) {
    if (j >= f.size() || !std::isdigit(static_cast<unsigned char>(f[j]))) return;
    n = 0;
    while (j < f.size() && std::isdigit(static_cast<unsigned char>(f[j])))
      n = std::min<int64_t>(n * 10 + (f[j++] - '0'), kMaxFieldWidth + 1);
  };
  number(d.Width);
  if (j < f.size() && f[j] == '.') {
    ++j;
    d.Precision = 0;
    number(d.Precision);
  }
  if (j >= f.size() || d.Width > kMaxFieldWidth || d.Precision > kMaxFieldWidth) return false;
  d.Kind = static_cast<char>(std::tolower(static_cast<unsigned char>(f[j++])));
  return true;
}

bool FormatInteger(std::string_view value, const Directive& d, std::string& out) {
  long double x;
  if (!ReadNumber(value, x)) return false;
  x = std::trunc(x);
  if (x < -9223372036854775808.0L || x >= 9223372036854775808.0L) return false;
  int64_t n = static_cast<int64_t>(x);
  uint64_t magnitude = n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
  std::string digits = std::to_string(magnitude);
  if (d.Precision > static_cast<int64_t>(digits.size()))
    digits.insert(0, static_cast<size_t>(d.Precision) - digits.size(), '0');
  out = (n < 0 ? "-" : "") + digits;
  return true;
}

bool FormatFloat(std::string_view value, const Directive& d, std::string& out) {
  long double x;
  if (!ReadNumber(value, x)) return false;
  bool money = d.Kind == 'm';
  // Japanese locale: two decimals for %f, none for currency, "\" prefix.
  int prec = static_cast<int>(d.Precision >= 0 ? d.Precision : money ? 0 : 2);
  bool zero;
  std::string body = Fixed(x, prec, money, zero);
  out = (x < 0 && !zero ? "-" : "") + std::string(money ? "\\" : "") + body;
  return true;
}

}  // namespace

bool FormatCurrency(long double x, bool withDecimals, std::string& out) {
  if (!std::isfinite(x) || std::fabs(x) >= 922337203685477.58L) return false;
  std::string digits;
  int point;
  DecimalDigits(x, digits, point);
  // The value is held as a currency (4 decimals) before it is formatted.
  std::string held = RoundDigits(digits, point, 4);
  int prec = withDecimals ? 2 : 0;
  std::string scaled = RoundDigits(held, static_cast<int>(held.size()) - 4, prec);
  std::string intPart, frac;
  SplitScaled(scaled, prec, intPart, frac);
  out = (x < 0 && scaled != "0" ? "-" : "") + Group(intPart);
  if (prec > 0) out.append(".").append(frac);
  return true;
}

FormatResult FormatSpecified(std::string_view value, std::string_view f, std::string& out) {
  out.clear();
  bool used = false;
  for (size_t i = 0; i < f.size();) {
    size_t len = CharLenAt(f, i);
    if (len == 2 || f[i] != '%') {
      out.append(f, i, len);
      i += len;
      continue;
    }
    size_t j = i + 1;
    if (j < f.size() && f[j] == '%') {
      out.push_back('%');
      i = j + 1;
      continue;
    }
    Directive d;
    // One value: a second directive has nothing to format.
    if (used || !ReadDirective(f, j, d)) return FormatResult::BadFormat;
    used = true;
    std::string field;
    switch (d.Kind) {
      case 'd':
        if (!FormatInteger(value, d, field)) return FormatResult::ValueOutOfRange;
        break;
      case 'f':
      case 'm':
        if (!FormatFloat(value, d, field)) return FormatResult::ValueOutOfRange;
        break;
      case 's':
        field = d.Precision >= 0 ? CutBytes(value, d.Precision) : value;
        break;
      default:
        return FormatResult::BadFormat;
    }
    size_t pad = d.Width > static_cast<int64_t>(field.size()) ? d.Width - field.size() : 0;
    if (d.Zeros && !d.Left && d.Kind != 's' && d.Kind != 'm')
      field.insert(!field.empty() && field[0] == '-' ? 1 : 0, pad, '0'), pad = 0;
    if (d.Left) out.append(field).append(pad, ' ');
    else out.append(pad, ' ').append(field);
    i = j;
  }
  return FormatResult::Ok;
}

}  // namespace nokari::text
