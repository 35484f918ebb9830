#include "gui/QtProgress.h"

#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include "gui/QtText.h"

namespace nokari {
namespace {

// The dialog's client area and where its parts stand in it.
constexpr int kWidth = 318, kHeight = 47;
const QRect kBarRect(8, 6, 302, 14);
const QRect kLabelRect(8, 26, 222, 16);
const QRect kButtonRect(238, 23, 72, 21);

}  // namespace

constexpr const char* kObjectName = "nokariProgress";

QtProgress::QtProgress(QWidget& owner) : QObject(&owner), owner_(owner) { setObjectName(kObjectName); }

void QtProgress::Build() {
  // A title and no close box: the stop button is the one way to end a
  // transfer from here.
  dialog_ = new QDialog(&owner_, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                     Qt::MSWindowsFixedSizeDialogHint);
  dialog_->setObjectName("progress");
  dialog_->setWindowTitle(QString::fromUtf8("進行度表示"));
  dialog_->setFixedSize(kWidth, kHeight);
  bar_ = new QProgressBar(dialog_);
  bar_->setGeometry(kBarRect);
  bar_->setRange(0, 100);
  bar_->setTextVisible(false);
  label_ = new QLabel(dialog_);
  label_->setGeometry(kLabelRect);
  label_->setTextFormat(Qt::PlainText);
  stop_ = new QPushButton(QString::fromUtf8("中止"), dialog_);
  stop_->setObjectName("stop");
  stop_->setGeometry(kButtonRect);
  connect(stop_, &QPushButton::clicked, this, [this] { OnStop(); });
}

void QtProgress::Open(const std::string& label, std::function<void()> stop) {
  if (!dialog_) Build();
  stopAction_ = std::move(stop);
  stop_->setEnabled(static_cast<bool>(stopAction_));
  bar_->setValue(0);
  label_->setText(Q(label));
  dialog_->show();
  // Centred by its frame, known once shown.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = dialog_->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    dialog_->move(frame.topLeft());
  }
}

void QtProgress::SetLabel(const std::string& label) {
  if (label_) label_->setText(Q(label));
}

void QtProgress::SetPosition(int64_t done, int64_t total) {
  if (!bar_ || total <= 0) return;
  bar_->setValue(done >= total ? 100 : static_cast<int>(done * 100 / total));
}

void QtProgress::Close() {
  stopAction_ = nullptr;
  if (!dialog_) return;
  stop_->setEnabled(false);
  dialog_->hide();
}

// The action may end the transfer at once; it runs from a copy, since
// the command may Close (and drop it) before this returns.
void QtProgress::OnStop() {
  std::function<void()> action = stopAction_;
  if (action) action();
}

IProgressService* QtProgressOf(QWidget& owner) {
  // Found by name: without its own meta-object a cast by type would take
  // any child.
  if (auto* found = owner.findChild<QObject*>(kObjectName, Qt::FindDirectChildrenOnly))
    return static_cast<QtProgress*>(found);
  return new QtProgress(owner);
}

}  // namespace nokari
