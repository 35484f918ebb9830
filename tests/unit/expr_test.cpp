// Numbers, literals, expressions and the compiled expression cache.
#include <gtest/gtest.h>

#include "TestHost.h"
#include "words/Contract.h"
#include "words/Expr.h"

namespace nokari {
namespace {

using testing::TestEngine;

TEST(Numbers, FormatGeneral15Digits) {
  EXPECT_EQ(FormatNumber(10.0L / 3), "3.33333333333333");
  EXPECT_EQ(FormatNumber(1e20L), "1E20");
  EXPECT_EQ(FormatNumber(1e15L), "1E15");
  EXPECT_EQ(FormatNumber(123456789012345.0L), "123456789012345");
  EXPECT_EQ(FormatNumber(1e-6L), "1E-6");
  EXPECT_EQ(FormatNumber(0.00001L), "0.00001");
  EXPECT_EQ(FormatNumber(-0.5L), "-0.5");
  EXPECT_EQ(FormatNumber(1.5e-7L), "1.5E-7");
  EXPECT_EQ(FormatNumber(0.1L + 0.2L), "0.3");
  EXPECT_EQ(FormatNumber(-0.0L), "0");
}

TEST(Numbers, ToNumberReadsThePrefix) {
  EXPECT_EQ(ToNumber(FromUtf8("12円")), 12);
  EXPECT_EQ(ToNumber(FromUtf8("１２，３４５")), 12345);
  EXPECT_EQ(ToNumber("-$10"), 0);
  EXPECT_EQ(ToNumber(""), 0);
  EXPECT_EQ(ToNumber("$FF"), 255);
  EXPECT_EQ(ToNumber("$FFFFFFFF"), -1);
  EXPECT_EQ(ToNumber("1.0e5"), 100000);
  EXPECT_EQ(ToNumber("1e3"), 1000);  // the system's own output reads back
  EXPECT_EQ(ToNumber("1E20"), 1e20L);
  EXPECT_EQ(ToNumber("abc"), 0);
}

TEST(Numbers, IntegerConversionsSaturate) {
  EXPECT_EQ(ToInt64(1e30L), INT64_MAX);
  EXPECT_EQ(ToInt64(-1e30L), INT64_MIN);
  EXPECT_EQ(ToInt64(__builtin_nanl("")), 0);
  EXPECT_EQ(ToInt64(-2.7L), -2);
  EXPECT_EQ(IntDefault("12", -1), 12);
  EXPECT_EQ(IntDefault("1.5", -1), -1);
  EXPECT_EQ(IntDefault("99999999999999999999", -1), -1);
}

TEST(Expressions, PrecedenceAndArithmetic) {
  TestEngine t;
  EXPECT_EQ(t.Eval("1+2*3"), "7");
  EXPECT_EQ(t.Eval("2*3^2"), "36");
  EXPECT_EQ(t.Eval("2^3^2"), "64");
  EXPECT_EQ(t.Eval("10/3"), "3.33333333333333");
  EXPECT_EQ(t.Eval("7%3"), "1");
  EXPECT_EQ(t.Eval("-7%3"), "-1");
  EXPECT_EQ(t.Eval("5/0"), "0");
  EXPECT_EQ(t.Eval("5%0"), "0");
  EXPECT_EQ(t.Eval("0^0"), "1");
  EXPECT_EQ(t.Eval("-2*3"), "-6");
  EXPECT_EQ(t.Eval("3*-2"), "-6");
  EXPECT_EQ(t.Eval("1--2"), "3");
  EXPECT_EQ(t.Eval("-(1+2)"), "-3");
  EXPECT_EQ(t.Eval("1 2"), "1");
  // ^ and | end a word as the other operators do: A^2 is no word of its own.
  t.Run("A=7\nS=「a」\n");
  EXPECT_EQ(t.Eval("A^2"), "49");
  EXPECT_EQ(t.EvalReading("A^2+1"), "50");
  EXPECT_EQ(t.Eval("S=「b」||S=「a」"), "1");
  EXPECT_EQ(t.EvalReading("A>8||S"), "0");
}

TEST(Expressions, ComparisonsFollowTheRightOperandsType) {
  TestEngine t;
  EXPECT_EQ(t.Eval("「5」=「05」"), "0");
  EXPECT_EQ(t.Eval("5=「05」"), "0");
  EXPECT_EQ(t.Eval("「05」=5"), "1");
  EXPECT_EQ(t.Eval("「abc」=0"), "1");
  EXPECT_EQ(t.Eval("1<2<3"), "1");
  EXPECT_EQ(t.Eval("「b」>「a」"), "1");
  EXPECT_EQ(t.Eval("-1 && 1"), "0");
  EXPECT_EQ(t.Eval("2 || 0"), "1");
  EXPECT_EQ(t.Eval("3<>4"), "1");
  EXPECT_EQ(t.Eval("3=>4"), "0");
}

TEST(Expressions, JoiningAndTypes) {
  TestEngine t;
  EXPECT_EQ(t.Eval("1&2"), "12");
  EXPECT_EQ(t.e.CurrentType, "s");
  EXPECT_EQ(t.Eval("1+1&1"), "21");
  EXPECT_EQ(t.Eval("(1+1)&1"), "21");
  EXPECT_EQ(t.Eval("(「ab」)"), "ab");
  EXPECT_EQ(t.e.CurrentType, "s");
}

TEST(Expressions, ErrorsAreWrapped) {
  TestEngine t;
  for (const char* bad : {"1<<2", "*3", "1+*2", "1|"}) {
    try {
      t.Eval(bad);
      ADD_FAILURE() << bad;
    } catch (ENoka& err) {
      EXPECT_NE(ToUtf8(err.Message).find("計算式に誤りがあります。"), std::string::npos) << bad;
    }
  }
}

TEST(Expressions, DeepNestingNeverCrashes) {
  TestEngine t;
  std::string some(100, '(');
  some += "1" + std::string(100, ')');
  EXPECT_EQ(t.Eval(some), "1");
  std::string deep(100000, '(');
  deep += "1" + std::string(100000, ')');
  EXPECT_THROW(t.Eval(deep), ENoka);
}

// The compiled form must agree with the reading evaluator everywhere.
TEST(Expressions, CompiledAgreesWithReading) {
  TestEngine t;
  t.Run("A=7\nB=「abc」\nC=「05」\nD=-3\nE=1.5\n");
  const char* cases[] = {
      "A+1",     "A*A-A",   "(A+2)%3",  "A/2",      "B&A",       "A&B",      "B=「abc」", "C=5",
      "5=C",     "C+1",     "-D",       "--D",      "D*-1",      "A>3&&B",   "E*2",       "(E)&(A)",
      "X+1",     "X&Y",     "A^2",      "(A)=(7)",  "1+(A-7)",   "$10+A",    "A+1&1",     "(A<8)+(A>6)",
      "B<「abd」", "0.1+0.2", "A%0",     "(B)&1",    "10/(A-7)",  "1e3+A",    "-(A)",      "A<>7",
      // Brackets holding literals, one with a bracket in it.
      "(B&「x」)", "(「a」=B)", "(「(」)&A", "(「)」&B)", "(`(`)&1", "((「a」))", "(「a」)+1", "(「{A}」)",
  };
  for (const char* c : cases) EXPECT_EQ(t.Eval(c), t.EvalReading(c)) << c;
}

// A variable and a constant with an operator between them take a shorter
// integer way once the variable is resolved: every operator, at the edges
// where that way must give up (inexact division, zero divisors, the
// 15-digit range) and with operands that are texts, numbers written with
// extra digits or too large, evaluated often enough to take it.
TEST(Expressions, VariableThenConstantAgreesWithReading) {
  TestEngine t;
  t.Run("A=7\nZ=0\nM=-9\nS=「12」\nP=「007」\nT=「abc」\nH=999999999999999\nF=1.5\n");
  const char* cases[] = {
      "A+1",  "A-10", "A*3", "A/2",  "A/7",  "A/0",  "A%3",   "A%0",   "A%-1", "M%4",  "M/3",
      "A<8",  "A>7",  "A=7", "A<>7", "A<=7", "A>=8", "A&&1",  "Z||0",  "H+1",  "H*10", "M-H",
      "S+1",  "S<13", "S=12", "P+1", "P=7",  "P<8",  "T+1",   "T=0",   "T<1",  "F*2",  "F+1",
      "Z/0",  "Z%0",  "M*-1", "A^2",
  };
  for (int round = 0; round < 3; ++round)
    for (const char* c : cases) EXPECT_EQ(t.Eval(c), t.EvalReading(c)) << c << " (round " << round << ")";
}

// Each text as an argument (value and type tag) and, with `asExpression`,
// as an expression: compiled and read, the same.
template <size_t N>
void ExpectArgumentsAgree(TestEngine& t, const char* const (&cases)[N], bool asExpression) {
  for (const char* c : cases) {
    std::string compiled = t.Arg(c);
    std::string compiledType = t.e.CurrentType;
    std::string reading = t.ArgReading(c);
    EXPECT_EQ(compiled, reading) << c;
    EXPECT_EQ(compiledType, t.e.CurrentType) << c;
    if (asExpression) {
      EXPECT_EQ(t.Eval(c), t.EvalReading(c)) << c;
    }
  }
}

// Arguments too: lone words, lone brackets and dictionary items are
// compiled, and both value and type tag must match the reading.
TEST(Expressions, CompiledArgumentsAgreeWithReading) {
  TestEngine t;
  t.Run("A=7\nS=「12」\nT=「abc」\nE=1.5\nK=「k」\n辞書の「k」は、5\n辞書の「x」は、「文字」\n"
        "辞書の「K」は、「そのまま」\n変数=「k=1」\n");
  const char* cases[] = {
      "A",          "S",          "T",           "(S)",          "(A-1)",        "S+1",
      "S*2",        "S<2",        "S<「2」",     "2<S",          "S=「12」",     "T+1",
      "辞書の(K)",  "辞書の(K)+1", "1+辞書の(K)", "(辞書の(K))*2", "辞書の(x)",    "辞書の(x)&1",
      "辞書の(無)", "辞書の(Z)+1", "変数の(K)",   "無い物の(K)",  "(E)",          "E*2+(S)",
      "辞書の(K)<6", "未定義",     "(T)",         "-(S)",         "辞書の(K)&A",  "A&辞書の(K)",
      // Lone literals are their own text: numbers as written, hex as its
      // value, string literals without their quotes.
      "5",          "007",        "1.50",        "1e3",          "$1F",          "0",
      "「abc」",    "「」",       "`x y`",       "\"12\"",      "「 a 」",      "12個",
  };
  ExpectArgumentsAgree(t, cases, false);
}

// Items whose key is a literal or an expression are compiled too: the key
// as written is looked for first (a key "I%5" stands in the dictionary),
// then its value; keys that are texts, numbers with extra digits or not
// whole, nested items, joins and calls (left to the reading), and owners
// that are no dictionary, in values, arithmetic and comparisons.
TEST(Expressions, ItemKeysAgreeWithReading) {
  TestEngine t;
  t.Run("A=7\nN=5\nI=7\nS=「abc」\n辞書の(5)は、「五」\n辞書の(「キー」)は、「鍵」\n"
        "辞書の(「I%5」)は、「書いたまま」\n辞書の(2)は、2\n辞書の(2.5)は、「半」\n辞書の(「007」)は、「ゼロ」\n"
        "辞書の(「鍵」)は、「入れ子」\n変数=「キー=1」\n");
  const char* cases[] = {
      "辞書の(「キー」)",       "辞書の(「ない」)",  "辞書の(N)",          "辞書の(N+0)",      "辞書の(I%5)",
      "辞書の(N/2)",            "辞書の(5)",         "辞書の(007)",        "辞書の(A-2)",      "辞書の(-N)",
      "辞書の((N))",            "辞書の(S&「x」)",   "辞書の(「キー」)&1", "辞書の(A%5)+1",    "辞書の(A%5)=2",
      "1+辞書の(A-5)",          "変数の(「キー」)",  "変数の(N+1)",        "`x`&辞書の(`キー`)", "辞書の(「{N}」)",
      "辞書の(辞書の(「キー」))", "辞書の(文字数(S))", "辞書の(「キー」)<「鍵」", "無い物の(「キー」)",
  };
  for (int round = 0; round < 2; ++round) ExpectArgumentsAgree(t, cases, true);
  EXPECT_EQ(t.Arg("辞書の(I%5)"), "書いたまま");
  EXPECT_EQ(t.Arg("辞書の(A%5)"), "2");
  EXPECT_EQ(t.Arg("辞書の(「キー」)"), "鍵");
}

// Elements 名前#i and 名前#i#j are compiled when their indexes are digits,
// variables or brackets: rows and cells in and out of range, indexes that
// are no integers, a row index followed by "#" (an element of the index
// itself), owners that are no variable, in values, joins and comparisons,
// before and after the table changes.
TEST(Expressions, ElementsAgreeWithReading) {
  TestEngine t;
  t.Run("表は、「a,b,c\nd,e,f\ng,h,i」\nI=1\nJ=2\nK=「x」\nM=-1\nL=「1,2」\n一行は、「p,q」\n"
        "辞書の(1)は、2\n");
  const char* cases[] = {
      "表#1",      "表#1#2",       "表#0#0",       "表#9",        "表#1#9",        "表#-1",
      "表#I",      "表#I#J",       "表#J#I",       "表#(I+1)",    "表#(I-1)#(J)",  "表#「1」",
      "表#01",     "表#1.5",       "表#K",         "表#1#M",      "表#1#K",        "一行#0",
      "一行#0#1",  "表#1&「x」",   "「x」&表#1",   "表#1=「d,e,f」", "表#2#0+1",   "表#1#2<「g」",
      "辞書#1",    "無い#1",       "表#L#0",       "(表#1#1)",    "表#(I)#0&表#0#(J)", "表#I#L",
      "表#J#I#J",  "表#K#1",       "表#M#J",
  };
  for (int round = 0; round < 2; ++round) {
    ExpectArgumentsAgree(t, cases, true);
    t.Run("表は、「1,2\n3,4」\n");
  }
  EXPECT_EQ(t.Arg("表#0#1"), "3");  // column, then row
  t.Run("表は、「1,2\n3,4」\nI=1\n");
  EXPECT_EQ(t.Arg("表#I#0"), "2");  // a variable column too
}

// A value whose first term is read apart (a call) and then joined to the
// rest of its text as a new expression ("(" value "+…)") makes a new text
// whenever the value changes. Those are read, not compiled and kept: 20,000
// of them would fill the compiled cache twice over, and each time it fills
// it is emptied and every kept form compiled again. (At most one emptying
// may fall to this test when others filled the cache before it.)
TEST(Expressions, MadeExpressionsLeaveTheCacheAlone) {
  TestEngine t;
  const uint64_t epoch = CompiledEpochNow;
  EXPECT_EQ(t.Run("Nは、0\nSは、「abc」\nIを、1から、20000まで、繰り返す（Nは、N+文字数(S)）\nNを、表示\n"
                  "(N*2+文字数(S))を、表示\n"),
            "60000\n120003\n");
  EXPECT_LE(CompiledEpochNow - epoch, 1u);
}

// A value handed on as one backquoted literal or plain number (a literal
// with {…} read with its statement, a bracket call's result) is taken as it stands: the
// same text and type as reading it, and anything that is not one whole
// literal is still read (joins, expressions, a quote that is a character's
// second byte, doubled quotes, one left open).
TEST(Expressions, HandedOnLiteralsAgreeWithReading) {
  TestEngine t;
  t.Run("A=7\n");
  const char* cases[] = {
      "`abc`", "`5`",   "``",     "`a``b`",  "````",   "`a`&`b`", "`5`+1",  "`5`<6",  "`x`&A",
      "`～`",  "`～～`", "`表`",   "`ソ`",    "`a b`",  "`1,000`", "`{A}`",  "`\\n`",
      // numbers written plainly, and texts that only start like one
      "123",   "007",   "1.50",   "0",       "0.0",    "98765432109876543210", "1.",  "1.2.3",  "12個",
      "1e3",   "1,000", "5+1",    "5 ",
  };
  ExpectArgumentsAgree(t, cases, false);
  EXPECT_EQ(t.Arg("`a``b`"), "a`b");
  EXPECT_EQ(t.Arg("`～`"), "～");
  // A literal whose last quote is doubled, or is the second byte of ～
  // (CP932 81 60, given as they stand), is open: the reading's error.
  for (const std::string& open : {std::string("`a``"), std::string("`\x81\x60")}) {
    std::string fast, reading;
    try { EvalArg(t.e, open); } catch (const ENoka& err) { fast = err.Message; }
    try { EvalArgReading(t.e, open); } catch (const ENoka& err) { reading = err.Message; }
    EXPECT_FALSE(fast.empty()) << open;
    EXPECT_EQ(fast, reading) << open;
  }
}

// Calls of commands with no effect but their result are made inside
// compiled expressions: value and type as the reading gives them, with
// words, numbers, literals and expressions as arguments, as the first term
// (a text is put back as a literal), behind a sign, in comparisons, joins,
// item keys and element indexes; calls whose result changes with それ's
// type; failing calls; calls the tree must leave to the reading.
TEST(Expressions, QuietCallsAgreeWithReading) {
  TestEngine t;
  t.Run("A=7\nS=「こんにちは」\nT=「abc」\nE=1.5\n辞書の(5)は、「五」\n表=「甲,乙\\n丙,丁」\n");
  const char* cases[] = {
      "A+文字数(S)",        "文字数(S)+A",         "文字数(S)*2-1",        "-文字数(S)+1",       "1-文字数(T)",
      "文字数(S)>3",        "3<文字数(S)",         "文字数(S)=文字数(T)+2", "A+文字数(「ab」)",   "A+文字数(``)",
      "置換(S,「に」,「X」)&1", "置換(T,「b」,「」)=「ac」", "A+置換(T,「b」,「1」)", "大文字変換(T)&A",   "1+大文字変換(T)",
      "INT(E)+ABS(-2)",     "INT(E*3)+1",          "INT(A/2)*2",            "四捨五入(E,0)+1",     "HEX(255)&「!」",
      "(文字数(S))*2",      "A+(INT(E)+1)",        "辞書の(文字数(S))&1",   "表#(INT(E))&1",      "サイン(0)+1",
      "文字数(S)+未定義",   "文字数(未定義)+1",    "LEFT(S,2)&RIGHT(S,1)",  "何文字目(S,「に」)+0", "文字数(S)/0",
      "A+文字数(S,T)",      "A+文字数()",          "A+乱数(1)*0",           "A+文字数(「{A}」)",
      // a text on the right of a comparison compares as text
      "「ad」=置換(T,「b」,「」)", "7=大文字変換(「7x」)", "文字数(T)=置換(「3」,「x」,「y」)",
      // tables: the rows of a variable's table, of a literal, of nothing
      "A+要素数(表)", "要素数(表)*表行数(表)", "要素数(「a\nb\nc」)+1", "要素数(未定義)+A", "要素数(S)&T",
  };
  for (int round = 0; round < 2; ++round) ExpectArgumentsAgree(t, cases, true);
  EXPECT_EQ(t.Arg("A+要素数(表)"), "9");
  EXPECT_EQ(t.Arg("A+文字数(S)"), "12");
  EXPECT_EQ(t.Arg("置換(T,「b」,「」)&文字数(T)"), "ac3");
  {
    // 要素数 leaves out a first row of field names when the setting says so.
    TestEngine fields;
    fields.Run("A=7\n表=「甲,乙\\n丙,丁」\n表フィールド名=1\n");
    const char* fieldCases[] = {"A+要素数(表)", "表行数(表)-1"};
    for (int round = 0; round < 2; ++round) ExpectArgumentsAgree(fields, fieldCases, true);
    EXPECT_EQ(fields.Arg("A+要素数(表)"), "8");
  }
  // A call that fails: the same error, logged once.
  for (const char* failing : {"文字(-1)+1", "A+文字(-1)", "1+CHR(70000)"}) {
    std::string fast, reading;
    const std::string text = t.Prepared(failing);
    t.e.ErrorLog.clear();
    try { EvalArg(t.e, text); } catch (const ENoka& err) { fast = err.Message; }
    const std::string fastLog = t.e.ErrorLog;
    t.e.ErrorLog.clear();
    try { EvalArgReading(t.e, text); } catch (const ENoka& err) { reading = err.Message; }
    EXPECT_FALSE(fast.empty()) << failing;
    EXPECT_EQ(fast, reading) << failing;
    EXPECT_EQ(fastLog, t.e.ErrorLog) << failing;
  }
}

// The tree makes the call only when nothing but the result can come of
// it; otherwise it gives up with nothing run and nothing left behind.
TEST(Expressions, OnlyQuietCallsAreMadeByTheTree) {
  TestEngine t;
  t.Run("A=7\nS=「abc」\n関数を、「?の」で、関数定義\nおわり\n*関数\n引数取得\n「呼ばれた」を、表示\nそれは、1\n戻る\n");
  t.e.StopFlag = false;  // as while the program runs: a failing call is taken back
  auto fast = [&t](const char* text) {
    std::string out;
    const size_t phrases = t.e.ArgStack.Count(), log = t.e.ErrorLog.size();
    const bool made = TryEvalArgFast(t.e, CompileArgument(t.Prepared(text)), out);
    EXPECT_EQ(t.e.ArgStack.Count(), phrases) << text;
    EXPECT_EQ(t.e.ErrorLog.size(), log) << text;
    return made;
  };
  EXPECT_TRUE(fast("A+文字数(S)"));
  EXPECT_TRUE(fast("A+INT(A/2)"));
  EXPECT_TRUE(fast("A+文字数(A*10)"));
  EXPECT_FALSE(fast("A+関数(S)"));          // a user function
  EXPECT_FALSE(fast("A+文字数(関数)"));     // an argument that calls one
  EXPECT_FALSE(fast("A+乱数(5)"));          // no two calls alike
  EXPECT_FALSE(fast("A+文字数(「{関数}」)")); // a literal that runs something
  EXPECT_FALSE(fast("A+文字(-1)"));         // fails: the reading reports it
  EXPECT_FALSE(fast("A+文字数()"));         // would take a phrase around it
  EXPECT_EQ(t.host.Output, "");
  t.Run("A=7\nS=「abc」\n関数を、「?の」で、関数定義\n関数から、文字数へ、単語コピー\nおわり\n"
        "*関数\n引数取得\n「呼ばれた」を、表示\nそれは、1\n戻る\n");
  t.e.StopFlag = false;
  EXPECT_FALSE(fast("A+文字数(S)"));        // the name now finds a function
  EXPECT_EQ(t.Arg("A+文字数(S)"), "8");
  EXPECT_EQ(t.host.Output, "呼ばれた\n");
}

// A stored result is read back from its 15-digit text, not from the wider
// number it was formatted from.
TEST(Expressions, StoredResultsReadBackFromTheirText) {
  TestEngine t;
  EXPECT_EQ(t.Run("A=10/3\nB=A*3\nBを、表示\nC=(10/3)*3\nCを、表示\n"), "9.99999999999999\n9.99999999999999\n");
}

TEST(Literals, StringsAndEmbedding) {
  TestEngine t;
  t.Run("N=3\n");
  EXPECT_EQ(t.Arg("「a{N+1}b」"), "a4b");
  EXPECT_EQ(t.Arg("「a\\nb」"), "a\r\nb");
  EXPECT_EQ(t.Arg("「a￥ｔb」"), "a\tb");
  EXPECT_EQ(t.Arg("「\\{」"), "{");
  EXPECT_EQ(t.Arg("『a{N}』"), "a{N}");
  EXPECT_EQ(t.Arg("`a``b`"), "a`b");
  EXPECT_EQ(t.Arg("「Ａ」"), "Ａ");  // 0x60 as a second byte is no backquote
  EXPECT_EQ(ToUtf8(QuoteAsLiteral(FromUtf8("Ａ`"))), "`Ａ```");
  EXPECT_EQ(t.Arg("007"), "007");
  EXPECT_EQ(t.Arg("$10"), "16");
  EXPECT_EQ(t.Arg("あいう"), "あいう");
  EXPECT_EQ(t.Arg("「a」&N&「b」"), "a3b");
}

TEST(Literals, ElementAccess) {
  TestEngine t;
  t.Run("A=「甲,乙\\n丙」\n");
  EXPECT_EQ(t.Arg("A#0"), "甲,乙");
  EXPECT_EQ(t.Arg("A#1"), "丙");
  EXPECT_EQ(t.Arg("A#1#0"), "乙");
  EXPECT_EQ(t.Arg("A#0#1"), "丙");
  EXPECT_EQ(t.Arg("A#5"), "");
  t.Run("A=「甲,乙\\n丙」\nA#1=「丁」\nA#0#0=「戊」\n");
  EXPECT_EQ(t.Arg("A#0"), "戊,乙");
  EXPECT_EQ(t.Arg("A#0#1"), "丁");
}

// Writing far beyond a table is the range error (as 行挿入 gives), not a
// write that silently does nothing; near writes pad the table.
TEST(Literals, FarElementWritesAreRangeErrors) {
  for (const char* program : {"T#0#100000000=「z」\n", "T#100000000=「z」\n", "T#100000000#0は、「z」\n",
                              "T#0#100000000は、「z」\n"}) {
    TestEngine t;
    t.Run(program);
    EXPECT_NE(t.host.Errors.find("範囲チェックエラー"), std::string::npos) << program;
  }
  TestEngine t;
  t.Run("T#1#2=「z」\nU#2=「y」\n");
  EXPECT_EQ(t.host.Errors, "");
  EXPECT_EQ(t.Arg("T#1#2"), "z");
  EXPECT_EQ(ToUtf8(t.e.Words.GetValue("U")), "\r\n\r\ny");
}

// A bracket call's argument read where it stands gives what the copied
// text gives, and the reading stops at the argument's end.
TEST(Expressions, InPlaceArgumentsAgreeWithCopies) {
  TestEngine t;
  t.Run("A=7\nB=「abc」\n");
  const char* cases[] = {"A+1", "B&A", "1+2*3", "(A+1)*2", "A>3&&B", "1+", "-A", "1 2", "B=「abc」", "「a,b」&B", "A*(1,2)"};
  for (const char* c : cases) {
    std::string text = t.Prepared(c);
    std::string copied = EvaluateExpression(t.e, text);
    std::string copiedType = t.e.CurrentType;
    for (const char* rest : {",9)", ")", "\r\n"}) {
      std::string where = text + rest;
      const char* p = where.c_str();
      EXPECT_EQ(EvaluateInPlace(t.e, p, true), copied) << c << rest;
      EXPECT_EQ(t.e.CurrentType, copiedType) << c;
      EXPECT_EQ(p, BalancedEnd(where.c_str(), 100, false)) << c << rest;
    }
  }
  std::string left = "`x`";
  std::string where = "&B&A,1)";
  const char* p = where.c_str();
  EXPECT_EQ(ToUtf8(EvaluateInPlace(t.e, p, true, &left)), "xabc7");
  EXPECT_EQ(*p, ',');
}

TEST(Expressions, BalancedEnds) {
  std::string s = "a(b,c)\"),\\\"\",d";
  EXPECT_EQ(BalancedEnd(s.c_str(), 100, false), s.c_str() + s.find(",d"));
  std::string b = "(x`)``)`(y))z";
  EXPECT_EQ(BalancedEnd(b.c_str(), 100, true), b.c_str() + b.size() - 1);
  EXPECT_EQ(BalancedEnd(b.c_str(), 5, true), nullptr);  // farther than the limit
  EXPECT_EQ(BalancedEnd("(\"a)", 100, true), nullptr);   // an unclosed literal
  std::string plain = "abc";
  EXPECT_EQ(BalancedEnd(plain.c_str(), 100, false), plain.c_str() + 3);
}

TEST(Literals, NegativeOfNegativeDropsTheSign) {
  TestEngine t;
  t.Run("A=-3\n");
  EXPECT_EQ(t.Arg("-A"), "3");
}

}  // namespace
}  // namespace nokari
