// 作成 and 作る: kinds, names, ids, placement, captions, and what a failed
// creation leaves behind (nothing).
#include <chrono>

#include "PartsTest.h"
#include "parts/PartKinds.h"

namespace nokari::test {
namespace {

using parts::AllKinds;
using parts::Layout;

TEST_F(PartsTest, EveryKindButMenuIsCreatedWithItsWordAndRecord) {
  std::string program;
  int n = 0;
  for (const auto& k : AllKinds()) {
    if (k.Kind == PartKind::メニュー) continue;
    program += "「P" + std::to_string(++n) + "」を、" + k.Name + "として、作成\n";
  }
  Run(program);
  ASSERT_EQ(Error(), "");
  n = 0;
  for (const auto& k : AllKinds()) {
    if (k.Kind == PartKind::メニュー) continue;
    std::string name = "P" + std::to_string(++n);
    THashNode* w = Word(name);
    ASSERT_NE(w, nullptr) << name;
    EXPECT_EQ(w->Kind, kObject);
    EXPECT_EQ(w->ObjectIndex, n);  // ids follow 母艦 (0) in creation order
    EXPECT_EQ(ToUtf8(w->TypeTag), k.Name);
    EXPECT_EQ(w->Value, "");
    TObjNode* node = Record(name);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->Kind, static_cast<int>(k.Kind));
    EXPECT_EQ(ToUtf8(node->Name), name);
    EXPECT_EQ(Widget(name)->Kind, k.Kind);
    EXPECT_TRUE(Widget(name)->IsVisible);
    EXPECT_EQ(node->ParentId, k.Kind == PartKind::フォーム ? -1 : 0);
  }
  EXPECT_EQ(fake.Created.size(), 21u);
  // そ names the part made last.
  EXPECT_EQ(Word("そ")->Kind, kObject);
  EXPECT_EQ(Word("そ")->ObjectIndex, n);
}

TEST_F(PartsTest, AutomaticPlacementStacksPartsWithTheGap) {
  Run("「E1」を、エディタとして、作成\n"   // (10,10) 121×21
      "「B1」を、ボタンとして、作成\n"     // y = 10 + 21 + 8
      "部品配置間隔は、20\n"
      "「B2」を、ボタンとして、作成\n"     // y = 39 + 25 + 8
      "「B3」を、ボタンとして、作成\n"     // y = 72 + 25 + 20
      "(200,300)に、「B4」を、ボタンとして、作成\n"
      "「B5」を、ボタンとして、作成\n");   // below B4, x stays 10
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(Rect("E1"), (PartRect{10, 10, 121, 21}));
  EXPECT_EQ(Rect("B1"), (PartRect{10, 39, 75, 25}));
  EXPECT_EQ(Rect("B2"), (PartRect{10, 72, 75, 25}));
  EXPECT_EQ(Rect("B3"), (PartRect{10, 117, 75, 25}));
  EXPECT_EQ(Rect("B4"), (PartRect{200, 300, 75, 25}));
  EXPECT_EQ(Rect("B5"), (PartRect{10, 345, 75, 25}));
}

TEST_F(PartsTest, PositionsAsVariablesAndStringsAndBadOnes) {
  Run("P=「(30,40)」\n"
      "Pに、「B1」を、ボタンとして、作成\n"
      "「(50,60)」に、「B2」を、ボタンとして、作成\n"
      "(1+2,3*4)に、「B3」を、ボタンとして、作成\n");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(Rect("B1").X, 30);
  EXPECT_EQ(Rect("B1").Y, 40);
  EXPECT_EQ(Rect("B2").X, 50);
  EXPECT_EQ(Rect("B3").X, 3);
  EXPECT_EQ(Rect("B3").Y, 12);
  Run("(1,2,3)に、「B9」を、ボタンとして、作成");
  EXPECT_TRUE(ErrorHas("オブジェクト\"B9\"は、未定義なので、作成できません。座標指定に誤りがあります。\"(1,2,3)\""))
      << Error();
  EXPECT_EQ(Word("B9"), nullptr);
}

TEST_F(PartsTest, CentringCentresAcrossTheMainWindow) {
  Run("");
  Layout(t.e).Centring = true;
  Run("「E1」を、エディタとして、作成");  // a new run resets the layout
  EXPECT_EQ(Rect("E1").X, 10);
  // Within one run: the flag as 表示's センタリング leaves it.
  t.e.FileName = "test.nkr";
  StartProgram(t.e, FromUtf8("「B1」を、ボタンとして、作成\n「E2」を、エディタとして、作成"));
  Layout(t.e).Centring = true;
  RunLoop(t.e);
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(Rect("B1"), (PartRect{(640 - 75) / 2, 10, 75, 25}));   // 母艦's client is 640 wide
  EXPECT_EQ(Rect("E2"), (PartRect{(640 - 121) / 2, 43, 121, 21}));
}

TEST_F(PartsTest, CaptionsAreTheDisplayNameAndButtonsWidenToThem) {
  Run("「OKボタン」を、ボタンとして、作成\n"
      "「ボタン1」を、ボタンとして、作成\n"
      "「ABCDEFGHIJボタン」を、ボタンとして、作成\n"  // 10 bytes × 8 = 80 > 75
      "「名前ラベル」を、ラベルとして、作成\n"
      "「同意チェック」を、チェックとして、作成\n"
      "「設定フォーム」を、フォームとして、作成\n"
      "「本文エディタ」を、エディタとして、作成\n");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(Caption("OKボタン"), "OK");
  EXPECT_EQ(Rect("OKボタン").W, 75);
  EXPECT_EQ(Caption("ボタン1"), "ボタン1");
  EXPECT_EQ(Caption("ABCDEFGHIJボタン"), "ABCDEFGHIJ");
  EXPECT_EQ(Rect("ABCDEFGHIJボタン").W, 80);
  EXPECT_EQ(Caption("名前ラベル"), "名前");
  EXPECT_EQ(Caption("同意チェック"), "同意");
  EXPECT_EQ(Caption("設定フォーム"), "設定");
  EXPECT_EQ(Caption("本文エディタ"), "");  // an edit box starts empty
}

TEST_F(PartsTest, FormsAreCentredOnTheScreenAndLeaveThePositionAlone) {
  Run("「F1」を、フォームとして、作成\n「B1」を、ボタンとして、作成");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(Rect("F1"), (PartRect{(1024 - 320) / 2, (768 - 240) / 2, 320, 240}));
  EXPECT_EQ(Widget("F1")->Back, 0xFFFFFFu);
  EXPECT_EQ(Widget("F1")->ParentPart, nullptr);
  EXPECT_EQ(Rect("B1").Y, 10);
}

TEST_F(PartsTest, TextSettingsGiveTheFontAndColour) {
  Run("文字書体は、「ゴシック|太字|14」\n文字色は、「#FF0000」\n"
      "「L1」を、ラベルとして、作成\n「B1」を、ボタンとして、作成\n「I1」を、イメージとして、作成");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(Widget("L1")->CurrentFont, (PartFont{FromUtf8("ゴシック"), 14, true}));
  EXPECT_EQ(Widget("L1")->Fore, 0x0000FFu);  // red as 0x00BBGGRR
  EXPECT_EQ(Widget("B1")->Fore, 0u);         // only labels and check boxes take the colour
  EXPECT_EQ(Widget("I1")->CurrentFont, (PartFont{"", 9}));  // no font
  Run("文字書体は、「明朝」\n文字サイズは、20\n「L1」を、ラベルとして、作成");
  EXPECT_EQ(Widget("L1")->CurrentFont.Points, 20);
}

TEST_F(PartsTest, FailedCreationRegistersNothing) {
  struct Case {
    const char* program;
    const char* error;
  };
  const Case cases[] = {
      {"A=1\n「A」を、ボタンとして、作成", "オブジェクト\"A\"は、既に存在するので、作成できません。"},
      {"「表示」を、ボタンとして、作成", "オブジェクト\"表示\"は、既に存在するので、作成できません。"},
      {"「X1」を、ふしぎとして、作成", "オブジェクト\"ふしぎ\"は、未定義なので、作成できません。"},
      {"「M1」を、メニューとして、作成", "オブジェクト\"メニュー\"は、未定義なので、作成できません。"},
      {"「」を、ボタンとして、作成", "\"作成\"命令の引数に誤りがあります。オブジェクト名がありません。"},
  };
  for (const Case& c : cases) {
    t.host.Errors.clear();
    Run(c.program);
    EXPECT_TRUE(ErrorHas(c.error)) << c.program << "\n" << Error();
    EXPECT_EQ(t.e.Objects.Count(), 1) << c.program;  // 母艦 alone
  }
  EXPECT_TRUE(fake.Created.empty());
  EXPECT_EQ(Word("X1"), nullptr);
}

TEST_F(PartsTest, KindMayBeAVariableOrLiteral) {
  Run("種類名は、「メモ」\n「M1」を、種類名として、作成\n「R1」を、「ラジオ」として、作成");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(Record("M1")->Kind, static_cast<int>(PartKind::メモ));
  EXPECT_EQ(Record("R1")->Kind, static_cast<int>(PartKind::ラジオ));
}

TEST_F(PartsTest, MakeInfersTheKindFromTheNameEnd) {
  Run("「OKボタン」を、作る\n"
      "「本文リッチエディタ」を、作る\n"   // エディタ comes first in the table
      "「あいう」を、作る\n"               // no kind: a button
      "「一覧リスト」を、作る\n"
      "「 空白付きメモ 」を、作る\n");     // trimmed
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(Record("OKボタン")->Kind, static_cast<int>(PartKind::ボタン));
  EXPECT_EQ(Caption("OKボタン"), "OK");
  EXPECT_EQ(Record("本文リッチエディタ")->Kind, static_cast<int>(PartKind::エディタ));
  EXPECT_EQ(Record("あいう")->Kind, static_cast<int>(PartKind::ボタン));
  EXPECT_EQ(Caption("あいう"), "あいう");
  EXPECT_EQ(Record("一覧リスト")->Kind, static_cast<int>(PartKind::リスト));
  EXPECT_EQ(Record("空白付きメモ")->Kind, static_cast<int>(PartKind::メモ));
  // Placed automatically, one under another.
  EXPECT_EQ(Rect("OKボタン").Y, 10);
  EXPECT_EQ(Rect("本文リッチエディタ").Y, 43);
}

TEST_F(PartsTest, MakeErrors) {
  Run("「」を、作る");
  EXPECT_TRUE(ErrorHas("\"作る\"命令の引数に誤りがあります。オブジェクト名がありません。")) << Error();
  t.host.Errors.clear();
  Run("「表示」を、作る");
  EXPECT_TRUE(ErrorHas("\"作る\"命令の引数に誤りがあります。オブジェクト名\"表示\"は既に使われています。")) << Error();
  t.host.Errors.clear();
  // A plain variable passes the first check and fails in 作成, noted.
  Run("OKボタンは、1\n「OKボタン」を、作る");
  EXPECT_TRUE(ErrorHas("オブジェクト\"OKボタン\"は、既に存在するので、作成できません。(\"作る\"命令にて)")) << Error();
  EXPECT_EQ(t.e.Objects.Count(), 1);
}

TEST_F(PartsTest, TenThousandPartsAreQuick) {
  auto start = std::chrono::steady_clock::now();
  Run("10000回\n  「P{回数}」を、作る\n");
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(t.e.Objects.Count(), 10001);
  EXPECT_EQ(Record("P10000")->Id, 10000);
  EXPECT_EQ(Rect("P10000").Y, 10 + 9999 * 33);
  EXPECT_LT(seconds, 10.0);
  Run("");  // a new run lets them all go
  EXPECT_EQ(t.e.Objects.Count(), 1);
}

TEST_F(PartsTest, WithoutAPartServiceCreationIsAClearError) {
  t.e.Services.Parts = nullptr;
  Run("「B1」を、ボタンとして、作成");
  EXPECT_TRUE(ErrorHas("ウィンドウ部品を使えません。")) << Error();
  EXPECT_EQ(Word("B1"), nullptr);
  t.host.Errors.clear();
  // 母艦 has no widget then: its properties fail the same way, without a crash.
  Run("(母艦の(X))を、表示");
  EXPECT_TRUE(ErrorHas("ウィンドウ部品を使えません。")) << Error();
}

}  // namespace
}  // namespace nokari::test
