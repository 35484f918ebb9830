// Rounding, the random generator, list commands and statistics.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/Encoding.h"
#include "lib/math/MathOps.h"

namespace nokari {
namespace {

using Lines = std::vector<std::string>;

TEST(MathRound, HalfAwayFromZeroOnFifteenDigits) {
  EXPECT_EQ(RoundDecimal(2.5L, 0, DecimalMode::HalfAwayFromZero), 3);
  EXPECT_EQ(RoundDecimal(-2.5L, 0, DecimalMode::HalfAwayFromZero), -3);
  EXPECT_EQ(RoundDecimal(2.55L, 1, DecimalMode::HalfAwayFromZero), 2.6L);
  EXPECT_EQ(RoundDecimal(999.95L, 1, DecimalMode::HalfAwayFromZero), 1000);
  EXPECT_EQ(RoundDecimal(1250, -2, DecimalMode::HalfAwayFromZero), 1300);
  EXPECT_EQ(RoundDecimal(0.4L, -1, DecimalMode::HalfAwayFromZero), 0);
  EXPECT_EQ(RoundDecimal(5, -1, DecimalMode::HalfAwayFromZero), 10);
  EXPECT_EQ(RoundDecimal(1.234L, 5, DecimalMode::HalfAwayFromZero), 1.234L);
}

// RoundDecimal as it was written with printf and strtold: the reference
// its own digits and its product or quotient must agree with, bit for bit.
long double RoundDecimalByPrintf(long double x, int64_t places, DecimalMode mode) {
  if (!std::isfinite(x) || x == 0) return x;
  places = std::clamp<int64_t>(places, -6000, 6000);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14Le", fabsl(x));
  const char* e = std::strchr(buf, 'e');
  std::string digits(1, buf[0]);
  digits.append(buf + 2, e - (buf + 2));
  const int64_t keep = std::atoll(e + 1) + 1 + places;
  if (keep >= static_cast<int64_t>(digits.size())) return x;
  const bool up = mode == DecimalMode::HalfAwayFromZero && keep >= 0 && digits[keep] >= '5';
  std::string kept = keep > 0 ? digits.substr(0, keep) : std::string("0");
  if (up) {
    size_t i = kept.size();
    while (i > 0 && kept[i - 1] == '9') kept[--i] = '0';
    if (i == 0) kept.insert(kept.begin(), '1');
    else ++kept[i - 1];
  }
  const std::string text = (x < 0 ? "-" : "") + kept + "e" + std::to_string(-places);
  const long double r = std::strtold(text.c_str(), nullptr);
  return r == 0 ? 0.0L : r;
}

TEST(MathRound, AgreesWithPrintfAndStrtold) {
  uint64_t seed = 4242;
  auto next = [&seed] {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    return seed >> 11;
  };
  for (int k = 0; k < 100000; ++k) {
    const long double scale = powl(10.0L, static_cast<int>(next() % 30) - 12);
    long double x = static_cast<long double>(next() % 1000000007) / static_cast<long double>(next() % 9973 + 1) * scale;
    if (next() % 2) x = -x;
    if (k % 7 == 0) x = static_cast<long double>(next() % 100000) / 1000;  // prices, 3 places
    const int64_t places = static_cast<int64_t>(next() % 50) - 25;
    for (DecimalMode mode : {DecimalMode::HalfAwayFromZero, DecimalMode::Truncate}) {
      const long double got = RoundDecimal(x, places, mode), want = RoundDecimalByPrintf(x, places, mode);
      ASSERT_EQ(std::memcmp(&got, &want, 10), 0) << static_cast<double>(x) << " " << places;
    }
  }
}

TEST(MathRound, TruncateIgnoresBinaryNoise) {
  EXPECT_EQ(RoundDecimal(0.29L, 2, DecimalMode::Truncate), 0.29L);
  EXPECT_EQ(RoundDecimal(1.99L, 1, DecimalMode::Truncate), 1.9L);
  EXPECT_EQ(RoundDecimal(-1.99L, 1, DecimalMode::Truncate), -1.9L);
  EXPECT_EQ(RoundDecimal(1999, -3, DecimalMode::Truncate), 1000);
  EXPECT_EQ(RoundDecimal(0.9L, 0, DecimalMode::Truncate), 0);
}

TEST(MathText, HexAndFrac) {
  EXPECT_EQ(HexText(10), "0A");
  EXPECT_EQ(HexText(255.9L), "FF");
  EXPECT_EQ(HexText(-1), "FFFFFFFF");
  EXPECT_EQ(HexText(4294967296.0L), "100000000");
  EXPECT_EQ(HexText(1e30L), std::nullopt);
  EXPECT_EQ(FracText("3.25"), "0.25");
  EXPECT_EQ(FracText("-3.25"), "0.25");
  EXPECT_EQ(FracText(Sj("３．５")), "0.5");
  EXPECT_EQ(FracText("5"), "");
}

TEST(MathRandom, SeededSequenceIsFixed) {
  TRandom r;
  r.Seed = 1;
  EXPECT_EQ(r.Below(100), 3);
  EXPECT_EQ(r.Below(100), 86);
  EXPECT_EQ(r.Below(100), 20);
  r.Seed = 0;
  long double f = r.Fraction();
  EXPECT_EQ(f, 1.0L / 4294967296.0L);
  r.Seed = 0xFFFFFFFF;
  for (int i = 0; i < 1000; ++i) {
    long double x = r.Fraction();
    ASSERT_TRUE(x >= 0 && x < 1);
  }
}

TEST(MathLists, SortsAreStable) {
  Lines numbers{"1.5", "1.2", "0", "-3", "1.2"};
  SortLinesNumeric(numbers);
  EXPECT_EQ(numbers, (Lines{"-3", "0", "1.2", "1.2", "1.5"}));
  Lines words{"b", "B", "a", "A", Sj("ア")};
  SortLinesCaseless(words);
  // ア (0x83 0x41) must not fold into "a" through its second byte.
  EXPECT_EQ(words, (Lines{"a", "A", "b", "B", Sj("ア")}));
}

TEST(MathLists, ShuffleKeepsLinesAndInsertPads) {
  Lines lines{"a", "b", "c", "d"};
  TRandom r;
  r.Seed = 42;
  ShuffleLines(lines, r);
  Lines sorted = lines;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (Lines{"a", "b", "c", "d"}));
  Lines empty;
  ShuffleLines(empty, r);
  EXPECT_TRUE(empty.empty());

  Lines two{"a", "b"};
  InsertLine(two, 5, "v");
  EXPECT_EQ(two, (Lines{"a", "b", "", "", "", "v"}));
  InsertLine(two, 0, "first");
  EXPECT_EQ(two.front(), "first");
}

TEST(MathStatistics, MatchPythonStatistics) {
  auto v = StatisticsValues("1\r\n 2 \r\n\r\n3\n4\r\n10.5\r\n");
  ASSERT_EQ(v.size(), 5u);
  EXPECT_NEAR(static_cast<double>(Mean(v)), 4.1, 1e-15);
  EXPECT_NEAR(static_cast<double>(PopulationVariance(v)), 11.24, 1e-13);
  EXPECT_NEAR(static_cast<double>(SampleStdDev(v)), 3.7483329627982624, 1e-14);
  EXPECT_EQ(Sum(v), 20.5L);
  EXPECT_EQ(MaxOf(v), 10.5L);
  EXPECT_EQ(MinOf(v), 1);
  EXPECT_EQ(MinOf(StatisticsValues("")), 0);
  EXPECT_EQ(SampleStdDev(StatisticsValues("7")), 0);
  EXPECT_EQ(Sum(StatisticsValues(Sj("１２\r\n３"))), 15);
}

}  // namespace
}  // namespace nokari
