// The command API's word-stack helpers: what a command sees of its
// arguments before it takes them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "TestHost.h"
#include "words/Contract.h"
#include "words/Registry.h"

namespace nokari {
namespace {

using testing::TestEngine;

void PushAll(TNokaBase& e, std::initializer_list<const char*> phrases) {
  for (const char* p : phrases) e.ArgStack.Push(p);
}

TEST(Contract, PeekCountsFromTheTopAndTakesNothing) {
  TestEngine t;
  PushAll(t.e, {"a", "b", "c"});
  EXPECT_EQ(PeekArgText(t.e), "c");
  EXPECT_EQ(PeekArgText(t.e, 1), "b");
  EXPECT_EQ(PeekArgText(t.e, 2), "a");
  EXPECT_EQ(PeekArgText(t.e, 3), "");  // deeper than the stack
  EXPECT_EQ(ArgCount(t.e), 3u);
  EXPECT_EQ(PopArgText(t.e), "c");
  t.e.ArgStack.Clear();
  EXPECT_EQ(PeekArgText(t.e), "");
}

TEST(Contract, DuplicateTopArgCopiesOnlyTheTop) {
  TestEngine t;
  DuplicateTopArg(t.e);  // an empty stack stays empty
  EXPECT_EQ(ArgCount(t.e), 0u);
  // A phrase longer than a short string's inline buffer, with the stack
  // full to its capacity: the copy is made before the stack grows.
  const std::string longPhrase(100, 'x');
  t.e.ArgStack.Push("under");
  t.e.ArgStack.Push(longPhrase);
  t.e.ArgStack.Items.shrink_to_fit();
  DuplicateTopArg(t.e);
  ASSERT_EQ(ArgCount(t.e), 3u);
  EXPECT_EQ(PopArgText(t.e), longPhrase);
  EXPECT_EQ(PopArgText(t.e), longPhrase);
  EXPECT_EQ(PopArgText(t.e), "under");
}

// The binder fills an omitted first slot with それ; a command tells that
// apart from それ written out.
TEST(Contract, FirstArgOmittedOnlyWhenTheBinderFilledIt) {
  TestEngine t;
  THashNode word(FromUtf8("試す"), "", 0, false);
  word.Kind = kCommand;
  word.ArgSpec = FromUtf8("?を,?で");

  t.e.ArgStack.Push(FromUtf8("「x」で"));
  BindArguments(t.e, word);
  EXPECT_TRUE(FirstArgOmitted(t.e));
  EXPECT_EQ(ToUtf8(PeekArgText(t.e, 1)), "それ");
  EXPECT_EQ(ToUtf8(PeekArgText(t.e)), "「x」");

  t.e.ArgStack.Clear();
  t.e.ArgStack.Push(FromUtf8("それを"));
  t.e.ArgStack.Push(FromUtf8("「x」で"));
  BindArguments(t.e, word);
  EXPECT_FALSE(FirstArgOmitted(t.e));
  EXPECT_EQ(ArgCount(t.e), 2u);
}

// Commands whose first argument is optional act on the omission: with no
// folder named, 作業フォルダ reports the current folder, though それ (which
// the binder put in the empty slot) names another.
TEST(Contract, OptionalFirstArgumentThroughACommand) {
  TestEngine t;
  const std::string here = std::filesystem::current_path().string();
  ASSERT_NE(here, "/");
  std::string out = t.Run("それは、「/」\n作業フォルダ\nそれを、表示\n");
  EXPECT_EQ(out, here + "/\n") << t.host.Errors;
  EXPECT_EQ(std::filesystem::current_path().string(), here);
}

// The integer text written in place must be the ordinary decimal text
// whatever the string held before: shorter, longer, the same length, and
// at the edges of the range (the pair table, the sign, the shortest value).
TEST(Contract, IntegerTextWrittenInPlaceIsTheDecimalText) {
  std::vector<int64_t> values = {0, 1, 9, 10, 11, 99, 100, 101, 999, 1000, 1000003, -1, -9, -10, -99, -100,
                                 INT64_MAX, INT64_MIN, INT64_MIN + 1, 4294967296LL, -4294967296LL};
  for (int64_t p = 1; p > 0 && p < INT64_MAX / 10; p *= 10) {
    values.push_back(p - 1);
    values.push_back(p);
    values.push_back(-p);
  }
  std::string out = "a longer text than any number in it, so its buffer is reused";
  for (int64_t previous : values) {
    for (int64_t v : values) {
      FormatIntInto(out, previous);
      ASSERT_EQ(out, std::to_string(previous));
      FormatIntInto(out, v);
      ASSERT_EQ(out, std::to_string(v)) << "after " << previous;
      std::string fresh;
      FormatNumberInto(fresh, static_cast<long double>(v));
      if (v > -1000000000000000LL && v < 1000000000000000LL) {
        ASSERT_EQ(fresh, FormatNumber(static_cast<long double>(v)));
      }
    }
  }
}

// Whole numbers take a way of their own into the text: everything else,
// and the edges of that way, must come out as FormatNumber writes them.
TEST(Contract, FormatNumberIntoAgreesAtTheEdgesOfWholeNumbers) {
  const long double values[] = {0.0L, -0.0L, 0.5L, -0.5L, 0.49999L, 1.5L, 2.5L, -2.5L, 1e-7L,
                                999999999999999.0L, -999999999999999.0L, 999999999999999.5L,
                                1e15L, -1e15L, 1e20L, 3.0L / 7.0L,
                                std::numeric_limits<long double>::infinity(),
                                std::numeric_limits<long double>::quiet_NaN()};
  for (long double x : values) {
    std::string out = "previous";
    FormatNumberInto(out, x);
    EXPECT_EQ(out, FormatNumber(x)) << static_cast<double>(x);
  }
}

// printf's fifteen significant digits of |x| and their exponent: what
// FifteenSignificantDigits must give whichever way it works them out.
void DigitsByPrintf(long double x, std::string& digits, int& exp) {
  char buf[64];
  snprintf(buf, sizeof buf, "%.14Le", x < 0 ? -x : x);
  const char* e = strchr(buf, 'e');
  exp = atoi(e + 1);
  digits.assign(1, buf[0]);
  digits.append(buf + 2, e - (buf + 2));
}

// Fractions get their digits without printf from 10^-5 to 10^15. The cases that
// could go wrong: exact halves at the sixteenth digit (1 + 1/32768 is
// 1.000030517578125), values beside the powers of ten where the exponent
// changes, nines that round up to the next power, thirds and sevenths, and
// many random fractions of every size.
TEST(Contract, FractionsAreWrittenAsPrintfWritesThem) {
  std::vector<long double> values = {1.0L / 3, 2.0L / 3, -1.0L / 3, 1.0L / 7, 0.1L, 0.2L, 0.3L, 2.5L, 4.5L,
                                     9.999999999999995L, 9.9999999999999949L, 0.99999999999999951L,
                                     99999999999999.95L, 999999999999999.4L, 0.000099999999999999996L,
                                     1e-5L, 1e-6L, 1.5e-5L, 123456.789L, 3.14159265358979323846L};
  for (int q = 1; q < 4000; q += 2) {
    values.push_back(1 + q / 32768.0L);  // halves at the sixteenth digit
    values.push_back(q / 1024.0L);
    values.push_back(q * 1024.0L + 0.5L);
  }
  for (int e = -7; e <= 16; ++e) {
    const long double p = powl(10.0L, e);
    values.push_back(nextafterl(p, 0));
    values.push_back(nextafterl(p, 1e30L));
    values.push_back(p * (1 - 5e-16L));
    values.push_back(p * (1 + 5e-16L));
  }
  uint64_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    return seed >> 11;
  };
  for (int k = 0; k < 200000; ++k) {
    const long double a = static_cast<long double>(next() % 100000000 + 1);
    const long double b = static_cast<long double>(next() % 100000 + 1);
    const long double scale = powl(10.0L, static_cast<int>(next() % 24) - 8);
    values.push_back(a / b * scale);
    values.push_back(-static_cast<long double>(next()) / (1ull << 40) * scale);
  }
  for (long double x : values) {
    std::string digits, want;
    int exp = 0, wantExp = 0;
    FifteenSignificantDigits(x, digits, exp);
    DigitsByPrintf(x, want, wantExp);
    ASSERT_EQ(digits, want) << static_cast<double>(x);
    ASSERT_EQ(exp, wantExp) << static_cast<double>(x);
  }
  EXPECT_EQ(FormatNumber(1.0L / 3), "0.333333333333333");
  EXPECT_EQ(FormatNumber(-2.0L / 3), "-0.666666666666667");
  EXPECT_EQ(FormatNumber(1e-6L / 3), "3.33333333333333E-7");
  EXPECT_EQ(FormatNumber(1.0L / 30000), "0.0000333333333333333");
  EXPECT_EQ(FormatNumber(100000.0L / 3), "33333.3333333333");
  EXPECT_EQ(FormatNumber(1e15L / 7), "142857142857143");
}

// Decimals with a fraction and up to 19 digits are read without strtold:
// the long double nearest the decimal, exactly as strtold gives it.
TEST(Contract, DecimalsAreReadAsStrtoldReadsThem) {
  std::vector<std::string> texts = {"2.5",  "0.1", "-0.1", "0.0", "-0.0", "1.000030517578125", "0.3333333333333333333",
                                    "1234567890123456789.5", "123456789012345678.9", "9999999999999999999.9",
                                    "18446744073709551615.5", "00000000000000000001.5", "1.", ".5", "1.2.3", "-", "-.5",
                                    "1.5e3", "１.５", "1.5 "};
  uint64_t seed = 777;
  auto next = [&seed] {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    return seed >> 11;
  };
  for (int k = 0; k < 200000; ++k) {
    const int digits = 1 + static_cast<int>(next() % 20);
    const int point = 1 + static_cast<int>(next() % digits);
    std::string t = next() % 2 ? "-" : "";
    for (int d = 0; d < digits; ++d) {
      if (d == point) t += '.';
      t += static_cast<char>('0' + next() % 10);
    }
    texts.push_back(t);
  }
  for (const std::string& t : texts) {
    const long double fast = ToNumber(t);
    const long double reference = ToNumber(t + "x");  // a text the quick way leaves to strtold
    ASSERT_EQ(std::memcmp(&fast, &reference, 10), 0) << t;
  }
}

}  // namespace
}  // namespace nokari
