// The printing family: pictures and plain text as whole documents, and a
// document drawn command by command with the screen's pen, brush and font
// (lib/draw). The printer itself is the window layer's (core/Printing.h);
// with none, every command but プリンタ設定 fails with kPrintNoPrinter.
#include <algorithm>
#include <ctime>

#include "core/Printing.h"
#include "lib/draw/DrawSettings.h"
#include "lib/path/Path.h"
#include "lib/print/Messages.h"
#include "lib/text/TextCore.h"
#include "parts/Messages.h"
#include "parts/ObjectModel.h"
#include "words/Family.h"

namespace nokari {
namespace {

// Where the pen stands on the printer's page: a line drawn with its start
// left out begins there, and every line ends there. A new document starts
// it at (0,0).
struct PrintState {
  int PenX = 0, PenY = 0;
};

IPrinter* PrinterOrNull(TNokaBase& e) {
  IGraphics* graphics = draw::Graphics(e);
  return graphics ? graphics->Printer() : nullptr;
}

IPrinter& RequirePrinter(TNokaBase& e) {
  IPrinter* printer = PrinterOrNull(e);
  if (!printer || !printer->Available()) RaiseError(e, msg::kPrintNoPrinter);
  return *printer;
}

// The setup question of the whole-document commands: true to go on.
bool Confirmed(TNokaBase& e, IPrinter*& printer) {
  printer = PrinterOrNull(e);
  PrintSetup answer = printer ? printer->Setup() : PrintSetup::NoPrinter;
  if (answer == PrintSetup::NoPrinter) RaiseError(e, msg::kPrintNoPrinter);
  return answer == PrintSetup::Confirmed;
}

// 母艦's caption: the title of the picture documents.
std::string WindowCaption(TNokaBase& e) {
  TObjNode* mothership = e.Objects.GetAt(0);
  PartHandle* h = mothership && e.Services.Parts ? parts::ControlOf(e, *mothership) : nullptr;
  return h ? h->Text() : Sj(msg::kAppTitle);
}

// The picture as large as the page allows, keeping its proportions: the
// scale comes from the width for a picture wider than high, else from the
// height.
PartRect PageTarget(int width, int height, int pageWidth, int pageHeight) {
  double scale = width > height ? static_cast<double>(width) / std::max(1, pageWidth)
                                : static_cast<double>(height) / std::max(1, pageHeight);
  if (!(scale > 0)) return {};
  return PartRect{0, 0, static_cast<int>(width / scale) - 1, static_cast<int>(height / scale) - 1};
}

void PrintCanvas(TNokaBase& e, IPrinter& printer, ICanvas& canvas) {
  PixelView all = canvas.Pixels();
  PartRect area = canvas.VisibleArea();
  area.W = std::min(area.W, all.Width);
  area.H = std::min(area.H, all.Height);
  if (all.Empty() || area.W <= 0 || area.H <= 0) return;
  PixelView visible{all.Bits, area.W, area.H, all.Stride};
  std::string title = WindowCaption(e);
  PartRect target = PageTarget(area.W, area.H, printer.PageWidth(), printer.PageHeight());
  if (!printer.PrintPicture(visible, target, title)) RaiseError(e, msg::kPrintFailed, {title});
}

void CmdPrintMainWindow(TNokaBase& e) {
  IPrinter* printer = nullptr;
  if (!Confirmed(e, printer)) return;
  if (ICanvas* canvas = draw::MainCanvas(e)) PrintCanvas(e, *printer, *canvas);
}

// An イメージ only: any other name is "not made".
void CmdPrintImage(TNokaBase& e) {
  std::string name = text::TrimBlanks(PopArgText(e));
  THashNode* w = FindWord(e, name);
  if (!w || w->Kind != kObject) {
    name = text::TrimBlanks(EvaluateText(e, name));
    w = FindWord(e, name);
  }
  TObjNode* node = w && w->Kind == kObject ? e.Objects.GetAt(w->ObjectIndex) : nullptr;
  if (!node || node->Kind != static_cast<int>(PartKind::イメージ)) RaiseError(e, msg::kObjectNotCreated, {name});
  IPrinter* printer = nullptr;
  if (!Confirmed(e, printer)) return;
  PartHandle* control = parts::ControlOf(e, *node);
  if (ICanvas* canvas = control ? control->Canvas() : nullptr) PrintCanvas(e, *printer, *canvas);
}

void CmdPrintText(TNokaBase& e) {
  std::string text = PopArgValue(e);
  IPrinter* printer = nullptr;
  if (!Confirmed(e, printer)) return;
  if (!printer->PrintText(text, Sj(msg::kAppTitle))) RaiseError(e, msg::kPrintFailed, {Sj(msg::kAppTitle)});
}

void CmdPrinterSetup(TNokaBase& e) {
  IPrinter* printer = PrinterOrNull(e);
  bool yes = printer && printer->Setup() == PrintSetup::Confirmed;
  SetSoreNumber(e, yes ? 1 : 0);
}

void CmdPageHeight(TNokaBase& e) { SetSoreNumber(e, RequirePrinter(e).PageHeight()); }
void CmdPageWidth(TNokaBase& e) { SetSoreNumber(e, RequirePrinter(e).PageWidth()); }

// "Nokari__yy_mm_dd__hh_mm_ss" of now.
std::string DefaultTitle() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%y_%m_%d__%H_%M_%S", &local);
  return std::string("Nokari__") + stamp;
}

void Begin(TNokaBase& e, IPrinter& printer, const std::string& title) {
  if (!printer.Begin(title)) RaiseError(e, msg::kPrintFailed, {title});
  FamilyState<PrintState>(e) = PrintState{};
}

void CmdBeginDocument(TNokaBase& e) {
  bool omitted = FirstArgOmitted(e);
  std::string title = PopArgValue(e);
  if (omitted || title.empty()) title = DefaultTitle();
  IPrinter& printer = RequirePrinter(e);
  if (printer.Printing()) printer.End();
  Begin(e, printer, title);
}

void CmdEndDocument(TNokaBase& e) {
  IPrinter& printer = RequirePrinter(e);
  if (printer.Printing() && !printer.End()) RaiseError(e, msg::kPrintFailed, {DefaultTitle()});
}

// The printer with a document open: drawing before プリンタ描画開始 opens
// one under the default title.
IPrinter& DrawingPrinter(TNokaBase& e) {
  IPrinter& printer = RequirePrinter(e);
  if (!printer.Printing()) Begin(e, printer, DefaultTitle());
  return printer;
}

enum class Shape { Line, Rectangle, Ellipse };

template <Shape S>
void CmdPrinterShape(TNokaBase& e) {
  std::string to = PopArgText(e);
  bool omitted = FirstArgOmitted(e);
  std::string from = PopArgText(e);
  std::vector<int> c;
  PrintState& pen = FamilyState<PrintState>(e);
  if (omitted || text::TrimBlanks(from).empty()) {
    if (S == Shape::Line) {
      std::vector<int> b = draw::Point(e, to);
      c = {pen.PenX, pen.PenY, b[0], b[1]};
    } else {
      c = draw::Rect(e, to);
    }
  } else {
    std::vector<int> a = draw::Point(e, from), b = draw::Point(e, to);
    c = {a[0], a[1], b[0], b[1]};
  }
  IPrinter& printer = DrawingPrinter(e);
  CanvasPen p = draw::CurrentPen(e);
  switch (S) {
    case Shape::Line:
      printer.Line(c[0], c[1], c[2], c[3], p);
      FamilyState<PrintState>(e) = PrintState{c[2], c[3]};
      break;
    case Shape::Rectangle: printer.Rectangle(c[0], c[1], c[2], c[3], p, draw::CurrentBrush(e)); break;
    case Shape::Ellipse: printer.Ellipse(c[0], c[1], c[2], c[3], p, draw::CurrentBrush(e)); break;
  }
}

void CmdPrinterText(TNokaBase& e) {
  std::vector<int> p = draw::Point(e, PopArgText(e));
  std::string text = PopArgValue(e);
  IPrinter& printer = DrawingPrinter(e);
  CanvasFont font = draw::CurrentFont(e);
  int step = static_cast<int>(1.2 * printer.TextHeight(Sj("あ"), font));
  int64_t y = p[1];
  for (const std::string& line : draw::TextLines(text)) {
    if (y > INT32_MAX) break;
    printer.DrawText(p[0], static_cast<int>(y), line, font);
    y += step;
  }
}

// A picture from an イメージ or フォーム, else from a picture file.
void CmdPrinterPicture(TNokaBase& e) {
  std::vector<int> r = draw::Rect(e, PopArgText(e));
  std::string name = PopArgValue(e);
  IPrinter& printer = DrawingPrinter(e);
  PartRect target{r[0], r[1], r[2] - r[0], r[3] - r[1]};
  THashNode* w = FindWord(e, text::TrimBlanks(name));
  if (w && w->Kind == kObject) {
    printer.DrawPicture(draw::PartCanvas(e, name).Pixels(), target);
    return;
  }
  IGraphics* graphics = draw::Graphics(e);
  std::unique_ptr<ICanvas> picture = graphics ? graphics->CreateCanvas(1, 1) : nullptr;
  std::string error;
  if (!picture || !picture->Load(ResolveReadName(e, name), error)) RaiseError(e, msg::kPictureUnreadable, {name});
  printer.DrawPicture(picture->Pixels(), target);
}

void CmdPrinterTextWidth(TNokaBase& e) {
  std::string text = PopArgValue(e);
  SetSoreNumber(e, RequirePrinter(e).TextWidth(text, draw::CurrentFont(e)));
}

void CmdPrinterTextHeight(TNokaBase& e) {
  std::string text = PopArgValue(e);
  SetSoreNumber(e, RequirePrinter(e).TextHeight(text, draw::CurrentFont(e)));
}

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::母艦印刷, CmdPrintMainWindow},
    {Id::イメージ印刷, CmdPrintImage},
    {Id::簡易印刷, CmdPrintText},
    {Id::プリンタ設定, CmdPrinterSetup},
    {Id::用紙縦サイズ取得, CmdPageHeight},
    {Id::用紙横サイズ取得, CmdPageWidth},
    {Id::プリンタ描画開始, CmdBeginDocument},
    {Id::プリンタ描画終了, CmdEndDocument},
    {Id::プリンタ線, CmdPrinterShape<Shape::Line>},
    {Id::プリンタ四角形, CmdPrinterShape<Shape::Rectangle>},
    {Id::プリンタ円形, CmdPrinterShape<Shape::Ellipse>},
    {Id::プリンタ文字描画, CmdPrinterText},
    {Id::プリンタ画像描画, CmdPrinterPicture},
    {Id::プリンタ文字幅取得, CmdPrinterTextWidth},
    {Id::プリンタ文字高取得, CmdPrinterTextHeight},
};
constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/print/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kPrintFamily{"print", kCommands, kMessages};

}  // namespace nokari
