#include "lib/draw/TextDrawing.h"

#include <algorithm>

#include "core/Cp932.h"
#include "lib/draw/DrawSettings.h"
#include "lib/text/TextCore.h"

namespace nokari::draw {

namespace {

constexpr size_t kDisplayCut = 4096;
// Target pixels per scratch tile side (the scratch is three times that).
constexpr int kTile = 256;

}  // namespace

std::string DisplayText(const std::string& text, int tabWidth) {
  if (text.size() <= kDisplayCut) return text::ExpandTabs(text, tabWidth);
  // Never half a double-byte character.
  size_t end = 0;
  while (end < text.size()) {
    size_t len = CharLenAt(text, end);
    if (end + len > kDisplayCut) break;
    end += len;
  }
  return text.substr(0, end);
}

void ShowLines(ICanvas& canvas, parts::PartLayout& layout, const std::string& text, const CanvasFont& font) {
  int step = LineStep(canvas, font);
  int visibleWidth = canvas.VisibleArea().W;
  for (const std::string& line : TextLines(text)) {
    int x = layout.Centring ? (visibleWidth - canvas.TextWidth(line, font)) / 2 : layout.X;
    canvas.DrawText(x, layout.Y, line, font, false);
    layout.Y = static_cast<int>(std::clamp<int64_t>(int64_t{layout.Y} + step, INT32_MIN, INT32_MAX));
  }
}

void BlendCoverage(const PixelView& target, int x, int y, int w, int h, const PixelView& mask, ColorRef colour) {
  if (target.Empty() || mask.Empty()) return;
  int x0 = std::max(0, x), y0 = std::max(0, y);
  int x1 = std::min({target.Width, x + w, x + mask.Width / 3});
  int y1 = std::min({target.Height, y + h, y + mask.Height / 3});
  const int cr = colour & 0xFF, cg = (colour >> 8) & 0xFF, cb = (colour >> 16) & 0xFF;
  for (int ty = y0; ty < y1; ++ty) {
    uint32_t* row = target.Row(ty);
    int my = (ty - y) * 3;
    for (int tx = x0; tx < x1; ++tx) {
      int mx = (tx - x) * 3;
      int sum = 0;
      for (int dy = 0; dy < 3; ++dy) {
        const uint32_t* m = mask.Row(my + dy) + mx;
        // White on black: every channel holds the same brightness.
        sum += ((m[0] >> 8) & 0xFF) + ((m[1] >> 8) & 0xFF) + ((m[2] >> 8) & 0xFF);
      }
      if (sum == 0) continue;
      uint32_t p = row[tx];
      int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      // coverage = sum / (9 × 255); each channel moves that far toward the
      // colour, rounded.
      auto toward = [sum](int d, int c) { return d + ((c - d) * sum + (c >= d ? 1147 : -1147)) / 2295; };
      row[tx] = 0xff000000u | static_cast<uint32_t>(toward(r, cr)) << 16 | static_cast<uint32_t>(toward(g, cg)) << 8 |
                static_cast<uint32_t>(toward(b, cb));
    }
  }
}

void DrawSmoothText(ICanvas& target, IGraphics& graphics, int x, int y, const std::string& text,
                    const CanvasFont& font) {
  PixelView view = target.Pixels();
  if (view.Empty()) return;
  CanvasFont big = font;
  big.Font.Points = font.Font.Points * 3;
  big.Color = 0xFFFFFF;
  std::unique_ptr<ICanvas> scratch = graphics.CreateCanvas(kTile * 3, kTile * 3);
  if (!scratch || scratch->Pixels().Empty()) return;
  int step = LineStep(target, font);
  int64_t lineY = y;
  for (const std::string& line : TextLines(text)) {
    if (lineY >= view.Height) break;
    int width = (scratch->TextWidth(line, big) + 2) / 3;
    int height = (scratch->TextHeight(line, big) + 2) / 3;
    int64_t top = std::max<int64_t>(0, lineY), bottom = std::min<int64_t>(view.Height, lineY + height);
    int64_t left = std::max<int64_t>(0, x), right = std::min<int64_t>(view.Width, int64_t{x} + width);
    for (int64_t ty = top; ty < bottom; ty += kTile) {
      for (int64_t tx = left; tx < right; tx += kTile) {
        scratch->Fill(0);
        scratch->DrawText(static_cast<int>(3 * (x - tx)), static_cast<int>(3 * (lineY - ty)), line, big, false);
        int w = static_cast<int>(std::min<int64_t>(kTile, right - tx));
        int h = static_cast<int>(std::min<int64_t>(kTile, bottom - ty));
        BlendCoverage(view, static_cast<int>(tx), static_cast<int>(ty), w, h, scratch->Pixels(), font.Color);
      }
    }
    lineY += step;
  }
  target.Changed();
}

void DrawPlainText(ICanvas& target, int x, int y, const std::string& text, const CanvasFont& font) {
  int step = LineStep(target, font);
  int64_t lineY = y;
  for (const std::string& line : TextLines(text)) {
    if (lineY > INT32_MAX) break;
    target.DrawText(x, static_cast<int>(lineY), line, font, false);
    lineY += step;
  }
}

}  // namespace nokari::draw
