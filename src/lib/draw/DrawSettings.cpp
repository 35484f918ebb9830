#include "lib/draw/DrawSettings.h"

#include <algorithm>

#include "core/Scan.h"
#include "lib/draw/Messages.h"
#include "lib/text/TextCore.h"
#include "parts/Messages.h"
#include "parts/ObjectModel.h"
#include "parts/PartValues.h"
#include "words/Contract.h"

namespace nokari::draw {
namespace {

// Read once per run (an engine's family state starts empty).
struct FontList {
  bool Read = false;
  std::vector<std::string> Names;
};

}  // namespace

CanvasPen CurrentPen(TNokaBase& e) {
  CanvasPen pen;
  pen.Color = parts::ColourOf(e, VarValue(e, "ペン色"), 0);
  pen.Width = std::clamp(parts::IntOr(VarValue(e, "ペン太さ"), 1), 1, kMaxPenWidth);
  return pen;
}

CanvasBrush CurrentBrush(TNokaBase& e) {
  CanvasBrush brush;
  brush.Color = parts::ColourOf(e, VarValue(e, "塗り色"), 0);
  return brush;
}

CanvasFont CurrentFontAsWritten(TNokaBase& e) {
  // No size (or none that is positive) is the default size.
  int points = parts::IntOr(VarValue(e, "文字サイズ"), 12);
  if (points <= 0) points = 12;
  CanvasFont font;
  font.Font = parts::ReadFontSpec(VarValue(e, "文字書体"), std::min(points, kMaxPoints));
  font.Font.Points = std::clamp(font.Font.Points, 1, kMaxPoints);
  font.Color = parts::ColourOf(e, VarValue(e, "文字色"), 0);
  return font;
}

CanvasFont CurrentFont(TNokaBase& e) {
  CanvasFont font = CurrentFontAsWritten(e);
  font.Font.Face = parts::InstalledFace(font.Font.Face, InstalledFonts(e));
  return font;
}

IGraphics* Graphics(TNokaBase& e) {
  if (!e.Services.Parts) return nullptr;
  try {
    return e.Services.Parts->Graphics();
  } catch (const ENoka&) {
    return nullptr;
  }
}

const std::vector<std::string>& InstalledFonts(TNokaBase& e) {
  FontList& list = FamilyState<FontList>(e);
  if (!list.Read) {
    list.Read = true;
    if (IGraphics* g = Graphics(e)) list.Names = g->FontNames();
  }
  return list.Names;
}

ICanvas* MainCanvas(TNokaBase& e) {
  TObjNode* mothership = e.Objects.GetAt(0);
  if (!mothership || !e.Services.Parts) return nullptr;
  try {
    PartHandle* h = parts::ControlOf(e, *mothership);
    return h ? h->Canvas() : nullptr;
  } catch (const ENoka&) {
    return nullptr;
  }
}

namespace {

// The object word a raw argument names, directly or through its value.
THashNode* ObjectWord(TNokaBase& e, const std::string& rawName, std::string& name) {
  name = text::TrimBlanks(rawName);
  THashNode* w = FindWord(e, name);
  if (w && w->Kind == kObject) return w;
  name = text::TrimBlanks(EvaluateText(e, name));
  w = FindWord(e, name);
  return w && w->Kind == kObject ? w : nullptr;
}

enum class Found { Canvas, NoObject, NoCanvas };

// Looks without raising: the pixel commands ignore what this reports.
Found FindCanvas(TNokaBase& e, const std::string& rawName, std::string& name, ICanvas*& canvas) {
  canvas = nullptr;
  THashNode* w = ObjectWord(e, rawName, name);
  TObjNode* node = w ? e.Objects.GetAt(w->ObjectIndex) : nullptr;
  if (!node) return Found::NoObject;
  PartHandle* control = e.Services.Parts ? parts::ControlOf(e, *node) : nullptr;
  canvas = control ? control->Canvas() : nullptr;
  return canvas ? Found::Canvas : Found::NoCanvas;
}

}  // namespace

ICanvas& PartCanvas(TNokaBase& e, const std::string& rawName) {
  std::string name;
  ICanvas* canvas = nullptr;
  switch (FindCanvas(e, rawName, name, canvas)) {
    case Found::Canvas: return *canvas;
    case Found::NoObject: RaiseError(e, msg::kObjectNotCreated, {name});
    case Found::NoCanvas: break;
  }
  RaiseError(e, msg::kDrawNoCanvas, {name});
}

ICanvas* PartCanvasOrNull(TNokaBase& e, const std::string& rawName) {
  std::string name;
  ICanvas* canvas = nullptr;
  FindCanvas(e, rawName, name, canvas);
  return canvas;
}

std::vector<int> Point(TNokaBase& e, const std::string& raw) {
  auto c = parts::CoordinatesOf(e, raw, 2);
  if (!c) RaiseError(e, msg::kCoordinateError);
  return *c;
}

std::vector<int> Rect(TNokaBase& e, const std::string& raw) {
  auto c = parts::CoordinatesOf(e, raw, 4);
  if (!c) RaiseError(e, msg::kCoordinateError);
  return *c;
}

std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::string_view line : SplitLines(text)) lines.emplace_back(line);
  return lines;
}

int LineStep(ICanvas& canvas, const CanvasFont& font) {
  return static_cast<int>(1.2 * canvas.TextHeight(Sj("あ"), font));
}

}  // namespace nokari::draw
