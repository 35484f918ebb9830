// Reading, writing and shifting dates with the C++20 calendar types.
#include "lib/date/DateTime.h"

#include <time.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "core/Cp932.h"
#include "core/Encoding.h"

namespace nokari {

namespace {

using namespace std::chrono;

// Day 0 of the language's day counts.
constexpr sys_days kOrigin = sys_days{year{1899} / December / 30};
// Moments of 0001-01-01 00:00 and of the end of 9999-12-31.
const int64_t kMinMs = (sys_days{year{1} / January / 1} - kOrigin).count() * kMsPerDay;
const int64_t kMaxMs = (sys_days{year{10000} / January / 1} - kOrigin).count() * kMsPerDay - 1;

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

year_month_day DateOf(int64_t ms) { return year_month_day{kOrigin + days{FloorDiv(ms, kMsPerDay)}}; }
int64_t TimeOfDay(int64_t ms) { return ms - FloorDiv(ms, kMsPerDay) * kMsPerDay; }
int64_t MsOf(year_month_day ymd) { return (sys_days{ymd} - kOrigin).count() * kMsPerDay; }

TClockReading SystemClock() {
  auto now = system_clock::now();
  time_t t = system_clock::to_time_t(now);
  struct tm local {};
  localtime_r(&t, &local);
  auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count();
  int64_t localMs = ms + static_cast<int64_t>(local.tm_gmtoff) * 1000;
  TClockReading r;
  r.LocalMs = localMs + (sys_days{} - kOrigin).count() * kMsPerDay;
  struct timespec ts {};
  clock_gettime(CLOCK_BOOTTIME, &ts);
  r.Ticks = static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000);
  return r;
}

ClockFn gClock = nullptr;

// A cursor over date and time text.
class TScanner {
 public:
  explicit TScanner(std::string_view s) : s_(s) {}
  bool AtEnd() const { return pos_ >= s_.size(); }
  size_t Pos() const { return pos_; }
  void SkipSpaces() {
    while (!AtEnd() && (s_[pos_] == ' ' || s_[pos_] == '\t')) ++pos_;
  }
  // Digits as a number; `digits` receives their count (0: none read).
  int64_t Number(int& digits) {
    int64_t n = 0;
    digits = 0;
    while (!AtEnd() && s_[pos_] >= '0' && s_[pos_] <= '9' && digits < 12) {
      n = n * 10 + (s_[pos_] - '0');
      ++pos_;
      ++digits;
    }
    return n;
  }
  bool Take(char c) {
    if (AtEnd() || s_[pos_] != c) return false;
    ++pos_;
    return true;
  }
  bool Take(std::string_view word) {
    if (s_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }
  char Peek() const { return AtEnd() ? '\0' : s_[pos_]; }

 private:
  std::string_view s_;
  size_t pos_ = 0;
};

bool TakeDateSep(TScanner& sc) {
  return sc.Take('/') || sc.Take('-') || sc.Take('.') || sc.Take(Sj("年")) || sc.Take(Sj("月"));
}

// h:m[:s[.fff]] as milliseconds of the day.
std::optional<int64_t> ReadTime(TScanner& sc) {
  int d1, d2, d3 = 0;
  int64_t h = sc.Number(d1);
  if (d1 == 0 || !sc.Take(':')) return std::nullopt;
  int64_t m = sc.Number(d2);
  if (d2 == 0) return std::nullopt;
  int64_t s = 0, frac = 0;
  if (sc.Take(':')) {
    s = sc.Number(d3);
    if (d3 == 0) return std::nullopt;
    if (sc.Take('.')) {
      int df;
      int64_t f = sc.Number(df);
      if (df == 0) return std::nullopt;
      while (df > 3) f /= 10, --df;
      while (df < 3) f *= 10, ++df;
      frac = f;
    }
  }
  if (h > 23 || m > 59 || s > 59) return std::nullopt;
  return ((h * 60 + m) * 60 + s) * 1000 + frac;
}

std::optional<int64_t> ReadDate(TScanner& sc, int defaultYear) {
  int64_t nums[3];
  int digits[3];
  int count = 0;
  while (count < 3) {
    nums[count] = sc.Number(digits[count]);
    if (digits[count] == 0) return std::nullopt;
    ++count;
    if (count == 3 || !TakeDateSep(sc)) break;
  }
  sc.Take(Sj("日"));
  int64_t y, m, d;
  if (count == 3) {
    y = nums[0], m = nums[1], d = nums[2];
    if (digits[0] <= 2) y += 2000;
  } else if (count == 2) {
    y = defaultYear, m = nums[0], d = nums[1];
  } else {
    return std::nullopt;
  }
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31) return std::nullopt;
  year_month_day ymd{year{static_cast<int>(y)}, month{static_cast<unsigned>(m)},
                     day{static_cast<unsigned>(d)}};
  if (!ymd.ok()) return std::nullopt;
  return MsOf(ymd);
}

// n with at least `width` characters, zeros after a minus sign, as printf's
// "%0*d" writes it (without printf: 今 in a loop spent most of its time
// there).
void AppendPadded(std::string& out, int64_t n, int width) {
  char buf[24];
  const uint64_t magnitude = n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
  const char* end = std::to_chars(buf, buf + sizeof buf, magnitude).ptr;
  if (n < 0) {
    out += '-';
    --width;
  }
  for (int k = static_cast<int>(end - buf); k < width; ++k) out += '0';
  out.append(buf, static_cast<size_t>(end - buf));
}

}  // namespace

TClockReading ReadClock() { return gClock ? gClock() : SystemClock(); }
void SetClock(ClockFn fn) { gClock = fn; }
int YearOf(int64_t ms) { return static_cast<int>(DateOf(ms).year()); }

std::optional<int64_t> ParseDateTime(std::string_view text, int defaultYear) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20) text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  // A time alone: its first number is followed by ':'.
  size_t firstNonDigit = text.find_first_not_of("0123456789");
  if (firstNonDigit != std::string_view::npos && text[firstNonDigit] == ':') {
    TScanner sc(text);
    auto t = ReadTime(sc);
    sc.SkipSpaces();
    if (!t || !sc.AtEnd()) return std::nullopt;
    return t;
  }
  TScanner sc(text);
  auto date = ReadDate(sc, defaultYear);
  if (!date) return std::nullopt;
  size_t before = sc.Pos();
  sc.SkipSpaces();
  if (sc.AtEnd()) return date;
  if (sc.Pos() == before && !sc.Take('T')) return std::nullopt;
  auto t = ReadTime(sc);
  sc.SkipSpaces();
  if (!t || !sc.AtEnd()) return std::nullopt;
  return *date + *t;
}

std::string FormatDate(int64_t ms) {
  auto ymd = DateOf(ms);
  std::string out;
  AppendPadded(out, static_cast<int>(ymd.year()), 4);
  out += '/';
  AppendPadded(out, static_cast<unsigned>(ymd.month()), 2);
  out += '/';
  AppendPadded(out, static_cast<unsigned>(ymd.day()), 2);
  return out;
}

std::string FormatTime(int64_t ms) {
  int64_t t = TimeOfDay(ms) / 1000;
  std::string out;
  AppendPadded(out, t / 3600, 2);
  out += ':';
  AppendPadded(out, t / 60 % 60, 2);
  out += ':';
  AppendPadded(out, t % 60, 2);
  return out;
}

int WeekdayNumber(int64_t ms) {
  return static_cast<int>(weekday{sys_days{DateOf(ms)}}.c_encoding()) + 1;
}

std::optional<int64_t> AddDateOffset(int64_t ms, int64_t years, int64_t months, int64_t days_) {
  // Anything beyond these bounds leaves the calendar whatever the rest is.
  constexpr int64_t kLimit = 10000LL * 12 * 31;
  auto outside = [](int64_t n, int64_t limit) { return n > limit || n < -limit; };
  if (outside(years, 10000) || outside(months, kLimit) || outside(days_, kLimit))
    return std::nullopt;
  auto ymd = DateOf(ms);
  int64_t monthIndex = (static_cast<int64_t>(static_cast<int>(ymd.year())) + years) * 12 +
                       static_cast<unsigned>(ymd.month()) - 1 + months;
  int64_t y = FloorDiv(monthIndex, 12);
  if (y < 1 || y > 9999) return std::nullopt;
  unsigned m = static_cast<unsigned>(monthIndex - y * 12) + 1;
  year_month_day_last last{year{static_cast<int>(y)}, month_day_last{month{m}}};
  unsigned d = std::min(static_cast<unsigned>(ymd.day()), static_cast<unsigned>(last.day()));
  int64_t result = MsOf(year_month_day{year{static_cast<int>(y)}, month{m}, day{d}}) +
                   days_ * kMsPerDay + TimeOfDay(ms);
  if (result < kMinMs || result > kMaxMs) return std::nullopt;
  return result;
}

std::optional<int64_t> AddMilliseconds(int64_t ms, long double delta) {
  long double r = static_cast<long double>(ms) + delta;
  if (!(r >= kMinMs && r <= kMaxMs)) return std::nullopt;
  return static_cast<int64_t>(r);
}

namespace {

// The unit words an offset may be written in, and the part each counts
// in: 「1日」, 「3ヶ月」, 「2時間30分」. Longer words come before the words
// they begin with (時間 before 時).
struct OffsetUnit {
  const char* Word;  // UTF-8, as written here
  char Sep;          // '/' for dates, ':' for times
  int Part;
  int Times;
};
constexpr OffsetUnit kOffsetUnits[] = {
    {"年", '/', 0, 1},   {"ヶ月", '/', 1, 1}, {"ヵ月", '/', 1, 1}, {"か月", '/', 1, 1},
    {"カ月", '/', 1, 1}, {"ケ月", '/', 1, 1}, {"箇月", '/', 1, 1}, {"月", '/', 1, 1},
    {"週間", '/', 2, 7}, {"週", '/', 2, 7},   {"日", '/', 2, 1},   {"時間", ':', 0, 1},
    {"時", ':', 0, 1},   {"分", ':', 1, 1},   {"秒", ':', 2, 1},
};

// A decimal number in ASCII or full-width digits at the front of text,
// taken off it; false when none stands there.
bool TakeNumber(std::string_view& text, int64_t& n) {
  static const std::string zenkakuZero = Sj("０");  // 0x82 0x4F; ９ is 0x82 0x58
  n = 0;
  bool any = false;
  while (!text.empty()) {
    int digit = -1;
    size_t len = 1;
    if (text[0] >= '0' && text[0] <= '9') {
      digit = text[0] - '0';
    } else if (text.size() >= 2 && text[0] == zenkakuZero[0] &&
               static_cast<unsigned char>(text[1]) >= static_cast<unsigned char>(zenkakuZero[1]) &&
               static_cast<unsigned char>(text[1]) <= static_cast<unsigned char>(zenkakuZero[1]) + 9) {
      digit = static_cast<unsigned char>(text[1]) - static_cast<unsigned char>(zenkakuZero[1]);
      len = 2;
    }
    if (digit < 0) break;
    n = n > (INT64_MAX - 9) / 10 ? INT64_MAX : n * 10 + digit;
    text.remove_prefix(len);
    any = true;
  }
  return any;
}

// An offset written as numbers with unit words ("1年2ヶ月", "90分");
// empty when the text is not wholly that, or names a unit of the other
// kind (「3時間」 for a date).
std::optional<TOffset> ParseUnitOffset(std::string_view text, char sep) {
  TOffset off;
  bool any = false;
  while (!text.empty()) {
    int64_t n = 0;
    if (!TakeNumber(text, n)) return std::nullopt;
    static const std::vector<std::string> words = [] {
      std::vector<std::string> sjis;
      for (const OffsetUnit& u : kOffsetUnits) sjis.push_back(Sj(u.Word));
      return sjis;
    }();
    const OffsetUnit* unit = nullptr;
    for (size_t k = 0; k < words.size() && !unit; ++k) {
      if (text.substr(0, words[k].size()) != words[k]) continue;
      unit = &kOffsetUnits[k];
      text.remove_prefix(words[k].size());
    }
    if (!unit || unit->Sep != sep) return std::nullopt;
    off.Part[unit->Part] += n > INT64_MAX / 7 ? INT64_MAX / 7 : n * unit->Times;
    any = true;
    while (!text.empty() && (text[0] == ' ' || text[0] == ',')) text.remove_prefix(1);
  }
  if (!any) return std::nullopt;
  return off;
}

}  // namespace

TOffset ParseOffset(std::string_view text, char sep) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  // 「1日」 would be read as 1 year (or nothing): a number followed by a
  // unit word counts in that unit.
  if (text.find(sep) == std::string_view::npos) {
    if (std::optional<TOffset> units = ParseUnitOffset(text, sep)) {
      if (negative)
        for (int64_t& part : units->Part) part = -part;
      return *units;
    }
  }
  TOffset off;
  for (int i = 0; i < 3 && !text.empty(); ++i) {
    size_t cut = text.find(sep);
    std::string_view part = text.substr(0, cut);
    text = cut == std::string_view::npos ? std::string_view() : text.substr(cut + 1);
    int64_t n = 0;
    bool ok = !part.empty() && part.find_first_not_of("0123456789") == std::string_view::npos;
    for (char c : part) {
      if (!ok) break;
      n = n > (INT64_MAX - 9) / 10 ? INT64_MAX : n * 10 + (c - '0');
    }
    off.Part[i] = ok ? (negative ? -n : n) : 0;
  }
  return off;
}

std::string JapaneseEraDate(int64_t ms) {
  // Each era from the day it began (昭和64年1月7日 was followed by
  // 平成元年1月8日), its years counted by calendar year from its first.
  // Switched at New Year, 2019/04/30 was 令和元年 on documents.
  struct Era {
    int First, Month, Day;
    const char* Name;
  };
  static const Era eras[] = {
      {2019, 5, 1, "令和"}, {1989, 1, 8, "平成"}, {1926, 12, 25, "昭和"}, {1912, 7, 30, "大正"}, {1868, 1, 1, "明治"}};
  auto ymd = DateOf(ms);
  int y = static_cast<int>(ymd.year());
  const int monthDay = static_cast<int>(static_cast<unsigned>(ymd.month())) * 100 + static_cast<int>(static_cast<unsigned>(ymd.day()));
  for (const auto& era : eras) {
    if (y < era.First || (y == era.First && monthDay < era.Month * 100 + era.Day)) continue;
    int n = y - era.First + 1;
    std::string out = Sj(era.Name);
    out += n == 1 ? Sj("元年") : std::to_string(n) + Sj("年");
    out += std::to_string(static_cast<unsigned>(ymd.month())) + Sj("月");
    out += std::to_string(static_cast<unsigned>(ymd.day())) + Sj("日");
    return out;
  }
  return "";
}

}  // namespace nokari
