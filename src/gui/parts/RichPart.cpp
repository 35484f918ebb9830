// リッチエディタ: a rich-text editor. Its text reads and writes as plain
// lines; the document itself goes in and out as runs of one look (font,
// styles, colour), which the parts family turns into RTF files.
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include "gui/QtText.h"
#include "gui/parts/PartKinds.h"
#include "gui/parts/TextEditing.h"

namespace nokari {
namespace {

class RichPart : public DocumentPart<QTextEdit> {
 public:
  RichPart() : DocumentPart(new QTextEdit) {
    w()->resize(185, 89);
    w()->setAcceptRichText(true);
  }

  // Each fragment is a run; a block's end is a CR LF in the look of the
  // text before it. Adjacent runs of one look are joined.
  std::vector<TextRun> RichText() const override {
    std::vector<TextRun> runs;
    QTextDocument* doc = w()->document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
      for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        QTextFragment fragment = it.fragment();
        if (fragment.isValid()) Add(runs, LookOf(fragment.charFormat()), FromQ(fragment.text()));
      }
      if (block.next().isValid()) Add(runs, LookOf(block.charFormat()), "\r\n", true);
    }
    return runs;
  }
  void SetRichText(const std::vector<TextRun>& runs) override {
    w()->clear();
    QTextCursor cursor(w()->document());
    for (const TextRun& run : runs) cursor.insertText(QLines(run.Text), FormatOf(run.Font, run.Color));
    w()->setTextCursor(QTextCursor(w()->document()));
  }
  // Without a selection the caret's format changes: what is typed next.
  void SetSelectionFormat(const PartFont& font, ColorRef color) override {
    QTextCharFormat format = FormatOf(font, color);
    QTextCursor cursor = w()->textCursor();
    if (cursor.hasSelection())
      cursor.mergeCharFormat(format);
    else
      w()->mergeCurrentCharFormat(format);
  }

 private:
  QTextCharFormat FormatOf(const PartFont& font, ColorRef color) const {
    QTextCharFormat format;
    format.setFont(QFontOf(font, w()->document()->defaultFont()), QTextCharFormat::FontPropertiesAll);
    format.setForeground(QColorOf(color));
    return format;
  }
  TextRun LookOf(const QTextCharFormat& format) const {
    TextRun run;
    run.Font = PartFontOf(format.font().resolve(w()->document()->defaultFont()));
    run.Color = format.hasProperty(QTextFormat::ForegroundBrush) ? ColorRefOf(format.foreground().color())
                                                                  : TextColor();
    return run;
  }
  // A line end joins the run before it whatever its look: it shows none.
  static void Add(std::vector<TextRun>& runs, TextRun look, const std::string& text, bool lineEnd = false) {
    if (!runs.empty() && (lineEnd || (runs.back().Font == look.Font && runs.back().Color == look.Color))) {
      runs.back().Text += text;
      return;
    }
    look.Text = text;
    runs.push_back(std::move(look));
  }
};

}  // namespace

std::unique_ptr<QtPartBase> MakeRichPart() { return std::make_unique<RichPart>(); }

}  // namespace nokari
