// The text kinds: エディタ, メモ, Tエディタ, リッチエディタ, and the
// captions of ボタン, チェック and パネル.
#include <QPlainTextEdit>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QTextLayout>

#include "PartsFixture.h"

namespace nokari::testing {
namespace {

using Editors = PartsTest;

const std::string kAwkward = "\xB1\xB2\xB3\x81\x60\x87\x40\xFB\xFC\\";

TEST_F(Editors, CaptionsAndTextsRoundTripCp932) {
  for (PartKind kind : {PartKind::ボタン, PartKind::エディタ, PartKind::コンボ, PartKind::メモ, PartKind::ラベル,
                        PartKind::チェック, PartKind::パネル, PartKind::Tエディタ, PartKind::リッチエディタ,
                        PartKind::フォーム, PartKind::ラジオ}) {
    auto p = Make(kind);
    p->SetText(kAwkward);
    EXPECT_EQ(p->Text(), kAwkward) << static_cast<int>(kind);
  }
  Main().SetText(kAwkward);
  EXPECT_EQ(Main().Text(), kAwkward);
}

// Text that continues the memo's text is appended, leaving the document
// as setting the whole text would: the same lines, no undo step, not
// modified, the caret at the start. A text read back by the user's typing
// in between is read anew.
TEST_F(Editors, MemoTextContinuedIsAppendedAsIfSetWhole) {
  auto m = Make(PartKind::メモ);
  auto* edit = As<QPlainTextEdit>(*m);
  m->SetText(S("一\r\n"));
  m->SetSelection(1, 1);
  m->SetText(S("一\r\n二\n三\rｱ"));
  EXPECT_EQ(m->Text(), S("一\r\n二\r\n三\r\nｱ"));
  EXPECT_EQ(edit->document()->blockCount(), 4);
  EXPECT_FALSE(edit->document()->isUndoAvailable());
  EXPECT_FALSE(edit->document()->isModified());
  EXPECT_EQ(edit->textCursor().position(), 0);
  EXPECT_FALSE(edit->textCursor().hasSelection());
  QTextCursor end(edit->document());
  end.movePosition(QTextCursor::End);
  end.insertText("x");
  EXPECT_EQ(m->Text(), S("一\r\n二\r\n三\r\nｱx"));
}

TEST_F(Editors, EditSelectionAndReadOnly) {
  auto e = Make(PartKind::エディタ);
  EXPECT_TRUE(e->Editable());
  e->SetText(S("ｱｲｳ漢字abc"));
  e->SetSelection(3, 2);  // characters, not bytes
  EXPECT_EQ(e->SelStart(), 3);
  EXPECT_EQ(e->SelLength(), 2);
  EXPECT_EQ(e->SelectedText(), S("漢字"));
  e->ReplaceSelection(S("かな"));
  EXPECT_EQ(e->Text(), S("ｱｲｳかなabc"));
  e->SetSelection(8, 5);  // clamped to the text
  EXPECT_EQ(e->SelStart(), 8);
  EXPECT_EQ(e->SelLength(), 0);
  e->SetEditable(false);
  EXPECT_FALSE(e->Editable());
}

// A memo's text reads back with CR LF, and positions count a line end as
// two characters, as in the text the script holds.
TEST_F(Editors, MemoLinesAndPositions) {
  auto m = Make(PartKind::メモ);
  m->SetText(S("一行目\r\n二行目\nthird"));
  EXPECT_EQ(m->Text(), S("一行目\r\n二行目\r\nthird"));
  EXPECT_EQ(As<QPlainTextEdit>(*m)->lineWrapMode(), QPlainTextEdit::NoWrap);
  m->SetSelection(5, 3);  // 二行目
  EXPECT_EQ(m->SelectedText(), S("二行目"));
  EXPECT_EQ(m->SelStart(), 5);
  EXPECT_EQ(m->SelLength(), 3);
  m->SetSelection(2, 4);  // 目, the line end, 二
  EXPECT_EQ(m->SelectedText(), S("目\r\n二"));
  EXPECT_EQ(m->SelLength(), 4);
  m->ReplaceSelection("X\r\nY");
  EXPECT_EQ(m->Text(), S("一行X\r\nY行目\r\nthird"));
}

TEST_F(Editors, MemoCaretLineAndColumnClampToTheText) {
  auto m = Make(PartKind::メモ);
  m->SetText("abc\r\nde\r\nfghij");
  m->SetLine(2);
  m->SetColumn(4);
  EXPECT_EQ(m->Line(), 2);
  EXPECT_EQ(m->Column(), 4);
  m->SetLine(1);  // the column is kept where the line allows
  EXPECT_EQ(m->Line(), 1);
  EXPECT_EQ(m->Column(), 2);
  m->SetLine(9);
  EXPECT_EQ(m->Line(), 2);
  EXPECT_EQ(m->SelStart(), 5 + 4 + 2);  // "abc\r\n", "de\r\n", then column 2
}

TEST_F(Editors, ScrollBarsOfTheDocumentEditors) {
  for (PartKind kind : {PartKind::メモ, PartKind::Tエディタ, PartKind::リッチエディタ}) {
    auto m = Make(kind);
    EXPECT_EQ(m->ScrollBars(), ScrollBarMode::Both);
    for (auto mode : {ScrollBarMode::None, ScrollBarMode::Vertical, ScrollBarMode::Horizontal, ScrollBarMode::Both}) {
      m->SetScrollBars(mode);
      EXPECT_EQ(m->ScrollBars(), mode);
    }
    m->SetEditable(false);
    EXPECT_FALSE(m->Editable());
  }
}

TEST_F(Editors, RichEditorHoldsPlainLines) {
  auto r = Make(PartKind::リッチエディタ);
  r->SetText(S("<b>太字</b>\r\n二"));
  EXPECT_EQ(r->Text(), S("<b>太字</b>\r\n二"));
  r->SetLine(1);
  EXPECT_EQ(r->Line(), 1);
}

// The highlighter marks strings and comments, and a { } comment carries
// over to the next line.
TEST_F(Editors, TEditorColoursStringsAndComments) {
  auto t = Make(PartKind::Tエディタ);
  t->SetText(S("「文字」を表示 // 注釈\r\n{ 複数\r\n行 } 表示"));
  QTextDocument* doc = As<QPlainTextEdit>(*t)->document();
  auto colourAt = [&](int block, int column) {
    for (const QTextLayout::FormatRange& r : doc->findBlockByNumber(block).layout()->formats())
      if (column >= r.start && column < r.start + r.length) return r.format.foreground().color();
    return QColor();
  };
  QColor string = colourAt(0, 1), comment = colourAt(0, 10);
  EXPECT_TRUE(string.isValid());
  EXPECT_TRUE(comment.isValid());
  EXPECT_NE(string, comment);
  EXPECT_FALSE(colourAt(0, 5).isValid());  // 表示: plain
  EXPECT_EQ(colourAt(1, 3), comment);
  EXPECT_EQ(colourAt(2, 0), comment);  // still inside the braces
  EXPECT_FALSE(colourAt(2, 5).isValid());
}

TEST_F(Editors, CheckValue) {
  auto c = Make(PartKind::チェック);
  EXPECT_EQ(c->Value(), 0);
  c->SetValue(5);
  EXPECT_EQ(c->Value(), 1);
  c->SetValue(0);
  EXPECT_EQ(c->Value(), 0);
}

TEST_F(Editors, BarAndTrackRangesAndOrientation) {
  for (PartKind kind : {PartKind::バー, PartKind::トラック}) {
    auto b = Make(kind);
    EXPECT_FALSE(b->Vertical());
    EXPECT_EQ(b->Minimum(), 0);
    EXPECT_EQ(b->Maximum(), kind == PartKind::バー ? 100 : 10);
    b->SetRange(-5, 50);
    b->SetValue(42);
    EXPECT_EQ(b->Value(), 42);
    EXPECT_EQ(b->Minimum(), -5);
    EXPECT_EQ(b->Maximum(), 50);
    b->SetVertical(true);
    EXPECT_TRUE(b->Vertical());
  }
}

}  // namespace
}  // namespace nokari::testing
