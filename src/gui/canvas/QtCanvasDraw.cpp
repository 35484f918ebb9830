// Shapes and text on a canvas with QPainter: antialiasing off, right and
// bottom edges exclusive (a rectangle (x1,y1)-(x2,y2) covers x1 .. x2-1).
//
// Scripts may give any coordinates. Qt's rasteriser works in fixed point
// and overflows far outside the picture, so what reaches it is kept near
// the picture first: lines are clipped, rectangles clamped, and an ellipse
// reaching beyond kFar (which could only show as a nearly straight edge)
// is not drawn.
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "gui/QtText.h"
#include "gui/canvas/QtCanvas.h"

namespace nokari {
namespace {

constexpr int kFar = 1 << 18;

QPen QPenOf(const CanvasPen& pen, Qt::PenCapStyle cap) {
  QPen p(QColorOf(pen.Color));
  p.setWidth(std::max(1, pen.Width));
  p.setCapStyle(cap);
  p.setJoinStyle(Qt::MiterJoin);
  return p;
}

QBrush QBrushOf(const CanvasBrush& brush) { return brush.Hollow ? QBrush(Qt::NoBrush) : QBrush(QColorOf(brush.Color)); }

// Two corners, the second exclusive, as the rectangle QPainter outlines
// (whose outline covers its right and bottom coordinate too).
QRect Outline(int x1, int y1, int x2, int y2) {
  QRect r = QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)).normalized();
  return r.adjusted(0, 0, -1, -1);
}

// Liang–Barsky: the part of the segment inside `box`; false when none.
bool ClipLine(double& x1, double& y1, double& x2, double& y2, const QRectF& box) {
  double t0 = 0, t1 = 1, dx = x2 - x1, dy = y2 - y1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x1 - box.left(), box.right() - x1, y1 - box.top(), box.bottom() - y1};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    double t = q[i] / p[i];
    if (p[i] < 0)
      t0 = std::max(t0, t);
    else
      t1 = std::min(t1, t);
    if (t0 > t1) return false;
  }
  double ox = x1, oy = y1;
  x1 = ox + t0 * dx;
  y1 = oy + t0 * dy;
  x2 = ox + t1 * dx;
  y2 = oy + t1 * dy;
  return true;
}

int Clamp(int v, int lo, int hi) { return std::clamp(v, lo, hi); }

}  // namespace

void QtCanvas::Line(int x1, int y1, int x2, int y2, const CanvasPen& pen) {
  if (image_.isNull()) return;
  int margin = pen.Width + 2;
  QRectF box(-margin, -margin, image_.width() + 2 * margin, image_.height() + 2 * margin);
  double ax = x1, ay = y1, bx = x2, by = y2;
  if (!ClipLine(ax, ay, bx, by, box)) return;
  QPainter p(&image_);
  p.setPen(QPenOf(pen, pen.Width > 1 ? Qt::RoundCap : Qt::FlatCap));
  p.drawLine(QPoint(static_cast<int>(std::lround(ax)), static_cast<int>(std::lround(ay))),
             QPoint(static_cast<int>(std::lround(bx)), static_cast<int>(std::lround(by))));
  Changed();
}

void QtCanvas::Rectangle(int x1, int y1, int x2, int y2, const CanvasPen& pen, const CanvasBrush& brush) {
  if (image_.isNull()) return;
  // Clamped just outside the picture, so an edge beyond it stays unseen.
  int margin = pen.Width + 2;
  int right = image_.width() + margin, bottom = image_.height() + margin;
  x1 = Clamp(x1, -margin, right);
  x2 = Clamp(x2, -margin, right);
  y1 = Clamp(y1, -margin, bottom);
  y2 = Clamp(y2, -margin, bottom);
  if (x1 == x2 || y1 == y2) return;
  QPainter p(&image_);
  p.setPen(QPenOf(pen, Qt::SquareCap));
  p.setBrush(QBrushOf(brush));
  p.drawRect(Outline(x1, y1, x2, y2));
  Changed();
}

void QtCanvas::Ellipse(int x1, int y1, int x2, int y2, const CanvasPen& pen, const CanvasBrush& brush) {
  if (image_.isNull() || x1 == x2 || y1 == y2) return;
  for (int v : {x1, y1, x2, y2})
    if (v < -kFar || v > kFar) return;
  QPainter p(&image_);
  p.setPen(QPenOf(pen, Qt::SquareCap));
  p.setBrush(QBrushOf(brush));
  p.drawEllipse(Outline(x1, y1, x2, y2));
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
  if (image_.isNull() || line.empty()) return;
  // Nothing of a line starting beyond the picture can show.
  if (x >= image_.width() || y >= image_.height() || x < -kFar * 16 || y < -kFar * 16) return;
  QFont f = QFontOf(font.Font);
  f.setStyleStrategy(antialias ? QFont::PreferAntialias : QFont::NoAntialias);
  QPainter p(&image_);
  p.setFont(f);
  p.setPen(QColorOf(font.Color));
  p.drawText(x, y + QFontMetrics(f).ascent(), Q(line));
  Changed();
}

}  // namespace nokari
