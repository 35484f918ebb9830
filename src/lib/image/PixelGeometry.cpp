// Pixel work that moves pixels: rotations, resampling, copies and blends.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "lib/image/Pixels.h"

namespace nokari::image {
namespace {

constexpr uint32_t kOpaque = 0xff000000u;
constexpr uint32_t kWhite = 0xffffffffu;

inline int Clamp255(int64_t v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(v); }

// Cosine and sine of an angle in degrees, exact at the quarter turns (so a
// turn by 90 maps pixel centres onto pixel centres).
void CosSin(double degrees, double& c, double& s) {
  double d = std::fmod(degrees, 360.0);
  if (d < 0) d += 360.0;
  if (d == 0) { c = 1; s = 0; }
  else if (d == 90) { c = 0; s = 1; }
  else if (d == 180) { c = -1; s = 0; }
  else if (d == 270) { c = 0; s = -1; }
  else {
    double rad = d * 3.14159265358979323846 / 180.0;
    c = std::cos(rad);
    s = std::sin(rad);
  }
}

PixelView SubView(const PixelView& p, int x, int y, int w, int h) {
  return PixelView{p.Bits + y * p.Stride + static_cast<ptrdiff_t>(x) * 4, w, h, p.Stride};
}

// --- resampling along one dimension ---------------------------------------------

// For every target sample, the source samples it reads and their weights.
// Cubic taps are scaled by 2^20 (the result is the sum shifted right by 20
// bits); averaging taps are overlaps in units of 1/m of a source sample
// (the result is the sum divided by n, rounded).
struct Taps {
  std::vector<int> First;   // per target: index into Index/Weight
  std::vector<int> Count;   // per target
  std::vector<int> Index;   // source sample
  std::vector<int32_t> Weight;
  bool Cubic = false;
  int32_t Divisor = 1;
  int Finish(int64_t sum) const {
    if (Cubic) return Clamp255(sum >> 20);
    return Clamp255((sum + Divisor / 2) / Divisor);
  }
};

// Enlarging n -> m: target d reads at s = d (n - 1) / (m - 1) with the
// 4-point Lagrange cubic over samples trunc(s) - 1 .. trunc(s) + 2; the
// first and last samples stand in for the ones beyond the edges.
Taps CubicTaps(int n, int m) {
  Taps t;
  t.Cubic = true;
  for (int d = 0; d < m; ++d) {
    int64_t num = static_cast<int64_t>(d) * (n - 1);
    int64_t den = m - 1;
    int base = static_cast<int>(num / den);
    double x = static_cast<double>(num % den) / static_cast<double>(den) + 1.0;
    const double w[4] = {-(x - 1) * (x - 2) * (x - 3) / 6, x * (x - 2) * (x - 3) / 2, -x * (x - 1) * (x - 3) / 2,
                         x * (x - 1) * (x - 2) / 6};
    t.First.push_back(static_cast<int>(t.Index.size()));
    t.Count.push_back(4);
    for (int k = 0; k < 4; ++k) {
      t.Index.push_back(std::clamp(base - 1 + k, 0, n - 1));
      // Scaled, plus a half, truncated.
      t.Weight.push_back(static_cast<int32_t>(std::trunc(w[k] * 1048576.0 + 0.5)));
    }
  }
  return t;
}

// Reducing n -> m: target d covers source [d n / m, (d + 1) n / m); each
// source sample weighs by how much of it lies inside.
Taps AverageTaps(int n, int m) {
  Taps t;
  t.Divisor = n;
  for (int d = 0; d < m; ++d) {
    int64_t lo = static_cast<int64_t>(d) * n, hi = static_cast<int64_t>(d + 1) * n;  // in 1/m units
    t.First.push_back(static_cast<int>(t.Index.size()));
    int count = 0;
    for (int64_t i = lo / m; i * m < hi && i < n; ++i) {
      int64_t overlap = std::min(hi, (i + 1) * m) - std::max(lo, i * m);
      if (overlap <= 0) continue;
      t.Index.push_back(static_cast<int>(i));
      t.Weight.push_back(static_cast<int32_t>(overlap));
      ++count;
    }
    t.Count.push_back(count);
  }
  return t;
}

Taps TapsFor(int n, int m) { return m > n ? CubicTaps(n, m) : AverageTaps(n, m); }

PixelBuffer ResampleWidth(const PixelView& src, int width) {
  PixelBuffer out(width, src.Height);
  PixelView o = out.View();
  Taps t = TapsFor(src.Width, width);
  for (int y = 0; y < src.Height; ++y) {
    const uint32_t* row = src.Row(y);
    uint32_t* dst = o.Row(y);
    for (int d = 0; d < width; ++d) {
      int64_t r = 0, g = 0, b = 0;
      const int* index = &t.Index[t.First[d]];
      const int32_t* weight = &t.Weight[t.First[d]];
      for (int k = 0; k < t.Count[d]; ++k) {
        uint32_t v = row[index[k]];
        r += static_cast<int64_t>(weight[k]) * ((v >> 16) & 0xFF);
        g += static_cast<int64_t>(weight[k]) * ((v >> 8) & 0xFF);
        b += static_cast<int64_t>(weight[k]) * (v & 0xFF);
      }
      dst[d] = kOpaque | (static_cast<uint32_t>(t.Finish(r)) << 16) | (static_cast<uint32_t>(t.Finish(g)) << 8) |
               static_cast<uint32_t>(t.Finish(b));
    }
  }
  return out;
}

// Row by row: each target row sums whole source rows into one line of
// accumulators.
PixelBuffer ResampleHeight(const PixelView& src, int height) {
  PixelBuffer out(src.Width, height);
  PixelView o = out.View();
  Taps t = TapsFor(src.Height, height);
  std::vector<int64_t> acc(3 * static_cast<size_t>(src.Width));
  for (int d = 0; d < height; ++d) {
    std::fill(acc.begin(), acc.end(), 0);
    for (int k = 0; k < t.Count[d]; ++k) {
      const uint32_t* row = src.Row(t.Index[t.First[d] + k]);
      const int64_t w = t.Weight[t.First[d] + k];
      int64_t* a = acc.data();
      for (int x = 0; x < src.Width; ++x, a += 3) {
        uint32_t v = row[x];
        a[0] += w * ((v >> 16) & 0xFF);
        a[1] += w * ((v >> 8) & 0xFF);
        a[2] += w * (v & 0xFF);
      }
    }
    uint32_t* dst = o.Row(d);
    const int64_t* a = acc.data();
    for (int x = 0; x < src.Width; ++x, a += 3)
      dst[x] = kOpaque | (static_cast<uint32_t>(t.Finish(a[0])) << 16) |
               (static_cast<uint32_t>(t.Finish(a[1])) << 8) | static_cast<uint32_t>(t.Finish(a[2]));
  }
  return out;
}

PixelBuffer Copy(const PixelView& src) {
  PixelBuffer out(src.Width, src.Height);
  PixelView o = out.View();
  for (int y = 0; y < src.Height; ++y) std::memcpy(o.Row(y), src.Row(y), static_cast<size_t>(src.Width) * 4);
  return out;
}

}  // namespace

// --- rotations -----------------------------------------------------------------

void PlaneRotatedSize(int width, int height, double degrees, int64_t& outWidth, int64_t& outHeight) {
  double c, s;
  CosSin(degrees, c, s);
  outWidth = static_cast<int64_t>(std::nearbyint(std::fabs(width * c) + std::fabs(height * s))) + 1;
  outHeight = static_cast<int64_t>(std::nearbyint(std::fabs(width * s) + std::fabs(height * c))) + 1;
}

// Centres are the middle of the pixel grid ((W - 1) / 2), and the nearest
// source pixel is floor(position + 0.5), so a turn by 0 or 360 gives the
// picture back unchanged at (0, 0).
void RotatePlaneInto(const PixelView& src, double degrees, const PixelView& dst) {
  if (src.Empty() || dst.Empty()) return;
  int64_t rw, rh;
  PlaneRotatedSize(src.Width, src.Height, degrees, rw, rh);
  const int w = static_cast<int>(std::min<int64_t>(rw, dst.Width));
  const int h = static_cast<int>(std::min<int64_t>(rh, dst.Height));
  double c, s;
  CosSin(degrees, c, s);
  const double scx = (src.Width - 1) / 2.0, scy = (src.Height - 1) / 2.0;
  const double dcx = (rw - 1) / 2.0, dcy = (rh - 1) / 2.0;
  for (int y = 0; y < h; ++y) {
    uint32_t* row = dst.Row(y);
    const double dy = y - dcy;
    // Counter-clockwise on the screen (y grows downwards): the source of
    // target offset (dx, dy) is (dx cos - dy sin, dx sin + dy cos).
    const double bx = -dy * s + scx + 0.5, by = dy * c + scy + 0.5;
    for (int x = 0; x < w; ++x) {
      const double dx = x - dcx;
      // floor(): a cast truncates, which is the same for what is in range.
      const double fx = dx * c + bx, fy = dx * s + by;
      row[x] = fx >= 0 && fy >= 0 && fx < src.Width && fy < src.Height
                   ? src.Row(static_cast<int>(fy))[static_cast<int>(fx)] | kOpaque
                   : kWhite;
    }
  }
}

PixelBuffer RotateFixed(const PixelView& src, double degrees) {
  if (src.Empty()) return PixelBuffer();
  double cd, sd;
  CosSin(degrees, cd, sd);
  const int64_t c = static_cast<int64_t>(std::nearbyint(cd * 1024)), s = static_cast<int64_t>(std::nearbyint(sd * 1024));
  const int cx = src.Width / 2, cy = src.Height / 2;
  PixelBuffer out(src.Width, src.Height);
  PixelView o = out.View();
  for (int y = 0; y < src.Height; ++y) {
    uint32_t* row = o.Row(y);
    const int64_t dy = y - cy;
    for (int x = 0; x < src.Width; ++x) {
      const int64_t dx = x - cx;
      // Rounded back from 1/1024ths (an arithmetic shift floors).
      const int64_t sx = ((dx * c - dy * s + 512) >> 10) + cx;
      const int64_t sy = ((dx * s + dy * c + 512) >> 10) + cy;
      row[x] = sx >= 0 && sy >= 0 && sx < src.Width && sy < src.Height
                   ? src.Row(static_cast<int>(sy))[sx] | kOpaque
                   : kWhite;
    }
  }
  return out;
}

// --- resampling ------------------------------------------------------------------

PixelBuffer Resample(const PixelView& src, int width, int height) {
  if (src.Empty() || width <= 0 || height <= 0 || !SizeAllowed(width, height)) return PixelBuffer();
  if (width == src.Width && height == src.Height) return Copy(src);
  if (width == src.Width) return ResampleHeight(src, height);
  PixelBuffer wide = ResampleWidth(src, width);
  if (height == src.Height) return wide;
  return ResampleHeight(wide.View(), height);
}

// --- between pictures ------------------------------------------------------------

void Draw(const PixelView& src, const PixelView& dst, int x, int y) {
  if (src.Empty() || dst.Empty()) return;
  const int64_t left = std::max<int64_t>(0, x), top = std::max<int64_t>(0, y);
  const int64_t right = std::min<int64_t>(dst.Width, int64_t{x} + src.Width);
  const int64_t bottom = std::min<int64_t>(dst.Height, int64_t{y} + src.Height);
  if (left >= right || top >= bottom) return;
  const size_t bytes = static_cast<size_t>(right - left) * 4;
  const int rows = static_cast<int>(bottom - top);
  // memmove and, when the target lies further on in the same memory, the
  // rows from the bottom up: a picture may be drawn onto itself.
  const bool backwards = dst.Bits > src.Bits;
  for (int i = 0; i < rows; ++i) {
    const int row = backwards ? rows - 1 - i : i;
    const int dy = static_cast<int>(top) + row;
    std::memmove(dst.Row(dy) + left, src.Row(static_cast<int>(dy - y)) + (left - x), bytes);
  }
}

bool CopyRect(const PixelView& src, Rect from, const PixelView& dst, Rect to) {
  if (src.Empty() || dst.Empty() || from.W <= 0 || from.H <= 0 || to.W <= 0 || to.H <= 0) return true;
  if (!SizeAllowed(from.W, from.H) || !SizeAllowed(to.W, to.H)) return false;
  // A rectangle inside the picture is read where it lies; one reaching
  // outside is first copied onto white.
  const bool inside = from.X >= 0 && from.Y >= 0 && int64_t{from.X} + from.W <= src.Width &&
                      int64_t{from.Y} + from.H <= src.Height;
  PixelBuffer piece;
  PixelView source;
  if (inside) {
    source = SubView(src, from.X, from.Y, from.W, from.H);
  } else {
    piece = PixelBuffer(from.W, from.H, kWhite);
    Draw(src, piece.View(), -from.X, -from.Y);
    source = piece.View();
  }
  if (from.W == to.W && from.H == to.H) {
    Draw(source, dst, to.X, to.Y);  // memmove: the same picture may be both
    return true;
  }
  // Resampled into a new picture first, so reading never meets writing.
  PixelBuffer scaled = Resample(source, to.W, to.H);
  Draw(scaled.View(), dst, to.X, to.Y);
  return true;
}

int BlendAlpha(double percent) {
  if (!(percent > 0)) return 0;
  if (percent >= 100) return 256;
  return static_cast<int>(std::trunc(percent / 100.0 * 256.0));
}

void Blend(const PixelView& src, const PixelView& dst, int x, int y, int alpha) {
  if (src.Empty() || dst.Empty() || alpha <= 0) return;
  if (alpha >= 256) {
    Draw(src, dst, x, y);
    return;
  }
  const int64_t left = std::max<int64_t>(0, x), top = std::max<int64_t>(0, y);
  const int64_t right = std::min<int64_t>(dst.Width, int64_t{x} + src.Width);
  const int64_t bottom = std::min<int64_t>(dst.Height, int64_t{y} + src.Height);
  const uint32_t a = static_cast<uint32_t>(alpha), na = 256 - a;
  for (int64_t dy = top; dy < bottom; ++dy) {
    const uint32_t* s = src.Row(static_cast<int>(dy - y)) + (left - x);
    uint32_t* d = dst.Row(static_cast<int>(dy)) + left;
    for (int64_t i = 0; i < right - left; ++i) {
      // Red and blue side by side in one word: each lane stays below 2^16.
      const uint32_t sv = s[i], dv = d[i];
      const uint32_t rb = ((sv & 0x00FF00FFu) * a + (dv & 0x00FF00FFu) * na) >> 8;
      const uint32_t g = ((sv & 0x0000FF00u) * a + (dv & 0x0000FF00u) * na) >> 8;
      d[i] = kOpaque | (rb & 0x00FF00FFu) | (g & 0x0000FF00u);
    }
  }
}

}  // namespace nokari::image
