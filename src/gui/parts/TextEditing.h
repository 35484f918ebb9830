// Editing shared by the text kinds: the selection of a one-line field
// (エディタ, コンボ) and the whole editing side of the document editors
// (メモ, Tエディタ, リッチエディタ).
//
// Positions count characters as the script sees the text: a CP932
// character is one, and in a document a line end is two, since the text
// the script reads back has CR LF there. So a selection start is an index
// into the text the script holds, as in an edit control.
#pragma once
#include <QLineEdit>
#include <algorithm>
#include <optional>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <type_traits>

#include "gui/QtText.h"
#include "gui/parts/QtPart.h"

namespace nokari {

// The selection of a one-line field.
namespace line_edit {
int SelStart(const QLineEdit* e);
int SelLength(const QLineEdit* e);
void SetSelection(QLineEdit* e, int start, int length);
}  // namespace line_edit

// Script positions (line end = 2) ⇄ document positions (line end = 1).
int OuterPosition(const QString& plain, int inner);
int InnerPosition(const QString& plain, int outer);

// メモ, Tエディタ, リッチエディタ over QPlainTextEdit or QTextEdit, which
// share this interface without sharing a base class. The contents are
// plain text.
template <class W>
class DocumentPart : public QtPart<W> {
 public:
  explicit DocumentPart(W* widget) : QtPart<W>(widget) {
    widget->setLineWrapMode(W::NoWrap);
    SetScrollBars(ScrollBarMode::Both);
    // The document says it changed on every edit, also when the same text
    // is written again; the part reports a change of the text only.
    QObject::connect(widget, &W::textChanged, this->Context(), [this] { this->ReportChange(Plain()); });
    QObject::connect(widget->document(), &QTextDocument::contentsChanged, this->Context(), [this] { read_.reset(); });
  }
  // Kept while the document is unchanged: a script reading a long memo
  // in a loop converts it once, not at every reading.
  std::string Text() const override {
    if (!read_) read_ = FromQLines(Plain());
    return *read_;
  }
  void SetText(const std::string& text) override {
    if (!AppendTail(text)) this->w()->setPlainText(QLines(text));
  }
  bool Editable() const override { return !this->w()->isReadOnly(); }
  void SetEditable(bool on) override { this->w()->setReadOnly(!on); }

  int SelStart() const override {
    QTextCursor c = this->w()->textCursor();
    return OuterPosition(Plain(), c.selectionStart());
  }
  int SelLength() const override {
    QTextCursor c = this->w()->textCursor();
    QString plain = Plain();
    return OuterPosition(plain, c.selectionEnd()) - OuterPosition(plain, c.selectionStart());
  }
  void SetSelection(int start, int length) override {
    QString plain = Plain();
    QTextCursor c = this->w()->textCursor();
    c.setPosition(InnerPosition(plain, start));
    c.setPosition(InnerPosition(plain, start + std::max(length, 0)), QTextCursor::KeepAnchor);
    this->w()->setTextCursor(c);
  }
  std::string SelectedText() const override { return FromQLines(this->w()->textCursor().selectedText()); }
  void ReplaceSelection(const std::string& text) override {
    QTextCursor c = this->w()->textCursor();
    c.insertText(QLines(text));
    this->w()->setTextCursor(c);
  }

  // Without wrapping, a document block is one line.
  int Column() const override { return this->w()->textCursor().positionInBlock(); }
  int Line() const override { return this->w()->textCursor().blockNumber(); }
  void SetColumn(int n) override { MoveCaret(Line(), n); }
  void SetLine(int n) override { MoveCaret(n, Column()); }

  ScrollBarMode ScrollBars() const override {
    bool v = this->w()->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn;
    bool h = this->w()->horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOn;
    return v && h ? ScrollBarMode::Both : v ? ScrollBarMode::Vertical : h ? ScrollBarMode::Horizontal : ScrollBarMode::None;
  }
  void SetScrollBars(ScrollBarMode mode) override {
    bool v = mode == ScrollBarMode::Vertical || mode == ScrollBarMode::Both;
    bool h = mode == ScrollBarMode::Horizontal || mode == ScrollBarMode::Both;
    this->w()->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    this->w()->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  }
  void SetInputMethod(bool on) override { this->w()->setAttribute(Qt::WA_InputMethodEnabled, on); }

 private:
  QString Plain() const { return this->w()->document()->toPlainText(); }

  // A text that is the memo's text with more after it (a log written as
  // 「Mは、M&…」) gets only the new tail inserted: setting the whole text
  // lays out every line again, which made such a loop quadratic. The end
  // state is what setting the whole text leaves: the same document (the
  // text read back is whole characters, so the tail converts on its own),
  // no undo history, the caret at the start, one change reported. Plain
  // documents only: a rich one would give the tail the format before it.
  bool AppendTail(const std::string& text) {
    if constexpr (!std::is_base_of_v<QPlainTextEdit, W>) {
      return false;
    } else {
      std::string kept = Text();
      if (kept.empty() || text.size() <= kept.size() || text.compare(0, kept.size(), kept) != 0) return false;
      QTextDocument* doc = this->w()->document();
      QTextCursor end(doc);
      end.movePosition(QTextCursor::End);
      const int from = end.position();
      const bool undo = doc->isUndoRedoEnabled();
      doc->setUndoRedoEnabled(false);
      end.insertText(QLines(text.substr(kept.size())));
      doc->setUndoRedoEnabled(undo);
      doc->setModified(false);
      this->w()->setTextCursor(QTextCursor(doc));
      read_ = std::move(kept) + FromQLines(Plain().mid(from));
      return true;
    }
  }
  // Line and column clamp to the text, as a caret cannot stand outside it.
  void MoveCaret(int line, int column) {
    QTextDocument* doc = this->w()->document();
    QTextBlock block = doc->findBlockByNumber(std::clamp(line, 0, doc->blockCount() - 1));
    QTextCursor c = this->w()->textCursor();
    c.setPosition(block.position() + std::clamp(column, 0, block.length() - 1));
    this->w()->setTextCursor(c);
  }

  mutable std::optional<std::string> read_;  // Text() since the last change
};

}  // namespace nokari
