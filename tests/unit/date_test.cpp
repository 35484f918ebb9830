// Date reading, shifting and the era calendar; the clock is injected.
#include <gtest/gtest.h>

#include "core/Encoding.h"
#include "lib/date/DateTime.h"

namespace nokari {
namespace {

int64_t At(std::string_view text) {
  auto ms = ParseDateTime(text, 2010);
  EXPECT_TRUE(ms.has_value()) << text;
  return ms.value_or(0);
}

TEST(DateParse, AcceptedForms) {
  EXPECT_EQ(At("1899/12/30"), 0);
  EXPECT_EQ(At("1900/01/01"), 2 * kMsPerDay);
  EXPECT_EQ(At("12:34:56"), ((12 * 60 + 34) * 60 + 56) * 1000);
  EXPECT_EQ(At("12:34"), (12 * 60 + 34) * 60000);
  EXPECT_EQ(At("2004-1-31"), At("2004/01/31"));
  EXPECT_EQ(At(Sj("2004年1月31日")), At("2004/01/31"));
  EXPECT_EQ(At("1/31"), At("2010/01/31"));
  EXPECT_EQ(At("04/01/31"), At("2004/01/31"));
  EXPECT_EQ(At(" 2004/01/31 12:34:56 "), At("2004/01/31") + At("12:34:56"));
  EXPECT_EQ(At("1800/01/01"), -36522 * kMsPerDay);
  for (const char* bad : {"", "2004/02/30", "2004/13/01", "25:00", "12:60", "2004/01/31 x", "abc", "12"})
    EXPECT_EQ(ParseDateTime(bad, 2010), std::nullopt) << bad;
}

TEST(DateFormat, DatesTimesWeekdays) {
  EXPECT_EQ(FormatDate(At("2004/1/5 23:59:59")), "2004/01/05");
  EXPECT_EQ(FormatTime(At("2004/1/5 23:59:59")), "23:59:59");
  EXPECT_EQ(FormatTime(-3600 * 1000), "23:00:00");  // before day 0
  EXPECT_EQ(FormatDate(At("1800/03/01")), "1800/03/01");
  // Years of fewer than four digits are padded, as printf's %04d pads them.
  EXPECT_EQ(FormatDate(At("0001/01/01")), "0001/01/01");
  EXPECT_EQ(FormatDate(At("0999/12/31") + kMsPerDay), "1000/01/01");
  EXPECT_EQ(FormatDate(At("0001/01/01") - kMsPerDay), "0000/12/31");
  EXPECT_EQ(FormatDate(At("0001/01/01") - 400 * kMsPerDay), "-001/11/28");
  EXPECT_EQ(FormatTime(At("00:00:09")), "00:00:09");
  // Checked with date(1): Saturday, Sunday, Tuesday.
  EXPECT_EQ(WeekdayNumber(At("2004/01/31")), 7);
  EXPECT_EQ(WeekdayNumber(At("1989/01/08")), 1);
  EXPECT_EQ(WeekdayNumber(At("2000/02/29")), 3);
  EXPECT_EQ(WeekdayNumber(At("1800/01/01")), 4);
}

TEST(DateShift, MonthEndsAndLimits) {
  auto shift = [](const char* d, int64_t y, int64_t m, int64_t dd) {
    auto r = AddDateOffset(At(d), y, m, dd);
    return r ? FormatDate(*r) : std::string("none");
  };
  EXPECT_EQ(shift("2004/01/31", 0, 1, 0), "2004/02/29");
  EXPECT_EQ(shift("2004/02/29", 1, 0, 0), "2005/02/28");
  EXPECT_EQ(shift("2004/03/31", 0, -1, 0), "2004/02/29");
  EXPECT_EQ(shift("2004/01/01", 0, -13, 0), "2002/12/01");
  EXPECT_EQ(shift("2004/12/31", 0, 0, 1), "2005/01/01");
  EXPECT_EQ(shift("2004/01/31", 0, 1, 1), "2004/03/01");  // months before days
  EXPECT_EQ(shift("9999/12/31", 0, 0, 1), "none");
  EXPECT_EQ(shift("0001/01/01", 0, 0, -1), "none");
  EXPECT_EQ(shift("2004/01/01", INT64_MAX, 0, 0), "none");
  EXPECT_EQ(FormatTime(*AddMilliseconds(At("01:00:00"), -2 * 3600000.0L)), "23:00:00");
  EXPECT_EQ(FormatTime(*AddMilliseconds(At("23:30:00"), 3600000.0L)), "00:30:00");
  EXPECT_EQ(AddMilliseconds(0, 1e30L), std::nullopt);
}

TEST(DateShift, OffsetText) {
  TOffset o = ParseOffset(" -1/2/3 ", '/');
  EXPECT_EQ(o.Part[0], -1);
  EXPECT_EQ(o.Part[1], -2);
  EXPECT_EQ(o.Part[2], -3);
  o = ParseOffset("3", ':');
  EXPECT_EQ(o.Part[0], 3);
  EXPECT_EQ(o.Part[1], 0);
  o = ParseOffset("+x:70000", ':');
  EXPECT_EQ(o.Part[0], 0);
  EXPECT_EQ(o.Part[1], 70000);  // not reduced modulo 65536
}

TEST(DateShift, OffsetInUnitWords) {
  auto parts = [](const char* utf8, char sep) {
    TOffset o = ParseOffset(Sj(utf8), sep);
    return std::vector<int64_t>{o.Part[0], o.Part[1], o.Part[2]};
  };
  using P = std::vector<int64_t>;
  EXPECT_EQ(parts("1日", '/'), (P{0, 0, 1}));
  EXPECT_EQ(parts("-3ヶ月", '/'), (P{0, -3, 0}));
  EXPECT_EQ(parts("1年2か月10日", '/'), (P{1, 2, 10}));
  EXPECT_EQ(parts("2週間", '/'), (P{0, 0, 14}));
  EXPECT_EQ(parts("１２日", '/'), (P{0, 0, 12}));
  EXPECT_EQ(parts("2時間30分", ':'), (P{2, 30, 0}));
  EXPECT_EQ(parts("+90秒", ':'), (P{0, 0, 90}));
  // A unit of the other kind, a word that is no unit, or a unit without a
  // number is read as before: parts that are no number count 0.
  EXPECT_EQ(parts("3時間", '/'), (P{0, 0, 0}));
  EXPECT_EQ(parts("1日", ':'), (P{0, 0, 0}));
  EXPECT_EQ(parts("5個", '/'), (P{0, 0, 0}));
  EXPECT_EQ(parts("日", '/'), (P{0, 0, 0}));
  EXPECT_EQ(parts("1/2/3", '/'), (P{1, 2, 3}));
}

TEST(DateEra, BoundariesOnTheFirstDayOfEachEra) {
  EXPECT_EQ(JapaneseEraDate(At("1989/01/07")), Sj("昭和64年1月7日"));
  EXPECT_EQ(JapaneseEraDate(At("1989/01/08")), Sj("平成元年1月8日"));
  EXPECT_EQ(JapaneseEraDate(At("1926/12/24")), Sj("大正15年12月24日"));
  EXPECT_EQ(JapaneseEraDate(At("1926/12/31")), Sj("昭和元年12月31日"));
  EXPECT_EQ(JapaneseEraDate(At("1912/07/29")), Sj("明治45年7月29日"));
  EXPECT_EQ(JapaneseEraDate(At("2019/04/30")), Sj("平成31年4月30日"));
  EXPECT_EQ(JapaneseEraDate(At("1868/01/01")), Sj("明治元年1月1日"));
  EXPECT_EQ(JapaneseEraDate(At("1868/10/23")), Sj("明治元年10月23日"));
  EXPECT_EQ(JapaneseEraDate(At("1900/05/05")), Sj("明治33年5月5日"));
  EXPECT_EQ(JapaneseEraDate(At("1912/07/30")), Sj("大正元年7月30日"));
  EXPECT_EQ(JapaneseEraDate(At("2018/12/31")), Sj("平成30年12月31日"));
  EXPECT_EQ(JapaneseEraDate(At("2019/05/01")), Sj("令和元年5月1日"));
  EXPECT_EQ(JapaneseEraDate(At("2024/02/03")), Sj("令和6年2月3日"));
  EXPECT_EQ(JapaneseEraDate(At("1867/12/31")), "");
}

TEST(DateClock, InjectedClockIsRead) {
  SetClock([] {
    TClockReading r;
    r.LocalMs = 38017 * kMsPerDay + 45296000;  // 2004/01/31 12:34:56
    r.Ticks = 4000000000u;
    return r;
  });
  EXPECT_EQ(FormatDate(ReadClock().LocalMs), "2004/01/31");
  EXPECT_EQ(FormatTime(ReadClock().LocalMs), "12:34:56");
  EXPECT_EQ(ReadClock().Ticks, 4000000000u);
  SetClock(nullptr);
  EXPECT_GT(YearOf(ReadClock().LocalMs), 2000);
}

}  // namespace
}  // namespace nokari
