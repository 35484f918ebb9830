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

class QSocketNotifier;
class QTimer;

namespace nokari {

// Behind a pointer: moc reads this header and cannot read the parts'
// Japanese names.
class QtPartService;

// Windows font names that scripts use, mapped onto installed Japanese faces.
void AliasJapaneseFonts();

class TfrmNoka : public QWidget {
  Q_OBJECT
 public:
  TfrmNoka();
  QImage& Canvas() { return canvas_; }
  // Draws lines of text at the pen, one below the other, and moves the pen
  // below the last.
  void DrawLines(const QStringList& lines, const QFont& font, const QColor& color);
  void AllowClose() { closing_ = true; }
  void SetCloseRequestHandler(std::function<void()> request) { closeRequest_ = std::move(request); }

 signals:
  // A new client size, after the canvas followed it.
  void Resized();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void GrowCanvas();
  QImage canvas_;
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

  ErrorChoice ShowErrorDialog(const std::string& log, bool debugMode) override;
  std::optional<std::string> Input(const std::string& prompt, const std::string& initial) override;
  bool YesNo(const std::string& prompt, const std::string& caption) override;
  Confirm AskConfirm(const std::string& question) override;

  std::string ClipboardText() override;
  void SetClipboardText(const std::string& text) override;

  ScreenSize PrimaryScreenSize() override;

  void ShowMainWindow() override;
  void CloseMainWindow() override;
  void SetCloseRequestHandler(std::function<void()> request) override;

 private:
  TfrmNoka& window_;
  QtPump pump_;
  std::unique_ptr<QtPartService> parts_;
};

}  // namespace nokari
