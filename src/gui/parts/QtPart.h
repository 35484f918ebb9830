// What every widget wrapper shares: a PartHandle over one QWidget, doing
// geometry, visibility, the enabled state, the stacking order, focus,
// parent changes, font, colours and rounded corners the same way for every
// kind, so each kind's file holds only what is its own.
#pragma once
#include <QFont>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "core/Parts.h"
#include "gui/parts/PartEvents.h"

class QKeyEvent;
class QMouseEvent;

namespace nokari {

class QtPartBase : public PartHandle {
 public:
  // `owned`: the handle deletes the widget (all but the main window, which
  // its host owns).
  explicit QtPartBase(QWidget* widget, bool owned = true);
  // Deletes an owned widget. Parts standing on it are first taken off (their
  // handles belong to other records and outlive this one), hidden.
  ~QtPartBase() override;

  QWidget* Widget() const { return widget_; }
  // The widget parts put onto this one go into; null when it is no
  // container. The main window and フォーム: the client; スクロール: the
  // inner widget; タブページ: the current page.
  virtual QWidget* ChildArea() { return nullptr; }
  // Where the part's mouse positions count from, and the only place its
  // mouse events come from: the widget, or the main window's client below
  // its menu bar (the bar's clicks are the menus').
  virtual QWidget* MouseArea() const { return widget_; }

  PartRect Geometry() const override;
  void SetGeometry(const PartRect& r) override;
  PartRect ParentClient() const override;
  bool Visible() const override;
  void SetVisible(bool on) override;
  bool Enabled() const override;
  void SetEnabled(bool on) override;
  bool SetParent(PartHandle& container) override;
  bool Holds(const PartHandle& part) const override;
  void Raise() override;
  void Lower() override;
  bool Focus() override;
  void SetRoundedCorners(int radius) override;
  int TextWidth(const std::string& text) const override;

  PartFont Font() const override;
  void SetFont(const PartFont& font) override;
  ColorRef TextColor() const override;
  void SetTextColor(ColorRef c) override;
  ColorRef BackColor() const override;
  void SetBackColor(ColorRef c) override;
  void SetAcceptDrops(bool on) override;

  // --- events (PartEvents.cpp) ---------------------------------------------
  void SetEventSink(PartEventSink sink) override;
  // The kind's row of the sources table: which slots reach the sink.
  void SetEventSlots(SlotSet reported) { slots_ = reported; }
  // The application's filter hands over the mouse, keys and dropped
  // files at their first delivery (never a copy passed up to a parent).
  void MouseEvent(const QMouseEvent& event);
  void KeyEvent(const QKeyEvent& event);
  bool AcceptsFiles() const { return acceptFiles_; }
  void FilesDropped(const std::string& files, QPoint globalPos);
  // The handle of `widget` or of the nearest widget above it within its
  // window; null when none.
  static QtPartBase* Of(QWidget* widget);

 protected:
  // Hands the event to the sink when the kind reports its slot. True when
  // there is no sink or it agrees (only a ブラウザ asks).
  bool Report(const PartEvent& event);
  // Slot 1 from a widget's own click signal, with the mouse as last seen.
  void ReportClick();
  // Slot 7, unless one is being reported for this part right now: a sink
  // that changes its own part does not come back in here.
  void ReportChange();
  // Slot 7 when `state` (the text, the page ...) differs from what it was
  // at the last report, so a rebuild or a write of the same text is quiet.
  void ReportChange(const QString& state);
  // Runs `change` without change events: a rebuild passing through
  // states the script never asked for. The caller reports the end state.
  template <class F>
  void ChangeQuietly(F change) {
    ++quiet_;
    change();
    --quiet_;
  }
  // The receiver of the handle's signal connections: gone with the
  // handle, so a widget that outlives it (the main window) never calls
  // into a dead one.
  QObject* Context() const { return context_.get(); }
  // Expires with the handle: code going on after a sink call checks it,
  // as a sink may take the part down (a browser asking synchronously).
  std::weak_ptr<char> Life() const { return life_; }
  // A click comes from a press and release of the left button inside
  // the part; kinds with their own click signal turn this off.
  bool clickFromMouse_ = true;

  QPointer<QWidget> widget_;
  bool owned_;

 private:
  std::unique_ptr<QObject> context_;
  std::shared_ptr<char> life_ = std::make_shared<char>();
  PartEventSink sink_;
  SlotSet slots_ = 0;
  bool acceptFiles_ = false;
  bool acceptsDropsItself_ = false;  // an editor takes dropped text
  bool pressedHere_ = false;
  bool reportingChange_ = false;
  int quiet_ = 0;
  QString lastState_;
  PartEvent lastMouse_;  // position and shift names of the last mouse event
  // The last text measured, in which font, and its width: a caption set
  // again and again (a button's テキスト in a loop) is shaped once.
  mutable QString measuredText_;
  mutable QFont measuredFont_;
  mutable int measuredWidth_ = -1;
};

// The typed view of the widget for a kind's own methods.
template <class W>
class QtPart : public QtPartBase {
 public:
  explicit QtPart(W* widget, bool owned = true) : QtPartBase(widget, owned) {}
  W* w() const { return static_cast<W*>(widget_.data()); }
};

// Marks a widget as the one behind a part (so a dying container can tell
// its parts from its own inner widgets) and sets what every part needs.
void MarkAsPart(QWidget* widget);
bool IsPartWidget(const QWidget* widget);

// Takes the parts standing on `dying` (at any depth, but not those on a
// part inside it) off it, hidden and parentless, before it is deleted.
void ReleaseParts(QWidget* dying);

// Fonts: points at a fixed 96 dpi, so a size means the same pixels on
// every screen and in the offscreen tests.
QFont QFontOf(const PartFont& font, const QFont& base);
PartFont PartFontOf(const QFont& font);

PartRect RectOf(const QRect& r);

}  // namespace nokari
