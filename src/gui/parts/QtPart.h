// What every widget wrapper shares: a PartHandle over one QWidget, doing
// geometry, visibility, the enabled state, the stacking order, focus,
// parent changes, font, colours and rounded corners the same way for every
// kind, so each kind's file holds only what is its own.
#pragma once
#include <QPointer>
#include <QWidget>
#include <memory>

#include "core/Parts.h"

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

  PartRect Geometry() const override;
  void SetGeometry(const PartRect& r) override;
  PartRect ParentClient() const override;
  bool Visible() const override;
  void SetVisible(bool on) override;
  bool Enabled() const override;
  void SetEnabled(bool on) override;
  bool SetParent(PartHandle& container) override;
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

 protected:
  QPointer<QWidget> widget_;
  bool owned_;
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
