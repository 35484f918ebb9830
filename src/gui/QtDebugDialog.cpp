#include "gui/QtDebugDialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTextBlock>
#include <QVBoxLayout>

#include "core/Engine.h"
#include "gui/QtText.h"

namespace nokari {
namespace {

// Values may be long lists: the grid shows their first line, the memo
// dialog (double click, Enter) the whole.
QString FirstLine(const std::string& cp932) {
  QString text = QLines(cp932);
  int lf = text.indexOf('\n');
  return lf < 0 ? text : text.left(lf) + QStringLiteral(" …");
}

}  // namespace

TfrmDebug::TfrmDebug(QWidget* owner, TNokaBase& e, std::function<void()> syncEditor)
    : QDialog(owner), e_(e), syncEditor_(std::move(syncEditor)) {
  setWindowTitle(QU("デバッグダイアログ"));
  auto* layout = new QVBoxLayout(this);

  // The program, with the line that has just run.
  lineLabel_ = new QLabel(this);
  layout->addWidget(lineLabel_);
  memo_ = new QPlainTextEdit(this);
  memo_->setReadOnly(true);
  memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  layout->addWidget(memo_, 3);

  auto* middle = new QHBoxLayout();
  auto* frameColumn = new QVBoxLayout();
  frameColumn->addWidget(new QLabel(QU("実行制御："), this));
  frames_ = new QListWidget(this);
  frameColumn->addWidget(frames_);
  middle->addLayout(frameColumn, 1);

  auto* varColumn = new QVBoxLayout();
  auto* filters = new QHBoxLayout();
  filters->addWidget(new QLabel(QU("レベル"), this));
  level_ = new QLineEdit(QStringLiteral("0"), this);
  level_->setMaximumWidth(48);
  filters->addWidget(level_);
  filters->addWidget(new QLabel(QU("以上を表示"), this));
  system_ = new QCheckBox(QU("システム変数を表示"), this);
  objects_ = new QCheckBox(QU("GUIオブジェクトも表示"), this);
  filters->addWidget(system_);
  filters->addWidget(objects_);
  filters->addStretch();
  varColumn->addLayout(filters);
  auto* searchRow = new QHBoxLayout();
  searchRow->addWidget(new QLabel(QU("検索"), this));
  search_ = new QLineEdit(this);
  searchRow->addWidget(search_);
  auto* searchButton = new QPushButton(QU("実行"), this);
  searchRow->addWidget(searchButton);
  varColumn->addLayout(searchRow);
  grid_ = new QTableWidget(0, 4, this);
  grid_->setHorizontalHeaderLabels({QU("名前"), QU("値"), QU("型"), QU("宣言レベル")});
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->verticalHeader()->setVisible(false);
  grid_->horizontalHeader()->setStretchLastSection(true);
  grid_->installEventFilter(this);
  varColumn->addWidget(grid_);
  middle->addLayout(varColumn, 2);
  layout->addLayout(middle, 3);

  auto* buttons = new QHBoxLayout();
  auto* cont = new QPushButton(QU("連続実行(&O)"), this);
  auto* step = new QPushButton(QU("一行毎に実行(&L)"), this);
  auto* stop = new QPushButton(QU("実行中断(&C)"), this);
  auto* sync = new QPushButton(QU("エディタと同期(&E)"), this);
  auto* help = new QPushButton(QU("？"), this);
  for (QPushButton* b : {cont, step, stop, sync, help}) buttons->addWidget(b);
  layout->addLayout(buttons);

  connect(cont, &QPushButton::clicked, this, [this] { Choose(DebugChoice::Continue); });
  connect(step, &QPushButton::clicked, this, [this] { Choose(DebugChoice::StepLines); });
  connect(stop, &QPushButton::clicked, this, [this] { Choose(DebugChoice::Stop); });
  connect(sync, &QPushButton::clicked, this, [this] {
    if (syncEditor_) syncEditor_();
  });
  sync->setEnabled(static_cast<bool>(syncEditor_));
  connect(help, &QPushButton::clicked, this, [this] {
    QMessageBox::information(this, windowTitle(),
                             QU("連続実行: 止まらずに最後まで実行します。\n"
                                "一行毎に実行: 次の行を実行して、また止まります。\n"
                                "実行中断: プログラムを終了します。\n"
                                "エディタと同期: エディタに現在の行を知らせます。\n"
                                "変数をダブルクリックすると、値の全体を表示します。"));
  });
  connect(searchButton, &QPushButton::clicked, this, [this] { FillVariables(); });
  connect(search_, &QLineEdit::returnPressed, this, [this] { FillVariables(); });
  connect(level_, &QLineEdit::editingFinished, this, [this] { FillVariables(); });
  connect(system_, &QCheckBox::toggled, this, [this] { FillVariables(); });
  connect(objects_, &QCheckBox::toggled, this, [this] { FillVariables(); });
  connect(grid_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { ShowVariable(row); });

  FillVariables();
  FillFrames();
  FillProgram();
  resize(640, 520);
}

void TfrmDebug::FillVariables() {
  DebugFilter filter;
  bool ok = false;
  int level = level_->text().trimmed().toInt(&ok);
  filter.MinLevel = ok ? level : 0;
  filter.SystemVariables = system_->isChecked();
  filter.Objects = objects_->isChecked();
  filter.Search = FromQ(search_->text());
  std::vector<DebugVariable> rows = DebugVariables(e_, filter);
  grid_->setRowCount(static_cast<int>(rows.size()));
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    const DebugVariable& v = rows[i];
    auto* name = new QTableWidgetItem(Q(v.Name));
    // The whole value rides along for the memo dialog.
    name->setData(Qt::UserRole, QByteArray::fromStdString(v.Value));
    grid_->setItem(i, 0, name);
    grid_->setItem(i, 1, new QTableWidgetItem(FirstLine(v.Value)));
    grid_->setItem(i, 2, new QTableWidgetItem(Q(v.Type)));
    grid_->setItem(i, 3, new QTableWidgetItem(QString::number(v.Level)));
  }
}

void TfrmDebug::FillFrames() {
  frames_->clear();
  for (const std::string& line : DebugFrames(e_)) frames_->addItem(Q(line));
  if (frames_->count() > 0) frames_->setCurrentRow(frames_->count() - 1);
}

void TfrmDebug::FillProgram() {
  const int line = e_.LineNo - 1;
  lineLabel_->setText(QU("現在の実行行:") + QString::number(line));
  memo_->setPlainText(QLines(DebugProgramText(e_)));
  // A line that is not there (a handler's own text) selects nothing.
  QTextBlock block = memo_->document()->findBlockByNumber(line);
  if (!block.isValid()) return;
  QTextCursor cursor(block);
  cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  memo_->setTextCursor(cursor);
  memo_->centerCursor();
}

void TfrmDebug::ShowVariable(int row) {
  QTableWidgetItem* name = grid_->item(row, 0);
  if (!name) return;
  std::string value = name->data(Qt::UserRole).toByteArray().toStdString();
  e_.Services.Dialogs->Memo(FromQ(name->text()) + "\r\n" + value);
}

void TfrmDebug::Choose(DebugChoice choice) {
  choice_ = choice;
  accept();
}

bool TfrmDebug::eventFilter(QObject* watched, QEvent* event) {
  if (watched == grid_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && grid_->currentRow() >= 0) {
      ShowVariable(grid_->currentRow());
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

DebugChoice QtDebugger::ShowDebugDialog(TNokaBase& e, const std::function<void()>& syncEditor) {
  TfrmDebug dialog(owner_, e, syncEditor);
  // Closed any other way (the window's close box, Esc): go on as before.
  const DebugChoice unchanged = e.LineStop ? DebugChoice::StepLines : DebugChoice::Continue;
  if (dialog.exec() != QDialog::Accepted) return unchanged;
  return dialog.Choice();
}

}  // namespace nokari
