#include "gui/canvas/QtCanvas.h"

#include <QPainter>

#include "gui/QtText.h"

namespace nokari {

void QtCanvas::SetImage(const QImage& image) {
  image_ = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
  if (replaced_) replaced_();
  Changed();
}

PartRect QtCanvas::VisibleArea() const {
  if (!visibleSize_) return PartRect{0, 0, image_.width(), image_.height()};
  QSize s = visibleSize_().boundedTo(image_.size());
  return PartRect{0, 0, s.width(), s.height()};
}

PixelView QtCanvas::Pixels() {
  if (image_.isNull()) return {};
  return PixelView{image_.bits(), image_.width(), image_.height(), static_cast<ptrdiff_t>(image_.bytesPerLine())};
}

void QtCanvas::Reset(int width, int height, ColorRef fill) {
  QImage fresh(std::max(0, width), std::max(0, height), QImage::Format_RGB32);
  fresh.fill(QColorOf(fill));
  SetImage(fresh);
}

void QtCanvas::Assign(const PixelView& pixels) {
  if (pixels.Empty()) {
    SetImage(QImage());
    return;
  }
  QImage wrapped(pixels.Bits, pixels.Width, pixels.Height, pixels.Stride, QImage::Format_RGB32);
  SetImage(wrapped.copy());
}

void QtCanvas::Changed(const PartRect* area) {
  if (!view_) return;
  if (area)
    view_->update(QRect(area->X, area->Y, area->W, area->H).translated(offset_));
  else
    view_->update();
}

bool QtCanvas::SetDepth(int bits) {
  switch (bits) {
    case 1: case 4: case 8: case 15: case 16: case 24: case 32:
      depth_ = bits;
      return true;
    default:
      return false;
  }
}

void QtCanvas::GrowTo(QSize size, const QColor& fill) {
  if (!image_.isNull() && image_.width() >= size.width() && image_.height() >= size.height()) return;
  QImage bigger(size.expandedTo(image_.size()), QImage::Format_RGB32);
  bigger.fill(fill);
  if (!image_.isNull()) {
    QPainter p(&bigger);
    p.drawImage(0, 0, image_);
  }
  image_ = bigger;
  if (replaced_) replaced_();
  Changed();
}

QFont QFontOf(const PartFont& font) {
  QFont f(Q(font.Face));
  // Points at 96 dpi, whatever the screen says.
  f.setPixelSize(std::max(1, (font.Points * 96 + 36) / 72));
  f.setBold(font.Bold);
  f.setItalic(font.Italic);
  f.setUnderline(font.Underline);
  f.setStrikeOut(font.StrikeOut);
  return f;
}

}  // namespace nokari
