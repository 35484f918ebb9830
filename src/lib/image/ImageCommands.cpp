// The image commands: pictures shown on 母艦 (画像表示), saved, copied,
// blended, filtered and rotated on イメージ and フォーム parts, windows
// captured. The rules are here; the pixel work is lib/image/Pixels.h and
// the window layer only reads and writes files and hands out pixels.
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

#include "core/Canvas.h"
#include "core/Events.h"
#include "lib/file/FileCommon.h"
#include "lib/file/FileOps.h"
#include "lib/file/Messages.h"
#include "lib/image/Messages.h"
#include "lib/image/Pixels.h"
#include "lib/path/Path.h"
#include "lib/text/TextCore.h"
#include "parts/Messages.h"
#include "parts/ObjectModel.h"
#include "parts/PartValues.h"
#include "words/Family.h"

namespace nokari {
namespace {

// --- targets ---------------------------------------------------------------------

bool IsQuoted(std::string_view raw) { return !raw.empty() && (raw[0] == '"' || raw[0] == '`'); }

// An object argument: its name as written (a quoted name is evaluated),
// or the object a variable of that name holds the name of. Null when the
// name is no object.
THashNode* ObjectWord(TNokaBase& e, const std::string& raw, std::string& name) {
  name = IsQuoted(raw) ? EvaluateText(e, raw) : raw;
  THashNode* w = FindWord(e, name);
  if (w && w->Kind == kVariable) {
    if (THashNode* held = FindWord(e, text::TrimBlanks(w->Value)); held && held->Kind == kObject) w = held;
  }
  if (!w || w->Kind != kObject || !e.Objects.GetAt(w->ObjectIndex)) return nullptr;
  return w;
}

bool HoldsPicture(const TObjNode& node) {
  auto kind = static_cast<PartKind>(node.Kind);
  return kind == PartKind::イメージ || kind == PartKind::フォーム;
}

// The picture of an イメージ or フォーム (母艦 is one) the argument names.
ICanvas& PictureOf(TNokaBase& e, const std::string& raw, const char* notImage = msg::kImageNotImage) {
  std::string name;
  THashNode* w = ObjectWord(e, raw, name);
  if (!w) RaiseError(e, msg::kObjectNotCreated, {name});
  TObjNode& node = parts::RecordOf(e, *w);
  if (!HoldsPicture(node)) RaiseError(e, notImage, {name});
  ICanvas* canvas = parts::RequireControl(e, node).Canvas();
  if (!canvas) RaiseError(e, notImage, {name});
  return *canvas;
}

ICanvas& MainCanvas(TNokaBase& e) {
  TObjNode* mothership = e.Objects.GetAt(0);
  ICanvas* canvas = mothership ? parts::RequireControl(e, *mothership).Canvas() : nullptr;
  if (!canvas) RaiseError(e, msg::kNoPartService);
  return *canvas;
}

IGraphics& Graphics(TNokaBase& e) {
  IGraphics* g = e.Services.Parts ? e.Services.Parts->Graphics() : nullptr;
  if (!g) RaiseError(e, msg::kNoPartService);
  return *g;
}

// What a script sees of a picture: 母艦's grows beyond its client.
PixelView VisiblePixels(ICanvas& canvas) {
  PixelView p = canvas.Pixels();
  PartRect area = canvas.VisibleArea();
  p.Width = std::min(p.Width, area.W);
  p.Height = std::min(p.Height, area.H);
  return p;
}

PixelBuffer CopyOf(const PixelView& p) {
  PixelBuffer out(std::max(0, p.Width), std::max(0, p.Height));
  image::Draw(p, out.View(), 0, 0);
  return out;
}

// Coordinates of `count` values (4 tried before 2 where both are allowed);
// "命令の引数に誤りがあります" otherwise.
std::vector<int> Coordinates(TNokaBase& e, const std::string& raw, std::initializer_list<size_t> counts) {
  for (size_t n : counts)
    if (auto c = parts::CoordinatesOf(e, raw, n)) return *c;
  RaiseCommandError(e, msg::kArgError);
}

[[noreturn]] void RaiseTooLarge(TNokaBase& e, int64_t w, int64_t h) {
  RaiseError(e, msg::kImageTooLarge, {FormatInt(w), FormatInt(h)});
}

// The message of a table followed by a reason (a platform's text).
[[noreturn]] void RaiseWithReason(TNokaBase& e, const char* msgUtf8, const std::string& name,
                                  const std::string& reason) {
  RaiseErrorText(e, FormatMessage(Sj(msgUtf8), {name}) + reason);
}

// --- reading pictures ----------------------------------------------------------

bool Readable(const std::string& file) {
  int fd = ::open(NativePath(file).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

// A picture file (or the clipboard) read into a scratch canvas. `shown`:
// 画像表示's reading, whose failures all say "が読込めません".
std::unique_ptr<ICanvas> ReadPicture(TNokaBase& e, const std::string& given, bool shown) {
  std::string name = text::TrimBlanks(given);
  IGraphics& graphics = Graphics(e);
  std::unique_ptr<ICanvas> canvas = graphics.CreateCanvas(1, 1);
  if (name == Sj(msg::kClipboardWord)) {
    // A clipboard without a picture gives an empty one.
    PixelBuffer picture;
    graphics.ClipboardPicture(picture);
    canvas->Assign(picture.View());
    return canvas;
  }
  const char* unreadable = shown ? msg::kImageUnreadable : msg::kPictureUnreadable;
  if (!image::CanRead(image::FormatOfName(name)))
    RaiseWithReason(e, msg::kImageUnreadable, name, Sj(msg::kImageUnsupportedFormat));
  std::string file = ResolveReadName(e, name);
  if (!Readable(file)) RaiseError(e, unreadable, {name});
  std::string reason;
  if (!canvas->Load(file, reason)) RaiseWithReason(e, unreadable, name, reason);
  return canvas;
}

// Draws a picture on 母艦 at the current position (centred across the
// client when centring is on) and moves the position below it.
void ShowOnMain(TNokaBase& e, const PixelView& picture) {
  ICanvas& main = MainCanvas(e);
  parts::PartLayout& layout = parts::Layout(e);
  int x = layout.Centring ? (main.VisibleArea().W - picture.Width) / 2 : layout.X;
  image::Draw(picture, main.Pixels(), x, layout.Y);
  PartRect area{x, layout.Y, picture.Width, picture.Height};
  main.Changed(&area);
  layout.Y += picture.Height;
}

// 画像表示: file.
void CmdShowPicture(TNokaBase& e) {
  std::unique_ptr<ICanvas> picture = ReadPicture(e, PopArgValue(e), true);
  ShowOnMain(e, picture->Pixels());
}

// 画像拡大表示: file, (width, height).
void CmdShowPictureScaled(TNokaBase& e) {
  std::vector<int> size = Coordinates(e, PopArgText(e), {2});
  std::unique_ptr<ICanvas> picture = ReadPicture(e, PopArgValue(e), true);
  if (size[0] <= 0 || size[1] <= 0) RaiseCommandError(e, msg::kArgError);
  if (!image::SizeAllowed(size[0], size[1])) RaiseTooLarge(e, size[0], size[1]);
  PixelView p = picture->Pixels();
  if (p.Empty()) return;
  PixelBuffer scaled = image::Resample(p, size[0], size[1]);
  ShowOnMain(e, scaled.View());
}

// --- saving ------------------------------------------------------------------------

int JpegQuality(TNokaBase& e) {
  int64_t q = ToInt64(ToNumber(VarValue(e, "JPEG圧縮率")));
  return static_cast<int>(std::clamp<int64_t>(q, 1, 100));
}

// イメージ保存: file, image. The file is written through a temporary file
// beside it, so it is whole or untouched.
void CmdSavePicture(TNokaBase& e) {
  ICanvas& canvas = PictureOf(e, PopArgText(e), msg::kImageSaveNotImage);
  std::string name = text::TrimBlanks(PopArgValue(e));
  if (name == Sj(msg::kClipboardWord)) {
    Graphics(e).SetClipboardPicture(VisiblePixels(canvas));
    return;
  }
  CheckedTarget target(name, NativePath(name), true);
  if (ChangeGuardOf(e.Services).RefusesChange(e, FormatMessage(Sj(msg::kImageAskSave), {name}), {&target}, false))
    return;
  if (!image::CanWrite(image::FormatOfName(name))) RaiseError(e, msg::kImageUnsupportedSave, {name});
  std::string bytes, reason;
  if (!canvas.Encode(ExtensionPart(name), JpegQuality(e), bytes, reason))
    RaiseWithReason(e, msg::kReadWriteFailed, name, reason);
  if (!Usable(target) || !WriteEntry(target.Folder(), target.Leaf(), bytes))
    RaiseWithReason(e, msg::kReadWriteFailed, name, FromNativeName(std::strerror(errno ? errno : ENOENT)));
}

// --- copies between pictures ----------------------------------------------------------

// イメージコピー: A, B, (x1, y1[, x2, y2]). Resampled to (x2 - x1) x
// (y2 - y1) when x2 or y2 is positive (the other side keeps A's size).
void CmdCopyPicture(TNokaBase& e) {
  std::vector<int> c = Coordinates(e, PopArgText(e), {4, 2});
  ICanvas& to = PictureOf(e, PopArgText(e));
  ICanvas& from = PictureOf(e, PopArgText(e));
  PixelView src = VisiblePixels(from);
  image::Rect target{c[0], c[1], src.Width, src.Height};
  if (c.size() == 4 && (c[2] > 0 || c[3] > 0)) {
    if (c[2] > 0) target.W = c[2] - c[0];
    if (c[3] > 0) target.H = c[3] - c[1];
  }
  if (target.W <= 0 || target.H <= 0) return;
  if (!image::CopyRect(src, {0, 0, src.Width, src.Height}, to.Pixels(), target)) RaiseTooLarge(e, target.W, target.H);
  to.Changed();
}

// イメージ部分コピー: A, (x1, y1, x2, y2) of A, B, (x1, y1[, x2, y2]) of B.
void CmdCopyPictureRect(TNokaBase& e) {
  std::vector<int> d = Coordinates(e, PopArgText(e), {4, 2});
  ICanvas& to = PictureOf(e, PopArgText(e));
  std::vector<int> s = Coordinates(e, PopArgText(e), {4});
  ICanvas& from = PictureOf(e, PopArgText(e));
  image::Rect source{s[0], s[1], s[2] - s[0], s[3] - s[1]};
  image::Rect target{d[0], d[1], source.W, source.H};
  if (d.size() == 4 && (d[2] != 0 || d[3] != 0)) {
    target.W = d[2] - d[0];
    target.H = d[3] - d[1];
  }
  if (source.W <= 0 || source.H <= 0 || target.W <= 0 || target.H <= 0) RaiseCommandError(e, msg::kArgError);
  if (!image::CopyRect(VisiblePixels(from), source, to.Pixels(), target)) RaiseCommandError(e, msg::kArgError);
  to.Changed();
}

// イメージ半透明コピー: A, B, (x, y), percent. 100% is an exact copy.
void CmdBlendPicture(TNokaBase& e) {
  long double percent = PopArgNumber(e);
  std::vector<int> c = Coordinates(e, PopArgText(e), {2, 4});
  ICanvas& to = PictureOf(e, PopArgText(e));
  ICanvas& from = PictureOf(e, PopArgText(e));
  int alpha = image::BlendAlpha(static_cast<double>(percent));
  if (alpha <= 0) return;
  // A picture blended onto itself reads a copy.
  PixelBuffer src = CopyOf(VisiblePixels(from));
  image::Blend(src.View(), to.Pixels(), c[0], c[1], alpha);
  to.Changed();
}

// --- filters ---------------------------------------------------------------------------

template <void (*Filter)(const PixelView&)>
void CmdFilter(TNokaBase& e) {
  ICanvas& canvas = PictureOf(e, PopArgText(e));
  Filter(canvas.Pixels());
  canvas.Changed();
}

// Filters with a strength (明るさ補正, 画像ボカシ, 画像シャープ): the
// number truncated.
template <void (*Filter)(const PixelView&, int64_t)>
void CmdFilterBy(TNokaBase& e) {
  int64_t strength = ToInt64(PopArgNumber(e));
  ICanvas& canvas = PictureOf(e, PopArgText(e));
  Filter(canvas.Pixels(), strength);
  canvas.Changed();
}

void CmdGamma(TNokaBase& e) {
  double g = static_cast<double>(PopArgNumber(e));
  ICanvas& canvas = PictureOf(e, PopArgText(e));
  image::GammaCorrect(canvas.Pixels(), g);
  canvas.Changed();
}

// The tone of 画像セピア: "(R,G,B)" or a colour ("#RRGGBB", a number).
ColorRef ToneOf(TNokaBase& e, const std::string& raw) {
  if (auto rgb = parts::CoordinatesOf(e, raw, 3))
    return static_cast<ColorRef>(((*rgb)[0] & 0xFF) | (((*rgb)[1] & 0xFF) << 8) | (((*rgb)[2] & 0xFF) << 16));
  return parts::ColourOf(e, EvaluateText(e, raw), 0);
}

void CmdSepia(TNokaBase& e) {
  ColorRef tone = ToneOf(e, PopArgText(e));
  ICanvas& canvas = PictureOf(e, PopArgText(e));
  image::Sepia(canvas.Pixels(), tone);
  canvas.Changed();
}

void CmdEdges(TNokaBase& e) {
  ICanvas& canvas = PictureOf(e, PopArgText(e));
  PixelBuffer edges = image::DetectEdges(canvas.Pixels());
  if (!edges.Data.empty()) canvas.Adopt(std::move(edges));
}

// 右回転: an イメージ takes the turned picture's size.
void CmdRotateRight(TNokaBase& e) {
  std::string raw = PopArgText(e);
  ICanvas& canvas = PictureOf(e, raw);
  PixelBuffer turned = image::RotateRight(canvas.Pixels());
  if (turned.Data.empty()) return;
  canvas.Adopt(std::move(turned));
  std::string name;
  TObjNode& node = parts::RecordOf(e, *ObjectWord(e, raw, name));
  if (static_cast<PartKind>(node.Kind) == PartKind::イメージ) {
    PartHandle& part = parts::RequireControl(e, node);
    PartRect r = part.Geometry();
    r.W = canvas.Width();
    r.H = canvas.Height();
    part.SetGeometry(r);
  }
}

// 画像平面回転: the turned picture, larger, drawn at (0, 0) onto the
// picture, which keeps its size.
void CmdRotatePlane(TNokaBase& e) {
  double degrees = static_cast<double>(PopArgNumber(e));
  ICanvas& canvas = PictureOf(e, PopArgText(e));
  PixelView p = canvas.Pixels();
  if (p.Empty()) return;
  PixelBuffer source = CopyOf(p);
  image::RotatePlaneInto(source.View(), degrees, p);
  canvas.Changed();
}

// 画像回転: about the centre, by the degrees its argument names.
void CmdRotate(TNokaBase& e) {
  double degrees = static_cast<double>(PopArgNumber(e));
  ICanvas& canvas = PictureOf(e, PopArgText(e));
  PixelBuffer turned = image::RotateFixed(canvas.Pixels(), degrees);
  if (!turned.Data.empty()) canvas.Adopt(std::move(turned));
}

// 画像ビット数変更: image, bits.
void CmdSetDepth(TNokaBase& e) {
  long double bits = PopArgNumber(e);
  ICanvas& canvas = PictureOf(e, PopArgText(e));
  if (!canvas.SetDepth(ToInt32(bits))) RaiseError(e, msg::kImageDepthUnsupported, {FormatNumber(bits)});
}

// --- pictures from outside ---------------------------------------------------------------

// 窓キャプチャー: part (母艦 when omitted), the window's caption or
// "デスクトップ". A window is brought to the front and captured 300 ms
// later; no such window: nothing happens.
void CmdCaptureWindow(TNokaBase& e) {
  std::string title = PopArgValue(e);
  std::string raw = PopArgText(e);
  ICanvas* canvas = nullptr;
  if (FirstArgOmitted(e)) {
    canvas = &MainCanvas(e);
  } else {
    std::string name;
    THashNode* w = ObjectWord(e, raw, name);
    if (!w) RaiseError(e, msg::kObjectNotFound, {name});
    canvas = parts::RequireControl(e, parts::RecordOf(e, *w)).Canvas();
    if (!canvas) RaiseError(e, msg::kImageNotImage, {name});
  }
  IGraphics& graphics = Graphics(e);
  PixelBuffer shot;
  if (title == Sj("デスクトップ")) {
    if (!graphics.CaptureWindow({}, shot)) return;
  } else {
    if (!graphics.ActivateWindowTitled(title)) return;
    WaitLettingEventsRun(e, std::chrono::milliseconds(300));
    if (!graphics.CaptureWindow(title, shot)) return;
  }
  image::Draw(shot.View(), canvas->Pixels(), 0, 0);
  canvas->Changed();
  ICanvas& main = MainCanvas(e);
  if (PartHandle* mainPart = parts::ControlOf(e, *e.Objects.GetAt(0)); mainPart && mainPart->Visible())
    mainPart->Focus();
  main.Changed();
}

// アイコン抽出: file, index, image. Icons inside program files are not
// read: the file is named in a clear error.
void CmdExtractIcon(TNokaBase& e) {
  std::string raw = PopArgText(e);
  PopArgNumber(e);
  std::string file = text::TrimBlanks(PopArgValue(e));
  std::string name;
  THashNode* w = ObjectWord(e, raw, name);
  if (!w || static_cast<PartKind>(parts::RecordOf(e, *w).Kind) != PartKind::イメージ)
    RaiseErrorText(e, FormatMessage(Sj(msg::kNotAnObject), {name}) + Sj(msg::kImageIconTarget));
  RaiseError(e, msg::kImageIconUnsupported, {file});
}

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::画像表示, CmdShowPicture},
    {Id::画像拡大表示, CmdShowPictureScaled},
    {Id::ネガポジ反転, CmdFilter<image::Negate>},
    {Id::ソラリゼーション, CmdFilter<image::Solarize>},
    {Id::明るさ補正, CmdFilterBy<image::Brighten>},
    {Id::ガンマ補正, CmdGamma},
    {Id::画像エッジ検出, CmdEdges},
    {Id::画像ボカシ, CmdFilterBy<image::Blur>},
    {Id::画像シャープ, CmdFilterBy<image::Sharpen>},
    {Id::画像セピア, CmdSepia},
    {Id::グレイスケール変換, CmdFilter<image::Grayscale>},
    {Id::画像ビット数変更, CmdSetDepth},
    {Id::窓キャプチャー, CmdCaptureWindow},
    {Id::イメージ保存, CmdSavePicture},
    {Id::イメージコピー, CmdCopyPicture},
    {Id::イメージ部分コピー, CmdCopyPictureRect},
    {Id::イメージ半透明コピー, CmdBlendPicture},
    {Id::垂直反転, CmdFilter<image::FlipVertical>},
    {Id::水平反転, CmdFilter<image::FlipHorizontal>},
    {Id::右回転, CmdRotateRight},
    {Id::画像回転, CmdRotate},
    {Id::画像平面回転, CmdRotatePlane},
    {Id::アイコン抽出, CmdExtractIcon},
};
constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/image/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kImageFamily{"image", kCommands, kMessages};

}  // namespace nokari
