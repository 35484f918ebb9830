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

// Statements taken together within one step (after a replayed statement,
// and 引数取得 as a function is entered) count against the budget one by
// one, so that a budget of B runs exactly what B-1 single steps run: the
// fuzz targets then reach those short ways and stop where they always did.
TEST(StepBudget, CountsStatementsTakenTogether) {
  const std::string program =
      "フィボナッチを、「?の」で、関数定義\n"
      "周回は、0\n合計は、0\n"
      "*頭\n"
      "5の、フィボナッチ\n"
      "周回は、周回+1\n"
      "\"周{周回}\"を、表示\n"  // read by the reader every time
      "Iを、1から、3まで、繰り返す（合計は、合計+I。）\n"
      "頭へ、飛ぶ\n"
      "*フィボナッチ\n"
      "引数取得\n"
      "Nは、それ\n"
      "もし、N<2ならば、(それは、N。戻る)\n"
      "(N-1)の、フィボナッチ\n"
      "Nは、N+1\n"
      "途中の(N)は、それ\n"
      "(N-2)の、フィボナッチ\n"
      "Nは、N+2\n"
      "それは、途中の(N)+それ\n"
      "戻る\n";
  auto state = [](TestEngine& t) {
    std::string s;
    for (const char* name : {"周回", "合計", "N", "それ", "I"}) {
      THashNode* w = t.e.Words.Find(FromUtf8(name));
      s += std::string(name) + "=" + (w ? w->Value : "-") + " ";
    }
    s += "line " + std::to_string(t.e.LineNo) + " frames " + std::to_string(t.e.RunStack.TotalCount());
    if (t.e.Cursor) s += " at " + std::string(std::string_view(t.e.Cursor.P).substr(0, 12));
    return s + " output " + t.host.Output + " errors " + t.host.Errors;
  };
  for (uint64_t budget : {2u, 3u, 9u, 17u, 40u, 101u, 250u, 333u, 600u}) {
    TestEngine together, single;
    for (TestEngine* t : {&together, &single}) {
      StartProgram(t->e, FromUtf8(program));
      t->e.StepBudget = 500;
      RunLoop(t->e);
      t->e.StopFlag = false;
    }
    ASSERT_EQ(state(together), state(single));
    together.e.StepBudget = budget;
    RunLoop(together.e);
    for (uint64_t n = 1; n < budget; ++n) {
      single.e.StepBudget = 2;  // one step, then the run stops as if ended
      single.e.StopFlag = false;
      RunLoop(single.e);
    }
    EXPECT_EQ(state(together), state(single)) << "budget " << budget;
    EXPECT_EQ(together.e.StepBudget, 0u);
  }
}

TEST(StepBudget, ZeroMeansNoLimit) {
  TestEngine t;
  EXPECT_EQ(t.Run("Iを、1から、500まで、繰り返す（Xは、I）\nXを、表示\n"), "500\n");
  EXPECT_FALSE(t.host.Output.empty());
}

}  // namespace
}  // namespace nokari
