// Filters that keep the picture's size: flips, per-channel tables, the
// neighbourhood filters (blur, sharpen, edges) and toning.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "lib/image/Pixels.h"
#include "lib/path/Path.h"

namespace nokari::image {
namespace {

constexpr uint32_t kOpaque = 0xff000000u;

inline int Red(uint32_t p) { return (p >> 16) & 0xFF; }
inline int Green(uint32_t p) { return (p >> 8) & 0xFF; }
inline int Blue(uint32_t p) { return p & 0xFF; }
inline uint32_t Pixel(int r, int g, int b) {
  return kOpaque | (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | static_cast<uint32_t>(b);
}
inline int Clamp255(int64_t v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(v); }

// One table for every channel, spread into three so a pixel is three
// lookups and two ors.
void ApplyTable(const PixelView& p, const std::array<uint8_t, 256>& table) {
  std::array<uint32_t, 256> r, g, b;
  for (int v = 0; v < 256; ++v) {
    r[v] = kOpaque | (uint32_t{table[v]} << 16);
    g[v] = uint32_t{table[v]} << 8;
    b[v] = table[v];
  }
  for (int y = 0; y < p.Height; ++y) {
    uint32_t* row = p.Row(y);
    for (int x = 0; x < p.Width; ++x) {
      uint32_t v = row[x];
      row[x] = r[(v >> 16) & 0xFF] | g[(v >> 8) & 0xFF] | b[v & 0xFF];
    }
  }
}

// n / d rounded to the nearest integer, half to even (n, d > 0).
inline int64_t RoundHalfEven(int64_t n, int64_t d) {
  int64_t q = n / d, rem = n % d;
  if (2 * rem > d || (2 * rem == d && (q & 1))) ++q;
  return q;
}

}  // namespace

PictureFormat FormatOfName(std::string_view name) {
  std::string ext = ExtensionPart(name);
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (ext == ".bmp") return PictureFormat::Bmp;
  if (ext == ".jpg" || ext == ".jpeg") return PictureFormat::Jpeg;
  if (ext == ".png") return PictureFormat::Png;
  if (ext == ".ico") return PictureFormat::Ico;
  if (ext == ".gif") return PictureFormat::Gif;
  return PictureFormat::Unknown;
}

void FlipVertical(const PixelView& p) {
  if (p.Empty()) return;
  for (int top = 0, bottom = p.Height - 1; top < bottom; ++top, --bottom)
    std::swap_ranges(p.Row(top), p.Row(top) + p.Width, p.Row(bottom));
}

void FlipHorizontal(const PixelView& p) {
  if (p.Empty()) return;
  for (int y = 0; y < p.Height; ++y) std::reverse(p.Row(y), p.Row(y) + p.Width);
}

PixelBuffer RotateRight(const PixelView& p) {
  if (p.Empty()) return PixelBuffer();
  PixelBuffer out(p.Height, p.Width);
  PixelView o = out.View();
  // Target row j is source column j read from the bottom row up, in tiles
  // of 32 x 32 so that both sides stay in the cache.
  constexpr int kTile = 32;
  for (int top = 0; top < p.Height; top += kTile) {
    const int bottom = std::min(p.Height, top + kTile);
    for (int left = 0; left < p.Width; left += kTile) {
      const int right = std::min(p.Width, left + kTile);
      for (int j = left; j < right; ++j) {
        uint32_t* dst = o.Row(j) + (p.Height - 1);
        for (int sy = top; sy < bottom; ++sy) dst[-sy] = p.Row(sy)[j] | kOpaque;
      }
    }
  }
  return out;
}

void Negate(const PixelView& p) {
  if (p.Empty()) return;
  for (int y = 0; y < p.Height; ++y) {
    uint32_t* row = p.Row(y);
    for (int x = 0; x < p.Width; ++x) row[x] = (row[x] ^ 0x00FFFFFFu) | kOpaque;
  }
}

void Grayscale(const PixelView& p) {
  if (p.Empty()) return;
  for (int y = 0; y < p.Height; ++y) {
    uint32_t* row = p.Row(y);
    for (int x = 0; x < p.Width; ++x) {
      uint32_t v = row[x];
      int l = Clamp255(RoundHalfEven(30 * Red(v) + 59 * Green(v) + 11 * Blue(v), 100));
      row[x] = Pixel(l, l, l);
    }
  }
}

void Solarize(const PixelView& p) {
  if (p.Empty()) return;
  std::array<uint8_t, 256> table;
  for (int v = 0; v < 256; ++v) table[v] = static_cast<uint8_t>(std::min(v, 255 - v));
  ApplyTable(p, table);
}

void Brighten(const PixelView& p, int64_t n) {
  if (p.Empty() || n == 0 || n < -255 || n > 255) return;
  std::array<uint8_t, 256> table;
  for (int v = 0; v < 256; ++v) table[v] = static_cast<uint8_t>(Clamp255(v + n));
  ApplyTable(p, table);
}

void GammaCorrect(const PixelView& p, double g) {
  if (p.Empty() || !(g >= 0.75 && g <= 3) || g == 2.2) return;
  std::array<uint8_t, 256> table;
  for (int v = 0; v < 256; ++v) {
    // nearbyint rounds half to even in the default rounding mode.
    double out = std::nearbyint(255.0 * std::pow(v / 255.0, g / 2.2));
    table[v] = static_cast<uint8_t>(Clamp255(static_cast<int64_t>(out)));
  }
  ApplyTable(p, table);
}

// In place and in row-major order, so a pixel's window holds the rows
// above already blurred and, in its own row, the pixels to its left. Sums
// follow the picture as it changes: `columns` holds, per column, the sum
// of the window's rows other than the current one, and the running sum
// along the row is corrected as each pixel is written. Linear in the
// picture's size whatever the radius.
void Blur(const PixelView& p, int64_t strength) {
  if (p.Empty()) return;
  int64_t radius = strength / 10;
  if (radius <= 0) return;
  const int w = p.Width, h = p.Height;
  const int r = static_cast<int>(std::min<int64_t>(radius, std::max(w, h)));
  std::vector<int64_t> columns(3 * static_cast<size_t>(w), 0);
  auto addRow = [&](int y, int sign) {
    const uint32_t* row = p.Row(y);
    for (int x = 0; x < w; ++x) {
      columns[3 * x] += sign * Red(row[x]);
      columns[3 * x + 1] += sign * Green(row[x]);
      columns[3 * x + 2] += sign * Blue(row[x]);
    }
  };
  for (int k = 1; k <= std::min(r, h - 1); ++k) addRow(k, +1);
  for (int y = 0; y < h; ++y) {
    if (y > 0) {
      if (y - 1 - r >= 0) addRow(y - 1 - r, -1);
      addRow(y - 1, +1);  // now final
      addRow(y, -1);      // the current row is summed along the row instead
      if (y + r < h) addRow(y + r, +1);
    }
    const int64_t rows = std::min(h - 1, y + r) - std::max(0, y - r) + 1;
    uint32_t* row = p.Row(y);
    int64_t sum[3] = {0, 0, 0};
    auto addColumn = [&](int x, int sign) {
      sum[0] += sign * (columns[3 * x] + Red(row[x]));
      sum[1] += sign * (columns[3 * x + 1] + Green(row[x]));
      sum[2] += sign * (columns[3 * x + 2] + Blue(row[x]));
    };
    for (int x = 0; x <= std::min(r, w - 1); ++x) addColumn(x, +1);
    for (int x = 0; x < w; ++x) {
      if (x > 0) {
        if (x + r < w) addColumn(x + r, +1);
        if (x - 1 - r >= 0) addColumn(x - 1 - r, -1);
      }
      const int64_t n = rows * (std::min(w - 1, x + r) - std::max(0, x - r) + 1);
      uint32_t old = row[x];
      int red = static_cast<int>(sum[0] / n), green = static_cast<int>(sum[1] / n), blue = static_cast<int>(sum[2] / n);
      row[x] = Pixel(red, green, blue);
      sum[0] += red - Red(old);
      sum[1] += green - Green(old);
      sum[2] += blue - Blue(old);
    }
  }
}

// In place, row-major: the block around a pixel holds the row above and
// the pixel to its left already sharpened.
void Sharpen(const PixelView& p, int64_t strength) {
  if (p.Width < 3 || p.Height < 3 || !p.Bits) return;
  const int a = static_cast<int>(static_cast<uint8_t>(strength));
  for (int y = 1; y + 1 < p.Height; ++y) {
    uint32_t* above = p.Row(y - 1);
    uint32_t* row = p.Row(y);
    uint32_t* below = p.Row(y + 1);
    for (int x = 1; x + 1 < p.Width; ++x) {
      int out[3];
      for (int shift = 16, k = 0; k < 3; shift -= 8, ++k) {
        auto c = [shift](uint32_t v) { return static_cast<int>((v >> shift) & 0xFF); };
        int s = c(above[x - 1]) + c(above[x]) + c(above[x + 1]) + c(row[x - 1]) + c(row[x]) + c(row[x + 1]) +
                c(below[x - 1]) + c(below[x]) + c(below[x + 1]);
        int v = c(row[x]);
        int t = Clamp255((11 * v - s) / 2);
        out[k] = (t * a) / 256 + (v * (255 - a)) / 256;
      }
      row[x] = Pixel(out[0], out[1], out[2]);
    }
  }
}

void Sepia(const PixelView& p, ColorRef tone) {
  if (p.Empty()) return;
  const int tr = tone & 0xFF, tg = (tone >> 8) & 0xFF, tb = (tone >> 16) & 0xFF;
  // Every result depends on the mean alone: one table of whole pixels.
  std::array<uint32_t, 256> table;
  for (int l = 0; l < 256; ++l) {
    auto channel = [l](int c) {
      if (l < 128) return l * c / 128;
      int i = l - 128;
      return (i * 255) / 128 + ((127 - i) * c) / 128;
    };
    table[l] = Pixel(channel(tr), channel(tg), channel(tb));
  }
  for (int y = 0; y < p.Height; ++y) {
    uint32_t* row = p.Row(y);
    for (int x = 0; x < p.Width; ++x) {
      uint32_t v = row[x];
      row[x] = table[(Red(v) + Green(v) + Blue(v)) / 3];
    }
  }
}

PixelBuffer DetectEdges(const PixelView& p) {
  if (p.Empty()) return PixelBuffer();
  PixelBuffer out(p.Width, p.Height, kOpaque);
  PixelView o = out.View();
  for (int y = 1; y <= p.Height - 3; ++y) {
    const uint32_t* above = p.Row(y - 1);
    const uint32_t* row = p.Row(y);
    const uint32_t* below = p.Row(y + 1);
    uint32_t* dst = o.Row(y);
    for (int x = 1; x <= p.Width - 3; ++x) {
      int out3[3];
      for (int shift = 16, k = 0; k < 3; shift -= 8, ++k) {
        auto c = [shift](uint32_t v) { return static_cast<int>((v >> shift) & 0xFF); };
        int s = c(above[x - 1]) + c(above[x]) + c(above[x + 1]) + c(row[x - 1]) + c(row[x]) + c(row[x + 1]) +
                c(below[x - 1]) + c(below[x]) + c(below[x + 1]);
        out3[k] = Clamp255(s - 9 * c(row[x]));
      }
      dst[x] = Pixel(out3[0], out3[1], out3[2]);
    }
  }
  return out;
}

}  // namespace nokari::image
