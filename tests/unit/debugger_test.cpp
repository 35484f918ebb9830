// The debug dialog's data and the engine's line stops, through a dialog
// that records what it was shown and answers from a list.
#include <gtest/gtest.h>

#include <deque>

#include "TestHost.h"
#include "core/Debugger.h"

namespace nokari {
namespace {

using testing::TestEngine;

struct Stop {
  int32_t Line;
  std::string Text;                     // UTF-8
  std::vector<std::string> Frames;      // UTF-8
  std::vector<DebugVariable> Variables;  // default filter
};

class RecordingDebugger : public IDebugService {
 public:
  std::deque<DebugChoice> Answers;
  std::vector<Stop> Stops;
  DebugChoice ShowDebugDialog(TNokaBase& e, const std::function<void()>&) override {
    Stop s{e.LineNo, ToUtf8(DebugLineText(e, e.LineNo - 1)), {}, DebugVariables(e, DebugFilter{})};
    for (const std::string& f : DebugFrames(e)) s.Frames.push_back(ToUtf8(f));
    Stops.push_back(std::move(s));
    if (Answers.empty()) return DebugChoice::Continue;
    DebugChoice c = Answers.front();
    Answers.pop_front();
    return c;
  }
};

struct DebugEngine : TestEngine {
  RecordingDebugger debugger;
  DebugEngine() { e.Services.Debugger = &debugger; }
};

const DebugVariable* Named(const std::vector<DebugVariable>& rows, const std::string& utf8) {
  for (const DebugVariable& v : rows)
    if (v.Name == FromUtf8(utf8)) return &v;
  return nullptr;
}

TEST(Debugger, LineStopsAfterEveryLineUntilContinue) {
  DebugEngine t;
  t.debugger.Answers = {DebugChoice::StepLines, DebugChoice::StepLines, DebugChoice::Continue};
  std::string out = t.Run(
      "改行で実行を止める\n「一」を、表示\n「二」を、表示\n「三」を、表示\n「四」を、表示\n");
  EXPECT_EQ(out, "一\n二\n三\n四\n");
  ASSERT_EQ(t.debugger.Stops.size(), 3u);
  // Each stop shows the line that has just run, starting with the one
  // that asked for the stops.
  EXPECT_EQ(t.debugger.Stops[0].Line, 1);
  EXPECT_EQ(t.debugger.Stops[0].Text, "改行で実行を止める");
  EXPECT_EQ(t.debugger.Stops[1].Text, "\"一\"を,表示");
  EXPECT_EQ(t.debugger.Stops[2].Line, 3);
  EXPECT_EQ(t.debugger.Stops[2].Text, "\"二\"を,表示");
}

TEST(Debugger, StopEndsTheProgram) {
  DebugEngine t;
  t.debugger.Answers = {DebugChoice::Stop};
  std::string out = t.Run("「一」を、表示\nDEBUG\n「二」を、表示\n");
  EXPECT_EQ(out, "一\n");
  EXPECT_EQ(t.debugger.Stops.size(), 1u);
  EXPECT_TRUE(t.e.StopFlag);
  EXPECT_FALSE(t.e.LineStop);
}

TEST(Debugger, OneLineLoopStopsAtEveryTurnWithItsFrame) {
  DebugEngine t;
  t.debugger.Answers.assign(6, DebugChoice::StepLines);
  t.Run("改行で実行を止める\n3回\n  「x」を、表示\n「y」を、表示\n");
  ASSERT_GE(t.debugger.Stops.size(), 5u);
  // The loop's turns stop inside it, each showing its frame.
  int inLoop = 0;
  for (const Stop& s : t.debugger.Stops)
    if (s.Frames == std::vector<std::string>{"1:回"}) ++inLoop;
  EXPECT_GE(inLoop, 3);
}

TEST(Debugger, FramesOverRunLevelsOutermostFirst) {
  DebugEngine t;
  t.debugger.Answers = {DebugChoice::Continue};
  // (A loop's last turn runs without its frame: first turns are asked.)
  t.Run("2回\n  Fを、呼ぶ\nおわり\n*F\n  DEBUG\n  戻る\n");
  ASSERT_GE(t.debugger.Stops.size(), 1u);
  EXPECT_EQ(t.debugger.Stops[0].Frames,
            (std::vector<std::string>{"1:回", "2:呼ぶ"}));
}

TEST(Debugger, FrameNamesCoverEveryKind) {
  EXPECT_STREQ(FrameKindName(5), "イベント");
  EXPECT_STREQ(FrameKindName(7), "不明");
  EXPECT_STREQ(FrameKindName(8), "条件分岐");
  EXPECT_STREQ(FrameKindName(9), "その他");
}

TEST(Debugger, VariablesFilteredByLevelKindAndSearch) {
  DebugEngine t;
  t.Run("A=5\nBは「文字」\n辞書の「k」は、「v」\nFを、呼ぶ\nおわり\n*F\n  内側=1\n  DEBUG\n");
  ASSERT_EQ(t.debugger.Stops.size(), 1u);
  const std::vector<DebugVariable>& rows = t.debugger.Stops[0].Variables;
  const DebugVariable* a = Named(rows, "A");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->Value, "5");
  EXPECT_EQ(a->Level, 0);
  ASSERT_NE(Named(rows, "B"), nullptr);
  EXPECT_EQ(Named(rows, "B")->Type, "s");
  // それ is always there, built-ins only when asked.
  EXPECT_NE(Named(rows, "それ"), nullptr);
  EXPECT_EQ(Named(rows, "DDE文字列"), nullptr);
  const DebugVariable* inner = Named(rows, "内側");
  ASSERT_NE(inner, nullptr);
  EXPECT_GT(inner->Level, 0);

  DebugFilter deep;
  deep.MinLevel = inner->Level;
  std::vector<DebugVariable> deeper = DebugVariables(t.e, deep);
  EXPECT_EQ(Named(deeper, "A"), nullptr);
  EXPECT_NE(Named(deeper, "内側"), nullptr);
  EXPECT_NE(Named(deeper, "それ"), nullptr);

  DebugFilter system;
  system.SystemVariables = true;
  EXPECT_NE(Named(DebugVariables(t.e, system), "DDE文字列"), nullptr);

  DebugFilter search;
  search.Search = FromUtf8("内");
  std::vector<DebugVariable> found = DebugVariables(t.e, search);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].Name, FromUtf8("内側"));
}

TEST(Debugger, DictionaryShowsItsItems) {
  DebugEngine t;
  t.Run("辞書の「k」は、「v」\n");
  std::vector<DebugVariable> rows = DebugVariables(t.e, DebugFilter{});
  const DebugVariable* d = Named(rows, "辞書");
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->Kind, kDictionary);
  EXPECT_NE(d->Value.find("k=v"), std::string::npos);
}

TEST(Debugger, ProgramTextCarriesEveryMarker) {
  DebugEngine t;
  t.Run("「一」を、表示\n「二」を、表示\n");
  std::string text = ToUtf8(DebugProgramText(t.e));
  EXPECT_EQ(text.rfind("0:\"一\"を,表示\r\n1:\"二\"を,表示", 0), 0u) << text;
  EXPECT_EQ(ToUtf8(DebugLineText(t.e, 0)), "\"一\"を,表示");
  EXPECT_EQ(ToUtf8(DebugLineText(t.e, 1)), "\"二\"を,表示");
  EXPECT_EQ(DebugLineText(t.e, 99), "");
  EXPECT_EQ(DebugLineText(t.e, -1), "");
}

TEST(Debugger, QuietDebuggerLetsTheProgramRun) {
  TestEngine t;  // no debugger installed
  std::string out = t.Run("改行で実行を止める\n「一」を、表示\n「二」を、表示\n");
  EXPECT_EQ(out, "一\n二\n");
  EXPECT_FALSE(t.e.LineStop);
}

}  // namespace
}  // namespace nokari
