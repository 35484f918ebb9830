#include "gui/QtDialogs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDialog>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/Encoding.h"
#include "core/Messages.h"
#include "gui/QtText.h"

namespace nokari {
namespace {

// The margins of the label every own window starts with.
constexpr int kLabelLeft = 8;
constexpr int kLabelTop = 8;
// The OK and キャンセル buttons of the input and list windows, 7 apart on
// a panel of their own.
constexpr int kButtonWidth = 81;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 7;
constexpr int kPanelHeight = kButtonHeight + 8;

int ScreenHeight() {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().height() : 768;
}

// Centred on the screen, as every own window opens.
void CentreOnScreen(QWidget& w) {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect area = screen->geometry();
  w.move(area.x() + (area.width() - w.width()) / 2, area.y() + (area.height() - w.height()) / 2);
}

// The font of the own windows (the script's text settings when it last
// asked), given to every widget of the window.
struct OwnLook {
  bool Set = false;
  QFont Font;
  QColor Color;
};
OwnLook& Look() {
  static OwnLook look;
  return look;
}

// The base of the own windows: they take the look before their widgets
// are made, so every label and field inherits it.
class OwnDialog : public QDialog {
 public:
  explicit OwnDialog(QWidget* owner) : QDialog(owner) {
    if (!Look().Set) return;
    setFont(Look().Font);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Look().Color);
    pal.setColor(QPalette::Text, Look().Color);
    setPalette(pal);
  }
};

// The label's size for its lines in the dialog's font.
QSize LabelSize(const QLabel& label) {
  QFontMetrics fm(label.font());
  int width = 0;
  QStringList lines = label.text().split('\n');
  for (const QString& line : lines) width = std::max(width, fm.horizontalAdvance(line));
  return QSize(width, fm.height() * static_cast<int>(lines.size()));
}

QLabel* PlaceLabel(QDialog& dialog, const QString& text) {
  auto* label = new QLabel(text, &dialog);
  label->setObjectName("label");
  label->setTextFormat(Qt::PlainText);
  label->move(kLabelLeft, kLabelTop);
  label->resize(LabelSize(*label));
  return label;
}

// The panel with OK and キャンセル(&C), centred at `top` in a client of
// `width`.
void PlaceOkCancel(QDialog& dialog, int top, int width) {
  auto* panel = new QWidget(&dialog);
  int panelWidth = 2 * kButtonWidth + kButtonGap;
  panel->setGeometry((width - panelWidth) / 2, top, panelWidth, kPanelHeight);
  auto* ok = new QPushButton(QStringLiteral("&OK"), panel);
  ok->setObjectName("ok");
  ok->setGeometry(0, 4, kButtonWidth, kButtonHeight);
  ok->setDefault(true);
  auto* cancel = new QPushButton(QU("キャンセル(&C)"), panel);
  cancel->setObjectName("cancel");
  cancel->setGeometry(kButtonWidth + kButtonGap, 4, kButtonWidth, kButtonHeight);
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
}

void PrepareOwnWindow(QDialog& dialog, int clientWidth, int clientHeight) {
  dialog.setWindowTitle(QU(msg::kAppTitle));
  dialog.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint |
                        Qt::WindowTitleHint);
  dialog.setFixedSize(clientWidth, clientHeight);
  dialog.setModal(true);
  CentreOnScreen(dialog);
}

// The lines of a message that fit 70 % of the screen at 1.2 line heights;
// when some are left out, "..." stands for them.
QString FittedLines(const QString& text, const QFontMetrics& fm) {
  QStringList lines = text.split('\n');
  int lineHeight = static_cast<int>(1.2 * fm.height());
  int room = static_cast<int>(0.7 * ScreenHeight());
  if (lineHeight <= 0 || static_cast<qsizetype>(lines.size()) * lineHeight <= room) return text;
  qsizetype fit = std::max<qsizetype>(room / lineHeight - 1, 0);
  lines = lines.mid(0, fit);
  lines.append(QStringLiteral("..."));
  return lines.join('\n');
}

// TfrmMsgBox: the label and an OK button one gap below it.
class TfrmMsgBox : public OwnDialog {
 public:
  TfrmMsgBox(QWidget* owner, const QString& text) : OwnDialog(owner) {
    auto* label = new QLabel(this);
    label->setObjectName("label");
    label->setTextFormat(Qt::PlainText);
    label->setText(FittedLines(text, QFontMetrics(label->font())));
    label->move(kLabelLeft, kLabelTop);
    label->resize(LabelSize(*label));
    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName("ok");
    ok->setDefault(true);
    ok->resize(75, kButtonHeight);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    int width = std::max(100, label->width() + 2 * kLabelLeft);
    int okTop = label->geometry().bottom() + 1 + kLabelTop;
    ok->move((width - ok->width()) / 2, okTop);
    PrepareOwnWindow(*this, width, okTop + ok->height() + kLabelTop);
  }
};

// TfrmInputBox: the label, the edit below it, the buttons below that. It
// starts cancelled: only OK (or Enter) answers.
class TfrmInputBox : public OwnDialog {
 public:
  TfrmInputBox(QWidget* owner, const QString& prompt, const QString& initial) : OwnDialog(owner) {
    QLabel* label = PlaceLabel(*this, prompt);
    int width = std::max(300, label->width() + 2 * kLabelLeft);
    edit_ = new QLineEdit(initial, this);
    edit_->setObjectName("edit");
    int editTop = label->geometry().bottom() + 1 + kLabelTop;
    edit_->setGeometry(kLabelLeft, editTop, width - 2 * kLabelLeft, edit_->sizeHint().height());
    int panelTop = edit_->geometry().bottom() + 1 + kLabelTop;
    PlaceOkCancel(*this, panelTop, width);
    PrepareOwnWindow(*this, width, panelTop + kPanelHeight + kLabelTop);
    edit_->setFocus();
  }
  QString Text() const { return edit_->text(); }

 private:
  QLineEdit* edit_;
};

// TfrmSelectDialog: the label, the list one label height and two gaps
// below the top, the result field and the buttons below the list.
class TfrmSelectDialog : public OwnDialog {
 public:
  TfrmSelectDialog(QWidget* owner, const QString& prompt, const QStringList& items, const QString& initial,
                   bool editable)
      : OwnDialog(owner) {
    QLabel* label = PlaceLabel(*this, prompt);
    int width = std::max(280, label->width() + 2 * kLabelLeft);
    list_ = new QListWidget(this);
    list_->setObjectName("choices");
    list_->setUniformItemSizes(true);
    list_->addItems(items);
    int listTop = label->height() + 2 * kLabelTop;
    list_->setGeometry(kLabelLeft, listTop, width - 2 * kLabelLeft, 150);
    result_ = new QLineEdit(initial, this);
    result_->setObjectName("result");
    result_->setReadOnly(!editable);
    int resultTop = list_->geometry().bottom() + 1 + kLabelTop;
    result_->setGeometry(kLabelLeft, resultTop, width - 2 * kLabelLeft, result_->sizeHint().height());
    int panelTop = result_->geometry().bottom() + 1 + kLabelTop;
    PlaceOkCancel(*this, panelTop, width);
    PrepareOwnWindow(*this, width, panelTop + kPanelHeight + kLabelTop);
    // A click copies the item into the result; a double click takes it.
    // Selection, not the current item: the list makes its first item
    // current when it takes the focus, which must not overwrite the
    // initial text.
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] {
      QList<QListWidgetItem*> chosen = list_->selectedItems();
      if (!chosen.isEmpty()) result_->setText(chosen.first()->text());
    });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
      result_->setText(item->text());
      accept();
    });
    list_->installEventFilter(this);
    list_->setFocus();
  }
  QString Text() const { return result_->text(); }

 protected:
  // Typing a character in the list selects the first item that starts
  // with it, or nothing when none does (Qt's own search would match
  // whole prefixes typed in a row instead).
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != list_ || event->type() != QEvent::KeyPress) return OwnDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    QString typed = key->text();
    if (typed.isEmpty() || !typed.at(0).isPrint() || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
      return OwnDialog::eventFilter(watched, event);
    QChar first = typed.at(0);
    list_->clearSelection();
    for (int i = 0; i < list_->count(); ++i) {
      const QString text = list_->item(i)->text();
      if (!text.isEmpty() && text.at(0) == first) {
        list_->setCurrentRow(i);
        list_->item(i)->setSelected(true);
        return true;
      }
    }
    list_->setCurrentRow(-1);
    return true;
  }

 private:
  QListWidget* list_;
  QLineEdit* result_;
};

// TfrmSelectButton: one push button per choice, in a row when they fit
// 80 % of the main window's width, else in a column.
class TfrmSelectButton : public OwnDialog {
 public:
  TfrmSelectButton(QWidget* owner, const QString& prompt, const QStringList& items, int mainWidth)
      : OwnDialog(owner) {
    QLabel* label = PlaceLabel(*this, prompt);
    QFontMetrics fm(font());
    int u = 2 * fm.height();
    int widest = 30;
    for (const QString& item : items) widest = std::max(widest, fm.horizontalAdvance(item));
    int buttonWidth = static_cast<int>(1.3 * widest);
    int buttonHeight = static_cast<int>(0.8 * u);
    int count = static_cast<int>(items.size());
    int labelRight = label->x() + label->width();
    int firstTop = 2 * kLabelTop + label->height();
    int clientWidth, clientHeight;
    std::vector<QPoint> at;
    if (mainWidth * 0.8 > count * buttonWidth * 1.1) {
      for (int i = 0; i < count; ++i) at.emplace_back(static_cast<int>(i * buttonWidth * 1.1 + 8), firstTop);
      clientWidth = count == 1 ? buttonWidth + 16 : static_cast<int>(count * buttonWidth * 1.1 + 16);
      clientWidth = std::max(clientWidth, labelRight + 8);
      clientHeight = firstTop + u;
    } else {
      bool labelNarrower = label->width() < buttonWidth;
      clientWidth = labelNarrower ? buttonWidth + 16 : label->width() + 16;
      int left = labelNarrower ? 8 : (clientWidth - buttonWidth) / 2;
      for (int i = 0; i < count; ++i) at.emplace_back(left, firstTop + i * u);
      clientHeight = count * u + firstTop;
    }
    for (int i = 0; i < count; ++i) {
      auto* button = new QPushButton(items[i], this);
      button->setGeometry(at[i].x(), at[i].y(), buttonWidth, buttonHeight);
      connect(button, &QPushButton::clicked, this, [this, i, items] {
        answer_ = items[i];
        accept();
      });
    }
    PrepareOwnWindow(*this, std::max(clientWidth, 100), clientHeight);
  }
  const std::optional<QString>& Answer() const { return answer_; }

 private:
  std::optional<QString> answer_;
};

constexpr char kTextFilter[] = "*.txt (*.txt);;すべてのファイル (*)";

// TfrmMemoDialog: the memo, and a bar with load and save at the left and
// OK and キャンセル(&C) at the right. It starts answered: the close box
// answers the text too; only キャンセル cancels.
class TfrmMemoDialog : public OwnDialog {
 public:
  TfrmMemoDialog(QWidget* owner, const QString& initial) : OwnDialog(owner) {
    setWindowTitle(QU(msg::kAppTitle));
    setModal(true);
    memo_ = new QPlainTextEdit(initial, this);
    memo_->setObjectName("memo");
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(memo_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) { ShowMenu(at); });
    auto* load = new QPushButton(QU("読込"), this);
    load->setObjectName("load");
    auto* save = new QPushButton(QU("保存"), this);
    save->setObjectName("save");
    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName("ok");
    ok->setFixedWidth(113);
    auto* cancel = new QPushButton(QU("キャンセル(&C)"), this);
    cancel->setObjectName("cancel");
    auto* bar = new QHBoxLayout();
    bar->addWidget(load);
    bar->addWidget(save);
    bar->addStretch();
    bar->addWidget(ok);
    bar->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 4);
    layout->addWidget(memo_);
    layout->addLayout(bar);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, [this] {
      memo_->clear();
      done(Rejected);
    });
    connect(load, &QPushButton::clicked, this, [this] { Load(); });
    connect(save, &QPushButton::clicked, this, [this] { Save(); });
    resize(412, 323);
    CentreOnScreen(*this);
    memo_->setFocus();
  }
  QString Text() const { return memo_->toPlainText(); }

 protected:
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    accept();
  }
  // Escape closes as the close box does: with the text.
  void reject() override { accept(); }

 private:
  void ShowMenu(const QPoint& at) {
    QMenu menu(this);
    auto item = [&](const char* text, QKeySequence::StandardKey key, void (QPlainTextEdit::*slot)()) {
      QAction* action = menu.addAction(QU(text));
      action->setShortcut(key);
      connect(action, &QAction::triggered, memo_, slot);
    };
    item("元に戻す", QKeySequence::Undo, &QPlainTextEdit::undo);
    item("コピー", QKeySequence::Copy, &QPlainTextEdit::copy);
    item("切り取り", QKeySequence::Cut, &QPlainTextEdit::cut);
    item("貼付け", QKeySequence::Paste, &QPlainTextEdit::paste);
    item("全て選択", QKeySequence::SelectAll, &QPlainTextEdit::selectAll);
    menu.exec(memo_->mapToGlobal(at));
  }
  void Load() {
    QString name = QFileDialog::getOpenFileName(this, QU(msg::kAppTitle), QDir::currentPath(), QU(kTextFilter));
    if (name.isEmpty()) return;
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) return;
    memo_->setPlainText(QLines(FileBytesAsText(file.readAll())));
  }
  void Save() {
    QFileDialog dialog(this, QU(msg::kAppTitle), QDir::currentPath(), QU(kTextFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("txt");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    QFile file(dialog.selectedFiles().first());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
    std::string bytes = FromQLines(memo_->toPlainText());
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
  }
  // A text file as the memo shows it: UTF-8 when it reads as UTF-8, else
  // the program's own CP932.
  static std::string FileBytesAsText(const QByteArray& bytes) {
    std::string raw(bytes.constData(), static_cast<size_t>(bytes.size()));
    return LooksLikeUtf8(raw) ? FromUtf8(raw) : raw;
  }
  QPlainTextEdit* memo_;
};

QStringList QStringsOf(const std::vector<std::string>& items) {
  QStringList out;
  out.reserve(static_cast<qsizetype>(items.size()));
  for (const std::string& item : items) out.append(Q(item));
  return out;
}

// The start of a file chooser: the current folder, with the initial name
// in it when one is given.
QString StartIn(const std::string& initialName) {
  return initialName.empty() ? QDir::currentPath() : QDir::current().filePath(Q(initialName));
}

}  // namespace

QStringList QtFileFilters(const std::vector<FileFilter>& filters) {
  QStringList out;
  for (const FileFilter& f : filters) {
    QStringList patterns = Q(f.Pattern).split(';', Qt::SkipEmptyParts);
    for (QString& p : patterns) {
      p = p.trimmed();
      if (p == "*.*") p = "*";
    }
    out.append(Q(f.Description) + " (" + patterns.join(' ') + ")");
  }
  return out;
}

void QtDialogs::Say(const std::string& text) {
  TfrmMsgBox box(owner_, QLines(text));
  box.exec();
}

std::optional<std::string> QtDialogs::Input(const std::string& prompt, const std::string& initial) {
  TfrmInputBox box(owner_, QLines(prompt), Q(initial));
  if (box.exec() != QDialog::Accepted) return std::nullopt;
  return FromQ(box.Text());
}

bool QtDialogs::YesNo(const std::string& prompt, const std::string& caption) {
  return QMessageBox::question(owner_, Q(caption), QLines(prompt), QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

YesNoAnswer QtDialogs::YesNoCancel(const std::string& prompt, const std::string& caption) {
  QMessageBox box(QMessageBox::Question, Q(caption), QLines(prompt),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, owner_);
  box.setEscapeButton(QMessageBox::Cancel);
  int answer = box.exec();
  if (answer == QMessageBox::Yes) return YesNoAnswer::Yes;
  if (answer == QMessageBox::No) return YesNoAnswer::No;
  return YesNoAnswer::Cancel;
}

std::optional<std::string> QtDialogs::Choose(const std::string& prompt, const std::vector<std::string>& items,
                                             const std::string& initial, bool editable) {
  TfrmSelectDialog box(owner_, QLines(prompt), QStringsOf(items), Q(initial), editable);
  if (box.exec() != QDialog::Accepted) return std::nullopt;
  return FromQ(box.Text());
}

std::optional<std::string> QtDialogs::ChooseButton(const std::string& prompt, const std::vector<std::string>& items) {
  TfrmSelectButton box(owner_, QLines(prompt), QStringsOf(items), owner_ ? owner_->width() : 640);
  box.exec();
  if (!box.Answer()) return std::nullopt;
  return FromQ(*box.Answer());
}

std::optional<std::string> QtDialogs::Memo(const std::string& initial) {
  TfrmMemoDialog box(owner_, QLines(initial));
  if (box.exec() != QDialog::Accepted) return std::nullopt;
  return FromQLines(box.Text());
}

std::optional<uint32_t> QtDialogs::Color(uint32_t initial) {
  QColor chosen = QColorDialog::getColor(QColor::fromRgb(initial & 0xFFFFFF), owner_, QU(msg::kAppTitle));
  if (!chosen.isValid()) return std::nullopt;
  return static_cast<uint32_t>(chosen.rgb() & 0xFFFFFF);
}

std::optional<FontChoice> QtDialogs::Font(const FontChoice& initial) {
  QFont start = owner_ ? owner_->font() : QApplication::font();
  if (!initial.Face.empty()) start.setFamily(Q(initial.Face));
  if (initial.Points > 0) start.setPointSize(initial.Points);
  start.setBold(initial.Bold);
  start.setItalic(initial.Italic);
  start.setUnderline(initial.Underline);
  bool ok = false;
  QFont font = QFontDialog::getFont(&ok, start, owner_, QU(msg::kAppTitle));
  if (!ok) return std::nullopt;
  return FontChoice{FromQ(font.family()), std::max(font.pointSize(), 0), font.bold(), font.italic(), font.underline()};
}

std::optional<std::vector<std::string>> QtDialogs::OpenFiles(const std::vector<FileFilter>& filters,
                                                             const std::string& initialName) {
  QStringList names = QFileDialog::getOpenFileNames(owner_, QU(msg::kAppTitle), StartIn(initialName),
                                                    QtFileFilters(filters).join(";;"));
  if (names.isEmpty()) return std::nullopt;
  std::vector<std::string> out;
  for (const QString& name : names) out.push_back(FromQ(name));
  return out;
}

std::optional<std::string> QtDialogs::SaveFile(const std::vector<FileFilter>& filters, const std::string& defaultExt,
                                               const std::string& initialName) {
  QFileDialog dialog(owner_, QU(msg::kAppTitle), QDir::currentPath());
  dialog.setNameFilters(QtFileFilters(filters));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(Q(defaultExt));
  if (!initialName.empty()) dialog.selectFile(Q(initialName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return FromQ(dialog.selectedFiles().first());
}

std::optional<std::string> QtDialogs::Folder(const std::string& start) {
  QString from = start.empty() ? QDir::homePath() : Q(start);
  QString folder = QFileDialog::getExistingDirectory(owner_, QU(msg::kAppTitle), from);
  if (folder.isEmpty()) return std::nullopt;
  if (!folder.endsWith('/')) folder += '/';
  return FromQ(folder);
}

void QtDialogs::SetOwnFont(const QFont& font, const QColor& color) {
  Look() = OwnLook{true, font, color};
}

}  // namespace nokari
