#include "gui/parts/ImageView.h"

#include <QBitmap>
#include <QPainter>

#include "gui/QtText.h"
#include "gui/canvas/PictureFiles.h"

namespace nokari {

// Every picture a part shows is read by the one rule of picture files.
QImage ReadPicture(const QString& path, bool* ok) {
  PictureReadFailure failure;
  std::string reason;
  QImage image = ReadPictureFile(FromQ(path), failure, reason);
  *ok = failure == PictureReadFailure::None;
  return image;
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
