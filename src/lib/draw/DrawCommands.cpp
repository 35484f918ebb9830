// The drawing family: 表示 and the current position, the shapes on the
// main window and on parts, pixels, anti-aliased text, colour numbers,
// the fades and the font list.
//
// Pen, brush and font come fresh from the variables for every command
// (DrawSettings). Where there is no window layer the drawing commands do
// nothing and never fail, as the window commands do; 表示 then writes to
// the output service, as it always does in a console run.
#include <algorithm>
#include <chrono>

#include "lib/draw/DrawSettings.h"
#include "lib/draw/Messages.h"
#include "lib/draw/TextDrawing.h"
#include "lib/file/DisplayTarget.h"
#include "lib/text/TextCore.h"
#include "parts/ObjectModel.h"
#include "parts/PartValues.h"
#include "words/Family.h"

namespace nokari {
namespace {

using draw::MainCanvas;
using draw::Point;
using draw::Rect;

// The style the output service is told about (the console ignores it).
TextStyle CurrentTextStyle(TNokaBase& e) {
  CanvasFont font = draw::CurrentFontAsWritten(e);
  TextStyle style;
  style.Face = font.Font.Face;
  style.Points = font.Font.Points;
  style.Rgb = ((font.Color & 0xFF) << 16) | (font.Color & 0xFF00) | ((font.Color >> 16) & 0xFF);
  return style;
}

int TabWidth(TNokaBase& e) {
  return static_cast<int>(std::clamp<int64_t>(ToInt64(ToNumber(VarValue(e, "タブ文字の個数"))), 0, 256));
}

// 表示: to 表示出力先 when set; in a console run to standard output; in a
// window, lines on 母艦's surface.
void CmdShowText(TNokaBase& e) {
  std::string text = PopArgValue(e);
  if (WriteToDisplayTarget(e, text)) return;
  ICanvas* canvas = e.Services.Console ? nullptr : MainCanvas(e);
  if (!canvas) {
    IOutputService& output = *e.Services.Output;
    output.WriteText(text, output.ShowsTextStyle() ? CurrentTextStyle(e) : TextStyle());
    return;
  }
  draw::ShowLines(*canvas, parts::Layout(e), draw::DisplayText(text, TabWidth(e)), draw::CurrentFont(e));
}

void CmdMoveTo(TNokaBase& e) {
  std::vector<int> p = Point(e, PopArgText(e));
  parts::Layout(e).X = p[0];
  parts::Layout(e).Y = p[1];
}

// The colour given, or the window's own; the surface and the window take
// it, and the position goes back to (10,10).
void CmdClearScreen(TNokaBase& e) {
  bool omitted = FirstArgOmitted(e);
  std::string colour = PopArgValue(e);
  parts::Layout(e).X = parts::Layout(e).Y = 10;
  TObjNode* mothership = e.Objects.GetAt(0);
  if (!mothership || !MainCanvas(e)) return;
  PartHandle& main = *parts::ControlOf(e, *mothership);
  main.SetBackColor(omitted ? main.BackColor() : parts::ColourOf(e, colour, 0));
}

void CmdCentre(TNokaBase& e) { parts::Layout(e).Centring = true; }
void CmdNoCentre(TNokaBase& e) { parts::Layout(e).Centring = false; }

enum class Shape { Line, Rectangle, Ellipse };

// The corners of a shape from its two arguments: with the first left out,
// a line starts at the current position and a rectangle or ellipse takes
// all four numbers from the second.
std::vector<int> Corners(TNokaBase& e, Shape shape, bool firstOmitted, const std::string& from, const std::string& to) {
  if (firstOmitted || text::TrimBlanks(from).empty()) {
    if (shape != Shape::Line) return Rect(e, to);
    std::vector<int> b = Point(e, to);
    return {parts::Layout(e).X, parts::Layout(e).Y, b[0], b[1]};
  }
  std::vector<int> a = Point(e, from), b = Point(e, to);
  return {a[0], a[1], b[0], b[1]};
}

void DrawShape(TNokaBase& e, ICanvas& canvas, Shape shape, const std::vector<int>& c) {
  CanvasPen pen = draw::CurrentPen(e);
  switch (shape) {
    case Shape::Line: canvas.Line(c[0], c[1], c[2], c[3], pen); break;
    case Shape::Rectangle: canvas.Rectangle(c[0], c[1], c[2], c[3], pen, draw::CurrentBrush(e)); break;
    case Shape::Ellipse: canvas.Ellipse(c[0], c[1], c[2], c[3], pen, draw::CurrentBrush(e)); break;
  }
}

// 線, 四角形, 円形 on 母艦.
template <Shape S>
void CmdShape(TNokaBase& e) {
  std::string to = PopArgText(e);
  bool omitted = FirstArgOmitted(e);
  std::string from = PopArgText(e);
  std::vector<int> c = Corners(e, S, omitted, from, to);
  if (ICanvas* canvas = MainCanvas(e)) DrawShape(e, *canvas, S, c);
}

// 線描画, 四角形描画, 円形描画 on a part.
template <Shape S>
void CmdShapeOn(TNokaBase& e) {
  std::string to = PopArgText(e);
  std::string from = PopArgText(e);
  std::string part = PopArgText(e);
  std::vector<int> c = Corners(e, S, false, from, to);
  DrawShape(e, draw::PartCanvas(e, part), S, c);
}

// The canvas of a pixel command: the named part's, 母艦's when the part
// was left out; null when there is none (pixel commands ignore that).
ICanvas* PixelCanvas(TNokaBase& e, bool partOmitted, const std::string& part) {
  return partOmitted ? MainCanvas(e) : draw::PartCanvasOrNull(e, part);
}

void CmdSetPixel(TNokaBase& e) {
  std::string at = PopArgText(e);
  bool omitted = FirstArgOmitted(e);
  std::string part = PopArgText(e);
  std::vector<int> p = Point(e, at);
  if (ICanvas* canvas = PixelCanvas(e, omitted, part)) canvas->SetPixel(p[0], p[1], draw::CurrentPen(e).Color);
}

void CmdPixelColour(TNokaBase& e) {
  std::string at = PopArgText(e);
  bool omitted = FirstArgOmitted(e);
  std::string part = PopArgText(e);
  std::vector<int> p = Point(e, at);
  ICanvas* canvas = PixelCanvas(e, omitted, part);
  ColorRef c = 0;
  if (canvas && canvas->PixelAt(p[0], p[1], c)) SetSoreNumber(e, c);
}

// 文字描画 (smoothed) and 文字表示 (plain) on a part.
template <bool Smooth>
void CmdTextOn(TNokaBase& e) {
  std::string text = PopArgValue(e);
  std::vector<int> p = Point(e, PopArgText(e));
  ICanvas& canvas = draw::PartCanvas(e, PopArgText(e));
  CanvasFont font = draw::CurrentFont(e);
  IGraphics* graphics = draw::Graphics(e);
  if (Smooth && graphics)
    draw::DrawSmoothText(canvas, *graphics, p[0], p[1], text, font);
  else
    draw::DrawPlainText(canvas, p[0], p[1], text, font);
}

// A colour component: negative is an error, 256 and more keep their low
// byte.
int64_t Component(TNokaBase& e) {
  int64_t v = ToInt64(PopArgNumber(e));
  if (v < 0) RaiseCommandError(e, msg::kArgError);
  return v;
}

int64_t RgbValue(int64_t r, int64_t g, int64_t b) { return (r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16; }

void CmdRgb(TNokaBase& e) {
  int64_t b = Component(e), g = Component(e), r = Component(e);
  SetSoreNumber(e, static_cast<long double>(RgbValue(r, g, b)));
}

void CmdCmyk(TNokaBase& e) {
  int64_t k = Component(e), y = Component(e), m = Component(e), c = Component(e);
  auto ink = [k](int64_t v) { return std::max<int64_t>(0, 255 - (v + k)); };
  SetSoreNumber(e, static_cast<long double>(RgbValue(ink(c), ink(m), ink(y))));
}

// --- fades -------------------------------------------------------------------

constexpr int kMaxFadeSpeed = 1000;

// Every byte of the picture pushed toward black (out: lowered to at most
// n) or white (in: raised to at least n), from the captured original.
void FadeStep(const PixelBuffer& original, const PixelView& view, bool out, uint32_t n) {
  for (int y = 0; y < view.Height; ++y) {
    const uint32_t* src = original.Data.data() + static_cast<size_t>(y) * original.Width;
    uint32_t* dst = view.Row(y);
    for (int x = 0; x < view.Width; ++x) {
      uint32_t p = src[x], q = 0xff000000u;
      for (int shift = 0; shift < 24; shift += 8) {
        uint32_t v = (p >> shift) & 0xFF;
        q |= (out ? std::min(v, n) : std::max(v, n)) << shift;
      }
      dst[x] = q;
    }
  }
}

// The window's look faded step by step on its own surface (rather than
// on an overlay above it), shown after each step; the picture is put back
// at the end. A stop ends the fade early.
template <bool Out>
void CmdFade(TNokaBase& e) {
  bool omitted = FirstArgOmitted(e);
  long double speedArg = PopArgNumber(e);
  int speed = omitted ? 0 : static_cast<int>(std::clamp<int64_t>(ToInt64(speedArg), 0, kMaxFadeSpeed));
  ICanvas* canvas = MainCanvas(e);
  if (!canvas) return;
  PixelView view = canvas->Pixels();
  if (view.Empty()) return;
  PixelBuffer original(view.Width, view.Height);
  for (int y = 0; y < view.Height; ++y)
    std::copy_n(view.Row(y), view.Width, original.Data.data() + static_cast<size_t>(y) * view.Width);
  auto stopped = [&e] { return e.StopFlag || e.Closed; };
  // Events run between the steps; a window that grew meanwhile has a new
  // picture, which the fade then leaves alone.
  auto samePicture = [&] {
    view = canvas->Pixels();
    return view.Width == original.Width && view.Height == original.Height;
  };
  for (int step = 0; step < 26 && !stopped() && samePicture(); ++step) {
    FadeStep(original, view, Out, Out ? 255 - 10 * step : 10 * step);
    canvas->Changed();
    e.Services.Pump->ProcessEvents();
    for (int i = 0; speed > 0 && i <= speed && !stopped(); ++i)
      e.Services.Pump->Wait(std::chrono::milliseconds(2), stopped);
  }
  if (samePicture()) canvas->Assign(original.View());
}

void CmdRefresh(TNokaBase& e) {
  if (ICanvas* canvas = MainCanvas(e)) canvas->Changed();
  e.Services.Pump->ProcessEvents();
}

void CmdFontNames(TNokaBase& e) {
  IGraphics* graphics = draw::Graphics(e);
  SetSoreTyped(e, parts::JoinItems(graphics ? graphics->FontNames() : std::vector<std::string>{}), "s");
}

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::表示, CmdShowText},
    {Id::移動, CmdMoveTo},
    {Id::画面クリア, CmdClearScreen},
    {Id::センタリング, CmdCentre},
    {Id::センタリング解除, CmdNoCentre},
    {Id::線, CmdShape<Shape::Line>},
    {Id::四角形, CmdShape<Shape::Rectangle>},
    {Id::円形, CmdShape<Shape::Ellipse>},
    {Id::点描画, CmdSetPixel},
    {Id::線描画, CmdShapeOn<Shape::Line>},
    {Id::四角形描画, CmdShapeOn<Shape::Rectangle>},
    {Id::円形描画, CmdShapeOn<Shape::Ellipse>},
    {Id::文字描画, CmdTextOn<true>},
    {Id::文字表示, CmdTextOn<false>},
    {Id::座標色取得, CmdPixelColour},
    {Id::RGB, CmdRgb},
    {Id::CMYK, CmdCmyk},
    {Id::画面フェードアウト, CmdFade<true>},
    {Id::画面フェードイン, CmdFade<false>},
    {Id::描画処理反映, CmdRefresh},
    {Id::フォント一覧を取得, CmdFontNames},
};
constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/draw/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kDrawFamily{"draw", kCommands, kMessages};

}  // namespace nokari
