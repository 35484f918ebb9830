// What a フォーム and the main window share as top-level windows: the
// geometry is the window's position on the screen and its client size,
// the text is the caption, and the frame style, state and stay-on-top
// flag are window flags. A new client size is the window's change event.
#pragma once
#include <QGuiApplication>
#include <QScreen>

#include "gui/QtText.h"
#include "gui/parts/QtPart.h"

namespace nokari {

template <class W>
class WindowPart : public QtPart<W> {
 public:
  explicit WindowPart(W* window, bool owned = true) : QtPart<W>(window, owned), lastSize_(window->size()) {}

  // x()/y() of a window are those of its frame; width()/height() its client.
  PartRect Geometry() const override { return PartRect{this->w()->x(), this->w()->y(), this->w()->width(), this->w()->height()}; }
  void SetGeometry(const PartRect& r) override {
    this->w()->move(r.X, r.Y);
    this->w()->resize(r.W, r.H);
    FollowClient();
    ClientResized();
  }
  PartRect ParentClient() const override {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? RectOf(screen->geometry()) : PartRect{0, 0, 1024, 768};
  }
  std::string Text() const override { return FromQ(this->w()->windowTitle()); }
  void SetText(const std::string& text) override { this->w()->setWindowTitle(Q(text)); }

  int FrameStyle() const override { return style_; }
  void SetFrameStyle(int style) override {
    style_ = style;
    ApplyFlags();
  }
  void SetStayOnTop(bool on) override {
    onTop_ = on;
    ApplyFlags();
  }
  void SetWindowState(WindowState state) override {
    Qt::WindowStates s = state == WindowState::Maximized   ? Qt::WindowMaximized
                         : state == WindowState::Minimized ? Qt::WindowMinimized
                                                           : Qt::WindowNoState;
    this->w()->setWindowState(s);
  }
  WindowState GetWindowState() const override {
    Qt::WindowStates s = this->w()->windowState();
    return s & Qt::WindowMinimized   ? WindowState::Minimized
           : s & Qt::WindowMaximized ? WindowState::Maximized
                                     : WindowState::Normal;
  }
  void Close() override { this->w()->hide(); }

 protected:
  // The canvas takes the client's new size (a フォーム's img).
  virtual void FollowClient() {}
  // Slot 7 once the client has a new size and the canvas has followed.
  // Called from the resize event and from SetGeometry too: a hidden
  // window gets its resize event only when it is shown.
  void ClientResized() {
    if (this->w()->size() == lastSize_) return;
    lastSize_ = this->w()->size();
    this->ReportChange();
  }

 private:
  // Frame style 0 none, 1 single (no maximise box), 2 sizeable, 3 dialog.
  // Changing flags hides a window (Qt re-creates it): a shown one is shown
  // again.
  void ApplyFlags() {
    Qt::WindowFlags flags = Qt::Window;
    if (style_ == 0) flags |= Qt::FramelessWindowHint;
    if (style_ == 1)
      flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
               Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
    if (style_ == 3) flags = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    if (onTop_) flags |= Qt::WindowStaysOnTopHint;
    bool shown = !this->w()->isHidden();
    this->w()->setWindowFlags(flags);
    if (shown) this->w()->show();
  }
  int style_ = 2;
  bool onTop_ = false;
  QSize lastSize_;
};

}  // namespace nokari
