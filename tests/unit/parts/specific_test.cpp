// The part-specific commands on the in-memory parts: tabs, trees, grids,
// the rich editor (and its RTF files), the browser's history and the
// Tエディタ's settings files.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "PartsTest.h"
#include "lib/file/FileOps.h"
#include "parts/specific/EditorIni.h"
#include "lib/settings/IniFile.h"
#include "parts/specific/Rtf.h"

namespace nokari::test {
namespace {

using parts::IniPairs;
using parts::ReadRtf;
using parts::WriteRtf;

std::string S(const char* utf8) { return FromUtf8(utf8); }

// A fresh folder for files, removed with everything in it.
struct TempFolder {
  std::string Path;
  TempFolder() {
    std::string tmpl = "/tmp/nokari_specific_XXXXXX";
    Path = mkdtemp(tmpl.data());
  }
  ~TempFolder() { RemoveTree(Path); }
  std::string File(const std::string& name) const { return Path + "/" + name; }
};

std::string Slurp(const std::string& path) {
  std::string content;
  ReadWholeFile(path, content);
  return content;
}

void Put(const std::string& path, const std::string& content) { std::ofstream(path, std::ios::binary) << content; }

// A program makes the parts (Run starts afresh each time); Do runs more
// statements against them, the way a handler would.
class SpecificTest : public PartsTest {
 protected:
  void Do(const std::string& utf8) {
    t.e.StopFlag = false;  // an error shown earlier ended that program
    try {
      t.e.ErrorLog.clear();  // the host is shown the whole log each time
      RunProgramText(t.e, FromUtf8(utf8));
    } catch (ENoka& err) {
      t.host.Errors += ToUtf8(err.Message);
    }
  }
};

// --- タブページ ------------------------------------------------------------------

TEST_F(SpecificTest, TabsAddEnableAndMove) {
  Run("「T」を、タブページとして、作成\n"
      "Tの、テキストは、「一」\n"
      "Tに、「二ページ」の、タブ追加\n"
      "Tを、0に、タブ有効変更\n");
  ASSERT_EQ(Error(), "");
  FakePart& tabs = *Widget("T");
  EXPECT_EQ(tabs.Tabs, (std::vector<std::string>{S("一"), S("二ページ")}));
  EXPECT_FALSE(tabs.IsEnabled);
  Do("Tを、2に、タブ有効変更");  // only 1 enables
  EXPECT_FALSE(tabs.IsEnabled);
  Do("Tを、1に、タブ有効変更");
  EXPECT_TRUE(tabs.IsEnabled);

  struct Case {
    const char* side;
    TabSide expected;
  };
  for (Case c : {Case{"下", TabSide::Bottom}, Case{"右", TabSide::Right}, Case{"上", TabSide::Top},
                 Case{"左", TabSide::Left}, Case{"斜め", TabSide::Left}, Case{"", TabSide::Left}}) {
    Do(std::string("Tで、「") + c.side + "」に、タブ位置変更");
    EXPECT_EQ(tabs.Side, c.expected) << c.side;
  }
  ASSERT_EQ(Error(), "");
}

TEST_F(SpecificTest, EachCommandSaysWhatItWants) {
  Run("「B」を、ボタンとして、作成\nA=1\n");
  struct Case {
    const char* line;
    const char* error;
  };
  const Case cases[] = {
      {"Bに、「x」の、タブ追加", "\"タブ追加\"命令の引数に誤りがあります。タブページ部品を指定してください。"},
      {"Bを、1に、タブ有効変更", "\"タブ有効変更\"命令の引数に誤りがあります。タブページ部品を指定してください。"},
      {"Bで、「上」に、タブ位置変更", "タブページ部品を指定してください。"},
      {"Bで、1に、グリッド一行選択変更", "\"グリッド一行選択変更\"命令の引数に誤りがあります。グリッド部品を指定してください。"},
      {"Bの、リッチエディタ選択属性変更", "リッチエディタ部品を指定してください。"},
      {"Bを、「a.rtf」へ、リッチエディタ保存", "リッチエディタ部品を指定してください。"},
      {"Bの、ブラウザ進む", "\"ブラウザ進む\"命令の引数に誤りがあります。ブラウザ部品を指定してください。"},
      {"Bの、ブラウザ戻る", "ブラウザ部品を指定してください。"},
      {"Aに、「x」の、タブ追加", "\"A\"は、オブジェクトではありません。"},
      {"無いものの、ブラウザ戻る", "\"無いもの\"は、オブジェクトではありません。"},
      {"「」の、ブラウザ戻る", "\"ブラウザ戻る\"命令の引数に誤りがあります。"},
  };
  for (const Case& c : cases) {
    t.host.Errors.clear();
    Do(c.line);
    EXPECT_TRUE(ErrorHas(c.error)) << c.line << "\n" << Error();
  }
  // Tree and editor commands ask for no kind by name: the argument error
  // alone.
  for (const char* line : {"Bに、「a」の、ツリーアイテム追加", "Bの、「a」を、ツリー展開", "Bの、Tエディタ設定"}) {
    t.host.Errors.clear();
    Do(line);
    EXPECT_TRUE(ErrorHas("命令の引数に誤りがあります。")) << line << "\n" << Error();
    EXPECT_FALSE(ErrorHas("指定してください")) << line << "\n" << Error();
  }
}

// --- ツリー ----------------------------------------------------------------------

TEST_F(SpecificTest, TreePathsShareTheirNodes) {
  Run("「木」を、ツリーとして、作成\n"
      "木に、『動物\\犬』の、ツリーアイテム追加\n"
      "木に、『動物\\猫』の、ツリーアイテム追加\n"
      "木に、『植物\\木\\松\r\n植物\\花\\』の、ツリーアイテム追加\n");
  ASSERT_EQ(Error(), "");
  FakePart& tree = *Widget("木");
  EXPECT_EQ(tree.Nodes, (std::vector<TreeNode>{{0, S("動物")}, {1, S("犬")}, {1, S("猫")}, {0, S("植物")},
                                               {1, S("木")}, {2, S("松")}, {1, S("花")}}));
  // A missing path deletes nothing; an existing one goes with its children.
  Do("木の、『動物\\象』を、ツリーアイテム削除\n木の、『鉱物』を、ツリーアイテム削除\n");
  EXPECT_EQ(tree.Nodes.size(), 7u);
  Do("木の、『植物\\木』を、ツリーアイテム削除\n");
  EXPECT_EQ(tree.Nodes, (std::vector<TreeNode>{{0, S("動物")}, {1, S("犬")}, {1, S("猫")}, {0, S("植物")},
                                               {1, S("花")}}));
  ASSERT_EQ(Error(), "");
}

TEST_F(SpecificTest, TreeExpandsOneNodeOrEveryTopLevelNode) {
  Run("「木」を、ツリーとして、作成\n"
      "木に、『a\\b\r\nc\\d\r\ne』の、ツリーアイテム追加\n"
      "木の、『c\\d』を、ツリー展開\n"
      "木の、『c\\x』を、ツリー展開\n"  // no such node: nothing
      "木の、「」を、ツリー展開\n"
      "木の、『a』を、ツリー折りたたむ\n"
      "木の、『\\』を、ツリー折りたたむ\n");
  ASSERT_EQ(Error(), "");
  // Nodes: 0 a, 1 b, 2 c, 3 d, 4 e. Collapsed n is recorded as -2 - n.
  EXPECT_EQ(Widget("木")->Expanded, (std::vector<int>{3, 0, 2, 4, -2, -2, -4, -6}));
}

// --- グリッド --------------------------------------------------------------------

TEST_F(SpecificTest, GridRowSelectOnlyForOne) {
  Run("「G」を、グリッドとして、作成\nGで、0に、グリッド一行選択変更");
  EXPECT_FALSE(Widget("G")->RowSelect);
  Do("Gで、「1」に、グリッド一行選択変更");
  EXPECT_TRUE(Widget("G")->RowSelect);
  Do("Gで、「はい」に、グリッド一行選択変更");
  EXPECT_FALSE(Widget("G")->RowSelect);
  ASSERT_EQ(Error(), "");
}

// --- リッチエディタ -------------------------------------------------------------

TEST_F(SpecificTest, RichSelectionTakesTheTextSettings) {
  Run("「R」を、リッチエディタとして、作成\n"
      "文字書体は、「ＭＳ 明朝|太字 イタリック」\n文字サイズは、20\n文字色は、255\n"
      "Rの、リッチエディタ選択属性変更\n");
  ASSERT_EQ(Error(), "");
  ASSERT_EQ(Widget("R")->SelectionFormats.size(), 1u);
  auto [font, colour] = Widget("R")->SelectionFormats[0];
  EXPECT_EQ(font.Face, S("ＭＳ 明朝"));
  EXPECT_EQ(font.Points, 20);
  EXPECT_TRUE(font.Bold);
  EXPECT_TRUE(font.Italic);
  EXPECT_FALSE(font.Underline);
  EXPECT_EQ(colour, 255u);
}

TEST_F(SpecificTest, RichTextSavesAsRtfAndLoadsBack) {
  TempFolder dir;
  t.e.SecurityLevel = 0;
  Run("「R」を、リッチエディタとして、作成\n「R2」を、リッチエディタとして、作成");
  std::vector<TextRun> runs{{S("見出し\r\n"), {S("ＭＳ ゴシック"), 14, true}, 0x0000FF},
                            {S("本文{x}\\y"), {"Arial", 10}, 0x00FF00}};
  Widget("R")->SetRichText(runs);
  std::string file = dir.File("文書.rtf");
  Do("Rを、「" + file + "」へ、リッチエディタ保存\n");
  ASSERT_EQ(Error(), "");
  std::string rtf = Slurp(file);
  EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg932", 0), 0u) << rtf;
  EXPECT_EQ(ReadRtf(rtf), runs);
  // Read into another part (読む assigns the file's text): rich again.
  Do("R2に、「" + file + "」を、読む\n");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(Widget("R2")->Runs, runs);
  EXPECT_EQ(Widget("R2")->Caption, S("見出し\r\n本文{x}\\y"));
  // Plain text stays plain.
  Do("R2は、『ただの{\\rtf』\n");
  EXPECT_EQ(Widget("R2")->Caption, S("ただの{\\rtf"));
}

TEST_F(SpecificTest, RichSaveAsksFirst) {
  TempFolder dir;
  Run("「R」を、リッチエディタとして、作成");
  Widget("R")->SetRichText({{"x", {}, 0}});
  // Outside the script's folder, nobody to ask: refused, nothing written.
  std::string file = dir.File("a.rtf");
  Do("Rを、「" + file + "」へ、リッチエディタ保存\n");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(AttributesOf(file), -1);
  t.e.SecurityLevel = 2;
  Do("Rを、「local_never.rtf」へ、リッチエディタ保存\n");
  EXPECT_EQ(AttributesOf("local_never.rtf"), -1);
  // A folder that is not there.
  t.e.SecurityLevel = 0;
  Do("Rを、「" + dir.File("none/a.rtf") + "」へ、リッチエディタ保存\n");
  EXPECT_TRUE(ErrorHas("の、読み込みか書き込みに、失敗しました。")) << Error();
}

// --- ブラウザ ---------------------------------------------------------------------

TEST_F(SpecificTest, BrowserHistory) {
  Run("「W」を、ブラウザとして、作成\n"
      "Wの、URLは、「a.html」\nWの、URLは、「b.html」\nWの、URLは、「c.html」\n"
      "Wの、ブラウザ戻る\nWの、ブラウザ戻る\nWの、ブラウザ戻る\n"  // the third goes nowhere
      "(Wの(URL))を、表示\n"
      "Wの、ブラウザ進む\n(Wの(URL))を、表示\n"
      "Wの、URLは、「d.html」\nWの、ブラウザ進む\n(Wの(URL))を、表示\n");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(t.host.Output, "a.html\nb.html\nd.html\n");
}

// --- Tエディタ ----------------------------------------------------------------------

TEST_F(SpecificTest, EditorSettingsGoToTheirOwnSection) {
  TempFolder dir;
  t.e.SecurityLevel = 0;
  std::string ini = dir.File("editor.ini");
  Put(ini, "; mine\r\n[other]\r\nnokaFontSize=99\r\n\r\n[ED]\r\nNOKAFONTSIZE=1\r\nkeep=me\r\n");
  Run("「ed」を、Tエディタとして、作成\n「ed2」を、Tエディタとして、作成\n");
  EditorSettings s;
  s.Face = S("ＭＳ ゴシック");
  s.Points = 14;
  s.TabWidth = 8;
  s.WordWrap = true;
  s.LineNumbers = true;
  s.StringColor = 0x123456;
  Widget("ed")->Editor = s;
  Do("edを、「" + ini + "」へ、Tエディタ設定を保存\n");
  ASSERT_EQ(Error(), "");
  std::string text = Slurp(ini);
  // The section [ED] is ed's (names compare without case); the rest stays.
  EXPECT_EQ(text.rfind("; mine\r\n[other]\r\nnokaFontSize=99\r\n\r\n[ED]\r\nNOKAFONTSIZE=14\r\nkeep=me\r\n", 0), 0u)
      << text;
  EXPECT_NE(text.find("nokaFontName=" + S("ＭＳ ゴシック") + "\r\n"), std::string::npos);
  EXPECT_NE(text.find("nokaStringColor=1193046\r\n"), std::string::npos);

  Do("ed2を、「" + ini + "」から、Tエディタ設定を読込\n");
  EXPECT_EQ(Widget("ed2")->Editor, EditorSettings{}) << "another object's section";
  Put(ini, text + "[ed2]\nnokaTabWidth=99\nnokaWordWrap=x\nnokaBackColor=$FF\n");
  Do("ed2を、「" + ini + "」から、Tエディタ設定を読込\n");
  EditorSettings read = Widget("ed2")->Editor;
  EXPECT_EQ(read.TabWidth, 32);         // clamped
  EXPECT_FALSE(read.WordWrap);          // unreadable: kept
  EXPECT_EQ(read.BackColor, 0xFFu);
  Do("edを、「" + dir.File("missing.ini") + "」から、Tエディタ設定を読込\n");
  EXPECT_EQ(Widget("ed")->Editor, s);
  ASSERT_EQ(Error(), "");
}

TEST_F(SpecificTest, EditorSettingsDialogNeverInAConsoleRun) {
  Run("「ed」を、Tエディタとして、作成\nedの、Tエディタ設定\n");
  EXPECT_EQ(Widget("ed")->SettingsDialogs, 0);
  t.e.Services.Console = false;
  Do("edの、Tエディタ設定\n");
  EXPECT_EQ(Widget("ed")->SettingsDialogs, 1);
  ASSERT_EQ(Error(), "");
}

// --- RTF ------------------------------------------------------------------------

TEST(Rtf, RoundTripOfJapaneseInTwoFontsAndColours) {
  std::vector<TextRun> runs{
      {S("日本語の見出し\r\n"), {S("ＭＳ ゴシック"), 16, true, false, true}, 0x0000FF},
      {S("表示・ソ能\\{}\tタブ\r\n"), {"Courier New", 10, false, true}, 0xFF8000},
      {S("ｶﾀｶﾅ"), {S("ＭＳ ゴシック"), 16}, 0x0000FF},
  };
  std::string rtf = WriteRtf(runs);
  // ASCII only: every CP932 byte is escaped, so no second byte ("\", "{",
  // "}") is read as syntax.
  for (unsigned char c : rtf) ASSERT_LT(c, 0x80);
  EXPECT_NE(rtf.find("\\fcharset128"), std::string::npos);
  EXPECT_NE(rtf.find("{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green128\\blue255;}"), std::string::npos);
  EXPECT_NE(rtf.find("\\'95\\'5c"), std::string::npos) << "表 is 95 5C";
  EXPECT_EQ(ReadRtf(rtf), runs);
  EXPECT_EQ(WriteRtf(ReadRtf(rtf)), rtf);
}

TEST(Rtf, ReadsWhatOtherWritersAdd) {
  std::string rtf =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
      "{\\f1\\fnil\\fcharset128 \\'82\\'6c\\'82\\'72 \\'96\\'be\\'92\\'a9;}}"
      "{\\*\\generator Writer 1.0;}{\\info{\\title secret}}{\\stylesheet{\\s0 Normal;}}"
      "{\\colortbl;\\red255\\green0\\blue0;}\n"
      "\\pard\\plain\\f0\\fs20 caf\\'e9 \\cf1\\b bold\\b0\\par\n"
      "\\f1\\uc1\\u26085?\\u26412?\\'82\\'a0{\\*\\unknown skipped}\\ul x\\ulnone\\line end}";
  std::vector<TextRun> runs = ReadRtf(rtf);
  EXPECT_EQ(parts::PlainText(runs), S("café bold\r\n日本あx\r\nend"));
  auto run = [&](const std::string& text) {
    for (const TextRun& r : runs)
      if (r.Text == text) return r;
    ADD_FAILURE() << "no run " << ToUtf8(text);
    return TextRun{};
  };
  EXPECT_EQ(runs[0].Font.Face, "Arial");
  EXPECT_EQ(runs[0].Font.Points, 10);
  EXPECT_TRUE(run("bold").Font.Bold);
  EXPECT_EQ(run("bold").Color, 0xFFu);
  EXPECT_EQ(run(S("日本あ")).Font.Face, S("ＭＳ 明朝"));
  EXPECT_FALSE(run(S("日本あ")).Font.Bold);
  EXPECT_TRUE(run("x").Font.Underline);
}

TEST(Rtf, BrokenInputGivesWhatCouldBeRead) {
  EXPECT_EQ(parts::PlainText(ReadRtf("{\\rtf1 unclosed {\\b group")), "unclosed group");
  EXPECT_EQ(parts::PlainText(ReadRtf("{\\rtf1 a}} trailing")), "a");
  EXPECT_EQ(parts::PlainText(ReadRtf("{\\rtf1\\ansicpg932 cut \\'8")), "cut ");
  EXPECT_EQ(parts::PlainText(ReadRtf("{\\rtf1\\ansicpg932 lead \\'82}")), "lead \x82");
  EXPECT_EQ(parts::PlainText(ReadRtf("{\\rtf1 \\u")), "");
  EXPECT_EQ(parts::PlainText(ReadRtf("{\\rtf1 \\fs999999999999999999 big\\u0 x}")), "big");
  EXPECT_EQ(parts::PlainText(ReadRtf("\\")), "");
  EXPECT_EQ(parts::PlainText(ReadRtf("")), "");
  EXPECT_EQ(parts::PlainText(ReadRtf("}}}{{{")), "");
  // Nesting far beyond any document: read flat, in linear time, no stack.
  std::string deep = "{\\rtf1 " + std::string(200000, '{') + "deep" + std::string(200000, '}') + " out}";
  EXPECT_EQ(parts::PlainText(ReadRtf(deep)), "deep out");
  // Bytes of every value in a row survive as text or vanish, never crash.
  std::string noise = "{\\rtf1 ";
  for (int i = 0; i < 256 * 4; ++i) noise += static_cast<char>((i * 37) & 0xFF);
  (void)ReadRtf(noise);
  EXPECT_TRUE(parts::LooksLikeRtf(" \r\n{\\rtf1}"));
  EXPECT_FALSE(parts::LooksLikeRtf("{\\rt"));
}

// The file as another RTF reader sees it. (unrtf's plain-text output
// shows only ASCII; its HTML output has every character, as entities.)
TEST(Rtf, ReadByUnrtf) {
  if (system("command -v unrtf >/dev/null 2>&1") != 0) GTEST_SKIP() << "unrtf is not installed";
  TempFolder dir;
  std::vector<TextRun> runs{{S("こんにちは、世界\r\n"), {S("ＭＳ ゴシック"), 12, true}, 0xFF},
                            {S("表示{括弧} \\ｶﾅ"), {"Arial", 12}, 0xFF0000}};
  Put(dir.File("a.rtf"), WriteRtf(runs));
  std::string command = "unrtf --html " + dir.File("a.rtf") + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string html;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) html.append(buffer, n);
  pclose(pipe);
  // The body's text: tags dropped, &#N; and the named entities decoded.
  std::string text;
  size_t body = html.find("<body>");
  for (size_t i = body == std::string::npos ? 0 : body; i < html.size(); ++i) {
    if (html[i] == '<') {
      i = html.find('>', i);
      if (i == std::string::npos) break;
    } else if (html.compare(i, 2, "&#") == 0) {
      size_t end = html.find(';', i);
      long code = std::strtol(html.c_str() + i + 2, nullptr, 10);
      std::string utf8;
      if (code < 0x80) utf8 += static_cast<char>(code);
      else if (code < 0x800) utf8 += {static_cast<char>(0xC0 | (code >> 6)), static_cast<char>(0x80 | (code & 0x3F))};
      else utf8 += {static_cast<char>(0xE0 | (code >> 12)), static_cast<char>(0x80 | ((code >> 6) & 0x3F)),
                    static_cast<char>(0x80 | (code & 0x3F))};
      text += utf8;
      i = end;
    } else if (html.compare(i, 5, "&amp;") == 0) {
      text += '&';
      i += 4;
    } else if (html[i] != '\n') {
      text += html[i];
    }
  }
  EXPECT_NE(text.find("こんにちは、世界"), std::string::npos) << html;
  EXPECT_NE(text.find("表示{括弧} \\ｶﾅ"), std::string::npos) << html;
}

// --- INI ----------------------------------------------------------------------------

TEST(EditorIni, SettingsGoIntoTheObjectsSectionKeepingTheRest) {
  settings::IniFile ini("top=1\n[A]\nx = 1 \n; note\n\n[b]\ny=2\n[a]\nx=dup\n");
  EXPECT_EQ(ini.Section("a"), (IniPairs{{"x", "1"}}));
  ini.Set("A", "X", "9");
  ini.Set("A", "z", "3");
  EXPECT_EQ(ini.Text(), "top=1\n[A]\nx=9\nz=3\n; note\n\n[b]\ny=2\n[a]\nx=dup\n");
  // The second byte of ソ (83 5C) and of a name's kanji never fold or end
  // the name.
  settings::IniFile sj("[" + S("ソフトA") + "]\r\nkey=1\r\n");
  EXPECT_EQ(sj.Get(S("ソフトa"), "KEY").value_or("?"), "1");
}

TEST(EditorIni, EveryKeyRoundTrips) {
  EditorSettings s;
  s.Face = S("ＭＳ 明朝");
  s.Points = 11;
  s.TabWidth = 2;
  s.WordWrap = true;
  s.LineNumbers = true;
  s.TextColor = 1;
  s.BackColor = 2;
  s.StringColor = 3;
  s.CommentColor = 4;
  IniPairs entries = parts::EditorSettingsEntries(s);
  for (const auto& [key, value] : entries) EXPECT_EQ(key.rfind("noka", 0), 0u) << key;
  EXPECT_EQ(parts::EditorSettingsFrom(entries, {}), s);
  EXPECT_EQ(parts::EditorSettingsFrom({{"NOKAFONTSIZE", "0"}, {"nokaTextColor", "-5"}}, s).Points, 1);
}

}  // namespace
}  // namespace nokari::test
