// Shapes and text on a canvas with QPainter: antialiasing off, right and
// bottom edges exclusive.
#include <QFontMetrics>
#include <QPainter>

#include "gui/QtText.h"
#include "gui/canvas/QtCanvas.h"

namespace nokari {
namespace {

QPen QPenOf(const CanvasPen& pen) {
  QPen p(QColorOf(pen.Color));
  p.setWidth(std::max(1, pen.Width));
  return p;
}

QBrush QBrushOf(const CanvasBrush& brush) { return brush.Hollow ? QBrush(Qt::NoBrush) : QBrush(QColorOf(brush.Color)); }

QRect Corners(int x1, int y1, int x2, int y2) { return QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)).normalized(); }

}  // namespace

void QtCanvas::Line(int x1, int y1, int x2, int y2, const CanvasPen& pen) {
  if (image_.isNull()) return;
  QPainter p(&image_);
  p.setPen(QPenOf(pen));
  p.drawLine(x1, y1, x2, y2);
  Changed();
}

void QtCanvas::Rectangle(int x1, int y1, int x2, int y2, const CanvasPen& pen, const CanvasBrush& brush) {
  if (image_.isNull()) return;
  QPainter p(&image_);
  p.setPen(QPenOf(pen));
  p.setBrush(QBrushOf(brush));
  QRect r = Corners(x1, y1, x2, y2);
  p.drawRect(r.adjusted(0, 0, -1, -1));
  Changed();
}

void QtCanvas::Ellipse(int x1, int y1, int x2, int y2, const CanvasPen& pen, const CanvasBrush& brush) {
  if (image_.isNull()) return;
  QPainter p(&image_);
  p.setPen(QPenOf(pen));
  p.setBrush(QBrushOf(brush));
  p.drawEllipse(Corners(x1, y1, x2, y2).adjusted(0, 0, -1, -1));
  Changed();
}

void QtCanvas::Fill(ColorRef color) {
  image_.fill(QColorOf(color));
  Changed();
}

int QtCanvas::TextWidth(const std::string& text, const CanvasFont& font) {
  return QFontMetrics(QFontOf(font.Font)).horizontalAdvance(Q(text));
}

int QtCanvas::TextHeight(const std::string&, const CanvasFont& font) {
  return QFontMetrics(QFontOf(font.Font)).height();
}

void QtCanvas::DrawText(int x, int y, const std::string& line, const CanvasFont& font, bool antialias) {
  if (image_.isNull()) return;
  QFont f = QFontOf(font.Font);
  if (!antialias) f.setStyleStrategy(QFont::NoAntialias);
  QPainter p(&image_);
  p.setFont(f);
  p.setPen(QColorOf(font.Color));
  p.drawText(x, y + QFontMetrics(f).ascent(), Q(line));
  Changed();
}

}  // namespace nokari
