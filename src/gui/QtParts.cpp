#include "gui/QtParts.h"

#include <QApplication>
#include <QClipboard>
#include <QScreen>
#include <QFontDatabase>
#include <QPainter>
#include <algorithm>
#include <cstring>

#include "gui/QtHost.h"
#include "gui/QtMenus.h"
#include "gui/canvas/QtCanvas.h"
#include "gui/print/QtPrinter.h"
#include "gui/parts/PartKinds.h"
#include "gui/parts/WindowPart.h"

namespace nokari {
namespace {

// 母艦: caption, window position and client size (628 × 445 at start),
// its client the parent of parts. Its canvas is the window's own. The
// client is the window below its menu bar: the size a script sets and
// reads leaves the bar out.
class MainWindowPart : public WindowPart<TfrmNoka> {
 public:
  explicit MainWindowPart(TfrmNoka& window) : WindowPart(&window, /*owned=*/false) {
    SetEventSlots(EventSlotsOf(PartKind::フォーム));
    QObject::connect(&window, &TfrmNoka::Resized, Context(), [this] { ClientResized(); });
  }
  QWidget* ChildArea() override { return w()->Client(); }
  QWidget* MouseArea() const override { return w()->Client(); }
  PartRect Geometry() const override {
    return PartRect{w()->x(), w()->y(), w()->Client()->width(), w()->Client()->height()};
  }
  void SetGeometry(const PartRect& r) override {
    w()->move(r.X, r.Y);
    w()->SetClientSize(r.W, r.H);
  }
  ColorRef BackColor() const override { return ColorRefOf(w()->palette().color(QPalette::Window)); }
  void SetBackColor(ColorRef c) override {
    QPalette pal = w()->palette();
    pal.setColor(QPalette::Window, QColorOf(c));
    w()->setPalette(pal);
    w()->Canvas().fill(QColorOf(c));
    w()->update();
  }
  ICanvas* Canvas() override { return &w()->Surface(); }
};

// Fonts, scratch canvases and the printer from Qt.
class QtGraphics : public IGraphics {
 public:
  // The installed families and the Windows names mapped onto them
  // (AliasJapaneseFonts): scripts name faces by those.
  std::vector<std::string> FontNames() override {
    std::vector<std::string> names;
    for (const QString& family : QFontDatabase::families()) names.push_back(FromQ(family));
    for (const QString& alias : AliasedFontNames()) names.push_back(FromQ(alias));
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
  }
  std::unique_ptr<ICanvas> CreateCanvas(int width, int height) override {
    auto canvas = std::make_unique<QtCanvas>();
    canvas->Reset(width, height, 0xFFFFFF);
    return canvas;
  }
  IPrinter* Printer() override {
    if (!printer_) printer_ = std::make_unique<QtPrinter>();
    return printer_.get();
  }
  // The printer goes with the service that handed it out, while the
  // application (and its print plugin) still stands.
  void DropPrinter() { printer_.reset(); }

  // --- pictures from outside (the image commands) ---
  bool ActivateWindowTitled(const std::string& title) override {
    QWidget* window = WindowTitled(title);
    if (!window) return false;
    window->raise();
    window->activateWindow();
    return true;
  }
  bool CaptureWindow(const std::string& title, PixelBuffer& out) override {
    if (title.empty()) {
      QScreen* screen = QGuiApplication::primaryScreen();
      return screen && ToBuffer(screen->grabWindow(0).toImage(), out);
    }
    QWidget* window = WindowTitled(title);
    if (!window) return false;
    // The client: 母艦's is the area below its menu bar.
    auto* main = dynamic_cast<TfrmNoka*>(window);
    QWidget* client = main ? main->Client() : window;
    return ToBuffer(client->grab().toImage(), out);
  }
  bool ClipboardPicture(PixelBuffer& out) override {
    QClipboard* clipboard = QApplication::clipboard();
    return clipboard && ToBuffer(clipboard->image(), out);
  }
  void SetClipboardPicture(const PixelView& pixels) override {
    if (QClipboard* clipboard = QApplication::clipboard(); clipboard && !pixels.Empty())
      clipboard->setImage(QImage(pixels.Bits, pixels.Width, pixels.Height, pixels.Stride, QImage::Format_RGB32).copy());
  }

 private:
  std::unique_ptr<QtPrinter> printer_;
  // Our own top-level window with that caption, the visible ones first.
  static QWidget* WindowTitled(const std::string& title) {
    QString caption = Q(title);
    QWidget* hidden = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->windowTitle() != caption) continue;
      if (w->isVisible()) return w;
      if (!hidden) hidden = w;
    }
    return hidden;
  }
  static bool ToBuffer(const QImage& image, PixelBuffer& out) {
    if (image.isNull()) return false;
    QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    out = PixelBuffer(rgb.width(), rgb.height());
    for (int y = 0; y < rgb.height(); ++y)
      std::memcpy(&out.Data[static_cast<size_t>(y) * rgb.width()], rgb.constScanLine(y), static_cast<size_t>(rgb.width()) * 4);
    return true;
  }
};

QtGraphics& TheGraphics() {
  static QtGraphics graphics;
  return graphics;
}

using Factory = std::unique_ptr<QtPartBase> (*)();

// In kind order, as PartKind numbers them.
constexpr Factory kFactories[kPartKindCount] = {
    MakeButtonPart, MakeEditPart,    MakeImagePart,   MakeBarPart,   MakeComboPart, MakeListPart,
    MakeMemoPart,   MakeFormPart,    MakeGridPart,    MakeLabelPart, MakeCheckPart, MakeTrackPart,
    MakeAnimePart,  MakeMenuPart,    MakeBrowserPart, MakePanelPart, MakeTEditorPart, MakeRadioPart,
    MakeScrollPart, MakeTabPart,     MakeTreePart,    MakeRichPart,
};

}  // namespace

QtPartService::QtPartService(TfrmNoka& mainWindow)
    : window_(mainWindow), main_(std::make_unique<MainWindowPart>(mainWindow)) {}
QtPartService::~QtPartService() { TheGraphics().DropPrinter(); }

std::unique_ptr<PartHandle> QtPartService::Create(PartKind kind, PartHandle& parent) {
  std::unique_ptr<QtPartBase> part = kFactories[static_cast<int>(kind)]();
  part->SetEventSlots(EventSlotsOf(kind));
  if (kind != PartKind::フォーム) {
    auto* container = dynamic_cast<QtPartBase*>(&parent);
    QWidget* area = container ? container->ChildArea() : nullptr;
    part->Widget()->setParent(area ? area : main_->ChildArea());
  }
  // The family shows a part once it is placed.
  part->SetVisible(false);
  return part;
}

PartHandle& QtPartService::MainWindow() { return *main_; }

IGraphics* QtPartService::Graphics() { return &TheGraphics(); }

std::unique_ptr<PartHandle> QtPartService::CreateMenuItem(PartHandle* parentItem, const std::string& caption) {
  return MakeMenuItem(window_, parentItem, caption);
}

}  // namespace nokari
