// A widget showing a picture: the イメージ part, and the canvas "img" that
// fills a フォーム. It holds the picture itself (a QImage the drawing
// commands paint on), so what was drawn stays when the widget is covered
// or resized.
#pragma once
#include <QImage>
#include <QWidget>

#include "gui/canvas/QtCanvas.h"

namespace nokari {

class ImageView : public QWidget {
 public:
  explicit ImageView(QWidget* parent = nullptr);
  QImage& Picture() { return canvas_.Image(); }
  const QImage& Picture() const { return canvas_.Image(); }
  // The picture as the drawing commands see it.
  QtCanvas& Surface() { return canvas_; }
  void SetPicture(const QImage& picture);
  // Reads a picture file; false (and the picture unchanged) when it cannot.
  bool Load(const QString& path);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool on);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  // A canvas follows its widget's size: it grows (new area in `fill`) and
  // keeps what was drawn; it never shrinks, so nothing drawn is lost.
  void GrowCanvasTo(QSize size, const QColor& fill);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QtCanvas canvas_;
  bool stretch_ = false;
  bool transparent_ = false;
};

// Reads a picture file (the CP932 path as Q() gives it), by the rules of
// gui/canvas/PictureFiles.h; "クリップボード" reads the clipboard.
QImage ReadPicture(const QString& path, bool* ok);

}  // namespace nokari
