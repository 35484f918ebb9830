// Rounding, the random generator, list commands and statistics.
#include <gtest/gtest.h>

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
