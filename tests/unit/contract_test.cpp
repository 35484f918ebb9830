// The command API's word-stack helpers: what a command sees of its
// arguments before it takes them.
#include <gtest/gtest.h>

#include <cstdint>
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

}  // namespace
}  // namespace nokari
