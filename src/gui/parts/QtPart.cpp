#include "gui/parts/QtPart.h"

#include <QAbstractScrollArea>
#include <QBitmap>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <cmath>

#include "gui/QtText.h"

namespace nokari {
namespace {

const char kPartProperty[] = "nokariPart";
// The handle behind a part's widget, for the event filter.
const char kHandleProperty[] = "nokariHandle";

// True when `w` stands on `container` with no other part between them
// (inner widgets such as pages and viewports may be).
bool StandsDirectlyOn(QWidget* w, QWidget* container) {
  for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
    if (p == container) return true;
    if (IsPartWidget(p)) return false;
  }
  return false;
}

}  // namespace

void MarkAsPart(QWidget* widget) {
  widget->setProperty(kPartProperty, true);
  // Without tracking, mouse moves reach a widget only while a button is
  // held; scroll areas get their events on the viewport.
  widget->setMouseTracking(true);
  if (auto* area = qobject_cast<QAbstractScrollArea*>(widget)) area->viewport()->setMouseTracking(true);
}

bool IsPartWidget(const QWidget* widget) { return widget->property(kPartProperty).toBool(); }

QtPartBase* QtPartBase::Of(QWidget* widget) {
  for (QWidget* w = widget; w; w = w->parentWidget()) {
    if (auto* part = static_cast<QtPartBase*>(w->property(kHandleProperty).value<void*>())) return part;
    if (w->isWindow()) break;  // a dialog or pop-up over a part is not the part
  }
  return nullptr;
}

void ReleaseParts(QWidget* dying) {
  for (QWidget* child : dying->findChildren<QWidget*>()) {
    if (!IsPartWidget(child) || !StandsDirectlyOn(child, dying)) continue;
    child->hide();
    child->setParent(nullptr);
  }
}

PartRect RectOf(const QRect& r) { return PartRect{r.x(), r.y(), r.width(), r.height()}; }

QFont QFontOf(const PartFont& font, const QFont& base) {
  QFont f = base;
  if (!font.Face.empty()) f.setFamily(Q(font.Face));
  f.setPixelSize(std::max(1, static_cast<int>(std::lround(font.Points * 96.0 / 72.0))));
  f.setBold(font.Bold);
  f.setItalic(font.Italic);
  f.setUnderline(font.Underline);
  f.setStrikeOut(font.StrikeOut);
  return f;
}

PartFont PartFontOf(const QFont& f) {
  PartFont font;
  font.Face = FromQ(f.family());
  // Rounding both ways gives back every whole point size (|error| < 0.5).
  double pixels = f.pixelSize() > 0 ? f.pixelSize() : f.pointSizeF() * 96.0 / 72.0;
  font.Points = static_cast<int>(std::lround(pixels * 72.0 / 96.0));
  font.Bold = f.bold();
  font.Italic = f.italic();
  font.Underline = f.underline();
  font.StrikeOut = f.strikeOut();
  return font;
}

QtPartBase::QtPartBase(QWidget* widget, bool owned)
    : widget_(widget), owned_(owned), context_(std::make_unique<QObject>()), acceptsDropsItself_(widget->acceptDrops()) {
  MarkAsPart(widget);
  widget->setProperty(kHandleProperty, QVariant::fromValue(static_cast<void*>(this)));
  RouteEvents();
}

QtPartBase::~QtPartBase() {
  // Nothing reaches this handle any more: not the sink, not a signal the
  // widget sends while it is taken down, not the event filter.
  sink_ = nullptr;
  context_.reset();
  if (widget_) widget_->setProperty(kHandleProperty, QVariant());
  if (!widget_ || !owned_) return;  // !widget_: went with a window deleted before us
  widget_->hide();
  ReleaseParts(widget_);
  delete widget_.data();
}

PartRect QtPartBase::Geometry() const { return RectOf(widget_->geometry()); }

void QtPartBase::SetGeometry(const PartRect& r) { widget_->setGeometry(r.X, r.Y, r.W, r.H); }

PartRect QtPartBase::ParentClient() const {
  if (QWidget* parent = widget_->parentWidget()) return PartRect{0, 0, parent->width(), parent->height()};
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? RectOf(screen->geometry()) : PartRect{0, 0, 1024, 768};
}

// The part's own flag, not whether it shows now: parts of a window not yet
// shown are visible in the script's sense.
bool QtPartBase::Visible() const { return !widget_->isHidden(); }
void QtPartBase::SetVisible(bool on) { widget_->setVisible(on); }
bool QtPartBase::Enabled() const { return widget_->isEnabled(); }
void QtPartBase::SetEnabled(bool on) { widget_->setEnabled(on); }

bool QtPartBase::SetParent(PartHandle& container) {
  auto* target = dynamic_cast<QtPartBase*>(&container);
  QWidget* area = target ? target->ChildArea() : nullptr;
  // A window stays a window, and a part cannot go inside itself.
  if (!area || widget_->isWindow() || area == widget_ || widget_->isAncestorOf(area)) return false;
  QRect where = widget_->geometry();
  bool hidden = widget_->isHidden();
  widget_->setParent(area);
  widget_->setGeometry(where);
  widget_->setVisible(!hidden);
  return true;
}

// Parts stand in the container's child area: a タブページ's is its active
// page, so the parts on its other pages are not held.
bool QtPartBase::Holds(const PartHandle& part) const {
  auto* held = dynamic_cast<const QtPartBase*>(&part);
  QWidget* area = const_cast<QtPartBase*>(this)->ChildArea();
  return held && held->widget_ && area && held->widget_->parentWidget() == area;
}

void QtPartBase::Raise() { widget_->raise(); }

void QtPartBase::Lower() {
  widget_->lower();
  // A フォーム's canvas "img" stays below every part on the form.
  if (QWidget* parent = widget_->parentWidget())
    if (QWidget* img = parent->findChild<QWidget*>("img", Qt::FindDirectChildrenOnly)) img->lower();
}

// Judged by the part's own flags, not by whether its window shows (a
// console run's windows never do).
bool QtPartBase::Focus() {
  if (widget_->isHidden() || !widget_->isEnabled()) return false;
  if (widget_->isWindow()) {
    widget_->raise();
    widget_->activateWindow();
  }
  widget_->setFocus(Qt::OtherFocusReason);
  return true;
}

void QtPartBase::SetRoundedCorners(int radius) {
  if (radius <= 0) {
    widget_->clearMask();
    return;
  }
  QBitmap mask(widget_->size());
  mask.fill(Qt::color0);
  QPainter p(&mask);
  p.setBrush(Qt::color1);
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(widget_->rect(), radius, radius);
  p.end();
  widget_->setMask(mask);
}

int QtPartBase::TextWidth(const std::string& text) const {
  QString shown = Q(text);
  const QFont& font = widget_->font();
  if (measuredWidth_ < 0 || shown != measuredText_ || font != measuredFont_) {
    measuredWidth_ = QFontMetrics(font).horizontalAdvance(shown);
    measuredText_ = std::move(shown);
    measuredFont_ = font;
  }
  return measuredWidth_;
}

PartFont QtPartBase::Font() const { return PartFontOf(widget_->font()); }
void QtPartBase::SetFont(const PartFont& font) { widget_->setFont(QFontOf(font, widget_->font())); }

ColorRef QtPartBase::TextColor() const { return ColorRefOf(widget_->palette().color(widget_->foregroundRole())); }

void QtPartBase::SetTextColor(ColorRef c) {
  QPalette pal = widget_->palette();
  for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) pal.setColor(role, QColorOf(c));
  widget_->setPalette(pal);
}

ColorRef QtPartBase::BackColor() const { return ColorRefOf(widget_->palette().color(widget_->backgroundRole())); }

void QtPartBase::SetBackColor(ColorRef c) {
  QPalette pal = widget_->palette();
  for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button}) pal.setColor(role, QColorOf(c));
  widget_->setPalette(pal);
  widget_->setAutoFillBackground(true);
}

// Files dropped become the part's event; a widget that takes dropped text
// by itself (an editor) keeps doing so.
void QtPartBase::SetAcceptDrops(bool on) {
  acceptFiles_ = on;
  widget_->setAcceptDrops(on || acceptsDropsItself_);
}

}  // namespace nokari
