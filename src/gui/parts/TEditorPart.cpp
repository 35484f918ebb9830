// Tエディタ: a program editor. A small highlighter colours what matters
// when reading a script: strings in 「」 (and "…", 『』) and comments
// (// ' ’ ※ to the line end, { } across lines).
#include <QPlainTextEdit>
#include <QSyntaxHighlighter>

#include "gui/parts/PartKinds.h"
#include "gui/parts/TextEditing.h"

namespace nokari {
namespace {

class ScriptHighlighter : public QSyntaxHighlighter {
 public:
  explicit ScriptHighlighter(QTextDocument* doc) : QSyntaxHighlighter(doc) {
    string_.setForeground(QColor(0x80, 0x00, 0x00));
    comment_.setForeground(QColor(0x00, 0x80, 0x00));
  }

 protected:
  // Block state 1: inside a { } comment that began on an earlier line.
  void highlightBlock(const QString& text) override {
    setCurrentBlockState(0);
    int i = previousBlockState() == 1 ? Until(text, 0, kBraceClose, comment_) : 0;
    while (i < text.size()) {
      QChar c = text[i];
      if (c == QChar(0x300C))  // 「
        i = Until(text, i + 1, QString(QChar(0x300D)), string_, i);
      else if (c == QChar(0x300E))  // 『
        i = Until(text, i + 1, QString(QChar(0x300F)), string_, i);
      else if (c == '"')
        i = Until(text, i + 1, "\"", string_, i);
      else if (kBraceOpen.contains(c))
        i = Until(text, i + 1, kBraceClose, comment_, i);
      else if (kLineComment.contains(c) || text.mid(i, 2) == "//") {
        setFormat(i, text.size() - i, comment_);
        return;
      } else {
        ++i;
      }
    }
    if (i > text.size() && kBraceClose.contains(closing_)) setCurrentBlockState(1);
  }

 private:
  // Formats from `start` (default: `from`) through the first of `close` at
  // or after `from`; returns the index after it, or size + 1 when the line
  // ends first (remembering what was awaited).
  int Until(const QString& text, int from, const QString& close, const QTextCharFormat& format, int start = -1) {
    if (start < 0) start = from;
    closing_ = close[0];
    int end = from;
    while (end < text.size() && !close.contains(text[end])) ++end;
    if (end == text.size()) {
      setFormat(start, text.size() - start, format);
      return text.size() + 1;
    }
    setFormat(start, end - start + 1, format);
    return end + 1;
  }
  inline static const QString kBraceOpen = QString("{") + QChar(0xFF5B);
  inline static const QString kBraceClose = QString("}") + QChar(0xFF5D);
  // ' ’ ※ start a comment to the line end, as // does.
  inline static const QString kLineComment = QString("'") + QChar(0x2019) + QChar(0x203B);
  QChar closing_;
  QTextCharFormat string_, comment_;
};

class TEditorPart : public DocumentPart<QPlainTextEdit> {
 public:
  TEditorPart() : DocumentPart(new QPlainTextEdit) {
    w()->resize(185, 89);
    new ScriptHighlighter(w()->document());  // owned by the document
  }
};

}  // namespace

std::unique_ptr<QtPartBase> MakeTEditorPart() { return std::make_unique<TEditorPart>(); }

}  // namespace nokari
