// The printer, seen from below the window layer.
//
// The printing commands hold the rules (what a page shows, how a picture
// is scaled, which settings give pen, brush and font); the printer only
// asks its setup question and performs. Coordinates and sizes are printer
// pixels; fonts are in points, so text keeps its size at any printer
// resolution. Texts are CP932.
#pragma once
#include <string>

#include "core/Canvas.h"

namespace nokari {

enum class PrintSetup { Confirmed, Cancelled, NoPrinter };

class IPrinter {
 public:
  virtual ~IPrinter() = default;

  // The printer setup question. Where nobody could answer it (a headless
  // PDF target, a run without a screen) it counts as confirmed; with no
  // printer at all the answer is NoPrinter and nothing is asked.
  virtual PrintSetup Setup() = 0;
  // Whether anything can print (a printer, or the PDF target); asks
  // nobody.
  virtual bool Available() = 0;
  // The page's printable area in printer pixels; 0 without a printer.
  virtual int PageWidth() = 0;
  virtual int PageHeight() = 0;

  // One document holding a picture at `target` (printer pixels); false
  // when it could not be printed.
  virtual bool PrintPicture(const PixelView& pixels, const PartRect& target, const std::string& title) = 0;
  // One document of plain text, line by line, in the printer's own font
  // and margins.
  virtual bool PrintText(const std::string& text, const std::string& title) = 0;

  // A document drawn command by command: Begin, any drawing, End (which
  // sends it to the printer). False when the printer refuses to start.
  virtual bool Begin(const std::string& title) = 0;
  virtual bool Printing() const = 0;
  virtual bool End() = 0;
  // Drawing on the open document's page (nothing when none is open).
  virtual void Line(int x1, int y1, int x2, int y2, const CanvasPen& pen) = 0;
  virtual void Rectangle(int x1, int y1, int x2, int y2, const CanvasPen& pen, const CanvasBrush& brush) = 0;
  virtual void Ellipse(int x1, int y1, int x2, int y2, const CanvasPen& pen, const CanvasBrush& brush) = 0;
  virtual void DrawText(int x, int y, const std::string& line, const CanvasFont& font) = 0;
  virtual void DrawPicture(const PixelView& pixels, const PartRect& target) = 0;
  // Measures in the printer's font (printer pixels).
  virtual int TextWidth(const std::string& text, const CanvasFont& font) = 0;
  virtual int TextHeight(const std::string& text, const CanvasFont& font) = 0;
};

}  // namespace nokari
