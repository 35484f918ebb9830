// The module's parts for a console run: the first GUI word of a console
// script loads this module and asks for parts here. They live in an
// application on the offscreen platform with a hidden main window, so
// parts, properties and drawing work without a screen.
#include <QApplication>
#include <QPointer>
#include <clocale>
#include <string>

#include "gui/QtHost.h"
#include "gui/QtParts.h"

namespace nokari {
namespace {

// Console output is the script's: Qt's own notes (fonts, runtime folder)
// stay out of it. Fatal messages still abort as they would.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtFatalMsg) {
    fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    abort();
  }
}

class OffscreenParts : public IPartService {
 public:
  OffscreenParts() {
    static int argc = 1;
    static char name[] = "nokari";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) {
      qInstallMessageHandler(QuietMessages);
      qputenv("QT_QPA_PLATFORM", "offscreen");
      // Qt sets the locale from the environment; the engine's number
      // formatting was running in the C locale and must go on doing so.
      std::string locale = setlocale(LC_ALL, nullptr);
      app_ = std::make_unique<QApplication>(argc, argv);
      setlocale(LC_ALL, locale.c_str());
      app_->setQuitOnLastWindowClosed(false);
      AliasJapaneseFonts();
    }
    window_ = std::make_unique<TfrmNoka>();
    service_ = std::make_unique<QtPartService>(*window_);
  }
  // In order: the service, the main window (and the parts on it), any
  // window still standing (forms whose records were never freed: their
  // handles then find them gone), and last the application.
  ~OffscreenParts() override {
    service_.reset();
    window_.reset();
    if (!app_) return;
    QList<QPointer<QWidget>> windows;
    for (QWidget* w : QApplication::topLevelWidgets()) windows.append(w);
    for (const QPointer<QWidget>& w : windows) delete w.data();
    app_.reset();
  }
  std::unique_ptr<PartHandle> Create(PartKind kind, PartHandle& parent) override {
    return service_->Create(kind, parent);
  }
  PartHandle& MainWindow() override { return service_->MainWindow(); }
  IGraphics* Graphics() override { return service_->Graphics(); }
  std::unique_ptr<PartHandle> CreateMenuItem(PartHandle* parentItem, const std::string& caption) override {
    return service_->CreateMenuItem(parentItem, caption);
  }

 private:
  std::unique_ptr<QApplication> app_;
  std::unique_ptr<TfrmNoka> window_;
  std::unique_ptr<QtPartService> service_;
};

}  // namespace
}  // namespace nokari

// The module's entries for console runs, looked up by name (host/LazyParts).
extern "C" __attribute__((visibility("default"))) nokari::IPartService* NokariCreatePartService() {
  return new nokari::OffscreenParts();
}

extern "C" __attribute__((visibility("default"))) void NokariDestroyPartService(nokari::IPartService* service) {
  delete service;
}
