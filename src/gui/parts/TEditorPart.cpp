// Tエディタ: a program editor. A small highlighter colours what matters
// when reading a script: strings in 「」 (and "…", 『』) and comments
// (// ' ’ ※ to the line end, { } across lines). Its settings (font, tab
// width, wrapping, line numbers, colours) are what the settings dialog
// edits and what the settings commands save and load.
#include <QCheckBox>
#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSyntaxHighlighter>
#include <QTextBlock>

#include <QPaintEvent>
#include <cmath>

#include "gui/QtText.h"
#include "gui/parts/PartKinds.h"
#include "gui/parts/TextEditing.h"

namespace nokari {
namespace {

class ScriptHighlighter : public QSyntaxHighlighter {
 public:
  explicit ScriptHighlighter(QTextDocument* doc) : QSyntaxHighlighter(doc) {
    SetColours(QColor(0x80, 0x00, 0x00), QColor(0x00, 0x80, 0x00));
  }
  void SetColours(const QColor& strings, const QColor& comments) {
    string_.setForeground(strings);
    comment_.setForeground(comments);
    rehighlight();
  }
  QColor StringColour() const { return string_.foreground().color(); }
  QColor CommentColour() const { return comment_.foreground().color(); }

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

// A plain text editor with a line-number gutter on its left, shown on
// demand. (The painting needs the editor's protected block geometry.)
class CodeEdit : public QPlainTextEdit {
 public:
  CodeEdit() : gutter_(new Gutter(this)) {
    gutter_->hide();
    connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { FitGutter(); });
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& r, int dy) {
      if (dy)
        gutter_->scroll(0, dy);
      else
        gutter_->update(0, r.y(), gutter_->width(), r.height());
    });
  }
  bool LineNumbers() const { return lineNumbers_; }
  void SetLineNumbers(bool on) {
    lineNumbers_ = on;
    gutter_->setVisible(on);
    FitGutter();
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QPlainTextEdit::resizeEvent(event);
    QRect r = contentsRect();
    gutter_->setGeometry(r.left(), r.top(), GutterWidth(), r.height());
  }

 private:
  class Gutter : public QWidget {
   public:
    explicit Gutter(CodeEdit* editor) : QWidget(editor), editor_(editor) {}

   protected:
    void paintEvent(QPaintEvent* event) override { editor_->PaintGutter(event->rect()); }

   private:
    CodeEdit* editor_;
  };

  int GutterWidth() const {
    if (!lineNumbers_) return 0;
    int digits = QString::number(std::max(1, blockCount())).size();
    return 8 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * digits;
  }
  void FitGutter() {
    setViewportMargins(GutterWidth(), 0, 0, 0);
    QRect r = contentsRect();
    gutter_->setGeometry(r.left(), r.top(), GutterWidth(), r.height());
  }
  void PaintGutter(const QRect& area) {
    QPainter painter(gutter_);
    painter.fillRect(area, palette().color(QPalette::AlternateBase));
    painter.setPen(palette().color(QPalette::PlaceholderText));
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    for (; block.isValid() && top <= area.bottom(); block = block.next()) {
      int height = qRound(blockBoundingRect(block).height());
      if (block.isVisible() && top + height >= area.top())
        painter.drawText(0, top, gutter_->width() - 4, fontMetrics().height(), Qt::AlignRight,
                         QString::number(block.blockNumber() + 1));
      top += height;
    }
  }

  Gutter* gutter_;
  bool lineNumbers_ = false;
};

// A colour choice: a button showing the colour, opening the colour
// dialog when pressed.
class ColourButton : public QPushButton {
 public:
  explicit ColourButton(const QColor& c) {
    Set(c);
    connect(this, &QPushButton::clicked, this, [this] {
      QColor picked = QColorDialog::getColor(colour_, this);
      if (picked.isValid()) Set(picked);
    });
  }
  QColor Colour() const { return colour_; }

 private:
  void Set(const QColor& c) {
    colour_ = c;
    setText(c.name());
    setStyleSheet(QString("background-color: %1; color: %2").arg(c.name(), c.lightness() < 128 ? "white" : "black"));
  }
  QColor colour_;
};

// The settings dialog: one row per setting, OK and Cancel.
class SettingsDialog : public QDialog {
 public:
  SettingsDialog(const EditorSettings& s, const QFont& current, QWidget* parent) : QDialog(parent) {
    setObjectName("nokariEditorSettings");
    setWindowTitle(QU("エディタの設定"));
    auto* form = new QFormLayout(this);
    face_ = new QFontComboBox;
    face_->setCurrentFont(s.Face.empty() ? current : QFont(Q(s.Face)));
    points_ = Spin(1, 200, s.Points);
    tab_ = Spin(1, 32, s.TabWidth);
    wrap_ = new QCheckBox;
    wrap_->setChecked(s.WordWrap);
    numbers_ = new QCheckBox;
    numbers_->setChecked(s.LineNumbers);
    text_ = new ColourButton(QColorOf(s.TextColor));
    back_ = new ColourButton(QColorOf(s.BackColor));
    strings_ = new ColourButton(QColorOf(s.StringColor));
    comments_ = new ColourButton(QColorOf(s.CommentColor));
    form->addRow(QU("書体"), face_);
    form->addRow(QU("文字サイズ"), points_);
    form->addRow(QU("タブ幅"), tab_);
    form->addRow(QU("右端で折り返す"), wrap_);
    form->addRow(QU("行番号を表示"), numbers_);
    form->addRow(QU("文字色"), text_);
    form->addRow(QU("背景色"), back_);
    form->addRow(QU("文字列の色"), strings_);
    form->addRow(QU("コメントの色"), comments_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
  }
  EditorSettings Result() const {
    EditorSettings s;
    s.Face = FromQ(face_->currentFont().family());
    s.Points = points_->value();
    s.TabWidth = tab_->value();
    s.WordWrap = wrap_->isChecked();
    s.LineNumbers = numbers_->isChecked();
    s.TextColor = ColorRefOf(text_->Colour());
    s.BackColor = ColorRefOf(back_->Colour());
    s.StringColor = ColorRefOf(strings_->Colour());
    s.CommentColor = ColorRefOf(comments_->Colour());
    return s;
  }

 private:
  static QSpinBox* Spin(int lo, int hi, int value) {
    auto* spin = new QSpinBox;
    spin->setRange(lo, hi);
    spin->setValue(value);
    return spin;
  }
  QFontComboBox* face_;
  QSpinBox *points_, *tab_;
  QCheckBox *wrap_, *numbers_;
  ColourButton *text_, *back_, *strings_, *comments_;
};

class TEditorPart : public DocumentPart<CodeEdit> {
 public:
  TEditorPart() : DocumentPart(new CodeEdit) {
    w()->resize(185, 89);
    highlighter_ = new ScriptHighlighter(w()->document());  // owned by the document
    ApplySettings(settings_);
  }

  EditorSettings Settings() const override {
    EditorSettings s = settings_;
    s.TextColor = TextColor();
    s.BackColor = BackColor();
    return s;
  }
  void ApplySettings(const EditorSettings& s) override {
    settings_ = s;
    QFont font = w()->font();
    if (!s.Face.empty()) font.setFamily(Q(s.Face));
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(s.Points * 96.0 / 72.0))));
    w()->setFont(font);
    w()->setTabStopDistance(QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')) * s.TabWidth);
    w()->setLineWrapMode(s.WordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    w()->SetLineNumbers(s.LineNumbers);
    SetTextColor(s.TextColor);
    SetBackColor(s.BackColor);
    highlighter_->SetColours(QColorOf(s.StringColor), QColorOf(s.CommentColor));
  }
  bool EditSettings() override {
    SettingsDialog dialog(Settings(), w()->font(), w()->window());
    if (dialog.exec() != QDialog::Accepted) return false;
    ApplySettings(dialog.Result());
    return true;
  }

 private:
  ScriptHighlighter* highlighter_;
  EditorSettings settings_;
};

}  // namespace

std::unique_ptr<QtPartBase> MakeTEditorPart() { return std::make_unique<TEditorPart>(); }

}  // namespace nokari
