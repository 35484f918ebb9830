// Drawing surfaces, seen from below the window layer.
//
// A canvas is a picture the script draws on: the main window's surface
// (what 表示 and the shape commands draw on), an イメージ's picture and a
// フォーム's "img". The window layer owns it (a QImage shown by its
// widget); the drawing and image families hold the rules (which variables
// give pen and brush, where the next line of 表示 goes, what each filter
// computes) and ask a canvas only to perform: draw a shape or a line of
// text, measure a text, hand out its pixels, load or save a file.
//
// The pixel-level commands (filters, rotations, resampling, blends and
// copies between canvases) work on the pixels directly (PixelView), as
// plain functions that need no window system.
//
// Coordinates are pixels with (0,0) at the top left. Rectangles given as
// two corners (x1,y1)-(x2,y2) exclude the right and bottom edge, as the
// language's coordinates always have. Texts are CP932; colours are the
// language's colour numbers (ColorRef, 0x00BBGGRR).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Parts.h"

namespace nokari {

class IPrinter;

// 32-bit pixels row by row, each a uint32_t 0xffRRGGBB (in memory B, G, R,
// then a byte kept at 0xff): the layout of the window layer's pictures, so
// a view shares their memory.
struct PixelView {
  uint8_t* Bits = nullptr;
  int Width = 0, Height = 0;
  ptrdiff_t Stride = 0;  // bytes from one row to the next
  uint32_t* Row(int y) const { return reinterpret_cast<uint32_t*>(Bits + y * Stride); }
  bool Empty() const { return !Bits || Width <= 0 || Height <= 0; }
};

// A picture of our own, for results computed before they replace a
// canvas's (a rotation's new size, a copy's scratch).
struct PixelBuffer {
  int Width = 0, Height = 0;
  std::vector<uint32_t> Data;
  PixelBuffer() = default;
  PixelBuffer(int width, int height, uint32_t fill = 0xffffffff)
      : Width(width), Height(height), Data(static_cast<size_t>(width) * height, fill) {}
  PixelView View() {
    return PixelView{reinterpret_cast<uint8_t*>(Data.data()), Width, Height,
                     static_cast<ptrdiff_t>(Width) * 4};
  }
};

// The pixel value of a colour number and back.
inline uint32_t PixelOf(ColorRef c) {
  return 0xff000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
inline ColorRef ColorRefOfPixel(uint32_t p) { return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF); }

// How outlines and fills are drawn; taken fresh from the script's
// variables (ペン色, ペン太さ, 塗り色) for every command.
struct CanvasPen {
  ColorRef Color = 0;
  int Width = 1;
};
struct CanvasBrush {
  ColorRef Color = 0;
  bool Hollow = false;  // outline only
};

// A font read from a font text (face, style words, size: 文字書体) with
// the text colour.
struct CanvasFont {
  PartFont Font;
  ColorRef Color = 0;
};

class ICanvas {
 public:
  virtual ~ICanvas() = default;

  // --- the picture ----------------------------------------------------------
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // The part of the picture a script sees: a window's client area (the
  // main window's picture grows with the client and never shrinks, so it
  // may be larger). Centring, saving and printing use this.
  virtual PartRect VisibleArea() const = 0;
  // The pixels for direct access; valid until the picture is replaced or
  // resized. Call Changed after writing through it.
  virtual PixelView Pixels() = 0;
  // A new picture of that size in one colour (the old one is dropped).
  virtual void Reset(int width, int height, ColorRef fill) = 0;
  // A new picture copied from `pixels`; the canvas takes its size.
  virtual void Assign(const PixelView& pixels) = 0;
  // A new picture made of `buffer` itself, which the canvas takes over
  // (no copy where the canvas can keep the memory as it is).
  virtual void Adopt(PixelBuffer&& buffer) { Assign(buffer.View()); }
  // Shows what changed (an area of the picture, or all of it).
  virtual void Changed(const PartRect* area = nullptr) = 0;
  // The picture's logical colour depth in bits (24 unless changed).
  virtual int Depth() const { return 24; }
  // False when the depth is not one the canvas supports.
  virtual bool SetDepth(int bits) { return bits == 24; }

  // --- drawing (antialiasing off unless a command asks for it) -------------
  virtual void Line(int x1, int y1, int x2, int y2, const CanvasPen& pen) = 0;
  virtual void Rectangle(int x1, int y1, int x2, int y2, const CanvasPen& pen, const CanvasBrush& brush) = 0;
  virtual void Ellipse(int x1, int y1, int x2, int y2, const CanvasPen& pen, const CanvasBrush& brush) = 0;
  // The whole picture in one colour.
  virtual void Fill(ColorRef color) = 0;
  // One pixel. Outside the picture nothing is drawn (false) and nothing
  // read (false, `color` unchanged): the pixel commands ignore failures.
  virtual bool SetPixel(int x, int y, ColorRef color) {
    PixelView v = Pixels();
    if (v.Empty() || x < 0 || y < 0 || x >= v.Width || y >= v.Height) return false;
    v.Row(y)[x] = PixelOf(color);
    PartRect dot{x, y, 1, 1};
    Changed(&dot);
    return true;
  }
  virtual bool PixelAt(int x, int y, ColorRef& color) {
    PixelView v = Pixels();
    if (v.Empty() || x < 0 || y < 0 || x >= v.Width || y >= v.Height) return false;
    color = ColorRefOfPixel(v.Row(y)[x]);
    return true;
  }

  // --- text -------------------------------------------------------------------
  virtual int TextWidth(const std::string& text, const CanvasFont& font) = 0;
  // The font's line height (ascent + descent) in pixels.
  virtual int TextHeight(const std::string& text, const CanvasFont& font) = 0;
  // One line with its top-left corner at (x, y); the background stays.
  virtual void DrawText(int x, int y, const std::string& line, const CanvasFont& font, bool antialias) = 0;

  // --- files ------------------------------------------------------------------
  // Reads a picture file (CP932 path; the format by the lower-cased
  // extension); the canvas takes the picture and its size. False, with
  // the reason in `error` (CP932), when it cannot.
  virtual bool Load(const std::string& path, std::string& error) = 0;
  // Writes the visible area to a file in the format of its lower-cased
  // extension (`quality` 1..100 for JPEG), through a temporary file that
  // is renamed into place. False, with the reason, when it cannot.
  virtual bool Save(const std::string& path, int quality, std::string& error) = 0;
  // The visible area as the bytes of a picture file in the format of the
  // lower-cased extension `extension` (".png", ".bmp", ".jpg", ".jpeg",
  // ".ico"), in the canvas's depth; for callers that write the file
  // themselves (through the change guard's checked target). False, with
  // the reason, when it cannot.
  virtual bool Encode(const std::string& /*extension*/, int /*quality*/, std::string& /*bytes*/,
                      std::string& /*error*/) {
    return false;
  }
};

// What drawing needs of the window system beyond one canvas. The part
// service hands it out (so a console run loads the window module on first
// use, as it does for parts).
class IGraphics {
 public:
  virtual ~IGraphics() = default;
  // Installed font families (CP932), sorted, each once.
  virtual std::vector<std::string> FontNames() = 0;
  // A scratch canvas of that size, white, not shown anywhere.
  virtual std::unique_ptr<ICanvas> CreateCanvas(int width, int height) = 0;
  // The printer (core/Printing.h); null where nothing can print.
  virtual IPrinter* Printer() { return nullptr; }

  // --- pictures from outside: windows, the desktop, the clipboard ----------
  // Brings our own top-level window captioned `title` (CP932) to the front;
  // false when there is none.
  virtual bool ActivateWindowTitled(const std::string& /*title*/) { return false; }
  // The client area of our own window captioned `title`, or of the whole
  // desktop when `title` is empty; false when there is no such window.
  virtual bool CaptureWindow(const std::string& /*title*/, PixelBuffer& /*out*/) { return false; }
  // The clipboard's picture; false when it holds none.
  virtual bool ClipboardPicture(PixelBuffer& /*out*/) { return false; }
  virtual void SetClipboardPicture(const PixelView& /*pixels*/) {}
};

}  // namespace nokari
