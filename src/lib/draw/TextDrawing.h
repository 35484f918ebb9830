// Text on a canvas: 表示's lines at the current position, and the
// anti-aliased text of 文字描画 (drawn three times larger without
// smoothing, then shrunk by averaging: the same result on every system).
#pragma once
#include <string>

#include "core/Canvas.h"
#include "parts/ObjectModel.h"

namespace nokari::draw {

// The text 表示 draws: tabs expanded to `tabWidth` columns for a text of
// at most 4096 bytes; a longer one cut to its first 4096 bytes (at a
// character boundary) and left as it is.
std::string DisplayText(const std::string& text, int tabWidth);

// 表示's lines, one below the other from the current Y, each at the
// current X or centred in the visible width; the current Y moves down by
// the line step per line, the current X stays.
void ShowLines(ICanvas& canvas, parts::PartLayout& layout, const std::string& text, const CanvasFont& font);

// Blends `colour` into the target's w × h pixels from (x, y) (clipped to
// the target), each by the coverage of its 3 × 3 block of `mask` (white
// text on black, three times the size): the mean brightness of the nine.
void BlendCoverage(const PixelView& target, int x, int y, int w, int h, const PixelView& mask, ColorRef colour);

// 文字描画: the text's lines from (x, y), anti-aliased. The scratch
// pictures come from `graphics`, in tiles, so a huge font or a long line
// never needs a picture much larger than the part of the target it covers.
void DrawSmoothText(ICanvas& target, IGraphics& graphics, int x, int y, const std::string& text,
                    const CanvasFont& font);

// 文字表示: the same lines without smoothing.
void DrawPlainText(ICanvas& target, int x, int y, const std::string& text, const CanvasFont& font);

}  // namespace nokari::draw
