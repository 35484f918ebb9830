// The window layer's canvas: a persistent QImage (Format_RGB32) that a
// widget shows. Drawing paints on the image with QPainter and asks the
// widget to repaint the changed area; nothing is lost when the widget is
// covered, hidden or resized.
//
// One class serves every surface: 母艦 (TfrmNoka, whose picture grows
// with the client and never shrinks), an イメージ and a フォーム's img
// (ImageView). The owner tells it where the picture shows (the widget
// and the offset of its top-left corner) and what the visible area is.
#pragma once
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <functional>

#include "core/Canvas.h"

namespace nokari {

class QtCanvas : public ICanvas {
 public:
  QtCanvas() = default;
  // `view` repaints the picture with its top-left corner at `offset`.
  void ShowOn(QWidget* view, QPoint offset = {}) {
    view_ = view;
    offset_ = offset;
  }
  void SetOffset(QPoint offset) { offset_ = offset; }
  // The visible area's size (a window's client); unset, the whole picture.
  void SetVisibleSize(std::function<QSize()> size) { visibleSize_ = std::move(size); }
  // Called after the picture was replaced (a new size), for owners whose
  // widget takes the picture's size.
  void SetReplacedHandler(std::function<void()> replaced) { replaced_ = std::move(replaced); }

  QImage& Image() { return image_; }
  const QImage& Image() const { return image_; }
  // Takes a picture (converted to RGB32) and shows it.
  void SetImage(const QImage& image);

  // --- ICanvas: the picture (QtCanvas.cpp) ---
  int Width() const override { return image_.width(); }
  int Height() const override { return image_.height(); }
  PartRect VisibleArea() const override;
  PixelView Pixels() override;
  void Reset(int width, int height, ColorRef fill) override;
  void Assign(const PixelView& pixels) override;
  void Adopt(PixelBuffer&& buffer) override;
  void Changed(const PartRect* area = nullptr) override;
  int Depth() const override { return depth_; }
  bool SetDepth(int bits) override;

  // --- drawing and text (QtCanvasDraw.cpp) ---
  void Line(int x1, int y1, int x2, int y2, const CanvasPen& pen) override;
  void Rectangle(int x1, int y1, int x2, int y2, const CanvasPen& pen, const CanvasBrush& brush) override;
  void Ellipse(int x1, int y1, int x2, int y2, const CanvasPen& pen, const CanvasBrush& brush) override;
  void Fill(ColorRef color) override;
  int TextWidth(const std::string& text, const CanvasFont& font) override;
  int TextHeight(const std::string& text, const CanvasFont& font) override;
  void DrawText(int x, int y, const std::string& line, const CanvasFont& font, bool antialias) override;

  // --- files (ImageFiles.cpp) ---
  bool Load(const std::string& path, std::string& error) override;
  bool Save(const std::string& path, int quality, std::string& error) override;
  bool Encode(const std::string& extension, int quality, std::string& bytes, std::string& error) override;

  // Grows the picture to at least `size`, keeping what was drawn and
  // filling the new area with `fill`; never shrinks.
  void GrowTo(QSize size, const QColor& fill);

 private:
  QImage image_;
  int depth_ = 24;
  QPointer<QWidget> view_;
  QPoint offset_;
  std::function<QSize()> visibleSize_;
  std::function<void()> replaced_;
};

// A QFont for a canvas font: points at a fixed 96 dpi, so text measures
// the same on every screen and offscreen.
QFont QFontOf(const PartFont& font);

}  // namespace nokari
