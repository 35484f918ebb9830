// What the part-specific commands ask of the Qt widgets: tab pages and
// their side, tree expansion, rich text in and out (and through RTF),
// the browser's history, and the Tエディタ's settings and dialog.
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

#include "PartsFixture.h"
#include "parts/specific/Rtf.h"

namespace nokari::testing {
namespace {

using Specific = PartsTest;

TEST_F(Specific, TabsAddedAtTheEndAndPlacedOnEachSide) {
  auto tabs = Make(PartKind::タブページ);
  tabs->SetTabCaptions({"a"});
  tabs->AddTab(S("二"));
  auto* w = As<QTabWidget>(*tabs);
  ASSERT_EQ(w->count(), 2);
  EXPECT_EQ(w->tabText(1), QString::fromUtf8("二"));
  EXPECT_EQ(tabs->TabCaptions(), (std::vector<std::string>{"a", S("二")}));
  struct Case {
    TabSide side;
    QTabWidget::TabPosition qt;
  };
  for (Case c : {Case{TabSide::Left, QTabWidget::West}, Case{TabSide::Bottom, QTabWidget::South},
                 Case{TabSide::Right, QTabWidget::East}, Case{TabSide::Top, QTabWidget::North}}) {
    tabs->SetTabPosition(c.side);
    EXPECT_EQ(w->tabPosition(), c.qt);
    EXPECT_EQ(tabs->TabPosition(), c.side);
  }
}

TEST_F(Specific, TreeExpandsAWholeBranch) {
  auto tree = Make(PartKind::ツリー);
  tree->AddTreeNode(-1, "a");
  tree->AddTreeNode(0, "b");
  tree->AddTreeNode(1, "c");
  tree->AddTreeNode(-1, "d");
  tree->ExpandTreeNode(0, true);
  EXPECT_TRUE(tree->TreeNodeExpanded(0));
  EXPECT_TRUE(tree->TreeNodeExpanded(1));
  EXPECT_FALSE(tree->TreeNodeExpanded(3));
  tree->ExpandTreeNode(0, false);
  EXPECT_FALSE(tree->TreeNodeExpanded(1));
  EXPECT_FALSE(tree->TreeNodeExpanded(9));
}

TEST_F(Specific, RichTextRunsRoundTrip) {
  auto rich = Make(PartKind::リッチエディタ);
  std::vector<TextRun> runs{{S("太字の見出し\r\n"), {"DejaVu Sans", 14, true}, 0x0000FF},
                            {S("本文 ｶﾅ"), {"DejaVu Serif", 10, false, true, true}, 0x008000}};
  rich->SetRichText(runs);
  EXPECT_EQ(rich->Text(), S("太字の見出し\r\n本文 ｶﾅ"));
  EXPECT_EQ(rich->RichText(), runs);
  // Through an RTF file's text, into another editor.
  auto other = Make(PartKind::リッチエディタ);
  other->SetRichText(parts::ReadRtf(parts::WriteRtf(rich->RichText())));
  EXPECT_EQ(other->RichText(), runs);
}

TEST_F(Specific, RichSelectionTakesAFormat) {
  auto rich = Make(PartKind::リッチエディタ);
  rich->SetRichText({{"abcdef", {"DejaVu Sans", 10}, 0}});
  rich->SetSelection(2, 2);
  rich->SetSelectionFormat({"DejaVu Serif", 20, true, false, true}, 0xFF0000);
  std::vector<TextRun> runs = rich->RichText();
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].Text, "ab");
  EXPECT_EQ(runs[1].Text, "cd");
  EXPECT_EQ(runs[1].Font, (PartFont{"DejaVu Serif", 20, true, false, true}));
  EXPECT_EQ(runs[1].Color, 0xFF0000u);
  EXPECT_EQ(runs[2].Font, runs[0].Font);
}

TEST_F(Specific, BrowserGoesBackAndForth) {
  auto browser = Make(PartKind::ブラウザ);
  browser->GoBack();  // nowhere to go
  EXPECT_EQ(browser->Url(), "");
  browser->Navigate("http://a.example/");
  browser->Navigate("http://b.example/");
  browser->GoForward();
  EXPECT_EQ(browser->Url(), "http://b.example/");
  browser->GoBack();
  EXPECT_EQ(browser->Url(), "http://a.example/");
  EXPECT_EQ(As<QTextBrowser>(*browser)->toPlainText(), "http://a.example/");
  browser->GoForward();
  EXPECT_EQ(browser->Url(), "http://b.example/");
}

TEST_F(Specific, EditorSettingsApply) {
  auto editor = Make(PartKind::Tエディタ);
  auto* w = As<QPlainTextEdit>(*editor);
  EditorSettings s;
  s.Face = "DejaVu Sans Mono";
  s.Points = 15;
  s.TabWidth = 8;
  s.WordWrap = true;
  s.LineNumbers = true;
  s.TextColor = 0x112233;
  s.BackColor = 0xEEFFEE;
  s.StringColor = 0x0000FF;
  s.CommentColor = 0x00FF00;
  editor->ApplySettings(s);
  EXPECT_EQ(editor->Settings(), s);
  EXPECT_EQ(w->font().family(), "DejaVu Sans Mono");
  EXPECT_EQ(w->font().pixelSize(), 20);  // 15 points at 96 dpi
  EXPECT_EQ(w->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_NEAR(w->tabStopDistance(), QFontMetricsF(w->font()).horizontalAdvance(' ') * 8, 0.01);
  // The line numbers take room on the left of the text.
  EXPECT_GT(w->viewport()->geometry().left(), 5);
  s.LineNumbers = false;
  s.WordWrap = false;
  editor->ApplySettings(s);
  EXPECT_LE(w->viewport()->geometry().left(), 5);
  EXPECT_EQ(w->lineWrapMode(), QPlainTextEdit::NoWrap);
}

// The dialog, answered by a robot once it is up.
TEST_F(Specific, EditorSettingsDialog) {
  auto editor = Make(PartKind::Tエディタ);
  auto answer = [](bool accept) {
    QTimer::singleShot(0, [accept] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      for (QSpinBox* spin : dialog->findChildren<QSpinBox*>())
        if (spin->maximum() == 32) spin->setValue(3);  // the tab width
      if (accept)
        dialog->accept();
      else
        dialog->reject();
    });
  };
  int tabs = editor->Settings().TabWidth;
  answer(false);
  EXPECT_FALSE(editor->EditSettings());
  EXPECT_EQ(editor->Settings().TabWidth, tabs);
  answer(true);
  EXPECT_TRUE(editor->EditSettings());
  EXPECT_EQ(editor->Settings().TabWidth, 3);
}

}  // namespace
}  // namespace nokari::testing
