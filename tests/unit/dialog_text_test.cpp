// The dialog rules that do not depend on who answers (lib/dialog/DialogText)
// and the answers file (host/ScriptedDialogs).
#include <gtest/gtest.h>

#include "TestHost.h"
#include "core/Encoding.h"
#include "host/ScriptedDialogs.h"
#include "lib/dialog/DialogText.h"

namespace nokari {
namespace {

using namespace dialog;
using testing::CaptureHost;

std::vector<std::string> Utf8(const std::vector<std::string>& cp932) {
  std::vector<std::string> out;
  for (const std::string& s : cp932) out.push_back(ToUtf8(s));
  return out;
}

TEST(DialogText, MessageCutKeepsDoubleByteCharactersWhole) {
  EXPECT_EQ(CutMessage("short"), "short");
  std::string exact(kMessageBytes, 'a');
  EXPECT_EQ(CutMessage(exact), exact);
  std::string longer(kMessageBytes + 1, 'a');
  EXPECT_EQ(CutMessage(longer), std::string(kMessageBytes, 'a') + "...");
  // One byte, then double-byte characters: the 4095th byte would be the
  // first half of one, so the cut falls before it.
  std::string wide = "a";
  while (wide.size() < 5000) wide += Sj("あ");
  std::string cut = CutMessage(wide);
  EXPECT_EQ(cut.size(), kMessageBytes + 3);
  EXPECT_EQ(cut.substr(cut.size() - 3), "...");
  std::string twoByteOnly;
  while (twoByteOnly.size() < 5000) twoByteOnly += Sj("漢");
  cut = CutMessage(twoByteOnly);
  EXPECT_EQ(cut.size(), kMessageBytes - 1 + 3);
  EXPECT_EQ(ToUtf8(cut.substr(0, cut.size() - 3)).find("\xEF\xBF\xBD"), std::string::npos);
}

TEST(DialogText, ChoicesSplitAtBarsOfBothWidthsAndLineBreaks) {
  EXPECT_EQ(Utf8(SplitChoices(Sj("赤｜青|緑"))), (std::vector<std::string>{"赤", "青", "緑"}));
  EXPECT_EQ(Utf8(SplitChoices(Sj("a\r\nb\nc\r\n"))), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(SplitChoices("a||b"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_TRUE(SplitChoices("").empty());
  // ポ is 0x83 0x7C: its second byte is no bar.
  EXPECT_EQ(Utf8(SplitChoices(Sj("ポ|ソ"))), (std::vector<std::string>{"ポ", "ソ"}));
  // Buttons: the whole text trimmed, then lines.
  EXPECT_EQ(SplitButtonChoices("  \r\nyes\r\nno\r\n \r\n"), (std::vector<std::string>{"yes", "no"}));
  EXPECT_EQ(SplitButtonChoices("a|b"), (std::vector<std::string>{"a|b"}));
}

TEST(DialogText, FilterFromExtensionAndDefaultExtension) {
  EXPECT_EQ(ToUtf8(BuildFilter("txt")), "txt 形式(*.txt)|*.txt|全て(*.*)|*.*");
  EXPECT_EQ(ToUtf8(BuildFilter(".csv")), "csv 形式(*.csv)|*.csv|全て(*.*)|*.*");
  EXPECT_EQ(BuildFilter("*.csv|*.csv"), "*.csv|*.csv");
  EXPECT_EQ(DefaultExtension("*.csv|*.csv"), "csv");
  EXPECT_EQ(DefaultExtension(BuildFilter("txt")), "txt");
  EXPECT_EQ(DefaultExtension("all|*.*"), "*");
  EXPECT_EQ(DefaultExtension("text|.log|x|y"), "log");
  EXPECT_EQ(DefaultExtension("nobar"), "");

  std::vector<FileFilter> parsed = ParseFilter(BuildFilter("txt"));
  ASSERT_EQ(parsed.size(), 2u);
  EXPECT_EQ(ToUtf8(parsed[0].Description), "txt 形式(*.txt)");
  EXPECT_EQ(parsed[0].Pattern, "*.txt");
  EXPECT_EQ(parsed[1].Pattern, "*.*");
  parsed = ParseFilter("only");
  ASSERT_EQ(parsed.size(), 1u);
  EXPECT_EQ(parsed[0].Pattern, "*.*");

  EXPECT_EQ(WithDefaultExtension("/tmp/a", "csv"), "/tmp/a.csv");
  EXPECT_EQ(WithDefaultExtension("/tmp/a.txt", "csv"), "/tmp/a.txt");
  EXPECT_EQ(WithDefaultExtension("/tmp.d/a", "csv"), "/tmp.d/a.csv");
  EXPECT_EQ(WithDefaultExtension("a", "*"), "a");
  EXPECT_EQ(WithDefaultExtension("a", ""), "a");
}

TEST(DialogText, FontResultAndAnswer) {
  EXPECT_EQ(ToUtf8(FontResult({Sj("ＭＳ ゴシック"), 12})), "ＭＳ ゴシック||12");
  EXPECT_EQ(ToUtf8(FontResult({"Sans", 12, true, true, false})), "Sans|太字傾斜|12");
  EXPECT_EQ(ToUtf8(FontResult({"Sans", 0, false, false, true})), "Sans|下線");
  EXPECT_EQ(FontResult({"Sans", 0}), "Sans");
  std::optional<FontChoice> read = ReadFontAnswer(Sj("Serif|傾斜下線|20"));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->Face, "Serif");
  EXPECT_EQ(read->Points, 20);
  EXPECT_FALSE(read->Bold);
  EXPECT_TRUE(read->Italic);
  EXPECT_TRUE(read->Underline);
  // What FontResult writes reads back the same.
  FontChoice bold{"Sans", 9, true, false, false};
  read = ReadFontAnswer(FontResult(bold));
  ASSERT_TRUE(read);
  EXPECT_EQ(FontResult(*read), FontResult(bold));
  EXPECT_FALSE(ReadFontAnswer(""));
  EXPECT_FALSE(ReadFontAnswer("|太字|12"));
}

TEST(DialogText, ColourNumbersHoldRedInTheLowByte) {
  EXPECT_EQ(ColorNumber(0xFF0000), 255);
  EXPECT_EQ(ColorNumber(0x0000FF), 0xFF0000);
  EXPECT_EQ(ColorNumber(0x123456), 0x563412);
  EXPECT_EQ(RgbOfColorNumber(0x563412), 0x123456u);
  EXPECT_EQ(ReadColorAnswer("#FF0000"), 0xFF0000u);
  EXPECT_EQ(ReadColorAnswer("#00ff80"), 0x00FF80u);
  EXPECT_EQ(ReadColorAnswer("255"), 0xFF0000u);
  EXPECT_EQ(ReadColorAnswer("0"), 0u);
  EXPECT_FALSE(ReadColorAnswer("red"));
  EXPECT_FALSE(ReadColorAnswer("#F00"));
  EXPECT_FALSE(ReadColorAnswer("16777216"));
  EXPECT_FALSE(ReadColorAnswer("-1"));
  EXPECT_FALSE(ReadColorAnswer(""));
}

TEST(DialogText, AnswersPickChoicesByTextThenNumber) {
  std::vector<std::string> items = {"a", "b", "3"};
  EXPECT_EQ(PickChoice("b", items, false), "b");
  EXPECT_EQ(PickChoice("1", items, false), "a");
  EXPECT_EQ(PickChoice("3", items, false), "3");  // the text wins over the number
  EXPECT_EQ(PickChoice("", items, false), "");
  EXPECT_FALSE(PickChoice("4", items, false));
  EXPECT_FALSE(PickChoice("z", items, false));
  EXPECT_EQ(PickChoice("z", items, true), "z");
  EXPECT_FALSE(PickChoice("99999999999999999999", items, false));

  EXPECT_EQ(ReadYesNoAnswer(Sj("はい"), false), 1);
  EXPECT_EQ(ReadYesNoAnswer("Y", false), 1);
  EXPECT_EQ(ReadYesNoAnswer(" 0 ", false), 0);
  EXPECT_EQ(ReadYesNoAnswer(Sj("いいえ"), true), 0);
  EXPECT_EQ(ReadYesNoAnswer(Sj("キャンセル"), true), 2);
  EXPECT_FALSE(ReadYesNoAnswer(Sj("キャンセル"), false));
  EXPECT_FALSE(ReadYesNoAnswer("maybe", true));
  // Typed with the input method on: full-width letters and digits.
  EXPECT_EQ(ReadYesNoAnswer(Sj("ｙ"), false), 1);
  EXPECT_EQ(ReadYesNoAnswer(Sj("ＮＯ"), false), 0);
  EXPECT_EQ(ReadYesNoAnswer(Sj("２"), true), 2);
  EXPECT_FALSE(ReadYesNoAnswer(Sj("ｙｅｓｓ"), false));

  EXPECT_EQ(SplitFileAnswer(" /a | /b||"), (std::vector<std::string>{"/a", "/b"}));
  EXPECT_TRUE(SplitFileAnswer("").empty());
}

TEST(ScriptedAnswers, EscapesAndCancel) {
  EXPECT_FALSE(DecodeAnswer("cancel"));
  EXPECT_EQ(DecodeAnswer("\\cancel"), "cancel");
  EXPECT_EQ(DecodeAnswer("a\\nb"), "a\r\nb");
  EXPECT_EQ(DecodeAnswer("c:\\\\x"), "c:\\x");
  EXPECT_EQ(DecodeAnswer("end\\"), "end\\");
  EXPECT_EQ(DecodeAnswer(""), "");
}

// Diagnostics kept, so the notes can be counted.
struct NotingHost : CaptureHost {
  std::vector<std::string> Notes;
  void Diagnostic(const std::string& text) override { Notes.push_back(text); }
};

TEST(ScriptedAnswers, AnswersInOrderWithTranscriptAndNeverBlock) {
  NotingHost host;
  ScriptedDialogs answers({"太郎", "cancel", "2", "#0000FF", "red", "y"}, host.Services());
  EXPECT_EQ(answers.Input(Sj("名前は？"), ""), Sj("太郎"));
  EXPECT_FALSE(answers.Input("again", ""));
  EXPECT_EQ(answers.ChooseButton("pick", {"x", "y"}), "y");
  EXPECT_EQ(answers.Color(0), 0x0000FFu);
  EXPECT_TRUE(host.Notes.empty());
  // A text for a colour: a cancel and a note.
  EXPECT_FALSE(answers.Color(0xFF));
  EXPECT_EQ(host.Notes.size(), 1u);
  EXPECT_EQ(answers.YesNoCancel("go?", ""), YesNoAnswer::Yes);
  // Out of answers: cancels, one note for all of them.
  EXPECT_FALSE(answers.Memo("m"));
  EXPECT_FALSE(answers.Folder("/"));
  EXPECT_EQ(answers.YesNoCancel("more?", ""), YesNoAnswer::Cancel);
  EXPECT_EQ(host.Notes.size(), 2u);
  // 言う takes no answer; on the console it is still printed.
  answers.MessageBox("hello\tworld", "");
  EXPECT_EQ(host.Output, "hello\tworld\n");
  EXPECT_EQ(answers.Transcript(),
            "input\t名前は？\t太郎\n"
            "input\tagain\tcancel\n"
            "buttons\tpick [x|y]\t2\n"
            "color\t0\t#0000FF\n"
            "color\t16711680\tred\n"
            "yesnocancel\tgo?\ty\n"
            "memo\tm\tcancel\n"
            "folder\t/\tcancel\n"
            "yesnocancel\tmore?\tcancel\n"
            "say\thello\\tworld\t\n");
}

TEST(ScriptedAnswers, WindowHostNeitherShowsMessagesNorWaitsOnErrors) {
  NotingHost host;
  HostServices window = host.Services();
  window.Console = false;
  ScriptedDialogs answers({}, window);
  answers.MessageBox("seen by nobody", "");
  EXPECT_EQ(host.Output, "");
  EXPECT_EQ(answers.ShowErrorDialog("[エラー] x", false), ErrorChoice::Quit);
  EXPECT_TRUE(host.Errors.empty());
  ASSERT_EQ(host.Notes.size(), 1u);
  EXPECT_EQ(host.Notes[0], "[エラー] x");
}

}  // namespace
}  // namespace nokari
