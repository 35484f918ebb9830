// The printer over QPrinter: the platform's printers through the print
// dialog, or, when NOKARI_PRINT_PDF names a file, that PDF file without
// any dialog (headless runs and the tests print there).
#pragma once
#include <QPainter>
#include <QPrinter>
#include <memory>

#include "core/Printing.h"

namespace nokari {

class QtPrinter : public IPrinter {
 public:
  QtPrinter();
  ~QtPrinter() override;

  PrintSetup Setup() override;
  bool Available() override;
  int PageWidth() override;
  int PageHeight() override;
  bool PrintPicture(const PixelView& pixels, const PartRect& target, const std::string& title) override;
  bool PrintText(const std::string& text, const std::string& title) override;

  bool Begin(const std::string& title) override;
  bool Printing() const override { return painter_ != nullptr; }
  bool End() override;
  void Line(int x1, int y1, int x2, int y2, const CanvasPen& pen) override;
  void Rectangle(int x1, int y1, int x2, int y2, const CanvasPen& pen, const CanvasBrush& brush) override;
  void Ellipse(int x1, int y1, int x2, int y2, const CanvasPen& pen, const CanvasBrush& brush) override;
  void DrawText(int x, int y, const std::string& line, const CanvasFont& font) override;
  void DrawPicture(const PixelView& pixels, const PartRect& target) override;
  int TextWidth(const std::string& text, const CanvasFont& font) override;
  int TextHeight(const std::string& text, const CanvasFont& font) override;

 private:
  // The QPrinter, made on first use: on the PDF file when one is named,
  // else on the default printer (the setup dialog may change it).
  QPrinter& Device();
  // A painter on a new document titled `title`; false when the printer
  // refuses.
  bool Start(QPainter& painter, const std::string& title);

  std::unique_ptr<QPrinter> printer_;
  std::unique_ptr<QPainter> painter_;
};

// The PDF file of NOKARI_PRINT_PDF; empty when unset.
QString PdfTarget();

}  // namespace nokari
