// Destroying, reparenting, ordering and messaging parts, and the event
// slots (storing handlers; the statement form runs one).
#include "PartsTest.h"

namespace nokari::test {
namespace {

using parts::DeferredPartCount;

TEST_F(PartsTest, DestroyedNamesStopResolvingAndNewOnesGetNewIds) {
  std::string out = Run(
      "「B1」を、ボタンとして、作成\n"
      "B1の、Xは、30\n"                  // そ names B1
      "B1を、オブジェクト破壊\n"
      "「B1」を、ボタンとして、作成\n"
      "(B1の(X))を、表示\n");            // the new one: automatic X
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(out, "10\n");
  EXPECT_EQ(Record("B1")->Id, 2);  // never reused
  EXPECT_EQ(t.e.Objects.GetAt(1), nullptr);
  // そ still names the old one: a clear error, not a crash.
  Run("「B1」を、ボタンとして、作成\nB1の、Xは、30\nB1を、オブジェクト破壊\n(その(X))を、表示");
  EXPECT_TRUE(ErrorHas("オブジェクト\"そ\"は、作成されていません。")) << Error();
  t.host.Errors.clear();
  Run("「B2」を、ボタンとして、作成\nB2を、オブジェクト破壊\nB2の、テキストを、Sに、得る");
  EXPECT_TRUE(ErrorHas("単語\"B2\"は、定義されていません。")) << Error();
  t.host.Errors.clear();
  Run("B3を、オブジェクト破壊");
  EXPECT_TRUE(ErrorHas("オブジェクト\"B3\"が特定できません。")) << Error();
  t.host.Errors.clear();
  Run("A=1\nAを、オブジェクト破壊");
  EXPECT_TRUE(ErrorHas("\"A\"は、オブジェクトではありません。")) << Error();
}

TEST_F(PartsTest, DestructionIsDeferredToThePump) {
  Run("「E1」を、エディタとして、作成\nE1の、Xは、1\n「L1」を、リストとして、作成\n「F1」を、フォームとして、作成");
  FakePart* edit = Widget("E1");
  FakePart* form = Widget("F1");
  edit->Caption = "中身";
  // Destroyed from C++ as the command would, so the widgets can be looked
  // at before they are freed.
  parts::DestroyObject(t.e, *Word("E1"), "E1");
  parts::DestroyObject(t.e, *Word("F1"), "F1");
  EXPECT_EQ(DeferredPartCount(t.e), 2u);
  EXPECT_EQ(edit->Caption, "");      // emptied as its kind holds contents
  EXPECT_FALSE(edit->IsVisible);
  EXPECT_TRUE(form->Closed);
  EXPECT_EQ(Word("E1"), nullptr);
  EXPECT_NE(Word("L1"), nullptr);
  t.host.Pump.ProcessEvents();        // the 0 ms timer frees them
  EXPECT_EQ(DeferredPartCount(t.e), 0u);
  // One waiting record is enough to free.
  parts::DestroyObject(t.e, *Word("L1"), "L1");
  t.host.Pump.ProcessEvents();
  EXPECT_EQ(DeferredPartCount(t.e), 0u);
}

TEST_F(PartsTest, DestroyAllKeepsTheMainWindow) {
  Run("「B1」を、ボタンとして、作成\n「B2」を、ボタンとして、作成\nオブジェクト全破壊\n母艦を、オブジェクト破壊\n"
      "(母艦の(種類))を、表示");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(Word("B1"), nullptr);
  EXPECT_EQ(Word("B2"), nullptr);
  EXPECT_NE(t.e.Objects.GetAt(0), nullptr);
  EXPECT_EQ(t.host.Output, "フォーム\n");
}

TEST_F(PartsTest, PutOntoContainersOnly) {
  Run("「P1」を、パネルとして、作成\n「B1」を、ボタンとして、作成\n「B2」を、ボタンとして、作成\n"
      "B1を、P1へ、乗せる\n"
      "B2を、P1の上へ、乗せ換える\n");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(Record("B1")->ParentId, Record("P1")->Id);
  EXPECT_EQ(Widget("B1")->ParentPart, Widget("P1"));
  EXPECT_EQ(Widget("B2")->ParentPart, Widget("P1"));
  struct Case {
    const char* line;
    const char* error;
  };
  const Case cases[] = {
      {"B1を、B2へ、乗せる", "\"乗せる\"命令の引数に誤りがあります。パネルとフォームなど以外には乗せられません。"},
      {"P1を、P1へ、乗せる", "P1を、P1へ、親変更に失敗。"},
      {"B1を、無いへ、乗せる", "\"乗せる\"命令の引数に誤りがあります。"},
      {"A=1\nAを、P1へ、乗せる", "\"A\"は、オブジェクトではありません。"},
  };
  for (const Case& c : cases) {
    t.host.Errors.clear();
    Run(std::string("「P1」を、パネルとして、作成\n「B1」を、ボタンとして、作成\n「B2」を、ボタンとして、作成\n") + c.line);
    EXPECT_TRUE(ErrorHas(c.error)) << c.line << "\n" << Error();
  }
  // A container that goes leaves its parts on 母艦, hidden.
  Run("「P1」を、パネルとして、作成\n「B1」を、ボタンとして、作成\nB1を、P1へ、乗せる\nP1を、オブジェクト破壊");
  EXPECT_EQ(Widget("B1")->ParentPart, &fake.Main());
  EXPECT_EQ(Record("B1")->ParentId, 0);
  EXPECT_FALSE(Widget("B1")->IsVisible);
}

TEST_F(PartsTest, OrderingFocusCentringAndWindowStates) {
  Run("「F1」を、フォームとして、作成\n「B1」を、ボタンとして、作成\n「P1」を、パネルとして、作成\n"
      "「B2」を、ボタンとして、作成\nB2を、P1へ、乗せる\n"
      "F1を、最前面\nB1を、最前面\nB1を、最背面\nF1を、最大化\nB1に、注目\n"
      "B2を、中央へ移動\nB1を、中央へ移動\n"
      "10で、B1の、オブジェクト丸く\n");
  ASSERT_EQ(Error(), "");
  EXPECT_TRUE(Widget("F1")->OnTop);
  EXPECT_EQ(Widget("B1")->RaisedCount, 1);
  EXPECT_EQ(Widget("B1")->LoweredCount, 1);
  EXPECT_EQ(Widget("F1")->State, WindowState::Maximized);
  EXPECT_TRUE(Widget("B1")->Focused);
  EXPECT_EQ(Rect("B2"), (PartRect{(185 - 75) / 2, (41 - 25) / 2, 75, 25}));  // in the panel's whole size
  EXPECT_EQ(Rect("B1"), (PartRect{(640 - 75) / 2, (400 - 25) / 2, 75, 25}));  // in 母艦's client area
  EXPECT_EQ(Widget("B1")->Radius, 10);
  Run("「B1」を、ボタンとして、作成\nB1を、最大化");
  EXPECT_TRUE(ErrorHas("オブジェクト\"B1\"は、\"フォーム\"ではありません。")) << Error();
  t.host.Errors.clear();
  Run("「B1」を、ボタンとして、作成\nB1の、可視は、0\nB1に、注目");
  EXPECT_TRUE(ErrorHas("\"B1\"には、注目できません。")) << Error();
  t.host.Errors.clear();
  Run("無いに、注目");
  EXPECT_TRUE(ErrorHas("オブジェクト\"無い\"は、作成されていません。")) << Error();
  t.host.Errors.clear();
  // A variable holding the name is looked through.
  Run("「B1」を、ボタンとして、作成\n名前=「B1」\n名前に、注目");
  EXPECT_EQ(Error(), "");
}

TEST_F(PartsTest, MessagesFromAFixedList) {
  std::string out = Run(
      "「E1」を、エディタとして、作成\n「F1」を、フォームとして、作成\n"
      "文=「こんにちは」\n"
      "E1に、「12,0,文」と、メッセージ送信\nそれを、表示\n"     // WM_SETTEXT: 1
      "E1に、「14,0,0」と、メッセージ送信\nそれを、表示\n"      // WM_GETTEXTLENGTH: 10 bytes
      "E1に、「13,5,受け」と、メッセージ送信\nそれを、表示\n"   // WM_GETTEXT, room for 4 bytes
      "受けを、表示\n"
      "E1に、「$0D,0,受け」と、メッセージ送信\nそれを、表示\n"  // hex number, no room: 0
      "E1に、「1234,0,0」と、メッセージ送信\nそれを、表示\n"    // not on the list: 0
      "F1に、「16」と、メッセージ送信\nそれを、表示\n");        // WM_CLOSE
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(out, "1\n10\n4\nこん\n0\n0\n0\n");
  EXPECT_EQ(Caption("E1"), "こんにちは");
  EXPECT_TRUE(Widget("F1")->Closed);
  Run("「E1」を、エディタとして、作成\nE1に、「-1,0,0」と、メッセージ送信");
  EXPECT_TRUE(ErrorHas("\"メッセージ送信\"命令の引数に誤りがあります。")) << Error();
  t.host.Errors.clear();
  Run("無いに、「12,0,0」と、メッセージ送信");
  EXPECT_TRUE(ErrorHas("オブジェクト\"無い\"が特定できません。")) << Error();
}

TEST_F(PartsTest, EventSlotsHoldLabelsAndInlineHandlers) {
  std::string out = Run(
      "「B1」を、ボタンとして、作成\n"
      "B1の、クリックした時は、押された\n"
      "B1の、クリックした時\n"
      "「後」を、表示\n"
      "B1の、マウス押した時は、『「押下」を、表示』\n"
      "B1の、マウス押した時\n"
      "B1の、キー押した時は、(「キー」を、表示)\n"
      "B1の、キー押した時\n"
      "おわり\n"
      "*押された\n"
      "「押した」を、表示\n"
      "戻る\n");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(out, "押した\n後\n押下\nキー\n");
  TObjNode* b1 = Record("B1");
  EXPECT_EQ(ToUtf8(b1->EventLabels[1]), "押された");
  EXPECT_TRUE(static_cast<bool>(b1->EventEntries[1]));
  EXPECT_EQ(ToUtf8(b1->EventLabels[3]), "「押下」を、表示");
  EXPECT_FALSE(static_cast<bool>(b1->EventEntries[3]));
}

TEST_F(PartsTest, GenericEventFillsTheKindsDefaultSlot) {
  std::string out = Run(
      "「B1」を、ボタンとして、作成\n「E1」を、エディタとして、作成\n「M1」を、メモとして、作成\n"
      "B1の、イベントは、『「ボタン」を、表示』\n"
      "E1の、イベントは、『「エディタ」を、表示』\n"
      "M1の、イベントは、『「メモ」を、表示』\n"
      "B1の、クリックした時\n"            // a button's default slot is click
      "E1の、変更した時\n"                // an edit box's is change
      "M1の、イベントを、Sに、得る\n"     // reading イベント performs it
      "B1の、イベントは、「」\n"          // cleared, and the click slot with it
      "B1の、クリックした時\n");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(out, "ボタン\nエディタ\nメモ\n");
  TObjNode* memo = Record("M1");
  for (int slot = 1; slot < TObjNode::kEventSlots; ++slot) EXPECT_FALSE(parts::HasHandler(*memo, slot)) << slot;
  EXPECT_FALSE(parts::HasHandler(*Record("B1"), 1));
}

TEST_F(PartsTest, EventPropertyErrorsAndWarnings) {
  Run("「B1」を、ボタンとして、作成\nA=1\nB1の、クリックした時は、A");
  EXPECT_TRUE(ErrorHas("計算式に誤りがあります。イベントに変数を設定することは出来ません。ラベルを指定してください。"))
      << Error();
  EXPECT_FALSE(parts::HasHandler(*Record("B1"), 1));
  t.host.Errors.clear();
  // Reading one of the nine is a warning only.
  std::string out = Run("「B1」を、ボタンとして、作成\nB1の、クリックした時を、Sに、得る\n「[{S}]」を、表示");
  EXPECT_EQ(out, "[]\n");
  EXPECT_NE(t.e.ErrorLog.find(FromUtf8("\"B1,クリックした時\"は、未定義です。")), std::string::npos);
}

TEST_F(PartsTest, HandlersSeeTheirObjectAndMayDestroyIt) {
  std::string out = Run(
      "「B1」を、ボタンとして、作成\n"
      "B1の、クリックした時は、『「{イベントオブジェクトの(名前)}」を、表示。B1を、オブジェクト破壊。0.01秒、待つ』\n"
      "B1の、クリックした時\n"           // the wait lets the pump free B1's record inside its handler
      "「まだ動く」を、表示\n"
      "「B1」を、ボタンとして、作成\n"
      "B1の、イベントは、『B1を、オブジェクト破壊。0.01秒、待つ』\n"
      "B1の、イベントを、Sに、得る\n"      // the same through reading イベント
      "「終」を、表示\n");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(out, "B1\nまだ動く\n終\n");
  EXPECT_EQ(Word("B1"), nullptr);
  EXPECT_EQ(DeferredPartCount(t.e), 0u);
}

}  // namespace
}  // namespace nokari::test
