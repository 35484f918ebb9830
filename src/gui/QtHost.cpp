#include "gui/QtHost.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFont>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>

#include "core/Encoding.h"
#include "core/Messages.h"
#include "host/Run.h"
#include "words/Contract.h"

namespace nokari {
namespace {

QString Q(const std::string& cp932) { return QString::fromUtf8(ToUtf8(cp932)); }
QString QU(const char* utf8) { return QString::fromUtf8(utf8); }
std::string FromQ(const QString& s) { return FromUtf8(s.toUtf8().toStdString()); }

// Windows font names that scripts use, mapped onto installed Japanese faces.
void AliasJapaneseFonts() {
  QStringList gothic = {"IPAGothic", "IPAexGothic", "Noto Sans CJK JP", "VL Gothic"};
  QStringList mincho = {"IPAMincho", "IPAexMincho", "Noto Serif CJK JP"};
  for (const char* name : {"ＭＳ ゴシック", "ＭＳ Ｐゴシック", "MS Gothic"})
    QFont::insertSubstitutions(QU(name), gothic);
  for (const char* name : {"ＭＳ 明朝", "ＭＳ Ｐ明朝", "MS Mincho"}) QFont::insertSubstitutions(QU(name), mincho);
}

QColor ColorFromValue(const std::string& v) {
  if (!v.empty() && v[0] == '#') return QColor(QString::fromStdString(v));
  long long n = static_cast<long long>(ToNumber(v));
  // Numbers are Windows colour values: 0x00BBGGRR.
  return QColor(n & 0xFF, (n >> 8) & 0xFF, (n >> 16) & 0xFF);
}

}  // namespace

TfrmNoka::TfrmNoka(TNokaBase& engine) : engine_(engine) {
  setWindowTitle(QU(msg::kAppTitle));
  resize(640, 400);
  canvas_ = QImage(640, 400, QImage::Format_RGB32);
  canvas_.fill(palette().color(QPalette::Window));
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect area = screen->availableGeometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
  }
}

void TfrmNoka::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, 0, canvas_);
}

void TfrmNoka::resizeEvent(QResizeEvent*) {
  if (width() <= canvas_.width() && height() <= canvas_.height()) return;
  QImage bigger(std::max(width(), canvas_.width()), std::max(height(), canvas_.height()), QImage::Format_RGB32);
  bigger.fill(palette().color(QPalette::Window));
  QPainter p(&bigger);
  p.drawImage(0, 0, canvas_);
  canvas_ = bigger;
}

void TfrmNoka::closeEvent(QCloseEvent* event) {
  if (closing_) {
    event->accept();
    return;
  }
  // The script's close handler may refuse.
  nokari::RequestClose(engine_);
  if (engine_.Closed) {
    event->accept();
    QApplication::quit();
  } else {
    event->ignore();
  }
}

TfrmError::TfrmError(QWidget* owner, const QString& log, bool debugMode) : QDialog(owner) {
  setWindowTitle(QU(msg::kErrorDialogCaption));
  auto* layout = new QVBoxLayout(this);
  auto* memo = new QPlainTextEdit(log, this);
  memo->setReadOnly(true);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  layout->addWidget(memo);
  auto* buttons = new QHBoxLayout();
  auto* cont = new QPushButton(QU(msg::kErrorContinue), this);
  auto* quit = new QPushButton(QU(msg::kErrorQuit), this);
  auto* debug = new QPushButton(QU(msg::kErrorDebug), this);
  debug->setVisible(debugMode);
  buttons->addWidget(cont);
  buttons->addWidget(quit);
  buttons->addWidget(debug);
  layout->addLayout(buttons);
  connect(cont, &QPushButton::clicked, this, [this] { choice_ = ErrorChoice::Continue; accept(); });
  connect(quit, &QPushButton::clicked, this, [this] { choice_ = ErrorChoice::Quit; accept(); });
  connect(debug, &QPushButton::clicked, this, [this] { choice_ = ErrorChoice::Debug; accept(); });
  resize(480, 280);
}

void QtHost::WriteText(const std::string& text) {
  QImage& canvas = window_.Canvas();
  QPainter p(&canvas);
  QFont font(Q(engine_.Words.GetValue(Sj("文字書体"))));
  int size = static_cast<int>(ToNumber(engine_.Words.GetValue(Sj("文字サイズ"))));
  font.setPointSize(size > 0 ? size : 12);
  p.setFont(font);
  p.setPen(ColorFromValue(engine_.Words.GetValue(Sj("文字色"))));
  QFontMetrics metrics(font);
  int lineHeight = static_cast<int>(1.2 * metrics.height());
  for (const QString& line : Q(text).split(QRegularExpression("\r\n|\r|\n"))) {
    p.drawText(engine_.PenX, engine_.PenY + metrics.ascent(), line);
    engine_.PenY += lineHeight;
  }
  window_.update();
}

void QtHost::MessageBox(const std::string& text, const std::string& caption) {
  QMessageBox::information(&window_, Q(caption), Q(text));
}

ErrorChoice QtHost::ShowErrorDialog(const std::string& log, bool debugMode) {
  TfrmError dialog(&window_, Q(log), debugMode);
  dialog.exec();
  return dialog.Choice();
}

bool QtHost::InputBox(const std::string& prompt, const std::string& initial, std::string& answer) {
  bool ok = false;
  QString s = QInputDialog::getText(&window_, QU(msg::kAppTitle), Q(prompt), QLineEdit::Normal, Q(initial), &ok);
  if (ok) answer = FromQ(s);
  return ok;
}

bool QtHost::YesNo(const std::string& prompt, const std::string& caption) {
  return QMessageBox::question(&window_, Q(caption), Q(prompt)) == QMessageBox::Yes;
}

Confirm QtHost::AskConfirm(const std::string& question) {
  QMessageBox box(QMessageBox::Question, QU(msg::kAppTitle), Q(question), QMessageBox::NoButton, &window_);
  auto* yes = box.addButton(QU("はい"), QMessageBox::YesRole);
  auto* no = box.addButton(QU("いいえ"), QMessageBox::NoRole);
  auto* allYes = box.addButton(QU("全てはい"), QMessageBox::YesRole);
  auto* allNo = box.addButton(QU("全ていいえ"), QMessageBox::NoRole);
  box.exec();
  auto* clicked = box.clickedButton();
  if (clicked == yes) return Confirm::Yes;
  if (clicked == no) return Confirm::No;
  if (clicked == allYes) return Confirm::AllYes;
  if (clicked == allNo) return Confirm::AllNo;
  return Confirm::None;
}

void QtHost::ProcessEvents() { QCoreApplication::processEvents(); }

void QtHost::ShowMainWindow() { window_.show(); }

void QtHost::RequestClose() {
  window_.AllowClose();
  window_.close();
  QTimer::singleShot(0, [] { QApplication::quit(); });
}

std::string QtHost::ClipboardText() { return FromQ(QGuiApplication::clipboard()->text()); }
void QtHost::SetClipboardText(const std::string& text) { QGuiApplication::clipboard()->setText(Q(text)); }

int QtHost::ScreenWidth() {
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().width() : 1024;
}

int QtHost::ScreenHeight() {
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().height() : 768;
}

void QtHost::Diagnostic(const std::string& text) { fprintf(stderr, "%s\n", ToUtf8(text).c_str()); }

int RunWithQt(int argc, char** argv, const StartOptions& options) {
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
      qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  AliasJapaneseFonts();
  TNokaBase engine;
  TfrmNoka window(engine);
  QtHost host(engine, window);
  int status = 0;
  QTimer::singleShot(0, [&] {
    if (!StartScript(engine, host, options)) {
      status = options.Script.empty() ? 0 : 1;
      QApplication::quit();
      return;
    }
    RunStarted(engine, host);
    if (engine.Closed || engine.StopFlag) QApplication::quit();
  });
  int rc = app.exec();
  // Tests and bug reports can keep what the window showed.
  if (!qEnvironmentVariableIsEmpty("NOKARI_CANVAS_DUMP"))
    window.Canvas().save(QString::fromLocal8Bit(qgetenv("NOKARI_CANVAS_DUMP")), "PNG");
  return status ? status : rc;
}

}  // namespace nokari

// The module's entry, looked up by name when the program opens a window.
extern "C" __attribute__((visibility("default"))) int NokariRunWithQt(int argc, char** argv,
                                                                      const nokari::StartOptions* options) {
  return nokari::RunWithQt(argc, argv, *options);
}
