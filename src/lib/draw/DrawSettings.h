// What every drawing command shares: the pen, brush and font read fresh
// from the script's variables, the canvas a command draws on, and the
// coordinates it is given. The printing commands draw with the same
// settings (lib/print).
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "core/Canvas.h"
#include "core/Engine.h"

namespace nokari::draw {

// ペン色 and ペン太さ (int(1); held to 1..kMaxPenWidth).
CanvasPen CurrentPen(TNokaBase& e);
// 塗り色.
CanvasBrush CurrentBrush(TNokaBase& e);
// 文字書体 (its size, else 文字サイズ, int(12)), the face found among the
// installed ones, and 文字色. Sizes are held to 1..kMaxPoints.
CanvasFont CurrentFont(TNokaBase& e);
// The same with the face as the script wrote it (what a console is told).
CanvasFont CurrentFontAsWritten(TNokaBase& e);

inline constexpr int kMaxPenWidth = 1000;
inline constexpr int kMaxPoints = 1000;

// The window layer's drawing services; null where there is none (an
// engine without parts, a window module that cannot load).
IGraphics* Graphics(TNokaBase& e);
// The installed font names, read once per run.
const std::vector<std::string>& InstalledFonts(TNokaBase& e);

// 母艦's surface; null where there is no window layer (the drawing
// commands then do nothing, as the window commands do).
ICanvas* MainCanvas(TNokaBase& e);
// The canvas of the part a script names (raw argument text; evaluated when
// it names no word): "オブジェクト"%s"は、作成されていません。" for no part,
// kDrawNoCanvas for a kind without a picture.
ICanvas& PartCanvas(TNokaBase& e, const std::string& rawName);
// The same, or null instead of an error (点描画 and 座標色取得 ignore
// failures).
ICanvas* PartCanvasOrNull(TNokaBase& e, const std::string& rawName);

// A point "(x,y)" or rectangle "(x1,y1,x2,y2)" as the part commands read
// them; "座標の指定エラー" when the text does not give them.
std::vector<int> Point(TNokaBase& e, const std::string& raw);
std::vector<int> Rect(TNokaBase& e, const std::string& raw);

// The lines of a text as 表示 writes them (CR LF, CR or LF ends a line; a
// final line end adds no empty line).
std::vector<std::string> TextLines(const std::string& text);
// trunc(1.2 × the height of "あ"): the line step of 表示 and 文字描画.
int LineStep(ICanvas& canvas, const CanvasFont& font);

}  // namespace nokari::draw
