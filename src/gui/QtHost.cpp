#include "gui/QtHost.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFont>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>
#include <cstdio>
#include <thread>

#include "core/Encoding.h"
#include "core/Messages.h"
#include "gui/QtDialogs.h"
#include "gui/QtMenus.h"
#include "gui/QtParts.h"
#include "gui/QtProgress.h"
#include "gui/QtSound.h"
#include "gui/QtText.h"
#include "gui/canvas/QtCanvas.h"
#include "host/Run.h"
#include "host/Sound.h"

namespace nokari {

namespace {

// The Windows faces scripts name, each with the installed faces that
// stand in for it, IPA first (fonts-ipafont-*): fixed-pitch for the fixed
// faces, proportional for the P faces and the UI faces.
struct FontAlias {
  const char* Name;
  const QStringList* Faces;
};

const QStringList kGothic = {"IPAGothic", "IPAexGothic", "Noto Sans CJK JP", "VL Gothic"};
const QStringList kPGothic = {"IPAPGothic", "IPAexGothic", "Noto Sans CJK JP", "VL PGothic", "IPAGothic"};
const QStringList kMincho = {"IPAMincho", "IPAexMincho", "Noto Serif CJK JP"};
const QStringList kPMincho = {"IPAPMincho", "IPAexMincho", "Noto Serif CJK JP", "IPAMincho"};

const FontAlias kFontAliases[] = {
    {"ＭＳ ゴシック", &kGothic},   {"MS Gothic", &kGothic},     {"ＭＳ Ｐゴシック", &kPGothic},
    {"MS PGothic", &kPGothic},     {"MS UI Gothic", &kPGothic}, {"メイリオ", &kPGothic},
    {"Meiryo", &kPGothic},         {"Meiryo UI", &kPGothic},    {"游ゴシック", &kPGothic},
    {"Yu Gothic", &kPGothic},      {"ＭＳ 明朝", &kMincho},     {"MS Mincho", &kMincho},
    {"ＭＳ Ｐ明朝", &kPMincho},    {"MS PMincho", &kPMincho},   {"游明朝", &kPMincho},
    {"Yu Mincho", &kPMincho},
};

}  // namespace

void AliasJapaneseFonts() {
  for (const FontAlias& alias : kFontAliases) QFont::insertSubstitutions(QU(alias.Name), *alias.Faces);
}

QStringList AliasedFontNames() {
  QStringList names;
  for (const FontAlias& alias : kFontAliases) names.append(QU(alias.Name));
  return names;
}

TfrmNoka::TfrmNoka() : client_(new QWidget(this)), canvas_(std::make_unique<QtCanvas>()) {
  setWindowTitle(QU(msg::kAppTitle));
  // Transparent (it fills no background), so the canvas painted by the
  // window shows through it; mouse events it leaves reach the window.
  client_->setObjectName("client");
  // White, with a client of 628 × 445 and a surface a little larger
  // (632 × 453), so drawing near the edges is kept when the window grows.
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  resize(628, 445);
  canvas_->ShowOn(this);
  canvas_->SetVisibleSize([this] { return client_->size(); });
  canvas_->GrowTo(QSize(632, 453), Qt::white);
  LayOut();
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect area = screen->availableGeometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
  }
}

TfrmNoka::~TfrmNoka() = default;

QImage& TfrmNoka::Canvas() { return canvas_->Image(); }

void TfrmNoka::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, top_, canvas_->Image());
}

void TfrmNoka::resizeEvent(QResizeEvent*) {
  LayOut();
  emit Resized();
}

// Laid out at once: a hidden window gets its resize event only when shown.
void TfrmNoka::SetClientSize(int width, int height) {
  resize(width, height + top_);
  LayOut();
  emit Resized();
}

void TfrmNoka::LayOut() {
  client_->setGeometry(0, top_, width(), std::max(0, height() - top_));
  if (menuBar_) menuBar_->setGeometry(0, 0, width(), top_);
  canvas_->SetOffset(QPoint(0, top_));
  canvas_->GrowTo(client_->size(), palette().color(QPalette::Window));
}

QMenuBar* TfrmNoka::MenuBar() {
  if (menuBar_) return menuBar_;
  menuBar_ = new QMenuBar(this);
  menuBar_->hide();
  // Items that go (destroyed parts) may leave the bar empty.
  menuBar_->installEventFilter(this);
  return menuBar_;
}

void TfrmNoka::PlaceMenuBar() {
  bool used = menuBar_ && !menuBar_->actions().isEmpty();
  int top = used ? menuBar_->sizeHint().height() : 0;
  if (menuBar_) menuBar_->setVisible(used);
  if (top == top_) return;
  QSize client = client_->size();
  top_ = top;
  // A maximised window cannot grow: there the client gives the room.
  if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))
    LayOut();
  else
    SetClientSize(client.width(), client.height());
  update();
}

bool TfrmNoka::eventFilter(QObject* watched, QEvent* event) {
  if (watched == menuBar_ && event->type() == QEvent::ActionRemoved)
    QTimer::singleShot(0, this, [this] { PlaceMenuBar(); });
  return QWidget::eventFilter(watched, event);
}

void TfrmNoka::closeEvent(QCloseEvent* event) {
  if (closing_) {
    event->accept();
    return;
  }
  // Whether to close is the engine's decision (the script's close handler
  // may refuse), and the engine never runs inside a widget's handler: the
  // request goes out from the event loop, and the engine closes the window
  // through the window service when it agrees.
  event->ignore();
  if (closeRequest_) QTimer::singleShot(0, this, closeRequest_);
}

void TfrmNoka::DrawLines(const QStringList& lines, const QFont& font, const QColor& color) {
  QPainter p(&canvas_->Image());
  p.setFont(font);
  p.setPen(color);
  QFontMetrics metrics(font);
  int lineHeight = static_cast<int>(1.2 * metrics.height());
  for (const QString& line : lines) {
    p.drawText(pen_.x(), pen_.y() + metrics.ascent(), line);
    pen_.ry() += lineHeight;
  }
  update();
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

QtHost::QtHost(TfrmNoka& window)
    : window_(window),
      parts_(std::make_unique<QtPartService>(window)),
      dialogs_(std::make_unique<QtDialogs>(&window)),
      tray_(std::make_unique<TrayIcon>()),
      debugger_(&window) {}
QtHost::~QtHost() {
  if (cursorHidden_) QApplication::restoreOverrideCursor();
}

HostServices QtHost::Services() {
  HostServices s = ServicesOf(*this, pump_, false);
  s.Parts = parts_.get();
  s.Debugger = &debugger_;
  s.Progress = QtProgressOf(window_);
#ifdef NOKARI_WITH_QT_MULTIMEDIA
  // The media player only when asked for by name: on a system whose
  // GStreamer lacks the pieces Qt wants, making a player crashes inside Qt
  // (seen on Debian 12 without an audio setup). By default the window host
  // plays through the player programs, as the console does.
  if (SoundChoice() == "qt") s.Sound = QtSoundOf(window_);
#endif
  return s;
}

void QtHost::WriteText(const std::string& text, const TextStyle& style) {
  QFont font(Q(style.Face));
  font.setPointSize(style.Points);
  QColor color((style.Rgb >> 16) & 0xFF, (style.Rgb >> 8) & 0xFF, style.Rgb & 0xFF);
  window_.DrawLines(Q(text).split(QRegularExpression("\r\n|\r|\n")), font, color);
}

// 言う's window; the caption is always the application's.
void QtHost::MessageBox(const std::string& text, const std::string&) { dialogs_->Say(text); }

ErrorChoice QtHost::ShowErrorDialog(const std::string& log, bool debugMode) {
  TfrmError dialog(&window_, Q(log), debugMode);
  dialog.exec();
  return dialog.Choice();
}

std::optional<std::string> QtHost::Input(const std::string& prompt, const std::string& initial) {
  return dialogs_->Input(prompt, initial);
}

bool QtHost::YesNo(const std::string& prompt, const std::string& caption) { return dialogs_->YesNo(prompt, caption); }

YesNoAnswer QtHost::YesNoCancel(const std::string& prompt, const std::string& caption) {
  return dialogs_->YesNoCancel(prompt, caption);
}

std::optional<std::string> QtHost::Choose(const std::string& prompt, const std::vector<std::string>& items,
                                          const std::string& initial, bool editable) {
  return dialogs_->Choose(prompt, items, initial, editable);
}

std::optional<std::string> QtHost::ChooseButton(const std::string& prompt, const std::vector<std::string>& items) {
  return dialogs_->ChooseButton(prompt, items);
}

std::optional<std::string> QtHost::Memo(const std::string& initial) { return dialogs_->Memo(initial); }

std::optional<uint32_t> QtHost::Color(uint32_t initial) { return dialogs_->Color(initial); }

std::optional<FontChoice> QtHost::Font(const FontChoice& initial) { return dialogs_->Font(initial); }

std::optional<std::vector<std::string>> QtHost::OpenFiles(const std::vector<FileFilter>& filters,
                                                          const std::string& initialName) {
  return dialogs_->OpenFiles(filters, initialName);
}

std::optional<std::string> QtHost::SaveFile(const std::vector<FileFilter>& filters, const std::string& defaultExt,
                                            const std::string& initialName) {
  return dialogs_->SaveFile(filters, defaultExt, initialName);
}

std::optional<std::string> QtHost::Folder(const std::string& start) { return dialogs_->Folder(start); }

void QtHost::SetDialogFont(const TextStyle& style, bool bold, bool italic, bool underline) {
  PartFont font;
  font.Face = style.Face;
  font.Points = style.Points;
  font.Bold = bold;
  font.Italic = italic;
  font.Underline = underline;
  QtDialogs::SetOwnFont(QFontOf(font), QColor((style.Rgb >> 16) & 0xFF, (style.Rgb >> 8) & 0xFF, style.Rgb & 0xFF));
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

void QtHost::ShowMainWindow() { window_.show(); }

void QtHost::CloseMainWindow() {
  window_.AllowClose();
  window_.close();
  QTimer::singleShot(0, [] { QApplication::quit(); });
}

void QtHost::SetCloseRequestHandler(std::function<void()> request) {
  window_.SetCloseRequestHandler(std::move(request));
}

// Every window's icon, and the notification icon's when it shows.
bool QtHost::SetAppIcon(const std::string& path) {
  QIcon icon = IconFromFile(Q(path));
  if (icon.isNull()) return false;
  QApplication::setWindowIcon(icon);
  tray_->SetIcon(icon);
  return true;
}

// One override cursor at most: hiding twice and showing once shows it.
void QtHost::SetCursorVisible(bool on) {
  if (on == !cursorHidden_) return;
  cursorHidden_ = !on;
  if (cursorHidden_)
    QApplication::setOverrideCursor(Qt::BlankCursor);
  else
    QApplication::restoreOverrideCursor();
}

void QtHost::SetTrayIcon(bool on, const std::string& tip) { tray_->Set(on, Q(tip)); }
bool QtHost::TrayIconOn() const { return tray_->On(); }
void QtHost::SetTrayHandler(std::function<void(bool leftButton)> clicked) { tray_->SetHandler(std::move(clicked)); }

std::string QtHost::ClipboardText() { return FromQ(QGuiApplication::clipboard()->text()); }
void QtHost::SetClipboardText(const std::string& text) { QGuiApplication::clipboard()->setText(Q(text)); }

ScreenSize QtHost::PrimaryScreenSize() {
  QScreen* s = QGuiApplication::primaryScreen();
  if (!s) return ScreenSize{};
  return ScreenSize{s->geometry().width(), s->geometry().height()};
}

uint32_t QtHost::ButtonFaceColour() { return ColorRefOf(QApplication::palette().color(QPalette::Button)); }

void QtHost::Diagnostic(const std::string& text) { fprintf(stderr, "%s\n", ToUtf8(text).c_str()); }

bool QtHost::BoxesSeen() const { return QGuiApplication::platformName() != QLatin1String("offscreen"); }

QtPump::QtPump() = default;

QtPump::~QtPump() {
  for (auto& [id, notifiers] : watches_)
    for (QSocketNotifier* n : notifiers) delete n;
  for (auto& [id, timer] : timers_) delete timer;
}

void QtPump::ProcessEvents() { QCoreApplication::processEvents(); }

void QtPump::Wait(Millis duration, const std::function<bool()>& stop) {
  auto until = std::chrono::steady_clock::now() + duration;
  while (!stop() && std::chrono::steady_clock::now() < until) {
    QCoreApplication::processEvents();
    auto left = until - std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(left, Millis(10)));
  }
}

int QtPump::WatchFd(int fd, int directions, Callback ready) {
  int id = ++lastId_;
  std::vector<QSocketNotifier*>& notifiers = watches_[id];
  for (auto [bit, type] : {std::pair{Readable, QSocketNotifier::Read}, std::pair{Writable, QSocketNotifier::Write}}) {
    if (!(directions & bit)) continue;
    auto* notifier = new QSocketNotifier(fd, type);
    QObject::connect(notifier, &QSocketNotifier::activated, [ready] { ready(); });
    notifiers.push_back(notifier);
  }
  return id;
}

void QtPump::Unwatch(int watchId) {
  auto it = watches_.find(watchId);
  if (it == watches_.end()) return;
  // The callback being run may be the one unwatching: delete later.
  for (QSocketNotifier* n : it->second) {
    n->setEnabled(false);
    n->deleteLater();
  }
  watches_.erase(it);
}

int QtPump::StartTimer(Millis delay, Callback fired) {
  int id = ++lastId_;
  auto* timer = new QTimer();
  timer->setSingleShot(true);
  QObject::connect(timer, &QTimer::timeout, [this, id, fired = std::move(fired)] {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    it->second->deleteLater();
    timers_.erase(it);
    fired();
  });
  timers_[id] = timer;
  timer->start(std::max(delay, Millis(0)));
  return id;
}

void QtPump::CancelTimer(int timerId) {
  auto it = timers_.find(timerId);
  if (it == timers_.end()) return;
  it->second->stop();
  it->second->deleteLater();
  timers_.erase(it);
}

// The program has checked that there is a display, or a platform asked for
// by name (QT_QPA_PLATFORM=offscreen in the tests).
int RunWithQt(int argc, char** argv, const StartOptions& options) {
  QApplication app(argc, argv);
  // Quit is explicit: the engine ends the program (おわり, or 母艦 closed
  // with the close handler's consent). Closing a フォーム, even the last
  // window shown (a script whose 母艦 stays hidden), never does.
  app.setQuitOnLastWindowClosed(false);
  AliasJapaneseFonts();
  TfrmNoka window;
  QtHost host(window);
  // Declared last, so it goes first: the parts it holds are taken down
  // while their windows and the service still stand.
  TNokaBase engine;
  int status = 0;
  QTimer::singleShot(0, [&] {
    if (!StartScript(engine, host.Services(), options)) {
      status = options.Script.empty() ? 0 : 1;
      QApplication::quit();
      return;
    }
    RunStarted(engine);
    if (ProgramEnded(engine)) QApplication::quit();
  });
  int rc = app.exec();
  // Tests and bug reports can keep what the window showed.
  if (!qEnvironmentVariableIsEmpty("NOKARI_CANVAS_DUMP"))
    window.Canvas().save(QString::fromLocal8Bit(qgetenv("NOKARI_CANVAS_DUMP")), "PNG");
  if (status) return status;
  return engine.StoppedByError ? 1 : rc;
}

}  // namespace nokari

// The module's entry, looked up by name when the program opens a window.
extern "C" __attribute__((visibility("default"))) int NokariRunWithQt(int argc, char** argv,
                                                                      const nokari::StartOptions* options) {
  return nokari::RunWithQt(argc, argv, *options);
}
