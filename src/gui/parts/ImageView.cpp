#include "gui/parts/ImageView.h"

#include <QBitmap>
#include <QImageReader>
#include <QPainter>

namespace nokari {

QImage ReadPicture(const QString& path, bool* ok) {
  QImageReader reader(path);
  reader.setAutoTransform(true);
  QImage image = reader.read();
  *ok = !image.isNull();
  // One pixel format for every picture, so drawing code meets one layout.
  return image.isNull() ? image : image.convertToFormat(QImage::Format_RGB32);
}

ImageView::ImageView(QWidget* parent) : QWidget(parent) { canvas_.ShowOn(this); }

void ImageView::SetPicture(const QImage& picture) { canvas_.SetImage(picture); }

bool ImageView::Load(const QString& path) {
  bool ok = false;
  QImage image = ReadPicture(path, &ok);
  if (ok) SetPicture(image);
  return ok;
}

void ImageView::SetStretch(bool on) {
  stretch_ = on;
  update();
}

void ImageView::SetTransparent(bool on) {
  transparent_ = on;
  update();
}

void ImageView::GrowCanvasTo(QSize size, const QColor& fill) { canvas_.GrowTo(size, fill); }

void ImageView::paintEvent(QPaintEvent*) {
  const QImage& picture_ = canvas_.Image();
  QPainter p(this);
  if (picture_.isNull()) {
    // An empty image shows white, as a fresh canvas would.
    if (!transparent_) p.fillRect(rect(), Qt::white);
    return;
  }
  QPixmap pixmap = QPixmap::fromImage(picture_);
  if (transparent_) {
    // The colour of the bottom-left pixel is the transparent one, as
    // bitmaps mark it.
    QColor key = picture_.pixelColor(0, picture_.height() - 1);
    pixmap.setMask(pixmap.createMaskFromColor(key, Qt::MaskInColor));
  }
  if (stretch_)
    p.drawPixmap(rect(), pixmap);
  else
    p.drawPixmap(0, 0, pixmap);
}

}  // namespace nokari
