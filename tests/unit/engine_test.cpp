// Binding, dispatch and the statement engine, run through a capturing host.
#include <gtest/gtest.h>

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <thread>

#include "TestHost.h"
#include "core/Cp932.h"
#include "core/EngineCaches.h"

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

// A phrase and a command written without the 、 between them: the error
// shows where it goes. A verb that holds no command after a particle, or
// only after a first character, gets no such hint.
TEST(Binding, UndefinedCommandShowsAMissingComma) {
  EXPECT_NE(RunAndError("「abc」を表示\n").find("助詞の後に「、」が要ります:\"`abc`を、表示\""), std::string::npos);
  EXPECT_NE(RunAndError("A=1\nAから表示\n").find("\"Aから、表示\""), std::string::npos);
  EXPECT_NE(RunAndError("「a」を、「a」に、「b」へ置換\n").find("\"`b`へ、置換\""), std::string::npos);
  // A particle of the command's own slots: 秒 of 待つ, へ飛ぶ of タイマー設定.
  EXPECT_NE(RunAndError("0.01秒待つ\n").find("\"0.01秒、待つ\""), std::string::npos);
  EXPECT_NE(RunAndError("1秒後に、刻むへ飛ぶタイマー設定\n*刻む\n").find("\"刻むへ飛ぶ、タイマー設定\""),
            std::string::npos);
  for (const char* program : {"「あ」を、表示する2\n", "を表示\n", "「a」を、x表示\n"})
    EXPECT_EQ(RunAndError(program).find("助詞の後"), std::string::npos) << program;
}

// "(10,20)へ、移動" right after ならば, 違えば or 回: the "(…)" is read as the
// block and the rest as a statement of its own. That is said at once, also
// where the branch is not taken, with the bracketed form that works. A
// bracketed block followed by nothing, or by the next branch, stays a block.
TEST(Blocks, APhraseReadAsTheBlockIsSaid) {
  const std::string said = "はブロックとして読まれ、\"へ,移動\"は別の文になります。";
  for (const char* program : {"もし、1=2ならば、(10,20)へ、移動\n", "もし、1=1ならば、(10,20)へ、移動\n",
                              "もし、1=1ならば、（「a」を、表示）\n違えば、(10,20)へ、移動\n", "3回、(10,20)へ、移動\n"}) {
    std::string error = RunAndError(program);
    EXPECT_NE(error.find("\"(10,20)\"" + said), std::string::npos) << program << error;
    EXPECT_NE(error.find("\"（(10,20)へ,移動）\""), std::string::npos) << program << error;
  }
  TestEngine t;
  EXPECT_EQ(t.Run("もし、1=1ならば、(「a」を、表示)違えば、(「b」を、表示)\n"
                  "2回、(「c」を、表示)\n"
                  "もし、1=2ならば、（(10,20)へ、移動）\n"
                  "もし、1=2ならば、(\n(10,20)へ、移動\n)\n"
                  "「ok」を、表示\n"),
            "a\nc\nc\nok\n");
  EXPECT_EQ(t.host.Errors, "");
}

// A phrase left over right before an operator was meant as a calculation:
// the message says to bracket it. Other leftovers get no such hint.
TEST(Binding, TooManyArgumentsBeforeAnOperatorHintsAtBrackets) {
  const std::string hint = "式は（ ）で囲んでください。";
  for (const char* program : {"問題数=3\nIを、1から、問題数-1まで、繰り返す\n", "A=1\nA +2を、表示\n",
                              "A=1\n3回（「x」と、A+1を、表示）\n", "A=1\n「x」と、\nA+1を、表示\n"}) {
    std::string errors = RunAndError(program);
    EXPECT_NE(errors.find("引数が多いです。"), std::string::npos) << program << errors;
    EXPECT_NE(errors.find(hint), std::string::npos) << program << errors;
  }
  for (const char* program : {"「a」を、「b」を、表示\n", "A=1\nAを、「b」を、表示\nB=A-1\n"}) {
    std::string errors = RunAndError(program);
    EXPECT_NE(errors.find("引数が多いです。"), std::string::npos) << program << errors;
    EXPECT_EQ(errors.find(hint), std::string::npos) << program << errors;
  }
}

TEST(Binding, PositionalSlots) {
  TestEngine t;
  EXPECT_EQ(t.Run("RIGHT(「abcdef」,2)を、表示\n"), "ef\n");
}

TEST(Engine, StatementsAcrossLinesAndChaining) {
  TestEngine t;
  EXPECT_EQ(t.Run("「a」と、\n表示\n「b」を、表示して、「c」を、表示\n"), "a\nb\nc\n");
}

// 名前は、 ending its line takes its value from the next line, as a
// trailing 、 continues any statement; with = too.
TEST(Engine, AssignmentValueOnTheNextLine) {
  EXPECT_EQ(TestEngine().Run("名前は、\n「太郎」\n「[{名前}]」を、表示\n"), "[太郎]\n");
  EXPECT_EQ(TestEngine().Run("合計は、\n    10\nX=\n合計*2\nXを、表示\n"), "20\n");
  // The line numbers go on right after it.
  std::string errors = RunAndError("名前は、\n「太郎」\n「x」を、表字\n");
  EXPECT_NE(errors.find("test.nkr(3行目)"), std::string::npos) << errors;
  // Nothing to take: a blank line, the end of the text, a label, the end of
  // a bracketed body. The value is empty and the next line runs as it is.
  EXPECT_EQ(TestEngine().Run("Bは、\n\n「[{B}]」を、表示\n"), "[]\n");
  EXPECT_EQ(TestEngine().Run("「a」を、表示\nCは、"), "a\n");
  EXPECT_EQ(TestEngine().Run("Lを、呼ぶ\n「[{D}]」を、表示\n終わる\n*L\nDは、\n*M\n戻る\n"), "[]\n");
  EXPECT_EQ(TestEngine().Run("もし、1=1ならば\n（\n  Eは、\n）\n「[{E}]」を、表示\n"), "[]\n");
  // In a loop, each turn the same.
  EXPECT_EQ(TestEngine().Run("Iを、1から、3まで、繰り返す（\nSは、\n  I*10\nSを、表示\n）\n"), "10\n20\n30\n");
}

TEST(Engine, CommandAsValueKeepsSore) {
  TestEngine t;
  EXPECT_EQ(t.Run("それは、「元」\n「abc」の、文字数を、表示\nそれを、表示\n"), "3\n元\n");
}

TEST(Engine, ErrorLinesNameTheStatementsLine) {
  std::string errors = RunAndError("「a」を、表示\n\n「b」を、表示する2\n「c」を、表示\n");
  EXPECT_NE(errors.find("[エラー] test.nkr(3行目): "), std::string::npos) << errors;
  // A text over several lines: the line the statement goes on to after it.
  errors = RunAndError("「x」を、表示\n『一\n二』を、表示 ）\n");
  EXPECT_NE(errors.find("[エラー] test.nkr(3行目): "), std::string::npos) << errors;
  errors = RunAndError("『a\nb』を、表示 /\n");
  EXPECT_NE(errors.find("[エラー] test.nkr(2行目): "), std::string::npos) << errors;
  errors = RunAndError("A=1\n「a\nb\nc」を、「\"」\n「`」と、表字\n");
  EXPECT_NE(errors.find("[エラー] test.nkr(4行目): "), std::string::npos) << errors;
  // In a body, and after one.
  errors = RunAndError("2回（\n『a\nb』を、表字\n）\n");
  EXPECT_NE(errors.find("[エラー] test.nkr(3行目): "), std::string::npos) << errors;
  errors = RunAndError("『a\nb』を、表示\n「c」を、表字\n");
  EXPECT_NE(errors.find("[エラー] test.nkr(3行目): "), std::string::npos) << errors;
}

// A NUL byte inside a string ends the engine's reading there, not the line
// count; a statement cut short after a lead byte keeps its message whole.
TEST(Engine, BrokenBytesStillNameTheirLine) {
  TestEngine t;
  t.Run(std::string("「a") + '\0' + "b」を、表示\n「c」を、表示\n");
  EXPECT_NE(t.host.Errors.find("[エラー] test.nkr(1行目): "), std::string::npos) << t.host.Errors;
  TestEngine u;
  u.e.FileName = "test.nkr";
  StartProgram(u.e, FromUtf8("「a」を、\n表示") + "\x82");
  RunLoop(u.e);
  EXPECT_NE(u.host.Errors.find("\"`a`を,表示\"は未定義の命令です。"), std::string::npos) << u.host.Errors;
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


// A host that looks at the run-control stack whenever something is shown.
struct FrameProbe : testing::CaptureHost {
  TNokaBase* engine = nullptr;
  int deepest = 0;
  bool bodiesInSource = true;  // every block body runs where it stands
  void WriteText(const std::string& text, const TextStyle& style) override {
    CaptureHost::WriteText(text, style);
    deepest = std::max(deepest, engine->RunStack.Count());
    for (int i = 0; i < engine->RunStack.Count(); ++i) {
      const TRunControl* f = engine->RunStack.At(i);
      if (f->Body && f->Body.Buf != engine->Source) bodiesInSource = false;
    }
  }
};

std::string Nested(int depth, const std::string& open, const std::string& inner) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += open + "\n";
  text += inner + "\n";
  for (int i = 0; i < depth; ++i) text += "）\n";
  return text + "「後」を、表示\n";
}

// Nesting costs linear time and memory: bodies are never copied (every
// level copying the rest of the text made 10,000 levels take gigabytes).
TEST(Engine, DeepNestingRunsInPlace) {
  struct Case {
    const char* open;
    int frames;  // frames per level at the innermost statement
  } cases[] = {{"もし、1=1ならば（", 1}, {"1回（", 1}, {"もし、1=2ならば（）違えば（", 1}};
  for (const Case& c : cases) {
    FrameProbe host;
    TNokaBase e;
    host.engine = &e;
    e.Services = host.Services();
    e.FileName = "deep.nkr";
    StartProgram(e, FromUtf8(Nested(10000, c.open, "「深い」を、表示")));
    RunLoop(e);
    EXPECT_EQ(host.Output, "深い\n後\n") << c.open << host.Errors;
    EXPECT_EQ(host.deepest, 10000 * c.frames) << c.open;
    EXPECT_TRUE(host.bodiesInSource) << c.open;
    EXPECT_EQ(e.RunStack.TotalCount(), 0);
  }
}

// A body ends as a text of its own: what follows its closing bracket or its
// line's end is never read as part of it, and errors inside name their line.
TEST(Engine, BodiesEndWhereTheirBlockEnds) {
  TestEngine t;
  EXPECT_EQ(t.Run("2回（X=1+2）Xを、表示\n"), "3\n");
  EXPECT_EQ(TestEngine().Run("2回（LEFT(「abc」,2)）それを、表示\n"), "ab\n");
  // The 違えば after the loop is no branch of the もし inside it: it runs once.
  EXPECT_EQ(TestEngine().Run("2回（もし、1=2ならば「x」を、表示）\n違えば「y」を、表示\n"), "y\n");
  EXPECT_EQ(TestEngine().Run("2回 もし、1=2ならば「x」を、表示\n違えば「z」を、表示\n").substr(0, 2), "z\n");
  EXPECT_EQ(TestEngine().Run("3回（もし、回数=2ならば（続ける）; 回数を、表示）\n"), "1\n3\n");
  EXPECT_EQ(TestEngine().Run("2回（X = 「a」 &\n「b」）Xを、表示\n"), "ab\n");
  // A jump to a label inside the body keeps the loop.
  EXPECT_EQ(TestEngine().Run("J=0\n2回（\n*甲\nJ=J+1\nJを、表示\nもし、J=1ならば、甲へ、飛ぶ\n）\n"), "1\n2\n3\n");
  std::string errors = RunAndError("2回（\n「a」を、表示\n「b」を、表示する2\n）\n");
  EXPECT_NE(errors.find("test.nkr(3行目)"), std::string::npos) << errors;
  errors = RunAndError("2回（もし、1=1）\n");
  EXPECT_NE(errors.find("条件分岐の終端文字を認識できませんでした。"), std::string::npos) << errors;
}


// An error that leaves the cursor where it stands, ignored, used to be tried
// again for ever while the log grew: the run now stops and says so.
TEST(Engine, IgnoredErrorThatCannotMoveOnStopsTheRun) {
  for (const char* program : {"エラーを無視\n(x\n「後」を、表示\n", "エラーを無視\nA#(\n", "エラーを無視\n2回（(x）\n"}) {
    TestEngine t;
    EXPECT_EQ(t.Run(program), "") << program;
    EXPECT_TRUE(t.e.StopFlag) << program;
    EXPECT_NE(t.host.Errors.find("特定できないシステムエラーです(ToT)"), std::string::npos) << program;
    EXPECT_LT(t.e.ErrorLog.size(), 1000u) << program;
  }
  // Errors that move on are ignored as before.
  TestEngine t;
  EXPECT_EQ(t.Run("エラーを無視\n3回（「a」を、表示する2）\n「後」を、表示\n"), "後\n");
  EXPECT_EQ(t.host.Errors, "");
}

// The log keeps its newest megabyte, whole entries, and says what it dropped.
TEST(Engine, ErrorLogKeepsItsNewestPart) {
  TestEngine t;
  t.Run("エラーを無視\n20000回（「長い長い長い長い長い長い長い長い長い」を、表示する2）\n「最後」を、表示する2\n");
  const std::string log = ToUtf8(t.e.ErrorLog);
  EXPECT_LE(t.e.ErrorLog.size(), kErrorLogLimit);
  EXPECT_GT(t.e.ErrorLog.size(), kErrorLogKept / 2);
  EXPECT_EQ(log.rfind("（エラーの記録が大きくなりすぎたので、ここより前の古い行は削除しました。）\r\n[エラー] test.nkr(2行目): ", 0), 0u)
      << log.substr(0, 200);
  EXPECT_NE(log.find("\"`最後`を,表示する2\"は未定義の命令です。"), std::string::npos);
}

// On a console an error wrapped by the command it failed in is read once:
// the wrapping line, the innermost reason indented under it. The log (what
// a window shows, and エラーメッセージ) keeps both lines.
TEST(Engine, ConsoleShowsWrappedErrorsOnce) {
  TestEngine t;
  t.Run("「無い.nkr」を、取り込む\n");
  EXPECT_EQ(t.host.Errors,
            "[エラー] test.nkr(1行目): システム命令実行中のエラー。理由は,\r\n"
            "  ファイル\"無い.nkr\"が、ありません。\r\n");
  EXPECT_EQ(ToUtf8(t.e.ErrorLog),
            "[エラー] test.nkr(1行目): ファイル\"無い.nkr\"が、ありません。\r\n"
            "[エラー] test.nkr(1行目): システム命令実行中のエラー。理由は,[エラー] test.nkr(1行目): "
            "ファイル\"無い.nkr\"が、ありません。\r\n");
  auto console = [](const std::string& log) { return ToUtf8(ConsoleErrorLog(FromUtf8(log))); };
  const std::string wrap = "システム命令実行中のエラー。理由は,";
  const std::string in = "[エラー] a.nkr(3行目): 中\r\n二行目";
  // Wrapped twice: one line and the innermost reason.
  EXPECT_EQ(console(in + "\r\n[エラー] a.nkr(3行目): " + wrap + in + "\r\n[エラー] a.nkr(3行目): " + wrap +
                    "[エラー] a.nkr(3行目): " + wrap + in + "\r\n"),
            "[エラー] a.nkr(3行目): " + wrap + "\r\n  中\r\n  二行目\r\n");
  // A reason from another file or line keeps its own head.
  EXPECT_EQ(console("[エラー] b.nkr(9行目): 中\r\n[エラー] a.nkr(3行目): " + wrap + "[エラー] b.nkr(9行目): 中\r\n"),
            "[エラー] a.nkr(3行目): " + wrap + "\r\n  [エラー] b.nkr(9行目): 中\r\n");
  // Entries that wrap nothing before them, and warnings, stay as they are.
  const std::string plain = "[注　意] a.nkr(1行目): 注\r\n[エラー] a.nkr(2行目): 甲\r\n[エラー] a.nkr(4行目): " + wrap +
                            "[エラー] a.nkr(3行目): 乙\r\n";
  EXPECT_EQ(console(plain), plain);
}

// A new program starts with none of the readings the last one kept: its
// texts are new, and a reading kept by a freed text's place must never be
// found again at a place that happens to be reused.
TEST(EngineCaches, NewProgramStartsEmpty) {
  TestEngine t;
  t.Run("Xは、0\n3回（もし、X<2ならば、（Xは、X+1）違えば、（(X+1)を、表示））\nXを、表示\n");
  EngineCaches& c = *t.e.Caches;
  EXPECT_GT(c.Plans.size(), 0u);
  EXPECT_GT(c.BodyCache.size(), 0u);
  EXPECT_GT(c.BranchPlans.size(), 0u);
  EXPECT_GT(c.ConditionCache.size(), 0u);
  EXPECT_GT(c.BracketTexts.size(), 0u);
  c.Recording.Start = "x";
  c.PlainWordStart = "x";
  StartProgram(t.e, FromUtf8("「b」を、表示\n"));
  EXPECT_EQ(c.Plans.size(), 0u);
  EXPECT_EQ(c.BodyCache.size(), 0u);
  EXPECT_EQ(c.BranchPlans.size(), 0u);
  EXPECT_EQ(c.ConditionCache.size(), 0u);
  EXPECT_EQ(c.ValueTextCache.size(), 0u);
  EXPECT_EQ(c.BracketEnds.size(), 0u);
  EXPECT_TRUE(c.BracketTexts.empty());
  EXPECT_TRUE(c.RetiredPlans.empty());
  EXPECT_EQ(c.Recording.Start, nullptr);
  EXPECT_EQ(c.PlainWordStart, nullptr);
  RunLoop(t.e);
  EXPECT_EQ(t.host.Output, "3\n2\nb\n");
}

// Debug-mode hints are given once per place, however often it runs, and
// never without debug mode.
TEST(Engine, DebugHintsOncePerPlace) {
  const char* program = "3回（「」で、ループ（「L」を、表示））\n3回（Xは、「a」、「b」）\n";
  for (bool debug : {true, false}) {
    TestEngine t;
    t.e.DebugMode = debug;
    t.Run(program);
    const std::string log = ToUtf8(t.e.ErrorLog);
    size_t warnings = 0;
    for (size_t at = log.find("[注　意]"); at != std::string::npos; at = log.find("[注　意]", at + 1)) ++warnings;
    EXPECT_EQ(warnings, debug ? 2u : 0u) << log;
    if (debug) {
      EXPECT_NE(log.find("代入する値は最初の句だけです。"), std::string::npos) << log;
    }
  }
}

// Fixed texts converted once per literal: many literals share a slot of
// each thread's table of recent ones, and every one must still give its
// own text, on the engine's thread and on another.
TEST(Encoding, FixedTextsKeepTheirOwnConversion) {
  static char texts[300][16];
  for (int k = 0; k < 300; ++k) snprintf(texts[k], sizeof texts[k], "語%03d", k);
  auto check = [] {
    for (int round = 0; round < 3; ++round)
      for (int k = round; k < 300; k += 1 + round) ASSERT_EQ(Sj(texts[k]), FromUtf8(texts[k])) << k;
  };
  check();
  std::thread other(check);
  other.join();
}

// iconv over a whole text, with the replacements the conversions make for
// what does not convert: the reference the character tables must agree with.
std::string IconvWhole(const char* to, const char* from, std::string_view in, std::string_view bad) {
  iconv_t cd = iconv_open(to, from);
  std::string out;
  char* src = const_cast<char*>(in.data());
  size_t left = in.size();
  while (left > 0) {
    char buf[8192];
    char* dst = buf;
    size_t room = sizeof buf;
    size_t r = iconv(cd, &src, &left, &dst, &room);
    out.append(buf, dst - buf);
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      out += bad;
      ++src;  // one byte at a time: the cases below are single bytes or cut pairs
      --left;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

// Texts are converted by looking their characters up (kept from iconv one
// character at a time): every double-byte CP932 code, and every BMP
// character back, converts as iconv converts the whole text; a text with
// something that does not convert still gets the replacements.
TEST(Encoding, CharacterTablesAgreeWithIconv) {
  std::string all;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead > 0x9F && lead < 0xE0) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      std::string one = IconvWhole("UTF-8", "CP932", std::string_view(pair, 2), "?");
      if (one.find('?') != std::string::npos) continue;  // no such character
      all.append(pair, 2);
      all += 'a';
    }
  }
  for (int c = 0xA1; c <= 0xDF; ++c) all += static_cast<char>(c);  // half-width kana
  // In short texts (long ones go to iconv whole): 60 characters at a time.
  for (size_t at = 0; at < all.size();) {
    size_t end = at;
    for (int n = 0; n < 60 && end < all.size(); ++n) end += CharLenAt(all, end);
    const std::string part = all.substr(at, end - at);
    const std::string utf8 = IconvWhole("UTF-8", "CP932", part, "?");
    ASSERT_EQ(ToUtf8(part), utf8) << at;
    ASSERT_EQ(ToUtf8(part), utf8) << at;  // from the tables the second time
    ASSERT_EQ(FromUtf8(utf8), IconvWhole("CP932", "UTF-8", utf8, "?")) << at;
    at = end;
  }
  const std::string utf8 = IconvWhole("UTF-8", "CP932", all, "?");
  EXPECT_EQ(ToUtf8(all), utf8);  // a long text: iconv whole
  EXPECT_EQ(FromUtf8(utf8), FromUtf8(utf8, false));
  // What does not convert: a pair cut short, a lead byte with no trail
  // byte after it, a byte that is no character; in UTF-8, a character
  // CP932 lacks (its stand-in, two bytes), a cut sequence, a surrogate.
  const std::string bad = "\xEF\xBF\xBD";
  EXPECT_EQ(ToUtf8("a\x82\xA0" "b\x81"), ToUtf8("a\x82\xA0" "b") + bad);
  EXPECT_EQ(ToUtf8("\x81\x20x"), bad + "x");
  EXPECT_EQ(FromUtf8("あ\xF0\x9F\x98\x80い").size(), 6u);
  EXPECT_EQ(ToUtf8(FromUtf8("あ\xF0\x9F\x98\x80い")), "あ\xF0\x9F\x98\x80い");
  EXPECT_EQ(FromUtf8("あ\xE3\x81"), FromUtf8("あ") + "\x81\xAC");
  EXPECT_EQ(FromUtf8("\xED\xA0\x80z").back(), 'z');
}

TEST(Encoding, LooksLikeUtf8) {
  EXPECT_TRUE(LooksLikeUtf8("こんにちは\n"));
  EXPECT_FALSE(LooksLikeUtf8(FromUtf8("こんにちは\n")));  // CP932
  EXPECT_FALSE(LooksLikeUtf8("plain ascii"));
  EXPECT_FALSE(LooksLikeUtf8(""));
  EXPECT_FALSE(LooksLikeUtf8("\xE3\x81"));  // cut short
}

}  // namespace
}  // namespace nokari
