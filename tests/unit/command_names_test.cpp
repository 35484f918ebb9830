// Errors name their command as the script wrote it: an alias under the
// alias, a verb with okurigana as written, a nested call under the inner
// command, and the outer command again once the nested call is back.
#include <gtest/gtest.h>

#include "TestHost.h"

namespace nokari {
namespace {

using testing::TestEngine;

// The error log (UTF-8) of a program and the engine's running word after.
struct Outcome {
  std::string errors;
  std::string runningWord;
};

Outcome RunOf(const std::string& program) {
  TestEngine t;
  t.Run(program);
  return {t.host.Errors, ToUtf8(t.e.RunningWord)};
}

bool Names(const std::string& errors, const std::string& command) {
  return errors.find("\"" + command + "\"") != std::string::npos;
}

// Each pair is one command under two names; the same faulty call under
// either name reports the name used and never the other.
TEST(CommandNames, AliasesReportTheNameTheScriptUsed) {
  struct Case {
    const char* name;
    const char* other;
    const char* program;  // %s: the name
  };
  const Case cases[] = {
      {"文字", "CHR", "-1の、%s\n"},
      {"CHR", "文字", "-1の、%s\n"},
      {"CHR", "文字", "X=%s(-1)\n"},
      {"キーコード", "ASC", "「」の、%s\n"},
      {"ASC", "キーコード", "「」を、%s(「」)で、表示\n"},
      {"作業フォルダ変更", "作業ディレクトリ変更", "「/nonexistent/nokari-none」へ、%s\n"},
      {"作業ディレクトリ変更", "作業フォルダ変更", "「/nonexistent/nokari-none」へ、%s\n"},
      {"MID", "切り出す", "%s\n"},
      {"切り出せ", "切り出す", "「abc」の、%s\n"},
  };
  for (const Case& c : cases) {
    std::string program = c.program;
    program.replace(program.find("%s"), 2, c.name);
    Outcome o = RunOf(program);
    EXPECT_TRUE(Names(o.errors, c.name)) << program << o.errors;
    EXPECT_FALSE(Names(o.errors, c.other)) << program << o.errors;
  }
}

// Binding errors count too: too few phrases, and a phrase that fits no slot.
TEST(CommandNames, ArgumentErrorsOfBindingNameTheWrittenVerb) {
  Outcome few = RunOf("「abc」の、切り出せ\n");
  EXPECT_NE(few.errors.find("\"切り出せ\"命令の引数に誤りがあります。"), std::string::npos) << few.errors;
  EXPECT_NE(few.errors.find("引数が少ないです。"), std::string::npos) << few.errors;
  Outcome misfit = RunOf("「abc」を、「b」を、「c」を、MID\n");
  EXPECT_NE(misfit.errors.find("\"MID\"命令の引数に誤りがあります。"), std::string::npos) << misfit.errors;
}

TEST(CommandNames, ANestedCallReportsTheInnerCommand) {
  for (const char* program : {"ASC(「」)の、CHR\n", "(F)の、CHR\nおわり\n*F\n「」の、ASC\n戻る\n",
                              "X=CHR(ASC(「」))\n"}) {
    Outcome o = RunOf(std::string(program));
    // The first error is the inner one (a function's run reports its own
    // error; the outer command then meets an empty value and may fail too).
    size_t inner = o.errors.find("\"ASC\"");
    EXPECT_NE(inner, std::string::npos) << program << o.errors;
    EXPECT_LT(inner, o.errors.find("\"CHR\"")) << program << o.errors;
  }
}

// The argument phrase runs LEN (or a function running it) inside CHR: the
// error CHR raises afterwards is CHR's own.
TEST(CommandNames, AfterANestedCallTheOuterCommandIsNamedAgain) {
  for (const char* program : {"LEN(「ab」)-3の、CHR\n", "(「ab」の、文字数)-3の、CHR\n",
                              "(負)の、CHR\nおわり\n*負\n「ab」の、LEN\nそれは、それ-3\n戻る\n"}) {
    Outcome o = RunOf(std::string(program));
    EXPECT_TRUE(Names(o.errors, "CHR")) << program << o.errors;
    EXPECT_FALSE(Names(o.errors, "LEN")) << program << o.errors;
    EXPECT_FALSE(Names(o.errors, "文字数")) << program << o.errors;
  }
}

// Outside a command nothing is running: the name does not outlive its
// command, by return or by error.
TEST(CommandNames, NothingRunsOnceTheCommandIsOver) {
  EXPECT_EQ(RunOf("「ab」の、LEN\n").runningWord, "");
  EXPECT_EQ(RunOf("-1の、CHR\n").runningWord, "");
  EXPECT_EQ(RunOf("ASC(「」)の、CHR\n").runningWord, "");
}

}  // namespace
}  // namespace nokari
