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

// The buffer's memory becomes the image's: QImage frees it with the
// image, and writes in place since nothing else shares it.
void QtCanvas::Adopt(PixelBuffer&& buffer) {
  if (buffer.Data.empty() || buffer.Width <= 0 || buffer.Height <= 0) {
    SetImage(QImage());
    return;
  }
  auto* owned = new std::vector<uint32_t>(std::move(buffer.Data));
  QImage image(
      reinterpret_cast<uchar*>(owned->data()), buffer.Width, buffer.Height, static_cast<qsizetype>(buffer.Width) * 4,
      QImage::Format_RGB32, [](void* memory) { delete static_cast<std::vector<uint32_t>*>(memory); }, owned);
  SetImage(image);
}

void QtCanvas::Changed(const PartRect* area) {
  if (!view_) return;
  if (area)
    view_->update(QRect(area->X, area->Y, area->W, area->H).translated(offset_));
  else
    view_->update();
}

// The picture keeps only the colours the depth can hold (Qt's reduction:
// dithered for 1 bit, a palette for 4 and 8, fewer bits a channel for 15
// and 16), and files are written in it.
bool QtCanvas::SetDepth(int bits) {
  QImage::Format format;
  switch (bits) {
    case 1: format = QImage::Format_Mono; break;
    case 4: case 8: format = QImage::Format_Indexed8; break;
    case 15: format = QImage::Format_RGB555; break;
    case 16: format = QImage::Format_RGB16; break;
    case 24: case 32: format = QImage::Format_RGB32; break;
    default: return false;
  }
  depth_ = bits;
  if (!image_.isNull() && format != QImage::Format_RGB32) {
    image_ = image_.convertToFormat(format).convertToFormat(QImage::Format_RGB32);
    Changed();
  }
  return true;
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
