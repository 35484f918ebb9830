// Events reaching the script: parts report through their sinks, the queue
// runs handlers at statement boundaries or when nothing runs, with the
// variables each event had when it happened; the script timer, 待つ and
// the close request go the same way.
#include <chrono>

#include "PartsTest.h"
#include "core/Events.h"

namespace nokari::test {
namespace {

using namespace std::chrono_literals;

PartEvent Key(int slot, int key, const std::string& shift = "") {
  PartEvent e;
  e.Slot = slot;
  e.Key = key;
  e.Shift = shift;
  return e;
}

PartEvent Mouse(int slot, int x, int y, const std::string& shift = "") {
  PartEvent e;
  e.Slot = slot;
  e.HasMouse = true;
  e.X = x;
  e.Y = y;
  e.Shift = shift;
  return e;
}

PartEvent Click() { return Key(1, 0); }

class EventsTest : public PartsTest {
 protected:
  // Lets the queued events run as a host's idle loop would; what they
  // printed.
  std::string Drain() {
    size_t before = t.host.Output.size();
    RunWhileArmed(t.e);
    return t.host.Output.substr(before);
  }
  // Calls `act` from the pump once the program runs (the start lets the
  // pump run once before the program's first statement).
  void WhenRunning(std::function<void()> act) {
    t.host.Pump.StartTimer(0ms, [this, act] {
      if (t.e.RunDepth > 0)
        act();
      else
        WhenRunning(act);
    });
  }
  std::string Var(const std::string& utf8) {
    THashNode* w = Word(utf8);
    return w ? ToUtf8(w->Value) : "<none>";
  }
};

TEST_F(EventsTest, HandlersRunInOrderEachWithItsOwnSnapshot) {
  Run("「B1」を、ボタンとして、作成\n"
      "B1の、キー押した時は、『「{押されたキー}/{押された特殊キー}/{イベントオブジェクトの(名前)}」を、表示』\n"
      "B1の、マウス押した時は、『「{マウスX},{マウスY}/{押された特殊キー}」を、表示』\n");
  ASSERT_EQ(Error(), "");
  FakePart* b1 = Widget("B1");
  // Nothing runs inside the widget's report: all three wait in the queue.
  b1->Fire(Key(5, 65, "Shift"));
  b1->Fire(Mouse(3, 10, 20, "Left"));
  b1->Fire(Key(5, 66));
  EXPECT_EQ(t.e.Events.size(), 3u);
  // The mouse's place is written at once; the keys only as their handlers start.
  EXPECT_EQ(Var("マウスX"), "10");
  EXPECT_EQ(Var("押されたキー"), "0");
  EXPECT_EQ(Drain(), "65/Shift/B1\n10,20/Left\n66//B1\n");
}

// Menu items made by path, by name and under a parent report their clicks
// too.
TEST_F(EventsTest, AMenuItemsClickRunsItsHandler) {
  Run("`ファイル\\開く`を、メニューパス作成\n"
      "「終了メニュー」を、メニュー作成\n"
      "「終了メニュー」に、「終了_確認メニュー」を、メニュー追加\n"
      "ファイル_開くメニューのクリックした時は、『「開く」を、表示』\n"
      "終了メニューのクリックした時は、『「{イベントオブジェクトの(名前)}」を、表示』\n"
      "終了_確認メニューのクリックした時は、『「確認」を、表示』\n");
  ASSERT_EQ(Error(), "");
  for (const char* item : {"ファイル_開くメニュー", "終了メニュー", "終了_確認メニュー"}) {
    ASSERT_NE(Widget(item), nullptr) << item;
    Widget(item)->Fire(Click());
  }
  EXPECT_EQ(Drain(), "開く\n終了メニュー\n確認\n");
}

TEST_F(EventsTest, MouseMovesWithoutHandlerStillMoveTheMouseVariables) {
  Run("「B1」を、ボタンとして、作成\n");
  Widget("B1")->Fire(Mouse(8, 7, 9));
  EXPECT_TRUE(t.e.Events.empty());
  EXPECT_EQ(Var("マウスX"), "7");
  EXPECT_EQ(Var("マウスY"), "9");
}

TEST_F(EventsTest, AnEventDuringALongLoopWaitsForABoundaryOutsideAnyEvaluation) {
  // The click arrives while the pump runs inside 遅い, a function called
  // from the middle of the loop's statement; its handler must see 中 = 0,
  // i.e. run between two statements of the loop, not inside the call.
  WhenRunning([this] { fake.Created.back()->Fire(Click()); });
  std::string out = Run(
      "遅いを、「?を」で、関数定義\n"
      "中は、0\n"
      "見たは、「」\n"
      "「B1」を、ボタンとして、作成\n"
      "B1の、クリックした時は、『見たは、見た&中&「:」&I』\n"
      "Iを、1から、40まで、繰り返す（Zは、遅い(I)）\n"
      "見たを、表示\n"
      "おわり\n"
      "*遅い\n"
      "引数取得\n"
      "中は、1\n"
      "Jを、1から、2000まで、繰り返す（Kは、J）\n"
      "中は、0\n"
      "戻る\n");
  ASSERT_EQ(Error(), "");
  ASSERT_EQ(out.substr(0, 2), "0:") << out;
  EXPECT_LT(std::stoi(out.substr(2)), 40) << "ran only after the loop: " << out;
}

TEST_F(EventsTest, TheStatementFormRunsRightAfterItsStatementEvenInsideAHandler) {
  std::string out = Run(
      "「B1」を、ボタンとして、作成\n「B2」を、ボタンとして、作成\n"
      "B2の、クリックした時は、『「B2」を、表示』\n"
      "B1の、クリックした時は、『B2の、クリックした時。「B1の後」を、表示』\n"
      "B1の、クリックした時\n"
      "「本文」を、表示\n");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(out, "B2\nB1の後\n本文\n");
}

TEST_F(EventsTest, AHandlerThatDestroysItsPartDropsTheEventsStillQueuedForIt) {
  Run("「B1」を、ボタンとして、作成\n"
      "B1の、クリックした時は、『「{イベントオブジェクトの(名前)}」を、表示。B1を、オブジェクト破壊。「済」を、表示』\n");
  FakePart* b1 = Widget("B1");
  b1->Fire(Click());
  b1->Fire(Click());  // queued before the first one ran
  EXPECT_EQ(Drain(), "B1\n済\n");
  EXPECT_EQ(Word("B1"), nullptr);
  EXPECT_EQ(parts::DeferredPartCount(t.e), 0u);  // the pump freed it after the handler
}

TEST_F(EventsTest, AHandlerReplacedWhileItRunsFinishesItsOwnText) {
  Run("「B1」を、ボタンとして、作成\n"
      "B1の、クリックした時は、『B1の、クリックした時は、『「新」を、表示』。「旧の続き」を、表示』\n");
  Widget("B1")->Fire(Click());
  EXPECT_EQ(Drain(), "旧の続き\n");
  Widget("B1")->Fire(Click());
  EXPECT_EQ(Drain(), "新\n");
  // Set again before a queued event ran: the event runs what is set when
  // it starts; cleared, nothing.
  Widget("B1")->Fire(Click());
  Record("B1")->EventLabels[1] = FromUtf8("「三」を、表示");
  EXPECT_EQ(Drain(), "三\n");
  Widget("B1")->Fire(Click());
  Record("B1")->EventLabels[1].clear();
  EXPECT_EQ(Drain(), "");
}

TEST_F(EventsTest, AHandlerNamingNoLabelFailsAsTheStatementItIs) {
  Run("「B1」を、ボタンとして、作成\nB1の、クリックした時は、無いラベル\n");
  ASSERT_EQ(Error(), "");
  Widget("B1")->Fire(Click());
  Drain();
  EXPECT_TRUE(ErrorHas("\"無いラベル\"は未定義の命令です。")) << Error();
}

TEST_F(EventsTest, AnErrorInAHandlerFollowsTheErrorDialogsChoice) {
  const char* program =
      "「B1」を、ボタンとして、作成\n"
      "B1の、クリックした時は、『「あ」を、表示。未定義命令する。「い」を、表示』\n";
  t.host.OnError = ErrorChoice::Continue;
  Run(program);
  Widget("B1")->Fire(Click());
  EXPECT_EQ(Drain(), "あ\nい\n");
  EXPECT_TRUE(ErrorHas("未定義命令する")) << Error();
  // Quit: the program stops, and later events do nothing.
  t.host.Errors.clear();
  t.host.OnError = ErrorChoice::Quit;
  Run(program);
  Widget("B1")->Fire(Click());
  Widget("B1")->Fire(Click());
  EXPECT_EQ(Drain(), "あ\n");
  EXPECT_TRUE(t.e.StopFlag);
  size_t waiting = t.e.Events.size();
  Widget("B1")->Fire(Click());
  EXPECT_EQ(t.e.Events.size(), waiting);
}

TEST_F(EventsTest, AFloodOfEventsIsCappedAndMouseMovesMerge) {
  // The clicks run a label (an inline handler is prepared at each run,
  // too slow for ten thousand of them in the sanitizer build).
  Run("数は、0\n「B1」を、ボタンとして、作成\n"
      "B1の、クリックした時は、「数える」\n"
      "B1の、マウス動かした時は、『「{マウスX}」を、表示』\n"
      "待機\n*数える\n数は、数+1\n戻る\n");
  FakePart* b1 = Widget("B1");
  for (int i = 0; i < 1000; ++i) b1->Fire(Mouse(8, i, 0));
  EXPECT_EQ(t.e.Events.size(), 1u);  // consecutive moves: the last one stands
  EXPECT_EQ(Drain(), "999\n");
  // Moves make room first: a full queue drops its oldest move for a click.
  b1->Fire(Mouse(8, 1, 0));
  for (int i = 0; i < 100000; ++i) b1->Fire(Click());
  EXPECT_EQ(t.e.Events.size(), EventQueue::kCapacity);
  EXPECT_EQ(Drain(), "");  // the move was dropped
  EXPECT_EQ(Var("数"), std::to_string(EventQueue::kCapacity));
}

TEST_F(EventsTest, AChangeHandlerThatChangesItsOwnPartDoesNotQueueItselfAgain) {
  Run("数は、0\n「E1」を、エディタとして、作成\n"
      "E1の、変更した時は、『数は、数+1。E1は、「{数}回目」』\n");
  Widget("E1")->ReportsChanges = true;
  RunProgramText(t.e, FromUtf8("E1は、「始め」\n「後」を、表示\n"));
  // The change handler ran right after the assignment, and once.
  EXPECT_EQ(Drain(), "");
  EXPECT_EQ(t.host.Output.substr(t.host.Output.size() - 4), "後\n");
  EXPECT_EQ(Var("数"), "1");
  EXPECT_EQ(Caption("E1"), "1回目");
}

TEST_F(EventsTest, DropsTreesAndBrowsersSetTheirValues) {
  Run("「L1」を、リストとして、作成\n「M1」を、メモとして、作成\n「E2」を、エディタとして、作成\n"
      "E2の、ファイルドロップした時は、『「[{イベントの値}]」を、表示』\n"
      "「T1」を、ツリーとして、作成\nT1の、クリックした時は、『「{イベントの値}」を、表示』\n"
      "「W1」を、ブラウザとして、作成\n"
      "W1の、クリックした時は、『「{ブラウザ移動先URL}」を、表示。ブラウザURL移動許可は、0』\n");
  ASSERT_EQ(Error(), "");
  PartEvent drop;
  drop.Slot = 9;
  drop.Files = FromUtf8("/a/一.txt\r\n/b/二.txt\r\n");
  // Without a handler the part takes the files itself.
  Widget("L1")->Fire(drop);
  EXPECT_EQ(Widget("L1")->ItemList.size(), 2u);
  EXPECT_EQ(ToUtf8(Widget("L1")->ItemList[1]), "/b/二.txt");
  Widget("M1")->Fire(drop);
  EXPECT_EQ(Caption("M1"), "/a/一.txt\r\n/b/二.txt\r\n");
  Widget("E2")->Fire(drop);
  EXPECT_EQ(Drain(), "[/a/一.txt\r\n/b/二.txt]\n");
  FakePart* tree = Widget("T1");
  tree->Nodes = {{0, FromUtf8("動物")}, {1, FromUtf8("犬")}};
  tree->SelectedNode = 1;
  tree->Fire(Click());
  EXPECT_EQ(Drain(), "動物\\犬\n");
  // A browser asks before it navigates: when nothing runs, its handler
  // answers at once; while the script runs, the variable as it stands.
  PartEvent go;
  go.Slot = 1;
  go.Url = "http://example.com/";
  EXPECT_FALSE(Widget("W1")->Fire(go));
  EXPECT_EQ(t.host.Output.substr(t.host.Output.size() - 20), "http://example.com/\n");
  RunProgramText(t.e, FromUtf8("ブラウザURL移動許可は、1"));
  t.e.RunDepth = 1;
  EXPECT_TRUE(Widget("W1")->Fire(go));
  t.e.RunDepth = 0;
  EXPECT_TRUE(t.e.Events.empty());
}

TEST_F(EventsTest, TheCloseRequestWaitsForABoundaryAndMayBeRefused) {
  // The user closes the window in the middle of a long loop.
  WhenRunning([this] { t.host.UserCloses(); });
  std::string out = Run(
      "終了処理に、終了処理設定\n"
      "Iを、1から、1000000まで、繰り返す（Kは、I）\n"
      "「完走」を、表示\n"
      "終了不可能は、0\n"
      "おわり\n"
      "*終了処理\n"
      "「閉じる{I<1000000}」を、表示\n"
      "終了不可能は、1\n"
      "戻る\n");
  ASSERT_EQ(Error(), "");
  // Refused: the loop went on to its end; then おわり closes (the handler
  // ran once and is forgotten).
  EXPECT_EQ(out, "閉じる1\n完走\n");
  EXPECT_EQ(t.host.Closed, 1);
}

TEST_F(EventsTest, TheScriptTimerRunsItsLabelOnceAndTheLaterSettingWins) {
  std::string out = Run(
      "0.05秒後に、一へ飛ぶ、タイマー設定\n"
      "0秒後に、二へ飛ぶ、タイマー設定\n"      // replaces the first
      "「本文」を、表示\n"
      "待機\n"
      "*一\n「一」を、表示\n戻る\n"
      "*二\n「二」を、表示\n-1秒後に、三へ飛ぶ、タイマー設定\n戻る\n"
      "*三\n「三」を、表示\n戻る\n");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(out, "本文\n");
  EXPECT_EQ(Drain(), "二\n三\n");  // fired once each: off until set again
  Run("1秒後に、無いへ飛ぶ、タイマー設定");
  EXPECT_TRUE(ErrorHas("未定義のラベル\"無い\"に、ジャンプしようとしました。")) << Error();
  t.host.Errors.clear();
  // Disarmed, and an empty label forgets the label.
  out = Run("0秒後に、一へ飛ぶ、タイマー設定\nタイマー解除\n0秒後に、「」へ飛ぶ、タイマー設定\n*一\n戻る\n");
  EXPECT_EQ(Drain(), "");
  EXPECT_EQ(t.host.Pump.Armed(), 0u);
  EXPECT_FALSE(t.e.Events.TimerEntry);
}

TEST_F(EventsTest, WaitingLetsHandlersRunAndEndsEarlyOnStop) {
  auto start = std::chrono::steady_clock::now();
  std::string out = Run(
      "0.01秒後に、鳴るへ飛ぶ、タイマー設定\n"
      "「前」を、表示\n"
      "0.2秒、待つ\n"
      "「後」を、表示\n"
      "0.01秒後に、止めるへ飛ぶ、タイマー設定\n"
      "30秒、待つ\n"                             // おわり in the handler ends it
      "「届かない」を、表示\n"
      "*鳴る\n「鳴った」を、表示\n戻る\n"
      "*止める\nおわり\n");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(out, "前\n鳴った\n後\n");
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
}

}  // namespace
}  // namespace nokari::test
