// Statement plans are caches of reading the text: every program must do the
// same with them as without them (EngineCaches::PlansOff), printing the
// same, failing the same way on the same lines, and taking events at the
// same statement boundaries.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "TestHost.h"
#include "core/EngineCaches.h"
#include "core/Events.h"
#include "words/Value.h"

namespace nokari {
namespace {

using testing::TestEngine;

struct Outcome {
  std::string output, errors, log;
  size_t plans = 0;
};

Outcome RunWith(bool plansOff, const std::string& program) {
  TestEngine t;
  t.e.Caches->PlansOff = plansOff;
  t.Run(program);
  return {t.host.Output, t.host.Errors, ToUtf8(t.e.ErrorLog), t.e.Caches->Plans.size()};
}

void ExpectAgreement(const std::string& program) {
  Outcome planned = RunWith(false, program);
  Outcome read = RunWith(true, program);
  EXPECT_GT(planned.plans, 0u) << "nothing was planned:\n" << program;
  EXPECT_EQ(read.plans, 0u);
  EXPECT_EQ(planned.output, read.output) << program;
  EXPECT_EQ(planned.errors, read.errors) << program;
  EXPECT_EQ(planned.log, read.log) << program;
}

// A verb, a function's particles or a command's name changed between two
// runs of the same planned statement: the next run follows the change.
TEST(PlansAgree, WordsRedefinedBetweenRuns) {
  ExpectAgreement(
      "エラーを無視\n"
      "Iを、1から、3まで、繰り返す（\n"
      "  Iを、出す\n"
      "  表示から、出すへ、単語コピー\n"
      "）\n");
  ExpectAgreement(
      "足し算を、「?と,?を」で、関数定義\n"
      "エラーを無視\n"
      "Iを、1から、3まで、繰り返す（\n"
      "  1と、Iを、足し算\n"
      "  それを、表示\n"
      "  もし、I=2ならば、足し算を、「?を,?に」で、関数定義\n"
      "）\n"
      "おわり\n"
      "*足し算\n"
      "引数取得\n"
      "それは、「[」&それ&「]」\n"
      "戻る\n");
  ExpectAgreement(
      "エラーを無視\n"
      "Iを、1から、3まで、繰り返す（\n"
      "  Iを、見せる\n"
      "  もし、I=1ならば、表示を、「?を 見せる」に、名義変更\n"
      "  Iと、言う\n"
      "）\n");
}

// それ is what the last command left, also across the calls of a user
// function, in statement form and in bracket form (which keeps it).
TEST(PlansAgree, SoreAcrossCalls) {
  ExpectAgreement(
      "倍を、「?を」で、関数定義\n"
      "それは、5\n"
      "Iを、1から、3まで、繰り返す（\n"
      "  Iを、倍\n"
      "  それを、表示\n"
      "  (倍(I)+それ)を、表示\n"
      "  Xは、倍(それ)\n"
      "  それを、表示\n"
      "  Xを、表示\n"
      "）\n"
      "おわり\n"
      "*倍\n"
      "引数取得\n"
      "それは、それ*2\n"
      "戻る\n");
}

// Calls of commands with no effect but their result, made inside compiled
// expressions: in sums, conditions, joins, with それ's type deciding a
// result's, それ read after such a call and as its argument, a call that
// fails on some turns, a word after the call that
// becomes a function (the tree gives up after its call: the reading makes
// both again), and the command's name given to a function partway.
TEST(PlansAgree, QuietCallsInsideExpressions) {
  ExpectAgreement(
      "エラーを無視\n"
      "関数を、「?の」で、関数定義\n"
      "S=「こんにちは」\nW=5\n合計は、0\n"
      "Iを、1から、4まで、繰り返す（\n"
      "  合計は、合計+文字数(S)\n"
      "  もし、文字数(S)>I+2ならば、「長い{I}」を、表示\n"
      "  Xは、置換(S,「に」,I)&文字数(S)\n"
      "  Yは、文字数(S)+W\n"
      "  Zは、1+文字(I-3)\n"
      "  それは、「それ」\n"
      "  Vは、サイン(0)+1\n"
      "  「{合計}:{X}:{Y}:{Z}:{V}」を、表示\n"
      // それ is set aside while such a call runs, unless an argument names it
      "  それは、「1234」&I\n"
      "  Xは、文字数(S)+それ\n"
      "  Yは、文字数(それ)+それ\n"
      "  Zは、文字数(S)\n"
      "  Wは、文字数(それ)\n"
      "  「{X}:{Y}:{Z}:{W}:{それ}」を、表示\n"
      "  もし、I=2ならば、関数から、Wへ、単語コピー\n"
      "  もし、I=3ならば、関数から、文字数へ、単語コピー\n"
      "）\n"
      "おわり\n"
      "*関数\n引数取得\n「関数{それ}」を、表示\nそれは、2\n戻る\n");
}

// A tree that leaves an expression to the reading at every run (a
// function's name as an operand) is tried only now and
// then after eight such runs in a row. The reading decides meanwhile: the
// same values, output and errors, also for a tree whose cause goes away (W
// a function for twenty turns, then a variable) or comes (V a variable,
// then a function), and for conditions.
TEST(PlansAgree, TreesThatFallBackAgreeWhileSkipped) {
  ExpectAgreement(
      "エラーを無視\n"
      "Sは、「a,b,c」\n合計は、0\nV=1\n"
      "Iを、1から、150まで、繰り返す（\n"
      "  Tは、S&「,」&I\n"
      "  Tを、「,」で、区切る\n"
      "  合計は、合計+要素数(それ)\n"
      "  もし、要素数(それ)>I%7ならば、合計は、合計+1\n"
      "  もし、F>I%7ならば、合計は、合計+2\n"
      "  Xは、W+I\n"
      "  Yは、V*2\n"
      "  Zは、1/(I%40)+要素数(T)\n"
      "  もし、I%30=0ならば、「{I}:{合計}:{X}:{Y}:{Z}」を、表示\n"
      "  もし、I=20ならば、Wを、『旧W』に、名義変更\n"
      "  もし、I=20ならば、W=I\n"
      "  もし、I=90ならば、旧Wから、Vへ、単語コピー\n"
      "）\n"
      "「{合計}:{X}:{Y}」を、表示\n"
      "おわり\n"
      "*W\nそれは、5\n戻る\n"
      "*F\nそれは、3\n戻る\n");
}

// An error inside a planned statement names the statement's line, in the
// main text, in a loop's body and in a function's body, every time it runs.
TEST(PlansAgree, ErrorsNameTheirLines) {
  ExpectAgreement(
      "エラーを無視\n"
      "関数を、「?を」で、関数定義\n"
      "Iを、1から、3まで、繰り返す（\n"
      "  Xは、I\n"
      "  「abc」の、切り出せ\n"
      "  Yは、CHR(-1)\n"
      "  Iを、関数\n"
      "  Zは、X+1\n"
      "）\n"
      "Zを、表示\n"
      "おわり\n"
      "*関数\n"
      "引数取得\n"
      "\n"
      "「」の、切り出せ\n"
      "戻る\n");
  // Without エラーを無視 the first error ends the run.
  ExpectAgreement(
      "Iを、1から、3まで、繰り返す（\n"
      "  Xは、I\n"
      "  もし、I=3ならば、「abc」の、切り出せ\n"
      "）\n");
}

// An event queued while a loop runs starts at the next statement boundary,
// between two planned statements, and the loop goes on afterwards. The run
// is stepped one step at a time until the boundary before Jは is reached on
// the third turn, so both ways take the event at the same place.
TEST(PlansAgree, EventBetweenPlannedStatements) {
  const std::string program =
      "合計は、0\n"
      "Iを、1から、5まで、繰り返す（合計は、合計+I。Jは、合計。Kは、J）\n"
      "合計を、表示\n"
      "おわり\n"
      "*割り込み\n"
      "「割り込み{I}:{合計}:{J}」を、表示\n"
      "戻る\n";
  std::string outputs[2];
  for (int off = 0; off < 2; ++off) {
    TestEngine t;
    t.e.Caches->PlansOff = off == 1;
    StartProgram(t.e, FromUtf8(program));
    bool queued = false;
    for (int steps = 0; steps < 10000 && t.e.Cursor && !queued; ++steps) {
      const char* p = t.e.Cursor.P;
      while (*p == ' ' || *p == ',' || *p == ';') ++p;
      THashNode* i = t.e.Words.Find("I");
      if (i && i->Value == "3" && t.e.ArgStack.Count() == 0 && *p == 'J') {
        THashNode* label = t.e.Words.Find(FromUtf8("割り込み"));
        ASSERT_NE(label, nullptr);
        t.e.StepBudget = 0;
        t.e.StopFlag = false;  // a stopping engine takes no events
        EnterLabel(t.e, label->Ref, t.e.FileName);
        queued = true;
        break;
      }
      t.e.StepBudget = 2;  // one step, then the run stops as if ended
      t.e.StopFlag = false;
      RunLoop(t.e);
    }
    ASSERT_TRUE(queued) << "the boundary before Jは was never reached";
    RunLoop(t.e);
    if (off == 0) {
      EXPECT_GT(t.e.Caches->Plans.size(), 0u);
    }
    outputs[off] = t.host.Output;
    EXPECT_EQ(t.host.Errors, "");
  }
  EXPECT_EQ(outputs[0], "割り込み3:6:3\n15\n");
  EXPECT_EQ(outputs[0], outputs[1]);
}

// Events queued while a function called in brackets runs: a window event
// waits until the statement the call stands in is over (never inside an
// evaluation); one the script asked for starts inside the function, right
// after the asking statement, in the function's own level. The same with
// plans as without.
TEST(PlansAgree, EventsWhileABracketCallRuns) {
  const std::string program =
      "倍を、「?を」で、関数定義\n"
      "合計は、0\n"
      "Iを、1から、4まで、繰り返す（\n"
      "  合計は、合計+倍(I)\n"
      "  Xは、倍(I)+文字数(「ab」)\n"
      "）\n"
      "「{合計}:{X}」を、表示\n"
      "おわり\n"
      "*倍\n"
      "引数取得\n"
      "もし、それ=3ならば、「合図」を、表示\n"
      "それは、それ*2\n"
      "戻る\n"
      "*割り込み\n"
      "「割り込み{I}:{合計}」を、表示\n"
      "それは、「割り込みのそれ」\n"
      "戻る\n";
  for (const bool asked : {false, true}) {
    std::string outputs[2];
    for (int off = 0; off < 2; ++off) {
      TestEngine t;
      t.e.Caches->PlansOff = off == 1;
      t.host.OnWrite = [&t, asked](const std::string& text) {
        if (text != "合図") return;
        THashNode* label = t.e.Words.Find(FromUtf8("割り込み"));
        ASSERT_NE(label, nullptr);
        EngineEvent event;
        event.Entry = label->Ref;
        event.FileName = t.e.FileName;
        if (asked) {
          event.From = EngineEvent::Source::Script;
          QueueScriptEvent(t.e, std::move(event));
        } else {
          EXPECT_TRUE(QueueEvent(t.e, std::move(event)));
        }
      };
      t.Run(program);
      if (off == 0) {
        EXPECT_GT(t.e.Caches->Plans.size(), 0u);
      }
      outputs[off] = t.host.Output;
      EXPECT_EQ(t.host.Errors, "");
    }
    // Asked for, the handler runs before それは、それ*2, which then finds
    // the handler's それ (a text: 0), so that call gives 0.
    EXPECT_EQ(outputs[0], asked ? "合図\n割り込み3:6\n合図\n割り込み3:6\n14:10\n"
                                : "合図\n割り込み3:12\n合図\n割り込み3:12\n20:10\n");
    EXPECT_EQ(outputs[0], outputs[1]) << (asked ? "asked by the script" : "a window event");
  }
}

// Double-quoted literals are read once into their texts and expressions;
// evaluating that reading must give what walking the literal gives: the
// same text, the same type left behind, the same error for a missing
// closing quote, every time (the second time from the kept reading).
TEST(LiteralsAgree, KeptReadingsAgreeWithWalking) {
  TestEngine t;
  t.Run("Aは、「x」\n数は、5\n");
  const char* literals[] = {
      "\"abc\"", "\"a{A}b\"", "\"{数+1}\"", "\"x\\ny\\tz\"", "\"\\{A}\"", "\"{A\\n}\"",
      "\"｛数｝と{A}\"", "\"}a{\"", "\"{A}{\"", "\"abc", "\"{A}x", "\"a\"b\"", "\"￥ｎ￥ｔ￥{\"",
      "\"\"", "\"{}\"", "\"{ＡＢ}\"", "\"{(1+2)*3}{数}\"", "\"{A&「y」}\"", "\"{}{}}\"", "\"{A}\\\""};
  for (const char* utf8 : literals) {
    const std::string lit = FromUtf8(utf8);
    for (int round = 0; round < 2; ++round) {
      std::string kept, walked, keptError, walkedError;
      t.e.CurrentType = "e";
      try {
        kept = EvalStringLiteral(t.e, lit);
      } catch (ENoka& err) {
        keptError = err.Message;
      }
      const std::string keptType = t.e.CurrentType;
      t.e.CurrentType = "e";
      try {
        walked = EvalStringLiteralReading(t.e, lit);
      } catch (ENoka& err) {
        walkedError = err.Message;
      }
      EXPECT_EQ(ToUtf8(kept), ToUtf8(walked)) << utf8;
      EXPECT_EQ(ToUtf8(keptError), ToUtf8(walkedError)) << utf8;
      EXPECT_EQ(keptType, t.e.CurrentType) << utf8;
    }
  }
  EXPECT_FALSE(t.e.Caches->Literals.empty());
}

// Expressions inside a literal run in order, each time the literal runs,
// also when they call functions that change what later ones read.
TEST(LiteralsAgree, ExpressionsRunInOrderEveryTime) {
  const std::string program =
      "回数計は、0\n"
      "Iを、1から、3まで、繰り返す（「{数える()}-{数える()}:{回数計}」を、表示）\n"
      "Xは、「{I}行目\\n」\n"
      "Xは、X&「{I}行目\\n」\n"
      "Xを、表示\n"
      "おわり\n"
      "*数える\n"
      "回数計は、回数計+1\n"
      "それは、回数計\n"
      "戻る\n";
  Outcome planned = RunWith(false, program);
  Outcome read = RunWith(true, program);
  EXPECT_EQ(planned.output, "1-2:2\n3-4:4\n5-6:6\n3行目\r\n3行目\r\n\n");
  EXPECT_EQ(planned.output, read.output);
  EXPECT_EQ(planned.errors, read.errors);
}

// 本文は、本文&… appends in place; planned, its pieces are read once. Both
// ways must agree while the words in it change between runs: a word that
// becomes a variable, a variable that becomes a dictionary (no longer
// appended in place), literals with expressions.
TEST(PlansAgree, AppendsWhileTheirWordsChange) {
  ExpectAgreement(
      "エラーを無視\n"
      "本文は、「」\n"
      "Yは、「y」\n"
      "Iを、1から、5まで、繰り返す（\n"
      "  本文は、本文&「{I}行目:」&Y&未定義語&「{Y}\\n」\n"
      "  もし、I=2ならば、未定義語は、「定義」\n"
      "  もし、I=3ならば、Yを、辞書として扱う\n"
      "  もし、I=4ならば、Yは、「z」\n"
      "）\n"
      "本文を、表示\n"
      "本文は、本文&表示\n"
      "本文は、本文&本文\n"
      "本文の、文字数を、表示\n");
}

// 名前#列#行は、値 is planned as a whole statement. Both ways must agree
// on keys given as digits, variables and brackets, a row alone, a value
// that reads the table being written, a variable that is renamed away
// between runs (made again before its value is read, as the reading makes
// it), a dictionary and a number as the owner, a key that fails.
TEST(PlansAgree, ElementWritesAgree) {
  ExpectAgreement(
      "エラーを無視\n"
      "表は、「」\n"
      "Iを、0から、5まで、繰り返す（\n"
      "  Jは、I%3\n"
      "  表#J#Iは、I*10\n"
      "  表#(J+1)#(I)は、表#J#I&「x」\n"
      "  表#Iは、表#I&「,」&I\n"
      "  新表#0#Iは、新表&「y」\n"
      "  もし、I=2ならば、新表を、『旧表』に、名義変更\n"
      "  もし、I=3ならば、辞書の(「a」)は、1\n"
      "  辞書#Iは、I\n"
      "  数は、5\n"
      "  数#1#1は、数\n"
      "  表#(1/0)#Iは、「z」\n"
      "  表#(1+)#Iは、「z」\n"
      "）\n"
      "表を、表示\n"
      "新表を、表示\n"
      "旧表を、表示\n"
      "辞書を、表示\n"
      "数を、表示\n");
}

// Items of a variable that holds key=value lines, read and written many
// times (kept in an index after the first reading): keys in other cases,
// longer and shorter values, a removal, a value or key that would make more
// lines or another key, a text with LF line ends, the value changed by an
// assignment and by a join between the item writes. Read back after each
// turn, and the whole text at the end, as the line-by-line way has them.
TEST(PlansAgree, KeyValueItemsAgree) {
  ExpectAgreement(
      "表は、「」\n"
      "Iを、1から、40まで、繰り返す（\n"
      "  Kは、「k」&(I%7)\n"
      "  表の(K)は、表の(K)&I\n"
      "  もし、I=9ならば、表の(「K3」)は、「大文字」\n"
      "  もし、I=12ならば、表の(「k4」)は、「」\n"
      "  もし、I=15ならば、表の(「k5」)は、「二{\\n}行」\n"
      "  もし、I=18ならば、表の(「a=b」)は、1\n"
      "  もし、I=21ならば、表は、「k1=1{CHR(10)}k2=2{CHR(10)}k1=3」\n"
      "  もし、I=27ならば、表は、表&「{\\n}k6=後」\n"
      "  もし、I=33ならば、表は、「x」\n"
      "  「{I}:{表の(K)}:{表の(k1)}:{表の(「a」)}:{文字数(表)}」を、表示\n"
      "）\n"
      "「[{表}]」を、表示\n");
}

// A literal without its end inside an appending assignment fails the same
// way however often the planned assignment runs, and only once the words
// before it have been checked (a command word before it: no append at all,
// and the ordinary evaluation reports it).
TEST(PlansAgree, AppendWithAnOpenLiteral) {
  for (const char* before : {"Y", "表示"}) {
    std::string errors[2];
    for (int planned = 0; planned < 2; ++planned) {
      TestEngine t;
      t.Run("Xは、「a」\nYは、「b」\n");
      const std::string text = FromUtf8(std::string("X&") + before + "&\"abc");
      AssignTarget target;
      for (int run = 0; run < 2; ++run) {
        try {
          AssignStatement(t.e, "X", text, planned ? &target : nullptr);
          errors[planned] += "none;";
        } catch (ENoka& err) {
          errors[planned] += ToUtf8(err.Message) + ";";
        }
      }
      EXPECT_EQ(ToUtf8(t.e.Words.Find("X")->Value), "a") << before;
    }
    EXPECT_EQ(errors[0], errors[1]) << before;
    EXPECT_NE(errors[0].find("対応するカッコ"), std::string::npos) << errors[0];
  }
}

// A function that starts with 引数取得 takes its arguments as it is
// entered: trimmed, joined when there are several, in statement and bracket
// form and in recursion; a function whose 引数取得 stands indented, after
// a blank line or before another statement on its line; and the word
// 引数取得 made another command between two calls of the same function.
TEST(PlansAgree, ArgumentsTakenOnEntry) {
  ExpectAgreement(
      "囲むを、「?を」で、関数定義\n"
      "並べるを、「?と,?を」で、関数定義\n"
      "数えるを、「?を」で、関数定義\n"
      "Iを、1から、3まで、繰り返す（\n"
      "  「 a b 」を、囲む\n"
      "  それを、表示\n"
      "  Iと、(I*2)を、並べる\n"
      "  それを、表示\n"
      "  (囲む(I)&囲む(「 」&I&「 」))を、表示\n"
      "  3を、数える\n"
      "  それを、表示\n"
      "）\n"
      "エラーを無視\n"
      "Iを、1から、3まで、繰り返す（\n"
      "  Iを、囲む\n"
      "  それを、表示\n"
      "  もし、I=2ならば、表示から、引数取得へ、単語コピー\n"
      "）\n"
      "おわり\n"
      "*囲む\n"
      "  引数取得\n"
      "それは、「[」&それ&「]」\n"
      "戻る\n"
      "*並べる\n"
      "\n"
      "引数取得。それは、「<」&それ&「>」\n"
      "戻る\n"
      "*数える\n"
      "引数取得\n"
      "Nは、それ\n"
      "もし、N<1ならば、(それは、「.」。戻る)\n"
      "(N-1)を、数える\n"
      "それは、N&それ\n"
      "戻る\n");
  // An error on the line after 引数取得 names that line, every call.
  ExpectAgreement(
      "エラーを無視\n"
      "壊すを、「?を」で、関数定義\n"
      "Iを、1から、3まで、繰り返す（Iを、壊す）\n"
      "おわり\n"
      "*壊す\n"
      "引数取得\n"
      "「」の、切り出せ\n"
      "戻る\n");
}

// Statements parted by "。" on one line: the separator after a replayed
// statement is stepped over with it, the line stays the statement's, and
// an error after it names that line; a separator ending a line or a body.
TEST(PlansAgree, SeparatedStatements) {
  ExpectAgreement(
      "エラーを無視\n"
      "Aは、0\n"
      "Iを、1から、4まで、繰り返す（\n"
      "  Aは、A+I。Bは、A*2。Bを、表示。\n"
      "  もし、I>2ならば、(Cは、I。「」の、切り出せ。Cを、表示)\n"
      "  Dは、I。\n"
      "  (Eは、D。)\n"
      "  Eは、E+1。Eの、存在しない命令。Eを、表示\n"
      "）\n"
      "Aを、表示\n");
}

// The line number the debugger shows is the same at every statement
// boundary both ways meet: plans step over line ends and separators for
// the statements they replay, and must leave the line as reading would.
TEST(PlansAgree, LineNumbersAtBoundaries) {
  const std::string program =
      "倍を、「?を」で、関数定義\n"
      "Aは、0\n"
      "Iを、1から、4まで、繰り返す（\n"
      "  Aは、A+I。Bは、A*2。Bを、倍。\n"
      "  もし、I>2ならば、(Cは、I。Dは、C)\n"
      "  Eは、I。\n"
      "\n"
      "  Fは、E。Fを、倍\n"
      "）\n"
      "Aを、表示\n"
      "おわり\n"
      "*倍\n"
      "引数取得\n"
      "それは、それ*2。\n"
      "戻る\n";
  std::map<std::ptrdiff_t, int32_t> lines[2];
  for (int off = 0; off < 2; ++off) {
    TestEngine t;
    t.e.Caches->PlansOff = off == 1;
    StartProgram(t.e, FromUtf8(program));
    for (int steps = 0; steps < 100000 && t.e.Cursor; ++steps) {
      // By place in the main text: it is prepared afresh for each run, so
      // the place is an offset in it.
      if (t.e.ArgStack.Count() == 0 && t.e.Cursor.Buf == t.e.Source)
        lines[off][t.e.Cursor.P - t.e.Source->data()] = t.e.LineNo;
      t.e.StepBudget = 2;
      t.e.StopFlag = false;
      RunLoop(t.e);
    }
    EXPECT_EQ(t.host.Errors, "");
    if (off == 0) {
      EXPECT_EQ(t.host.Output, "10\n");
    }
  }
  size_t shared = 0;
  for (const auto& [place, line] : lines[0]) {
    auto other = lines[1].find(place);
    if (other == lines[1].end()) continue;
    ++shared;
    EXPECT_EQ(line, other->second) << "at offset " << place;
  }
  EXPECT_GT(shared, 10u);
}

// Statements replayed together in one step: a recursion without end stops
// at the frame limit with the same error on the same line, and a run of
// calls and returns prints as it does read one statement at a time.
TEST(PlansAgree, StatementsReplayedTogether) {
  ExpectAgreement(
      "Fを、「?の」で、関数定義\n"
      "1の、F\n"
      "「終」を、表示\n"
      "おわり\n"
      "*F\n"
      "引数取得\n"
      "Nは、それ\n"
      "(N+1)の、F\n"
      "戻る\n");
  ExpectAgreement(
      "Gを、「?の」で、関数定義\n"
      "Iを、1から、3まで、繰り返す（Iの、G。それを、表示。Iの、G。Iの、G。それを、表示）\n"
      "おわり\n"
      "*G\n"
      "引数取得\n"
      "それは、それ*10\n"
      "もし、それ>15ならば、(それは、それ+1。戻る)\n"
      "それは、それ+2\n"
      "戻る\n");
}

// Loops whose bodies are replayed many statements to a step: every kind
// of loop turns and ends as read, with 抜ける and 続ける in branches, loops
// nested, a loop left by a jump, and a loop whose body empties its list.
TEST(PlansAgree, LoopsTurnedWithinAStep) {
  ExpectAgreement(
      "合計は、0\n"
      "Iを、1から、20まで、繰り返す（合計は、合計+I）\n"
      "合計を、表示\n"
      "5回（合計は、合計+回数。Xは、合計）\n"
      "Xを、表示\n"
      "Lは、「a\nb\nc」\n"
      "Lを、反復（Yは、それ。Yを、表示）\n"
      "Zは、0\n"
      "(Z<6)で、ループ（Zは、Z+1。Zは、Z+1）\n"
      "Zを、表示\n"
      "Iを、1から、9まで、繰り返す（\n"
      "  Jを、1から、3まで、繰り返す（Kは、I*J。合計は、合計+K）\n"
      "  もし、I=3ならば、続ける\n"
      "  もし、I=7ならば、抜ける\n"
      "  合計は、合計+1\n"
      "）\n"
      "合計を、表示\n"
      "Iを、1から、5まで、繰り返す（合計は、合計+1。もし、I=4ならば、外へ、飛ぶ）\n"
      "*外\n"
      "合計を、表示\n"
      "Mは、「1\n2\n3」\n"
      "Mを、反復（Mは、「」。Nは、それ）\n"
      "Nを、表示\n");
  // A loop whose condition fails on its fourth turn, with errors ignored:
  // the same errors logged before the run stops where it cannot go on.
  ExpectAgreement(
      "エラーを無視\n"
      "Zは、0\n"
      "(CHR(3-Z)<>「x」)で、ループ（Zは、Z+1。Xは、Z）\n"
      "Zを、表示\n");
  for (const char* body : {"Zは、Z+1", "Zは、Z+1。Xは、Z。Yは、Z", "Zは、Z+1。Xは、Z。Yは、Z。Wは、Z",
                           "Zは、Z+1。Xは、Z。Yは、Z。Wは、Z。Vは、Z"}) {
    ExpectAgreement(std::string("エラーを無視\nZは、0\n(CHR(3-Z)<>「x」)で、ループ（") + body + "）\nZを、表示\n");
    ExpectAgreement(std::string("エラーを無視\nZは、0\n(CHR(3-Z)<>「x」)で、ループ（\n") + body + "\n）\nZを、表示\n");
  }
}

// Loops made with jumps, and errors ignored inside functions and loops,
// where several statements are taken within one step: the same output and
// the same errors logged as one statement a step, the same place stopped at.
TEST(PlansAgree, JumpsAndErrorsTakenTogether) {
  ExpectAgreement(
      "Xは、0\n"
      "*頭\n"
      "Xは、X+1\n"
      "もし、X<50ならば、頭へ、飛ぶ\n"
      "Xを、表示\n"
      "Yは、0\n"
      "*次\n"
      "Yは、Y+1。もし、Y%7=0ならば、Yを、表示\n"
      "もし、Y<30ならば、次へ、飛ぶ\n");
  ExpectAgreement(
      "エラーを無視\n"
      "壊れを、「?を」で、関数定義\n"
      "Iを、1から、6まで、繰り返す（\n"
      "  Iを、壊れ\n"
      "  それを、表示\n"
      "）\n"
      "おわり\n"
      "*壊れ\n"
      "引数取得\n"
      "Nは、それ\n"
      "もし、N%2=0ならば、(それは、CHR(-N)。戻る)\n"
      "それは、N*10\n"
      "戻る\n");
  ExpectAgreement(
      "エラーを無視\n"
      "Xは、0\n"
      "*頭\n"
      "Xは、X+1\n"
      "Yは、CHR(3-X)\n"
      "もし、X<6ならば、頭へ、飛ぶ\n"
      "Xを、表示\n");
}

// Whole numbers are worked on as machine integers while they stay below
// 10^15; every result must be the 80-bit arithmetic's, at the edge of that
// range, with exact and inexact quotients, remainders of negative numbers,
// texts read as numbers, and numbers that become whole or stop being so.
TEST(PlansAgree, WholeNumberArithmetic) {
  ExpectAgreement(
      "Aは、999999999999999\n"
      "Bは、A+1\nBを、表示\n"
      "Bは、A+A\nBを、表示\n"
      "Bは、-A-1\nBを、表示\n"
      "Bは、A*A\nBを、表示\n"
      "Bは、(A+1)-1\nBを、表示\n"
      "Bは、31622776*31622777\nBを、表示\n"
      "Bは、4611686018427387904*4\nBを、表示\n"
      "Bは、7/2\nBを、表示\n"
      "Bは、-9/3\nBを、表示\n"
      "Bは、5/0\nBを、表示\n"
      "Bは、-7%3\nBを、表示\n"
      "Bは、7%-3\nBを、表示\n"
      "Bは、7%0\nBを、表示\n"
      "Bは、0*-1\nBを、表示\n"
      "Bは、(0*-1)^3\nBを、表示\n"
      "Bは、2^10\nBを、表示\n"
      "Bは、「12円」+1\nBを、表示\n"
      "Bは、$FF+1\nBを、表示\n"
      "Cは、「1E3」\nBは、C+1\nBを、表示\n"
      "Bは、(3>2)+(2>=3)*10+(1=1)*100+(1<>1)*1000\nBを、表示\n"
      "Bは、(1かつ0)+(1または0)*10\nBを、表示\n"
      "Dは、0.5\n"
      "Iを、1から、20まで、繰り返す（Dは、D+0.5。もし、I%7=0ならば、Dを、表示）\n"
      "Eは、1\n"
      "Iを、1から、60まで、繰り返す（Eは、E*3）\nEを、表示\n"
      "Fは、100\n"
      "Iを、1から、12まで、繰り返す（Fは、F/2。Fを、表示）\n");
}

// A variable assigned a literal (a number, a text) takes the literal's text
// and type as evaluating it gives them, every turn: also when the word
// became a dictionary, a command's copy or read-only between two runs, or
// did not exist yet.
TEST(PlansAgree, LiteralsAssigned) {
  ExpectAgreement(
      "エラーを無視\n"
      "Iを、1から、6まで、繰り返す（\n"
      "  Aは、05\n"
      "  もし、A=5ならば、「数 {A}」を、表示。違えば、「文字」を、表示\n"
      "  Bは、「05」\n"
      "  もし、B=5ならば、「数 {B}」を、表示。違えば、「文字 {B}」を、表示\n"
      "  Cは、2.50\n"
      "  (C+1)を、表示\n"
      "  Dは、\"\"\n"
      "  (D&「|」)を、表示\n"
      "  新規{I}は、1\n"
      "  もし、I=2ならば、Aの(「k」)は、1\n"
      "  もし、I=3ならば、表示から、Aへ、単語コピー\n"
      "  もし、I=4ならば、Aを、削除\n"
      "  Aを、表示\n"
      "）\n"
      "Xは、5\nXは、「x」\nXを、表示\n");
  // The type goes with the text (the expressions above read it; so does
  // the word itself).
  TestEngine t;
  t.Run("Iを、1から、3まで、繰り返す（Aは、7。Bは、「7」。Cは、\"t\"）\n");
  EXPECT_EQ(t.e.Words.Find("A")->TypeTag, "e");
  EXPECT_EQ(t.e.Words.Find("B")->TypeTag, "s");
  EXPECT_EQ(t.e.Words.Find("C")->TypeTag, "s");
  EXPECT_EQ(t.e.Words.Find("C")->Value, "t");
}

// An item write keeps its owner's name with its plan: the owner made
// again, deleted, or turned into a plain variable between two runs of the
// same statement is found anew each time.
TEST(PlansAgree, ItemWritesFollowTheirOwner) {
  ExpectAgreement(
      "エラーを無視\n"
      "辞書の(「a」)は、0\n"
      "Iを、1から、6まで、繰り返す（\n"
      "  辞書の(I)は、I*2\n"
      "  辞書の(「a」)は、それ\n"
      "  もし、I=2ならば、辞書を、削除\n"
      "  もし、I=4ならば、辞書は、「x」\n"
      "  辞書の(I)を、表示\n"
      "  辞書を、表示\n"
      "）\n");
}

// An item written from a variable takes the variable's text and type as
// they are at each run (copied where it stands), and the owner is checked
// again after the key's evaluation, which may have run a function.
TEST(PlansAgree, ItemWritesCopyVariables) {
  ExpectAgreement(
      "エラーを無視\n"
      "壊すを、「?を」で、関数定義\n"
      "Iを、1から、5まで、繰り返す（\n"
      "  もし、I%2=0ならば、Vは、「v」&I。違えば、Vは、I*3\n"
      "  箱の(I)は、V\n"
      "  (箱の(I)+1)を、表示\n"
      "  もし、I=4ならば、箱の(壊す(I))は、V\n"
      "  箱を、表示\n"
      "）\n"
      "おわり\n"
      "*壊す\n"
      "引数取得\n"
      "箱は、「」\n"
      "戻る\n");
}

// An item key written (N) is N's text when evaluating it would give that
// text, and is evaluated otherwise: numbers with leading zeros, signs,
// fractions, texts, the edge of the whole-number range, a key changed by
// the value's own evaluation (the first turn reads the statement: the
// plan runs from the second on).
TEST(PlansAgree, BracketedKeysReadAsEvaluated) {
  ExpectAgreement(
      "進めるを、「?を」で、関数定義\n"
      "Kは、0\n"
      "Iを、1から、11まで、繰り返す（\n"
      "  もし、I=1ならば、Kは、3\n"
      "  もし、I=2ならば、Kは、007\n"
      "  もし、I=3ならば、Kは、-12\n"
      "  もし、I=4ならば、Kは、-0\n"
      "  もし、I=5ならば、Kは、1.50\n"
      "  もし、I=6ならば、Kは、「08」\n"
      "  もし、I=7ならば、Kは、999999999999999\n"
      "  もし、I=8ならば、Kは、1000000000000000\n"
      "  もし、I=9ならば、Kは、K*1\n"
      "  もし、I=10ならば、Kは、0\n"
      "  Xは、K+1\n"
      "  箱の(K)は、I\n"
      "  もし、I=11ならば、箱の(K)は、進める(I)\n"
      "）\n"
      "箱を、表示\n"
      "Kを、表示\n"
      "おわり\n"
      "*進める\n"
      "引数取得\n"
      "Kは、K+1\n"
      "戻る\n");
}

// An item read whose key is written as a name (途中の(N)) looks for that
// name as a key first: a key of that name added later is found, though the
// name was missing from the same table on every read before.
TEST(PlansAgree, ItemReadsFollowTheirKeys) {
  ExpectAgreement(
      "途中の(5)は、「五」\n"
      "Nは、5\n"
      "Iを、1から、4まで、繰り返す（\n"
      "  Xは、途中の(N)\n"
      "  (X&「/」&途中の(N))を、表示\n"
      "  Xは、途中の(「N」)&途中の(N+0)&途中の(I%2+4)\n  Xを、表示\n"
      "  もし、I=2ならば、途中の(「N」)は、「エヌ」\n"
      "  もし、I=3ならば、途中は、「」\n"
      "）\n");
}

// The first term of an expression is read again as text unless its text is
// a plain number: texts the engine wrote (counters, sums) and texts a
// script wrote (leading zeros, blanks, signs) must give the same answers.
TEST(PlansAgree, FirstTermsReadAsWritten) {
  ExpectAgreement(
      "Aは、007\nBは、A+1\nBを、表示\n"
      "Aは、「 7」\nBは、A+1\nBを、表示\n"
      "Aは、-0\nBは、A-1\nBを、表示\n"
      "Aは、「+3」\nBは、A+1\nBを、表示\n"
      "Iを、1から、3まで、繰り返す（Aは、I*10。Bは、A&1。Bを、表示。Aは、A&「0」。Bは、A+1。Bを、表示）\n"
      "Cは、それ\nCは、C+1\nCを、表示\n");
}

// X は、F(…) with F a user function runs from a plan of the call read
// once: every kind of argument it plans (words, numbers, expressions with
// whole and other values, texts, a particle that fits its slot) and the
// counts it leaves to the reading (one fewer argument than slots, one more,
// a command instead of a function), against the reading itself.
TEST(PlansAgree, BracketCallsOfFunctions) {
  ExpectAgreement(
      "エラーを無視\n"
      "タシザンを、「?と,?を」で、関数定義\n"
      "バイを、「?を」で、関数定義\n"
      "ニを、「?2」で、関数定義\n"  // a particle of digits: numbers lose their last digit to it
      "Aは、3\nSは、「abc」\nZは、「007」\nHは、1.5\n"
      "Iを、1から、4まで、繰り返す（\n"
      "  Xは、タシザン(I, A)\n  Xを、表示\n"
      "  Xは、タシザン(I*2, -5)\n  Xを、表示\n"
      "  Xは、タシザン(I/3, A-1)\n  Xを、表示\n"
      "  Xは、タシザン(H*I, I-H)\n  Xを、表示\n"
      "  Xは、バイ(S)\n  Xを、表示\n"
      "  Xは、バイ(Z)\n  Xを、表示\n"
      "  Xは、バイ(Z+0)\n  Xを、表示\n"
      "  Xは、バイ(S+1)\n  Xを、表示\n"
      "  Xは、バイ(Aを)\n  Xを、表示\n"
      "  Xは、バイ(007)\n  Xを、表示\n"
      "  Xは、タシザン(I)\n  Xを、表示\n"
      "  Xは、バイ(I, A)\n  Xを、表示\n"
      "  Xは、文字数(S)\n  Xを、表示\n"
      "  Xは、ニ(I*6)\n  Xを、表示\n"
      "  Xは、ニ(12)\n  Xを、表示\n"
      "  それを、表示\n"
      "）\n"
      "おわり\n"
      "*ニ\n引数取得\nそれは、「<」&それ&「>」\n戻る\n"
      "*タシザン\n引数取得\nそれは、「[」&それ&「]」\n戻る\n"
      "*バイ\n引数取得\nそれは、それ&「/」&それ\n戻る\n");
  // Recursion in the bracket form: the same planned statement runs inside
  // its own call, and それ is kept across each.
  ExpectAgreement(
      "フィボナッチを、「?の」で、関数定義\n"
      "それは、「前」\n"
      "Iを、0から、12まで、繰り返す（Xは、フィボナッチ(I)。(X&「,」&それ)を、表示）\n"
      "おわり\n"
      "*フィボナッチ\n引数取得\nNは、それ\n"
      "もし、N<2ならば、(それは、N。戻る)\n"
      "それは、フィボナッチ(N-1)\nNは、N+1\n途中の(N)は、それ\n"
      "それは、フィボナッチ(N-2)\nNは、N+2\nそれは、途中の(N)+それ\n戻る\n");
}

// The function a planned bracket call finds changes between runs: its
// particles, its number of slots, a word of the script's copied over it.
// An argument that runs a label as it is evaluated runs before the words
// are read, as when the call is read.
TEST(PlansAgree, BracketCallsFollowTheirFunction) {
  ExpectAgreement(
      "エラーを無視\n"
      "Fを、「?を」で、関数定義\n"
      "Iを、1から、5まで、繰り返す（\n"
      "  Xは、F(I, 2)\n  Xを、表示\n"
      "  Xは、F(I)\n  Xを、表示\n"
      "  もし、I=1ならば、Fを、「?と,?を」で、関数定義\n"
      "  もし、I=2ならば、Fを、「?の」で、関数定義\n"
      "  もし、I=3ならば、表示から、Fへ、単語コピー\n"
      "）\n"
      "おわり\n"
      "*F\n引数取得\nそれは、「<」&それ&「>」\n戻る\n");
  ExpectAgreement(
      "Fを、「?と,?を」で、関数定義\n"
      "Cは、0\n"
      "Iを、1から、3まで、繰り返す（Xは、F(G+I, C)。Xを、表示。Cを、表示）\n"
      "おわり\n"
      "*G\nCは、C+1\nそれは、C*10\n戻る\n"
      "*F\n引数取得\nそれは、それ&「!」\n戻る\n");
}

// Commands in bracket form run from the same plan: literals (with embedded
// expressions, backquoted), expressions with whole and other values, a
// word of a flow command refused, too few and too many phrases for the
// slots, and a command a script's label replaces between runs.
TEST(PlansAgree, BracketCallsOfCommands) {
  ExpectAgreement(
      "エラーを無視\n"
      "Sは、「abcabc」\n"
      "Iを、1から、4まで、繰り返す（\n"
      "  Xは、文字数(S)\n  Xを、表示\n"
      "  Xは、置換(S, \"a\", \"{I}個\")\n  Xを、表示\n"
      "  Xは、置換(S, `b`, I*2)\n  Xを、表示\n"
      "  Xは、置換(S, \"c\", I/4)\n  Xを、表示\n"
      "  Xは、戻る()\n  Xを、表示\n"
      "  Xは、置換(S, \"a\")\n  Xを、表示\n"
      "  Xは、置換(S, \"a\", \"b\", \"c\")\n  Xを、表示\n"
      "  Xは、ナガサ(S)\n  Xを、表示\n"
      "  もし、I=1ならば、文字数から、ナガサへ、単語コピー\n"
      "  もし、I=2ならば、ナガサを、「?の」で、関数定義\n"
      "）\n"
      "おわり\n"
      "*ナガサ\n引数取得\nそれは、「<」&それ&「>」\n戻る\n");
}

// An item written from a bracket call (結果の(I)は、F(I)), the function also
// writing into the same dictionary and emptying it, and a command's result.
TEST(PlansAgree, BracketCallsIntoItems) {
  ExpectAgreement(
      "エラーを無視\n"
      "バイを、「?を」で、関数定義\n"
      "Sは、「abc」\n"
      "Iを、1から、4まで、繰り返す（\n"
      "  結果の(I)は、バイ(I)\n"
      "  結果の(「n{I}」)は、文字数(S&I)\n"
      "  結果の(I+10)は、文字数(S)\n"
      "）\n"
      "結果を、表示\n"
      "おわり\n"
      "*バイ\n引数取得\nXは、それ\n結果の(「中{X}」)は、X\n"
      "もし、X=3ならば、結果は、「」\n"
      "それは、X*2\n戻る\n");
}

// Errors in and around a planned bracket call: in the function's body (its
// line named), in an argument, and a recursion without end stopped at the
// same depth either way.
TEST(PlansAgree, BracketCallsFailAsRead) {
  ExpectAgreement(
      "エラーを無視\n"
      "Fを、「?を」で、関数定義\n"
      "Iを、1から、3まで、繰り返す（\n"
      "  Xは、F(I)\n  Xを、表示\n"
      "  Yは、F(I+)\n  Yを、表示\n"
      "）\n"
      "おわり\n"
      "*F\n引数取得\n「」の、切り出せ\nそれは、それ*3\n戻る\n");
  ExpectAgreement(
      "フカイを、「?の」で、関数定義\n"
      "Xは、フカイ(1)\nXを、表示\n"
      "おわり\n"
      "*フカイ\n引数取得\nNは、それ\nそれは、フカイ(N+1)\n戻る\n");
  // The depth reached before the guard stops it, errors ignored at each level.
  ExpectAgreement(
      "エラーを無視\n"
      "フカイを、「?の」で、関数定義\n"
      "Dは、0\nXは、フカイ(1)\nDを、表示\n"
      "おわり\n"
      "*フカイ\n引数取得\nDは、それ\nそれは、フカイ(D+1)\n戻る\n");
}

// A planned value joined with "&" (or a literal with {…} in it alone) is
// read once into its pieces; each run
// takes a variable's value where it stands and evaluates any other word as
// the reading does, at its turn. Both ways must agree while the words
// change between runs: a variable that becomes a dictionary, a missing
// word that becomes a variable and then a function (run at its place in
// the join, after the pieces before it), a command word, a word whose
// folded form is a command, numbers, それ, texts with expressions that run
// a label changing a later piece, item targets, and values that are not
// planned as joins (a number first, && , an open literal).
TEST(PlansAgree, JoinsFollowTheirWords) {
  ExpectAgreement(
      "エラーを無視\n"
      "Aは、「a」\nBは、「b」\nNは、7\n表は、「p,q\\nr,s」\n行は、「キー=値」\n"
      "Iを、1から、5まで、繰り返す（\n"
      "  Xは、A&「-」&B&ミテイギ&N\n  Xを、表示\n"
      "  Xは、「[」&それ&「]」&`q`&「」\n  Xを、表示\n"
      "  Xは、「{カエル}」&B&「{B}」\n  Xを、表示\n"
      "  Xは、「{カエル}」\n  Xを、表示\n"
      "  Xは、「<{I*2}>{B}{ミテイギ}」\n  Xを、表示\n"
      "  Xは、「a{b」\n  Xを、表示\n"
      "  Xは、「{}」\n  Xを、表示\n"
      "  途中の(I)は、B&I\n  Yは、途中の(I)\n  Yを、表示\n"
      "  Yは、途中の(I)&「/」&表#1&途中の(「キー」)&表#(I%2)#0&途中の(B) & 行の(キー)\n  Yを、表示\n"
      "  Yは、表#I#0&「.」\n  Yを、表示\n"
      "  A&「:」&ミテイギ&「{I}」&表#0#0を、表示\n"
      "  「{カエル}」&Bを、表示\n"
      "  (B&「/」&途中の(I))を、表示\n"
      "  もし、I=3ならば、表は、「x,y\\nz,w」\n"
      "  もし、I=4ならば、途中の(「キー」)は、「鍵」\n"
      "  Xは、A & B\n  Xを、表示\n"
      "  Xは、A&今日&B\n  Xの、文字数を、表示\n"
      "  Xは、A&足し\n  Xを、表示\n"
      "  Xは、1&A\n  Xを、表示\n"
      "  Xは、A&&B\n  Xを、表示\n"
      "  もし、I=2ならば、ミテイギは、「定義」\n"
      "  もし、I=3ならば、Bを、辞書として扱う\n"
      "  もし、I=4ならば、Bは、「b2」\n"
      "  もし、I=4ならば、ミテイギを、消す\n"
      "  もし、I=4ならば、カンスウから、ミテイギへ、単語コピー\n"
      "）\n"
      "おわり\n"
      "*カエル\nBは、B&「!」\nそれは、「蛙」\n戻る\n"
      "*カンスウ\nNは、N+1\nそれは、「関数」\n戻る\n");
  // An error inside a join (a function that fails) names the same line
  // either way, at every run.
  ExpectAgreement(
      "エラーを無視\n"
      "Aは、「a」\n"
      "Iを、1から、3まで、繰り返す（\n"
      "  Xは、A&シッパイ&A\n  Xを、表示\n"
      "）\n"
      "おわり\n"
      "*シッパイ\n「」の、切り出せ\nそれは、「x」\n戻る\n");
  // A join at the bottom of a recursion without end: stopped at the same
  // depth.
  ExpectAgreement(
      "エラーを無視\n"
      "フカイを、「?の」で、関数定義\n"
      "Dは、0\nXは、フカイ(1)\nDを、表示\n"
      "おわり\n"
      "*フカイ\n引数取得\nDは、それ\nEは、D&「,」&D\nそれは、フカイ(D+1)\n戻る\n");
}

// A condition that compares texts is decided on its compiled form: the
// same branch as reading it, for texts equal and not, texts that read as
// numbers (a comparison of a number with a text compares texts), empty
// texts, orderings, かつ and または, and a variable whose type changes
// between runs.
TEST(PlansAgree, ConditionsOnTexts) {
  ExpectAgreement(
      "Sは、「abc」\nTは、「007」\n空は、「」\n"
      "Iを、1から、4まで、繰り返す（\n"
      "  もし、Sが、「abc」ならば、「一致」を、表示。違えば、「不一致」を、表示\n"
      "  もし、Tが、7ならば、「7と等しい」を、表示\n"
      "  もし、T=「7」ならば、「文字7」を、表示\n"
      "  もし、Tが、「007」ならば、「007」を、表示\n"
      "  もし、S<「abd」ならば、「小さい」を、表示\n"
      "  もし、S>「ab」ならば、「大きい」を、表示\n"
      "  もし、空が、「」ならば、「空」を、表示\n"
      "  もし、S<>「x」かつI>2ならば、「かつ」を、表示\n"
      "  もし、S=「x」または、I=1ならば、「または」を、表示\n"
      "  もし、S=T&「」ならば、「同じ」を、表示\n"
      "  もし、I=2ならば、Sは、「x」\n"
      "  もし、I=3ならば、Sは、5\n"
      "  もし、I=3ならば、Tは、5\n"
      "）\n");
}

// A command whose phrase is a literal with {…} (「{I}番」を、表示) is planned
// with the literal evaluated again at its turn: before the later phrases
// are evaluated and the verb is looked up, as the reading does. The
// literal's {…} runs a function that changes a later phrase's variable and,
// once, renames the verb; a literal joined with & to what follows, two
// literals, one on a line the statement continues from, one as the verb
// (not planned), one assigned to, and errors inside the {…} and in the verb.
TEST(PlansAgree, LiteralPhrasesEvaluatedAtTheirTurn) {
  ExpectAgreement(
      "足し算を、「?と,?を」で、関数定義\n"
      "エラーを無視\n"
      "Bは、「b」\n"
      "Iを、1から、4まで、繰り返す（\n"
      "  「{I}番」を、表示\n"
      "  「<{I*2}>」の、文字数\n  それを、表示\n"
      "  「{カエル}」と、Bを、足し算\n  それを、表示\n"
      "  「{I}」と、「{I*3}」を、足し算\n  それを、表示\n"
      "  「[{I}]」&B&「{I}」を、表示\n"
      "  「{I}-{B}」を、\n    表示\n"
      "  「{I}」\n  それを、表示\n"
      "  「{I}」は、5\n"
      "  「{シッパイ}」を、表示\n"
      "  「{I}」を、ミテイギ\n"
      "  「{カワル}」を、見せる\n"
      "）\n"
      "おわり\n"
      "*足し算\n引数取得\nそれは、それ&「+」&B\n戻る\n"
      "*カエル\nBは、B&「!」\nそれは、「蛙」\n戻る\n"
      "*シッパイ\n「」の、切り出せ\nそれは、「x」\n戻る\n"
      "*カワル\nもし、I=2ならば、表示を、「?を 見せる」に、名義変更\nそれは、I\n戻る\n");
  // A literal whose {…} calls the function it stands in: each level
  // evaluates its own.
  ExpectAgreement(
      "ツミを、「?の」で、関数定義\n"
      "3の、ツミ\nそれを、表示\n"
      "おわり\n"
      "*ツミ\n引数取得\nNは、それ\n"
      "もし、N<1ならば、(それは、「.」。戻る)\n"
      "「{N}{ツミ(N-1)}」の、文字数\n"
      "それは、それ&「:」&N\n"
      "戻る\n");
}

// A command that starts with a call in brackets (文字数(S)を、表示) is
// planned with the call made again at every run, first, as the reading
// makes it: a function whose call changes a later phrase's variable, a
// command, a call with a literal with {…} after it, a statement continued
// on the next line, a call that fails, a name that is copied over or
// removed between runs, one renamed and its name made a variable's (the
// statement is read again), a call alone (not planned), and a recursion
// through such statements.
TEST(PlansAgree, LeadingCallsMadeAtTheirTurn) {
  ExpectAgreement(
      "足し算を、「?と,?を」で、関数定義\n"
      "カエルを、「?の」で、関数定義\n"
      "ヘンシンを、「?の」で、関数定義\n"
      "エラーを無視\n"
      "Bは、「b」\nSは、「abcdef」\n"
      "Iを、1から、4まで、繰り返す（\n"
      "  文字数(S)を、表示\n"
      "  INT(I*2.5)の、文字数\n  それを、表示\n"
      "  カエル(I)と、Bを、足し算\n  それを、表示\n"
      "  文字数(S&I)と、「{I}{B}」を、足し算\n  それを、表示\n"
      "  文字数(B)を、\n    表示\n"
      "  シッパイ(I)を、表示\n"
      "  ヘンシン(I)を、表示\n"
      "  文字数(S)\n  それを、表示\n"
      "  もし、I=2ならば、カンスウから、ヘンシンへ、単語コピー\n"
      "  もし、I=3ならば、ヘンシンを、消す\n"
      "）\n"
      "おわり\n"
      "*足し算\n引数取得\nそれは、それ&「+」&B\n戻る\n"
      "*カエル\n引数取得\nBは、B&それ\nそれは、「蛙」\n戻る\n"
      "*シッパイ\n「」の、切り出せ\nそれは、「x」\n戻る\n"
      "*ヘンシン\n引数取得\nそれは、それ*10\n戻る\n"
      "*カンスウ\n引数取得\nそれは、それ*100\n戻る\n");
  ExpectAgreement(
      "ヘンシンを、「?の」で、関数定義\n"
      "エラーを無視\n"
      "Iを、1から、3まで、繰り返す（\n"
      "  ヘンシン(I)を、表示\n"
      "  もし、I=1ならば、(ヘンシンを、「?の ベツ」に、名義変更。ヘンシンは、「変数」)\n"
      "）\n"
      "おわり\n"
      "*ヘンシン\n引数取得\nそれは、それ*10\n戻る\n");
  ExpectAgreement(
      "ツミを、「?の」で、関数定義\n"
      "3の、ツミ\nそれを、表示\n"
      "おわり\n"
      "*ツミ\n引数取得\nNは、それ\n"
      "もし、N<1ならば、(それは、「.」。戻る)\n"
      "ツミ(N-1)の、文字数\n"
      "それは、それ&N\n"
      "戻る\n");
}

}  // namespace
}  // namespace nokari
