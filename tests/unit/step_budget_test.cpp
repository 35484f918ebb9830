// The run loop's step budget, which lets a harness (the fuzz targets) run
// scripts that never end.
#include <gtest/gtest.h>

#include "TestHost.h"

namespace nokari {
namespace {

using testing::TestEngine;

TEST(StepBudget, StopsAnEndlessLoopAndKeepsWhatRan) {
  TestEngine t;
  t.e.FileName = "test.nkr";
  StartProgram(t.e, FromUtf8("*頭\n「a」を、表示\n頭へ、飛ぶ\n"));
  t.e.StepBudget = 7;
  RunLoop(t.e);
  EXPECT_TRUE(t.e.StopFlag);
  EXPECT_EQ(t.e.StepBudget, 0u);
  // Some statements ran, and only a few.
  EXPECT_FALSE(t.host.Output.empty());
  EXPECT_LE(t.host.Output.size(), 8u);
}

TEST(StepBudget, ReachesNestedRunsAndErrorsContinuedPast) {
  TestEngine t;
  t.host.OnError = ErrorChoice::Continue;
  StartProgram(t.e, FromUtf8("*頭\n(Fを、呼ぶ)を、表示\n頭へ、飛ぶ\n*F\n(x\n戻る\n"));
  t.e.StepBudget = 200;
  RunLoop(t.e);
  EXPECT_TRUE(t.e.StopFlag);
}

TEST(StepBudget, ZeroMeansNoLimit) {
  TestEngine t;
  EXPECT_EQ(t.Run("Iを、1から、500まで、繰り返す（Xは、I）\nXを、表示\n"), "500\n");
  EXPECT_FALSE(t.host.Output.empty());
}

}  // namespace
}  // namespace nokari
