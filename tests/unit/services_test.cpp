// The host services: the console's poll() pump, and the engine's side of
// the services (what 表示 passes, the close request, waiting, no host).
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <vector>

#include "TestHost.h"

namespace nokari {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::TestEngine;

struct Pipe {
  int Read = -1, Write = -1;
  Pipe() {
    int fds[2];
    if (pipe(fds) == 0) Read = fds[0], Write = fds[1];
  }
  ~Pipe() {
    if (Read >= 0) close(Read);
    if (Write >= 0) close(Write);
  }
};

auto Never() {
  return [] { return false; };
}

TEST(PollPump, TimersFireOnceInDueOrderAndNotBefore) {
  PollPump pump;
  std::vector<int> fired;
  pump.StartTimer(60ms, [&] { fired.push_back(2); });
  pump.StartTimer(20ms, [&] { fired.push_back(1); });
  pump.StartTimer(60ms, [&] { fired.push_back(3); });  // same due time: arming order
  pump.ProcessEvents();
  EXPECT_TRUE(fired.empty());
  Clock::time_point start = Clock::now();
  pump.Wait(5s, [&] { return fired.size() == 3; });
  EXPECT_EQ(fired, (std::vector<int>{1, 2, 3}));
  EXPECT_GE(Clock::now() - start, 50ms);
  EXPECT_LT(Clock::now() - start, 2s);  // ended early, once all had fired
  EXPECT_EQ(pump.Armed(), 0u);
  pump.Wait(30ms, Never());
  EXPECT_EQ(fired.size(), 3u);  // single shot
}

TEST(PollPump, CancelledTimersNeverFire) {
  PollPump pump;
  int fired = 0;
  int a = pump.StartTimer(10ms, [&] { ++fired; });
  int b = 0;
  // A callback cancels a timer due in the same round.
  pump.StartTimer(5ms, [&] { pump.CancelTimer(b); });
  b = pump.StartTimer(10ms, [&] { fired += 10; });
  pump.CancelTimer(a);
  pump.Wait(40ms, Never());
  EXPECT_EQ(fired, 0);
  pump.CancelTimer(a);  // already gone: harmless
  pump.CancelTimer(12345);
  EXPECT_EQ(pump.Armed(), 0u);
}

TEST(PollPump, ATimerArmedByACallbackWaitsForTheNextRound) {
  PollPump pump;
  int rounds = 0;
  std::function<void()> again = [&] {
    ++rounds;
    pump.StartTimer(0ms, again);
  };
  pump.StartTimer(0ms, again);
  pump.ProcessEvents();
  EXPECT_EQ(rounds, 1);
  pump.ProcessEvents();
  EXPECT_EQ(rounds, 2);
}

TEST(PollPump, WaitSleepsItsTimeWithNothingArmed) {
  PollPump pump;
  Clock::time_point start = Clock::now();
  pump.Wait(50ms, Never());
  EXPECT_GE(Clock::now() - start, 50ms);
  start = Clock::now();
  pump.Wait(5s, [] { return true; });  // a stop that already holds
  EXPECT_LT(Clock::now() - start, 2s);
}

TEST(PollPump, AReadableDescriptorWakesTheWaitAndRunsItsWatch) {
  PollPump pump;
  Pipe p;
  ASSERT_GE(p.Read, 0);
  std::string got;
  int id = pump.WatchFd(p.Read, IEventPump::Readable, [&] {
    char buf[16];
    ssize_t n = read(p.Read, buf, sizeof buf);
    if (n > 0) got.append(buf, n);
  });
  EXPECT_GT(id, 0);
  pump.ProcessEvents();
  EXPECT_EQ(got, "");
  // A timer writes into the pipe during the wait; the watch sees it then.
  pump.StartTimer(20ms, [&] { (void)!write(p.Write, "abc", 3); });
  Clock::time_point start = Clock::now();
  pump.Wait(2s, [&] { return !got.empty(); });
  EXPECT_EQ(got, "abc");
  EXPECT_LT(Clock::now() - start, 1s);
  // Unwatched, further data is left alone.
  pump.Unwatch(id);
  (void)!write(p.Write, "d", 1);
  pump.ProcessEvents();
  EXPECT_EQ(got, "abc");
}

TEST(PollPump, WatchesForWritingAndUnwatchingFromTheCallback) {
  PollPump pump;
  Pipe p;
  ASSERT_GE(p.Write, 0);
  int calls = 0, id = 0;
  id = pump.WatchFd(p.Write, IEventPump::Writable, [&] {
    ++calls;
    pump.Unwatch(id);
  });
  // Readable only: an empty pipe's reading end must not be reported.
  int reads = 0;
  pump.WatchFd(p.Read, IEventPump::Readable, [&] { ++reads; });
  pump.ProcessEvents();
  pump.ProcessEvents();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(reads, 0);
  EXPECT_EQ(pump.Armed(), 1u);
}

TEST(PollPump, AClosedDescriptorsWatchIsDroppedInsteadOfSpinning) {
  PollPump pump;
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  close(fds[1]);
  int calls = 0;
  pump.WatchFd(fds[0], IEventPump::Readable, [&] { ++calls; });
  close(fds[0]);  // closed while watched
  Clock::time_point start = Clock::now();
  pump.Wait(60ms, Never());
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(pump.Armed(), 0u);
  EXPECT_GE(Clock::now() - start, 60ms);
}

TEST(PollPump, AHangUpIsReportedToTheReader) {
  PollPump pump;
  Pipe p;
  int calls = 0;
  pump.WatchFd(p.Read, IEventPump::Readable, [&] { ++calls; });
  close(p.Write);
  p.Write = -1;
  pump.ProcessEvents();
  EXPECT_EQ(calls, 1);  // the reader sees the end of input
}

TEST(Services, ShowPassesTheScriptsTextStyle) {
  TestEngine t;
  t.Run("「a」を、表示\n"
        "文字色は、255\n文字サイズは、20\n文字書体は、「ＭＳ 明朝」\n「b」を、表示\n"
        "文字色は、「#00FF80」\n文字サイズは、0\n「c」を、表示\n"
        "文字色は、「#0f8」\n「d」を、表示\n"
        "文字色は、$FF0000\n「e」を、表示\n"
        "文字色は、「#12345」\n「f」を、表示\n");
  ASSERT_EQ(t.host.Styles.size(), 6u) << t.host.Errors;
  const auto& s = t.host.Styles;
  EXPECT_EQ(ToUtf8(s[0].Face), "ＭＳ ゴシック");
  EXPECT_EQ(s[0].Points, 12);
  EXPECT_EQ(s[0].Rgb, 0x000000u);
  // Numbers are Windows colours, blue in the high byte.
  EXPECT_EQ(s[1].Rgb, 0xFF0000u);
  EXPECT_EQ(s[1].Points, 20);
  EXPECT_EQ(ToUtf8(s[1].Face), "ＭＳ 明朝");
  EXPECT_EQ(s[2].Rgb, 0x00FF80u);
  EXPECT_EQ(s[2].Points, 12);  // no size: the default
  // "#" texts are read pair by pair (the one colour reading of drawing
  // and properties): "0f", "8" and nothing; "12", "34" and "5".
  EXPECT_EQ(s[3].Rgb, 0x0F0800u);
  EXPECT_EQ(s[4].Rgb, 0x0000FFu);
  EXPECT_EQ(s[5].Rgb, 0x123405u);
  EXPECT_EQ(t.host.Output, "a\nb\nc\nd\ne\nf\n");
}

TEST(Services, TheMainWindowIsShownUnlessTheScriptFloatsIt) {
  TestEngine t;
  int before = t.host.Shown;
  t.Run("「a」を、表示\n");
  EXPECT_EQ(t.host.Shown, before + 1);
  t.Run("母艦浮上\n");
  EXPECT_EQ(t.host.Shown, before + 2);  // by the command alone, not at the start
}

TEST(Services, AUsersCloseRunsTheCloseHandlerWhichMayRefuse) {
  TestEngine t;
  t.Run("終了処理に、終了処理設定\n「本文」を、表示\n待機\n"
        "*終了処理\n「後片付け」を、表示\n終了不可能は、1\n");
  EXPECT_EQ(t.host.Output, "本文\n");
  t.host.UserCloses();
  EXPECT_EQ(t.host.Output, "本文\n後片付け\n");
  EXPECT_EQ(t.host.Closed, 0);  // refused: the window stays
  EXPECT_FALSE(t.e.Closed);
  t.e.NoExitVar->SetValue("0");
  t.host.UserCloses();
  EXPECT_EQ(t.host.Closed, 1);
  EXPECT_TRUE(t.e.Closed);
  EXPECT_EQ(t.host.Output, "本文\n後片付け\n");  // the handler ran once
  // After the end a close only closes.
  t.host.UserCloses();
  EXPECT_EQ(t.host.Closed, 2);
}

TEST(Services, EndingAndTheErrorDialogsQuitCloseTheWindow) {
  TestEngine t;
  t.Run("「a」を、表示\nおわり\n「b」を、表示\n");
  EXPECT_EQ(t.host.Output, "a\n");
  EXPECT_EQ(t.host.Closed, 1);
  TestEngine u;
  u.Run("「a」を、表示する2\n「b」を、表示\n");
  EXPECT_EQ(u.host.Closed, 1);
  EXPECT_EQ(u.host.Output, "");
  TestEngine v;
  v.host.OnError = ErrorChoice::Continue;
  v.Run("「a」を、表示する2\n「b」を、表示\n");
  EXPECT_EQ(v.host.Closed, 0);
  EXPECT_EQ(v.host.Output, "b\n");
}

TEST(Services, WaitingLetsTimersRunAndEndsEarlyOnStop) {
  TestEngine t;
  int fired = 0;
  t.host.Pump.StartTimer(30ms, [&] { ++fired; });
  t.host.Pump.StartTimer(60ms, [&] { t.e.StopFlag = true; });
  Clock::time_point start = Clock::now();
  t.Run("10秒、待つ\n「後」を、表示\n");
  EXPECT_LT(Clock::now() - start, 3s);
  EXPECT_GE(Clock::now() - start, 60ms);
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(t.host.Output, "");  // stopped: nothing after the wait ran
  start = Clock::now();
  t.Run("0.05秒、待つ\n「後」を、表示\n");
  EXPECT_GE(Clock::now() - start, 50ms);
  EXPECT_EQ(t.host.Output, "後\n");
}

TEST(Services, TheClipboardAndTheScreenGoThroughTheirServices) {
  TestEngine t;
  t.host.clip = Sj("前から");
  EXPECT_EQ(t.Run("クリップボード取得を、表示\n「新しい」を、コピー\nデスクトップの幅を、表示\n"),
            "前から\n1024\n");
  EXPECT_EQ(ToUtf8(t.host.clip), "新しい");
}

TEST(Services, AnEngineWithoutAHostTalksToQuietServices) {
  TNokaBase e;
  e.FileName = "test.nkr";
  StartProgram(e, FromUtf8("「a」を、表示\n「b」と、言う\n尋ねる\n「x」を、コピー\nクリップボード取得\n"
                           "0.01秒、待つ\n"));
  RunLoop(e);
  EXPECT_EQ(e.Words.GetValue(Sj("デスクトップの高さ")), "768");
  EXPECT_TRUE(e.ErrorLog.empty()) << ToUtf8(e.ErrorLog);
  StartProgram(e, FromUtf8("「a」を、表示する2\n"));
  RunLoop(e);  // the quiet error dialog answers Quit
  EXPECT_TRUE(e.StopFlag);
}

}  // namespace
}  // namespace nokari
