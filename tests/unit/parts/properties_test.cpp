// The properties every kind shares, and the three ways to reach them
// (設定/得る, 「名前の、項目は、値」, 「名前の(項目)」 in an expression).
#include "PartsTest.h"

namespace nokari::test {
namespace {

using parts::Layout;

TEST_F(PartsTest, GeometryReadsAndWritesThroughEveryForm) {
  std::string out = Run(
      "「B1」を、ボタンとして、作成\n"
      "B1の、Xは、30\n"
      "B1の、Yを、40に、設定\n"
      "B1の、幅は、80\n"
      "(B1の(X))を、表示\n"            // 30
      "B1の、Yを、Sに、得る\nSを、表示\n"  // 40
      "「{B1の(幅)}」を、表示\n"        // 80
      "B1の、位置は、(5,6)\n"
      "(B1の(位置))を、表示\n"          // (5,6)
      "B1の、サイズは、「(1,2,101,52)」\n"
      "(B1の(サイズ))を、表示\n");      // (1,2,101,52)
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(out, "30\n40\n80\n(5,6)\n(1,2,101,52)\n");
  EXPECT_EQ(Rect("B1"), (PartRect{1, 2, 100, 50}));
}

TEST_F(PartsTest, SidesAreWhereTheNextPartGoes) {
  std::string out = Run(
      "「B1」を、ボタンとして、作成\n"     // (10,10) 75×25
      "B1の、幅は、80\n"
      "(B1の(右側))を、表示\n"            // 10 + 80 + 8
      "(B1の(下側))を、表示\n"            // 10 + 25 + 8
      "部品配置間隔は、0\n"
      "(B1の(右側))を、表示\n");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(out, "(98,10)\n(10,43)\n(90,10)\n");
}

TEST_F(PartsTest, SizeChangesMoveTheCurrentPosition) {
  Run("「B1」を、ボタンとして、作成\n"
      "B1の、高さは、50\n"               // next at 10 + 50 + 8
      "「B2」を、ボタンとして、作成\n"     // at y 68
      "B2の、サイズは、「(100,200,150,260)」\n"  // next at (100, 268)
      "「B3」を、ボタンとして、作成\n");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(Rect("B3"), (PartRect{100, 268, 75, 25}));
  Run("「B1」を、ボタンとして、作成\nB1の、サイズは、「(1,2,3)」");
  EXPECT_TRUE(ErrorHas("座標の指定エラー")) << Error();
  t.host.Errors.clear();
  Run("「B1」を、ボタンとして、作成\nB1の、位置は、「どこか」");
  EXPECT_TRUE(ErrorHas("オブジェクト\"B1\"(\"ボタン\")の設定項目\"位置\"は未定義です。")) << Error();
}

TEST_F(PartsTest, WidthKeepsACentredPartCentred) {
  t.e.FileName = "test.nkr";
  StartProgram(t.e, FromUtf8("「B1」を、ボタンとして、作成\nB1の、幅は、200"));
  Layout(t.e).Centring = true;
  RunLoop(t.e);
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(Rect("B1"), (PartRect{(640 - 200) / 2, 10, 200, 25}));
}

TEST_F(PartsTest, NamesKindsAndReadOnlyProperties) {
  std::string out = Run(
      "「OKボタン」を、作る\n「F1」を、フォームとして、作成\n"
      "OKボタンの、種類を、Kに、得る\nKを、表示\n"     // ボタン
      "OKボタンの、名前を、Nに、得る\nNを、表示\n"     // OKボタン
      "(F1の(種類))を、表示\n"
      "(母艦の(種類))を、表示\n"
      "(OKボタンの(ハンドル))を、表示\n");              // 0x10000 + id 1
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(out, "ボタン\nOKボタン\nフォーム\nフォーム\n65537\n");
  for (const char* prop : {"名前", "種類", "ハンドル", "右側", "下側"}) {
    t.host.Errors.clear();
    Run(std::string("「B1」を、ボタンとして、作成\nB1の、") + prop + "は、1");
    EXPECT_TRUE(ErrorHas(std::string("\"") + prop + "\"は、読取専用です。")) << prop << Error();
  }
}

TEST_F(PartsTest, UnknownAndMissingProperties) {
  struct Case {
    const char* line;
    const char* error;
  };
  const Case cases[] = {
      // Not in the vocabulary at all: named as written.
      {"(B1の(ふしぎ))を、表示", "オブジェクト\"B1\"(\"ボタン\")の設定項目\"ふしぎ\"は未定義です。"},
      // In the vocabulary, but no kind row and no common row.
      {"(B1の(向き))を、表示", "オブジェクト\"B1\"(\"ボタン\")の設定項目\"向き\"は未定義です。"},
      {"B1の、編集は、1", "オブジェクト\"B1\"(\"ボタン\")の設定項目\"編集\"は未定義です。"},
      // A common row that only reads.
      {"B1の、最大値は、1", "オブジェクト\"B1\"(\"ボタン\")の設定項目\"最大値\"は未定義です。"},
      {"I1の、テキストは、「a」", "オブジェクト\"I1\"の設定は、未定義です。"},
      {"B1の、Xを、Sに、得る", ""},
      {"Q=1\nQの、Xを、Sに、得る", "\"Q\"は、オブジェクトではありません。"},
      {"無い物の、Xを、Sに、得る", "単語\"無い物\"は、定義されていません。"},
      {"無い物の、Xを、1に、設定", "オブジェクト\"無い物\"は、作成されていません。"},
      {"B1の、Xを、表示に、得る", "\"表示\"は、読取専用です。"},
      {"B1の、Xを、回数に、得る", "\"回数\"は、読取専用です。"},
  };
  for (const Case& c : cases) {
    t.host.Errors.clear();
    Run(std::string("「B1」を、ボタンとして、作成\n「I1」を、トラックとして、作成\n") + c.line);
    if (*c.error)
      EXPECT_TRUE(ErrorHas(c.error)) << c.line << "\n" << Error();
    else
      EXPECT_EQ(Error(), "") << c.line;
  }
}

TEST_F(PartsTest, DefaultsOfKindsWithoutTheirOwnRow) {
  // A トラック lists none of these itself (here, before the kinds' rows
  // exist, no kind does): the common defaults answer.
  std::string out = Run(
      "「T1」を、トラックとして、作成\n"
      "(T1の(値))を、表示\n(T1の(アイテム))を、表示\n(T1の(テキスト))を、表示\n"
      "(T1の(フォントサイズ))を、表示\n(T1の(URL))を、表示\n(T1の(可視))を、表示\n(T1の(有効))を、表示\n");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(out, "0\n\n\n0\n\n1\n1\n");
  out = Run("「T1」を、トラックとして、作成\nT1の、可視は、0\nT1の、有効は、「いいえ」\n"
            "(T1の(可視))を、表示\n(T1の(有効))を、表示\n");
  EXPECT_EQ(out, "0\n0\n");  // a text that is no number is the flag 0
}

TEST_F(PartsTest, PropertyNamesFoldTheirOkurigana) {
  std::string out = Run(
      "「B1」を、ボタンとして、作成\n"
      "B1の、高は、40\n"                  // 高さ without its okurigana
      "(B1の(高さ))を、表示\n"
      "B1の、Wを、W2に、得る\n"
      "W2を、表示\n"                       // W is 幅
      "B1の、クリック時は、『「押」を、表示』\n"
      "B1の、クリックした時\n");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(out, "40\n75\n押\n");
}

TEST_F(PartsTest, SettingAPropertyMakesSoNameTheObject) {
  std::string out = Run(
      "「B1」を、ボタンとして、作成\n「B2」を、ボタンとして、作成\n"
      "B1の、Xは、30\n"
      "(その(X))を、表示\n"                // 30: そ is B1
      "その、Xは、50\n"
      "(B1の(X))を、表示\n"
      "B2の、Yを、Sに、得る\n"            // reading leaves そ alone
      "その、名前を、Nに、得る\nNを、表示\n"
      "B2を、その単語に特定\n"
      "(その(名前))を、表示\n"
      "A=5\n"
      "(その(種類))を、表示\n");           // a text after a number is still a text
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(out, "30\n50\nB1\nB2\nボタン\n");
  Run("「B1」を、ボタンとして、作成\n「無い」を、その単語に特定");
  EXPECT_TRUE(ErrorHas("オブジェクト\"無い\"は、作成されていません。")) << Error();
}

TEST_F(PartsTest, ObjectsWithoutADirectValue) {
  Run("「T1」を、トラックとして、作成\nT1を、表示");
  EXPECT_TRUE(ErrorHas("オブジェクト\"T1\"から、直接値を得ることは出来ません。")) << Error();
  t.host.Errors.clear();
  // Assigning to a kind without a main value does nothing, but names it.
  std::string out = Run("「T1」を、トラックとして、作成\nT1は、5\n(その(名前))を、表示");
  EXPECT_EQ(Error(), "");
  EXPECT_EQ(out, "T1\n");
}

TEST_F(PartsTest, FileDropAsksTheWidget) {
  Run("「E1」を、エディタとして、作成\nE1の、ファイルドロップは、1");
  EXPECT_TRUE(Widget("E1")->Drops);
  EXPECT_TRUE(Record("E1")->AcceptsDrops);
  std::string out = Run("「E1」を、エディタとして、作成\nE1の、ファイルドロップは、1\nE1の、ファイルドロップは、0\n"
                        "「[{E1の(ファイルドロップ)}]」を、表示");
  EXPECT_FALSE(Widget("E1")->Drops);
  EXPECT_EQ(out, "[]\n");
}

}  // namespace
}  // namespace nokari::test
