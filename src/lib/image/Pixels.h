// The pixel work of the image commands: filters, rotations, resampling,
// blends and copies between pictures, as plain functions over PixelView
// and PixelBuffer (core/Canvas.h). No window system is involved, so every
// rule is tested on small pictures made in memory.
//
// Pixels are 0xffRRGGBB. Filters touch the three colour bytes only; the
// fourth byte of a result is always 0xff. Every function walks the picture
// row by row through row pointers, and per-channel filters use a lookup
// table built once per call.
#pragma once
#include <cstdint>
#include <string_view>

#include "core/Canvas.h"

namespace nokari::image {

// --- Limits ------------------------------------------------------------------

// The largest picture the commands make or read: a side of 32767 pixels
// and 256 megapixels in all (1 GiB of pixels). Sizes come from scripts
// and from file headers; neither is trusted to allocate.
inline constexpr int64_t kMaxSide = 32767;
inline constexpr int64_t kMaxPixels = int64_t{256} << 20;
inline bool SizeAllowed(int64_t width, int64_t height) {
  return width >= 0 && height >= 0 && width <= kMaxSide && height <= kMaxSide && width * height <= kMaxPixels;
}

// --- Picture file formats, by the lower-cased extension ---------------------

enum class PictureFormat { Unknown, Bmp, Jpeg, Png, Ico, Gif };
// ".bmp", ".jpg"/".jpeg", ".png", ".ico", ".gif" (any case); else Unknown.
PictureFormat FormatOfName(std::string_view name);
inline bool CanRead(PictureFormat f) { return f != PictureFormat::Unknown; }
// GIF is read only.
inline bool CanWrite(PictureFormat f) { return f != PictureFormat::Unknown && f != PictureFormat::Gif; }

// --- Filters in place ----------------------------------------------------------

void FlipVertical(const PixelView& p);
void FlipHorizontal(const PixelView& p);
// 90° clockwise: the result is H wide and W high.
PixelBuffer RotateRight(const PixelView& p);
// v -> 255 - v.
void Negate(const PixelView& p);
// (30R + 59G + 11B) / 100, rounded half to even, into all three channels.
void Grayscale(const PixelView& p);
// v -> min(v, 255 - v).
void Solarize(const PixelView& p);
// v -> clamp(v + n); n outside -255..255, or 0, changes nothing.
void Brighten(const PixelView& p, int64_t n);
// v -> 255 (v/255)^(g/2.2), rounded half to even; only for 0.75 <= g <= 3
// and g != 2.2.
void GammaCorrect(const PixelView& p, double g);
// Box blur of radius trunc(strength / 10), in row-major order and in place
// (a pixel sees the pixels above and to its left already blurred); the
// window is clipped at the edges and the mean truncated.
void Blur(const PixelView& p, int64_t strength);
// Sharpening of the inner pixels, in row-major order and in place, mixed
// with the original by the strength's low byte.
void Sharpen(const PixelView& p, int64_t strength);
// Toning with `tone` (a colour number): the mean l of the channels gives
// l*c/128 below 128, and (l-128)*255/128 + (255-l)*c/128 above.
void Sepia(const PixelView& p, ColorRef tone);
// Laplacian edges into a new picture of the same size: inside rows
// 1..H-3 and columns 1..W-3, each channel is clamp(S - 9v) with S the sum
// of the 3 x 3 block around the pixel and v the pixel itself; the rest
// is black.
PixelBuffer DetectEdges(const PixelView& p);

// --- Rotations ----------------------------------------------------------------

// The size of the picture a plane rotation by `degrees` makes:
// round(|W cos| + |H sin|) + 1 by round(|W sin| + |H cos|) + 1.
void PlaneRotatedSize(int width, int height, double degrees, int64_t& outWidth, int64_t& outHeight);
// Rotates `src` counter-clockwise by `degrees` about its centre into the
// picture of PlaneRotatedSize (centres aligned, nearest source pixel by
// inverse mapping, white where no source pixel lies) and writes the part
// of it that `dst` covers, from its top-left corner; the rest of `dst`
// stays. `src` and `dst` must not share memory.
void RotatePlaneInto(const PixelView& src, double degrees, const PixelView& dst);
// Rotation about the centre into a picture of the same size, with cosine
// and sine in fixed point (x 1024); white where no source pixel lies.
PixelBuffer RotateFixed(const PixelView& src, double degrees);

// --- Resampling ------------------------------------------------------------------

// A new picture of width x height: first the width, then the height, each
// only when it changes. Enlarging uses the 4-point Lagrange cubic (weights
// scaled by 2^20, the first and last samples repeated beyond the edges);
// reducing takes the area average of the source pixels each target pixel
// covers. Sizes must be positive and allowed.
PixelBuffer Resample(const PixelView& src, int width, int height);

// --- Between pictures ------------------------------------------------------------

// A rectangle: left, top, width, height.
struct Rect {
  int X = 0, Y = 0, W = 0, H = 0;
};
// Copies `src` to `dst` with its top-left corner at (x, y), clipped to
// `dst`. Pictures may not share memory.
void Draw(const PixelView& src, const PixelView& dst, int x, int y);
// The rectangle `from` of `src` (clipped to `src`; pixels outside it count
// white) scaled to the rectangle `to` of `dst` (clipped to `dst`).
// Nothing happens for an empty rectangle. False when a size is not
// allowed.
bool CopyRect(const PixelView& src, Rect from, const PixelView& dst, Rect to);
// The blend factor of a percentage: trunc(percent / 100 * 256), at most
// 256 (100% is an exact copy); 0 or less draws nothing.
int BlendAlpha(double percent);
// dst = (alpha src + (256 - alpha) dst) / 256 per channel, `src` placed at
// (x, y) of `dst`, over the overlapped area.
void Blend(const PixelView& src, const PixelView& dst, int x, int y, int alpha);

}  // namespace nokari::image
