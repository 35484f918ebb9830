// Binding, dispatch and the statement engine, run through a capturing host.
#include <gtest/gtest.h>

#include "TestHost.h"

namespace nokari {
namespace {

using testing::TestEngine;

std::string RunAndError(const std::string& program) {
  TestEngine t;
  t.Run(program);
  return t.host.Errors;
}

TEST(Binding, ParticlesInAnyOrder) {
  TestEngine t;
  EXPECT_EQ(t.Run("「甲乙丙」の、「乙」を、「X」に、置換\nそれを、表示\n「Y」に、「甲乙丙」の、「乙」を、置換\nそれを、表示\n"),
            "甲X丙\n甲Y丙\n");
}

TEST(Binding, EquivalentParticlesAndSoreFilling) {
  TestEngine t;
  EXPECT_EQ(t.Run("「abc」を、表示\n「abc」と、表示\nそれは、「xyz」\n表示\n"), "abc\nabc\nxyz\n");
}

TEST(Binding, Errors) {
  EXPECT_NE(RunAndError("置換\n").find("引数が少ないです"), std::string::npos);
  EXPECT_NE(RunAndError("「a」を、「b」を、「c」を、置換\n").find("の形式で指定してください。\"に\""), std::string::npos);
  EXPECT_NE(RunAndError("「a」を、「b」を、表示\n").find("引数が多いです"), std::string::npos);
  EXPECT_NE(RunAndError("「あ」を、表示する2\n").find("は未定義の命令です。"), std::string::npos);
  EXPECT_NE(RunAndError("&「a」を、表示\n").find("\"&\"は、文字列との連結に使います。"), std::string::npos);
}

TEST(Binding, PositionalSlots) {
  TestEngine t;
  EXPECT_EQ(t.Run("RIGHT(「abcdef」,2)を、表示\n"), "ef\n");
}

TEST(Engine, StatementsAcrossLinesAndChaining) {
  TestEngine t;
  EXPECT_EQ(t.Run("「a」と、\n表示\n「b」を、表示して、「c」を、表示\n"), "a\nb\nc\n");
}

TEST(Engine, CommandAsValueKeepsSore) {
  TestEngine t;
  EXPECT_EQ(t.Run("それは、「元」\n「abc」の、文字数を、表示\nそれを、表示\n"), "3\n元\n");
}

TEST(Engine, ErrorLinesNameTheStatementsLine) {
  std::string errors = RunAndError("「a」を、表示\n\n「b」を、表示する2\n「c」を、表示\n");
  EXPECT_NE(errors.find("[エラー] test.nkr(3行目): "), std::string::npos) << errors;
}

TEST(Engine, EndlessRecursionIsAnError) {
  std::string errors = RunAndError("*L\nLを、呼ぶ\n");
  EXPECT_NE(errors.find("実行が無限ループしている可能性があるので終了します。"), std::string::npos);
  errors = RunAndError("*F\n(F)を、表示\n");
  EXPECT_NE(errors.find("実行が無限ループしている可能性があるので終了します。"), std::string::npos);
}

TEST(Engine, ReadOnlyAndReservedAssignments) {
  EXPECT_NE(RunAndError("回数は、3\n").find("は、読取専用です。"), std::string::npos);
  EXPECT_NE(RunAndError("表示は、3\n").find("予約語なので代入できません。"), std::string::npos);
}

TEST(Engine, EndInsideNestedCallLeavesNoFrames) {
  TestEngine t;
  t.Run("Sを、呼ぶ\n「後」を、表示\n*S\n3回（おわり）\n");
  EXPECT_EQ(t.host.Output, "");
  EXPECT_EQ(t.e.RunStack.TotalCount(), 0);
  EXPECT_TRUE(t.e.StopFlag);
}

TEST(Engine, BadInputNeverCrashes) {
  const char* programs[] = {
      "(((((", ")))", "「", "『", "\x82", "#", "\\", "A#(", "もし", "3回", "?", "*", "=", "Aは", "「a」&",
      "もし、1ならば(", "(1+)を、表示", "A#1#2#3#4は、5", "Iを、aから、bまで、繰り返す",
  };
  for (const char* p : programs) {
    TestEngine t;
    t.Run(p);  // ends in an error line or runs; never throws out of the loop
  }
  TestEngine t;
  t.Run(std::string(200000, '(') + "\n");
  EXPECT_NE(t.host.Errors.find("[エラー]"), std::string::npos);
}

}  // namespace
}  // namespace nokari
