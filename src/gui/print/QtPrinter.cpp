#include "gui/print/QtPrinter.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <algorithm>

#include "gui/QtText.h"

namespace nokari {
namespace {

// Points at the printer's own resolution (QPainter scales them), unlike
// the screen's fixed 96 dpi pixels.
QFont PrinterFont(const CanvasFont& font) {
  QFont f(Q(font.Font.Face));
  f.setPointSize(std::max(1, font.Font.Points));
  f.setBold(font.Font.Bold);
  f.setItalic(font.Font.Italic);
  f.setUnderline(font.Font.Underline);
  f.setStrikeOut(font.Font.StrikeOut);
  return f;
}

QPen PrinterPen(const CanvasPen& pen) {
  QPen p(QColorOf(pen.Color));
  p.setWidth(std::max(1, pen.Width));
  p.setJoinStyle(Qt::MiterJoin);
  return p;
}

QRect Corners(int x1, int y1, int x2, int y2) {
  return QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)).normalized().adjusted(0, 0, -1, -1);
}

QImage Wrapped(const PixelView& pixels) {
  return QImage(pixels.Bits, pixels.Width, pixels.Height, pixels.Stride, QImage::Format_RGB32);
}

// Nobody can answer a dialog on the offscreen platform (a console run).
bool NobodyToAsk() { return QGuiApplication::platformName() == QLatin1String("offscreen"); }

}  // namespace

QString PdfTarget() { return qEnvironmentVariable("NOKARI_PRINT_PDF"); }

QtPrinter::QtPrinter() = default;

QtPrinter::~QtPrinter() {
  if (painter_) painter_->end();
}

QPrinter& QtPrinter::Device() {
  if (!printer_) {
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QString pdf = PdfTarget();
    if (!pdf.isEmpty()) {
      printer_->setOutputFormat(QPrinter::PdfFormat);
      printer_->setOutputFileName(pdf);
    }
  }
  return *printer_;
}

bool QtPrinter::Available() { return !PdfTarget().isEmpty() || !QPrinterInfo::availablePrinters().isEmpty(); }

PrintSetup QtPrinter::Setup() {
  if (!Available()) return PrintSetup::NoPrinter;
  if (!PdfTarget().isEmpty() || NobodyToAsk()) return PrintSetup::Confirmed;
  QPrintDialog dialog(&Device());
  return dialog.exec() == QDialog::Accepted ? PrintSetup::Confirmed : PrintSetup::Cancelled;
}

int QtPrinter::PageWidth() {
  if (!Available()) return 0;
  return Device().pageLayout().paintRectPixels(Device().resolution()).width();
}

int QtPrinter::PageHeight() {
  if (!Available()) return 0;
  return Device().pageLayout().paintRectPixels(Device().resolution()).height();
}

bool QtPrinter::Start(QPainter& painter, const std::string& title) {
  if (!Available()) return false;
  Device().setDocName(Q(title));
  if (!painter.begin(&Device())) return false;
  painter.setRenderHint(QPainter::Antialiasing, false);
  return true;
}

bool QtPrinter::PrintPicture(const PixelView& pixels, const PartRect& target, const std::string& title) {
  if (pixels.Empty()) return true;
  QPainter painter;
  if (!Start(painter, title)) return false;
  painter.drawImage(QRect(target.X, target.Y, target.W, target.H), Wrapped(pixels));
  return painter.end();
}

bool QtPrinter::PrintText(const std::string& text, const std::string& title) {
  QPainter painter;
  if (!Start(painter, title)) return false;
  QFont font(QStringLiteral("IPAGothic"));
  font.setPointSize(10);
  painter.setFont(font);
  QFontMetrics metrics(font, &Device());
  int pageHeight = PageHeight(), y = 0;
  for (const QString& line : Q(text).split(QRegularExpression("\r\n|\r|\n"))) {
    if (y > 0 && y + metrics.lineSpacing() > pageHeight) {
      Device().newPage();
      y = 0;
    }
    painter.drawText(0, y + metrics.ascent(), line);
    y += metrics.lineSpacing();
  }
  return painter.end();
}

bool QtPrinter::Begin(const std::string& title) {
  if (painter_) End();
  auto painter = std::make_unique<QPainter>();
  if (!Start(*painter, title)) return false;
  painter_ = std::move(painter);
  return true;
}

bool QtPrinter::End() {
  if (!painter_) return true;
  bool done = painter_->end();
  painter_.reset();
  return done;
}

void QtPrinter::Line(int x1, int y1, int x2, int y2, const CanvasPen& pen) {
  if (!painter_) return;
  painter_->setPen(PrinterPen(pen));
  painter_->drawLine(x1, y1, x2, y2);
}

void QtPrinter::Rectangle(int x1, int y1, int x2, int y2, const CanvasPen& pen, const CanvasBrush& brush) {
  if (!painter_) return;
  painter_->setPen(PrinterPen(pen));
  painter_->setBrush(brush.Hollow ? QBrush(Qt::NoBrush) : QBrush(QColorOf(brush.Color)));
  painter_->drawRect(Corners(x1, y1, x2, y2));
}

void QtPrinter::Ellipse(int x1, int y1, int x2, int y2, const CanvasPen& pen, const CanvasBrush& brush) {
  if (!painter_) return;
  painter_->setPen(PrinterPen(pen));
  painter_->setBrush(brush.Hollow ? QBrush(Qt::NoBrush) : QBrush(QColorOf(brush.Color)));
  painter_->drawEllipse(Corners(x1, y1, x2, y2));
}

void QtPrinter::DrawText(int x, int y, const std::string& line, const CanvasFont& font) {
  if (!painter_) return;
  QFont f = PrinterFont(font);
  painter_->setFont(f);
  painter_->setPen(QColorOf(font.Color));
  painter_->drawText(x, y + QFontMetrics(f, &Device()).ascent(), Q(line));
}

void QtPrinter::DrawPicture(const PixelView& pixels, const PartRect& target) {
  if (!painter_ || pixels.Empty()) return;
  painter_->drawImage(QRect(target.X, target.Y, target.W, target.H), Wrapped(pixels));
}

int QtPrinter::TextWidth(const std::string& text, const CanvasFont& font) {
  return QFontMetrics(PrinterFont(font), &Device()).horizontalAdvance(Q(text));
}

int QtPrinter::TextHeight(const std::string&, const CanvasFont& font) {
  return QFontMetrics(PrinterFont(font), &Device()).height();
}

}  // namespace nokari
