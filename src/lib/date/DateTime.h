// Dates and times of the date commands. A moment is a count of milliseconds
// since 1899-12-30 00:00 local time, the origin of the language's day
// counts; whole days are multiples of kMsPerDay. Integer milliseconds keep
// differences exact where a floating day count would not.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nokari {

inline constexpr int64_t kMsPerDay = 86400000;

// The clock, read once per command. Tests install their own.
struct TClockReading {
  int64_t LocalMs = 0;  // the local date and time as a moment
  uint32_t Ticks = 0;   // milliseconds since system start-up, wrapping
};
using ClockFn = TClockReading (*)();
TClockReading ReadClock();
// Replaces the clock; nullptr restores the system clock.
void SetClock(ClockFn fn);
int YearOf(int64_t ms);

// Reads "2004/01/31", "2004-1-31", "2004年1月31日", "1/31" (defaultYear),
// "12:34", "12:34:56", "12:34:56.789" and a date followed by a time.
// A time alone lies on day 0. Two-digit years are taken as 20xx.
std::optional<int64_t> ParseDateTime(std::string_view text, int defaultYear);

std::string FormatDate(int64_t ms);  // yyyy/mm/dd
std::string FormatTime(int64_t ms);  // hh:nn:ss

// 1 for Sunday ... 7 for Saturday.
int WeekdayNumber(int64_t ms);

// Shifts by years, then months (day clamped to the month's end), then days;
// the time of day is kept. Empty when the result leaves years 1-9999.
std::optional<int64_t> AddDateOffset(int64_t ms, int64_t years, int64_t months, int64_t days);
// Shifts by a number of milliseconds (hours, minutes and seconds summed by
// the caller); empty when the result leaves years 1-9999.
std::optional<int64_t> AddMilliseconds(int64_t ms, long double delta);

// An offset text: optional sign, then up to three parts cut at `sep`, each
// a decimal integer (anything else 0); missing parts are 0.
struct TOffset {
  int64_t Part[3] = {0, 0, 0};
};
TOffset ParseOffset(std::string_view text, char sep);

// "平成元年1月8日" (CP932); "" before 1868.
std::string JapaneseEraDate(int64_t ms);

}  // namespace nokari
