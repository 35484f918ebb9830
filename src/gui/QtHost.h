// The Qt host: the main window TfrmNoka with its persistent canvas, the
// error dialog TfrmError, the standard dialogs, and an event pump on Qt's
// event loop. It implements every host service; it never touches the
// engine's state: what to draw comes with each request, and a user's close
// goes to the engine as a request.
#pragma once
#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "core/Services.h"
#include "gui/QtDebugDialog.h"

class QMenuBar;
class QSocketNotifier;
class QTimer;

namespace nokari {

// Behind a pointer: moc reads this header and cannot read the parts'
// Japanese names.
class QtPartService;
class QtDialogs;
class TrayIcon;
class QtCanvas;

// Windows font names that scripts use, mapped onto installed Japanese faces.
void AliasJapaneseFonts();
// Those Windows names, as scripts write them.
QStringList AliasedFontNames();

class TfrmNoka : public QWidget {
  Q_OBJECT
 public:
  TfrmNoka();
  ~TfrmNoka() override;
  QImage& Canvas();
  // The surface 表示 and the shapes draw on.
  QtCanvas& Surface() { return *canvas_; }
  // Draws lines of text at the pen, one below the other, and moves the pen
  // below the last.
  void DrawLines(const QStringList& lines, const QFont& font, const QColor& color);
  void AllowClose() { closing_ = true; }
  void SetCloseRequestHandler(std::function<void()> request) { closeRequest_ = std::move(request); }

  // The client area: the window below its menu bar, where parts stand and
  // the canvas shows. Its size is 母艦's size.
  QWidget* Client() const { return client_; }
  // The window sized for a client of that size (the bar comes on top).
  void SetClientSize(int width, int height);
  // The menu bar, made on first use (by the first menu item). It stands
  // above the client, which keeps its size: the window grows by the bar's
  // height once the bar holds an item; an empty bar takes no room.
  QMenuBar* MenuBar();
  // Gives the bar the room it needs now (after items came or went).
  void PlaceMenuBar();

 signals:
  // A new client size, after the canvas followed it.
  void Resized();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The client and the bar over the window's current size; the canvas
  // grows with the client.
  void LayOut();
  QWidget* client_;
  QMenuBar* menuBar_ = nullptr;
  int top_ = 0;
  std::unique_ptr<QtCanvas> canvas_;
  // The pen of 表示 belongs to the surface it writes on.
  QPoint pen_{10, 10};
  bool closing_ = false;
  std::function<void()> closeRequest_;
};

class TfrmError : public QDialog {
  Q_OBJECT
 public:
  TfrmError(QWidget* owner, const QString& log, bool debugMode);
  ErrorChoice Choice() const { return choice_; }

 private:
  ErrorChoice choice_ = ErrorChoice::Quit;
};

// Timers and descriptor watches on Qt's event loop (QTimer, QSocketNotifier).
class QtPump : public IEventPump {
 public:
  QtPump();
  ~QtPump() override;
  void ProcessEvents() override;
  void Wait(Millis duration, const std::function<bool()>& stop) override;
  int WatchFd(int fd, int directions, Callback ready) override;
  void Unwatch(int watchId) override;
  int StartTimer(Millis delay, Callback fired) override;
  void CancelTimer(int timerId) override;

 private:
  std::map<int, std::vector<QSocketNotifier*>> watches_;
  std::map<int, QTimer*> timers_;
  int lastId_ = 0;
};

class QtHost : public IOutputService,
               public IDialogService,
               public IClipboardService,
               public IScreenService,
               public IWindowService {
 public:
  explicit QtHost(TfrmNoka& window);
  ~QtHost() override;
  HostServices Services();

  void WriteText(const std::string& text, const TextStyle& style) override;
  void MessageBox(const std::string& text, const std::string& caption) override;
  void Diagnostic(const std::string& text) override;
  bool BoxesSeen() const override;

  ErrorChoice ShowErrorDialog(const std::string& log, bool debugMode) override;
  std::optional<std::string> Input(const std::string& prompt, const std::string& initial) override;
  bool YesNo(const std::string& prompt, const std::string& caption) override;
  Confirm AskConfirm(const std::string& question) override;
  // The dialogs themselves are gui/QtDialogs.
  YesNoAnswer YesNoCancel(const std::string& prompt, const std::string& caption) override;
  std::optional<std::string> Choose(const std::string& prompt, const std::vector<std::string>& items,
                                    const std::string& initial, bool editable) override;
  std::optional<std::string> ChooseButton(const std::string& prompt, const std::vector<std::string>& items) override;
  std::optional<std::string> Memo(const std::string& initial) override;
  std::optional<uint32_t> Color(uint32_t initial) override;
  std::optional<FontChoice> Font(const FontChoice& initial) override;
  std::optional<std::vector<std::string>> OpenFiles(const std::vector<FileFilter>& filters,
                                                    const std::string& initialName) override;
  std::optional<std::string> SaveFile(const std::vector<FileFilter>& filters, const std::string& defaultExt,
                                      const std::string& initialName) override;
  std::optional<std::string> Folder(const std::string& start) override;
  void SetDialogFont(const TextStyle& style, bool bold, bool italic, bool underline) override;

  std::string ClipboardText() override;
  void SetClipboardText(const std::string& text) override;

  ScreenSize PrimaryScreenSize() override;
  uint32_t ButtonFaceColour() override;

  void ShowMainWindow() override;
  void CloseMainWindow() override;
  void SetCloseRequestHandler(std::function<void()> request) override;
  bool SetAppIcon(const std::string& path) override;
  void SetCursorVisible(bool on) override;
  void SetTrayIcon(bool on, const std::string& tip) override;
  bool TrayIconOn() const override;
  void SetTrayHandler(std::function<void(bool leftButton)> clicked) override;

 private:
  TfrmNoka& window_;
  QtPump pump_;
  std::unique_ptr<QtPartService> parts_;
  std::unique_ptr<QtDialogs> dialogs_;
  std::unique_ptr<TrayIcon> tray_;
  QtDebugger debugger_;
  bool cursorHidden_ = false;
};

}  // namespace nokari
