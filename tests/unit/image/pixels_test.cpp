// The pixel library on small pictures whose results are worked out by
// hand: every filter, the rotations, resampling, blends and copies, and
// the degenerate pictures (empty, one pixel) and strengths.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "lib/image/Pixels.h"

namespace nokari::image {
namespace {

using Rgb = std::vector<uint32_t>;  // 0xRRGGBB per pixel, row by row

PixelBuffer Picture(int w, int h, const Rgb& rgb) {
  PixelBuffer b(w, h);
  for (size_t i = 0; i < rgb.size(); ++i) b.Data[i] = 0xff000000u | rgb[i];
  return b;
}
// A grey picture from levels.
PixelBuffer Grey(int w, int h, const std::vector<int>& levels) {
  Rgb rgb;
  for (int v : levels) rgb.push_back(static_cast<uint32_t>(v) * 0x010101u);
  return Picture(w, h, rgb);
}
Rgb ColoursOf(const PixelBuffer& b) {
  Rgb out;
  for (uint32_t p : b.Data) {
    EXPECT_EQ(p >> 24, 0xffu) << "the fourth byte stays 0xff";
    out.push_back(p & 0xFFFFFF);
  }
  return out;
}
std::vector<int> LevelsOf(const PixelBuffer& b) {
  std::vector<int> out;
  for (uint32_t p : b.Data) out.push_back(static_cast<int>(p & 0xFF));
  return out;
}

TEST(PixelLimits, SidesAndPixelCount) {
  EXPECT_TRUE(SizeAllowed(32767, 8192));  // just under 256 megapixels
  EXPECT_FALSE(SizeAllowed(32768, 1));
  EXPECT_FALSE(SizeAllowed(20000, 20000));
  EXPECT_FALSE(SizeAllowed(100000, 100000));
  EXPECT_FALSE(SizeAllowed(-1, 5));
  EXPECT_TRUE(SizeAllowed(0, 0));
}

TEST(PixelFormats, ByLowerCasedExtension) {
  EXPECT_EQ(FormatOfName("a.PNG"), PictureFormat::Png);
  EXPECT_EQ(FormatOfName("dir/x.JpEg"), PictureFormat::Jpeg);
  EXPECT_EQ(FormatOfName("x.jpg"), PictureFormat::Jpeg);
  EXPECT_EQ(FormatOfName("x.bmp"), PictureFormat::Bmp);
  EXPECT_EQ(FormatOfName("x.ico"), PictureFormat::Ico);
  EXPECT_EQ(FormatOfName("x.gif"), PictureFormat::Gif);
  EXPECT_EQ(FormatOfName("x.tif"), PictureFormat::Unknown);
  EXPECT_EQ(FormatOfName("noextension"), PictureFormat::Unknown);
  EXPECT_EQ(FormatOfName("dir.png/file"), PictureFormat::Unknown);
  EXPECT_FALSE(CanWrite(PictureFormat::Gif));
  EXPECT_TRUE(CanRead(PictureFormat::Gif));
}

TEST(PixelFilters, FlipsAndQuarterTurn) {
  PixelBuffer p = Picture(3, 2, {1, 2, 3, 4, 5, 6});
  FlipVertical(p.View());
  EXPECT_EQ(ColoursOf(p), (Rgb{4, 5, 6, 1, 2, 3}));
  FlipHorizontal(p.View());
  EXPECT_EQ(ColoursOf(p), (Rgb{6, 5, 4, 3, 2, 1}));

  // a b c / d e f turned clockwise: d a / e b / f c.
  PixelBuffer q = Picture(3, 2, {0xA, 0xB, 0xC, 0xD, 0xE, 0xF});
  PixelBuffer t = RotateRight(q.View());
  EXPECT_EQ(t.Width, 2);
  EXPECT_EQ(t.Height, 3);
  EXPECT_EQ(ColoursOf(t), (Rgb{0xD, 0xA, 0xE, 0xB, 0xF, 0xC}));
}

TEST(PixelFilters, PerChannelTables) {
  PixelBuffer p = Picture(2, 1, {0x102030, 0xFF8000});
  Negate(p.View());
  EXPECT_EQ(ColoursOf(p), (Rgb{0xEFDFCF, 0x007FFF}));

  PixelBuffer s = Grey(4, 1, {100, 200, 127, 128});
  Solarize(s.View());
  EXPECT_EQ(LevelsOf(s), (std::vector<int>{100, 55, 127, 127}));

  PixelBuffer b = Grey(3, 1, {250, 10, 0});
  Brighten(b.View(), 50);
  EXPECT_EQ(LevelsOf(b), (std::vector<int>{255, 60, 50}));
  Brighten(b.View(), 256);  // out of range: nothing
  Brighten(b.View(), -300);
  Brighten(b.View(), 0);
  EXPECT_EQ(LevelsOf(b), (std::vector<int>{255, 60, 50}));
  Brighten(b.View(), -255);
  EXPECT_EQ(LevelsOf(b), (std::vector<int>{0, 0, 0}));
}

TEST(PixelFilters, GrayscaleRoundsHalfToEven) {
  // 30*100 + 59*150 + 11*200 = 14050 -> 140.5 -> 140; 14150 -> 141.5 -> 142.
  PixelBuffer p = Picture(4, 1, {0x6496C8, 0x05C8C8, 0x010001, 0xFFFFFF});
  Grayscale(p.View());
  EXPECT_EQ(ColoursOf(p), (Rgb{0x8C8C8C, 0x8E8E8E, 0x000000, 0xFFFFFF}));
}

TEST(PixelFilters, GammaOnlyInItsRange) {
  PixelBuffer p = Grey(3, 1, {128, 64, 255});
  GammaCorrect(p.View(), 2.2);
  GammaCorrect(p.View(), 0.5);
  GammaCorrect(p.View(), 3.5);
  EXPECT_EQ(LevelsOf(p), (std::vector<int>{128, 64, 255}));
  // g = 4.4 is out of range too; 1.1 takes the square root: 64 -> 127.75 -> 128.
  GammaCorrect(p.View(), 1.1);
  EXPECT_EQ(LevelsOf(p), (std::vector<int>{181, 128, 255}));
  // g = 3: 255 (128/255)^(3/2.2).
  PixelBuffer q = Grey(1, 1, {128});
  GammaCorrect(q.View(), 3);
  EXPECT_EQ(LevelsOf(q), (std::vector<int>{100}));  // 99.62
}

TEST(PixelFilters, BlurWorksInPlaceInRowMajorOrder) {
  // One row, radius 1: each pixel sees its left neighbour already blurred.
  PixelBuffer row = Grey(4, 1, {40, 0, 0, 0});
  Blur(row.View(), 10);
  EXPECT_EQ(LevelsOf(row), (std::vector<int>{20, 6, 2, 1}));

  // The rows above are blurred already; the ones below are not.
  PixelBuffer p = Grey(3, 3, {0, 0, 0, 0, 90, 0, 0, 0, 0});
  Blur(p.View(), 19);  // radius trunc(1.9) = 1
  EXPECT_EQ(LevelsOf(p), (std::vector<int>{22, 18, 27, 21, 19, 10, 10, 10, 9}));
}

TEST(PixelFilters, BlurStrengthsBelowTenOrHugeStrengths) {
  PixelBuffer p = Grey(2, 1, {100, 0});
  Blur(p.View(), 9);
  Blur(p.View(), -50);
  EXPECT_EQ(LevelsOf(p), (std::vector<int>{100, 0}));
  // A radius beyond the picture: every window is the whole picture.
  PixelBuffer q = Grey(2, 2, {100, 0, 0, 0});
  Blur(q.View(), int64_t{1} << 60);
  // 100/4 = 25; (25)/4 = 6; (25+6)/4 = 7; (25+6+7)/4 = 9.
  EXPECT_EQ(LevelsOf(q), (std::vector<int>{25, 6, 7, 9}));
}

// The same blur written the plain way (a full window sum per pixel), for
// larger radii and uneven sizes.
void PlainBlur(PixelBuffer& b, int r) {
  for (int y = 0; y < b.Height; ++y)
    for (int x = 0; x < b.Width; ++x) {
      int64_t sum[3] = {0, 0, 0}, n = 0;
      for (int yy = std::max(0, y - r); yy <= std::min(b.Height - 1, y + r); ++yy)
        for (int xx = std::max(0, x - r); xx <= std::min(b.Width - 1, x + r); ++xx, ++n)
          for (int k = 0; k < 3; ++k) sum[k] += (b.Data[yy * b.Width + xx] >> (8 * k)) & 0xFF;
      b.Data[y * b.Width + x] = 0xff000000u | static_cast<uint32_t>(sum[2] / n) << 16 |
                                static_cast<uint32_t>(sum[1] / n) << 8 | static_cast<uint32_t>(sum[0] / n);
    }
}

TEST(PixelFilters, BlurMatchesThePlainWindowSum) {
  std::mt19937 random(7);
  for (int r : {1, 2, 3, 9}) {
    PixelBuffer p(13, 7);
    for (uint32_t& v : p.Data) v = 0xff000000u | (random() & 0xFFFFFF);
    PixelBuffer expected = p;
    PlainBlur(expected, r);
    Blur(p.View(), r * 10 + 5);
    EXPECT_EQ(p.Data, expected.Data) << "radius " << r;
  }
}

TEST(PixelFilters, SharpenMixesByTheStrengthsLowByte) {
  auto centre = [](int64_t strength) {
    PixelBuffer p = Grey(3, 3, {10, 10, 10, 10, 100, 10, 10, 10, 10});
    Sharpen(p.View(), strength);
    std::vector<int> l = LevelsOf(p);
    EXPECT_EQ(l[0], 10) << "the border stays";
    return l[4];
  };
  // S = 180, t = clamp((1100 - 180) / 2) = 255.
  EXPECT_EQ(centre(255), 254);        // 255*255/256 + 0
  EXPECT_EQ(centre(128), 176);        // 127 + 49
  EXPECT_EQ(centre(0), 99);           // 0 + 100*255/256
  EXPECT_EQ(centre(256), 99);         // the low byte of 256 is 0
  EXPECT_EQ(centre(256 + 255), 254);
}

TEST(PixelFilters, SharpenSeesItsLeftNeighbourSharpened) {
  // (1,1) becomes 254; (2,1) then has S = 30 + 254 + 20 + 10 + 30 = 344
  // and t = (220 - 344) / 2 < 0 -> 0 (the original 100 would give 14).
  PixelBuffer p = Grey(4, 3, {10, 10, 10, 10, 10, 100, 20, 10, 10, 10, 10, 10});
  Sharpen(p.View(), 255);
  EXPECT_EQ(LevelsOf(p), (std::vector<int>{10, 10, 10, 10, 10, 254, 0, 10, 10, 10, 10, 10}));
}

TEST(PixelFilters, SepiaTonesByTheMean) {
  // Tone R 200, G 100, B 50 (colour number 0x3264C8). Mean 60: l*c/128.
  // Mean 200 (i = 72): 72*255/128 = 143, plus 55*c/128.
  PixelBuffer p = Picture(3, 1, {0x3C3C3C, 0xC8C8C8, 0xFFFF5A});
  Sepia(p.View(), 0x3264C8);
  EXPECT_EQ(ColoursOf(p), (Rgb{0x5D2E17, 0xE4B9A4, 0xE4B9A4}));
}

TEST(PixelFilters, EdgesInsideRowsAndColumnsOneToSizeMinusThree) {
  std::vector<int> levels(25, 0);
  levels[2 * 5 + 2] = 10;
  PixelBuffer p = Grey(5, 5, levels);
  PixelBuffer e = DetectEdges(p.View());
  std::vector<int> expected(25, 0);
  expected[1 * 5 + 1] = expected[1 * 5 + 2] = expected[2 * 5 + 1] = 10;  // S = 10, v = 0
  // (2,2): 10 - 90 < 0; row 3 and column 3 stay black though next to it.
  EXPECT_EQ(LevelsOf(e), expected);
}

TEST(PixelRotations, PlaneRotationSizesAndDirection) {
  int64_t w, h;
  PlaneRotatedSize(3, 2, 90, w, h);
  EXPECT_EQ(w, 3);
  EXPECT_EQ(h, 4);
  PlaneRotatedSize(10, 10, 45, w, h);  // 14.14 -> 14, plus 1
  EXPECT_EQ(w, 15);
  EXPECT_EQ(h, 15);

  // Counter-clockwise: the right pixel of [A B] goes to the top.
  PixelBuffer src = Picture(2, 1, {0xA, 0xB});
  PixelBuffer dst = Picture(2, 3, {1, 1, 1, 1, 1, 1});
  RotatePlaneInto(src.View(), 90, dst.View());
  EXPECT_EQ(ColoursOf(dst), (Rgb{0xFFFFFF, 0xFFFFFF, 0xB, 0xFFFFFF, 0xA, 0xFFFFFF}));

  // No turn: the picture itself at (0, 0); a target larger than the
  // turned picture keeps what lies beyond it.
  PixelBuffer same = Picture(3, 2, {1, 2, 3, 4, 5, 6});
  PixelBuffer big = Picture(5, 4, Rgb(20, 7));
  RotatePlaneInto(same.View(), 360, big.View());
  EXPECT_EQ(ColoursOf(big), (Rgb{1, 2, 3, 0xFFFFFF, 7, 4, 5, 6, 0xFFFFFF, 7, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
                                 0xFFFFFF, 7, 7, 7, 7, 7, 7}));
}

TEST(PixelRotations, FixedPointTurnAboutTheCentre) {
  PixelBuffer p = Picture(3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
  EXPECT_EQ(ColoursOf(RotateFixed(p.View(), 90)), (Rgb{3, 6, 9, 2, 5, 8, 1, 4, 7}));
  EXPECT_EQ(ColoursOf(RotateFixed(p.View(), 0)), ColoursOf(p));
  EXPECT_EQ(ColoursOf(RotateFixed(p.View(), -360)), ColoursOf(p));
  EXPECT_EQ(ColoursOf(RotateFixed(p.View(), 180)), (Rgb{9, 8, 7, 6, 5, 4, 3, 2, 1}));
  // Uneven sizes leave white where no source pixel lands.
  PixelBuffer wide = Picture(4, 2, {1, 2, 3, 4, 5, 6, 7, 8});
  Rgb turned = ColoursOf(RotateFixed(wide.View(), 90));
  EXPECT_EQ(std::count(turned.begin(), turned.end(), 0xFFFFFFu), 4);
}

TEST(PixelResample, LagrangeEnlarging) {
  // 2 -> 3: the middle sample at s = 0.5 weighs -65535, 589824, 589824,
  // -65535 (in 2^-20), the outer samples repeated beyond the edges.
  PixelBuffer p = Grey(2, 1, {0, 100});
  EXPECT_EQ(LevelsOf(Resample(p.View(), 3, 1)), (std::vector<int>{0, 50, 100}));
  PixelBuffer q = Grey(2, 1, {10, 250});
  EXPECT_EQ(LevelsOf(Resample(q.View(), 3, 1)), (std::vector<int>{10, 130, 250}));
  // Overshoot is clamped.
  PixelBuffer r = Grey(4, 1, {0, 255, 255, 0});
  for (int v : LevelsOf(Resample(r.View(), 9, 1))) EXPECT_LE(v, 255);
  // Heights the same way as widths.
  PixelBuffer c = Grey(1, 2, {0, 100});
  EXPECT_EQ(LevelsOf(Resample(c.View(), 1, 3)), (std::vector<int>{0, 50, 100}));
}

TEST(PixelResample, AreaAverageReducing) {
  PixelBuffer p = Grey(4, 1, {10, 20, 30, 41});
  EXPECT_EQ(LevelsOf(Resample(p.View(), 2, 1)), (std::vector<int>{15, 36}));
  PixelBuffer q = Grey(3, 1, {30, 60, 90});
  EXPECT_EQ(LevelsOf(Resample(q.View(), 2, 1)), (std::vector<int>{40, 80}));
  PixelBuffer col = Grey(1, 3, {30, 60, 90});
  EXPECT_EQ(LevelsOf(Resample(col.View(), 1, 1)), (std::vector<int>{60}));
}

TEST(PixelResample, OnePixelAndRefusedSizes) {
  PixelBuffer one = Picture(1, 1, {0x123456});
  PixelBuffer big = Resample(one.View(), 3, 2);
  EXPECT_EQ(ColoursOf(big), Rgb(6, 0x123456));
  EXPECT_TRUE(Resample(one.View(), 0, 5).Data.empty());
  EXPECT_TRUE(Resample(one.View(), 100000, 100000).Data.empty());
  PixelBuffer empty;
  EXPECT_TRUE(Resample(empty.View(), 3, 3).Data.empty());
}

TEST(PixelCopies, BlendFactorsAndExactCopyAtFullStrength) {
  EXPECT_EQ(BlendAlpha(100), 256);
  EXPECT_EQ(BlendAlpha(1000), 256);
  EXPECT_EQ(BlendAlpha(50), 128);
  EXPECT_EQ(BlendAlpha(0.1), 0);
  EXPECT_EQ(BlendAlpha(-5), 0);
  EXPECT_EQ(BlendAlpha(99.9), 255);

  PixelBuffer src = Picture(1, 1, {0xC8C8C8});
  PixelBuffer dst = Picture(1, 1, {0x646464});
  Blend(src.View(), dst.View(), 0, 0, 128);
  EXPECT_EQ(ColoursOf(dst), (Rgb{0x969696}));
  PixelBuffer a = Picture(1, 1, {0xFF0102});
  Blend(a.View(), dst.View(), 0, 0, 256);
  EXPECT_EQ(ColoursOf(dst), (Rgb{0xFF0102}));
  // (10 * 200 + 246 * 100) / 256 = 103 per channel, independently.
  PixelBuffer c = Picture(1, 1, {0xC80000});
  PixelBuffer d = Picture(1, 1, {0x640064});
  Blend(c.View(), d.View(), 0, 0, 10);
  EXPECT_EQ(ColoursOf(d), (Rgb{0x670060}));
}

TEST(PixelCopies, ClippedAtEveryEdge) {
  PixelBuffer src = Picture(2, 2, {1, 2, 3, 4});
  PixelBuffer dst = Picture(2, 2, {9, 9, 9, 9});
  Blend(src.View(), dst.View(), -1, -1, 256);
  EXPECT_EQ(ColoursOf(dst), (Rgb{4, 9, 9, 9}));
  Draw(src.View(), dst.View(), 1, 1);
  EXPECT_EQ(ColoursOf(dst), (Rgb{4, 9, 9, 1}));
  Draw(src.View(), dst.View(), 5, -7);  // entirely outside
  Draw(src.View(), dst.View(), INT32_MAX, INT32_MIN);
  EXPECT_EQ(ColoursOf(dst), (Rgb{4, 9, 9, 1}));

  // Onto itself, overlapping.
  PixelBuffer row = Picture(4, 1, {1, 2, 3, 4});
  Draw(row.View(), row.View(), 1, 0);
  EXPECT_EQ(ColoursOf(row), (Rgb{1, 1, 2, 3}));
}

TEST(PixelCopies, RectanglesScaledAndOutsideWhite) {
  PixelBuffer src = Picture(2, 2, {1, 2, 3, 4});
  PixelBuffer dst = Picture(3, 3, Rgb(9, 0));
  // One pixel scaled to 2 x 2 at (1, 1).
  EXPECT_TRUE(CopyRect(src.View(), {1, 1, 1, 1}, dst.View(), {1, 1, 2, 2}));
  EXPECT_EQ(ColoursOf(dst), (Rgb{0, 0, 0, 0, 4, 4, 0, 4, 4}));
  // A source rectangle half outside counts white there.
  EXPECT_TRUE(CopyRect(src.View(), {1, 0, 2, 1}, dst.View(), {0, 0, 2, 1}));
  EXPECT_EQ(ColoursOf(dst)[0], 2u);
  EXPECT_EQ(ColoursOf(dst)[1], 0xFFFFFFu);
  // Empty rectangles do nothing; huge ones are refused.
  EXPECT_TRUE(CopyRect(src.View(), {0, 0, 0, 5}, dst.View(), {0, 0, 2, 2}));
  EXPECT_FALSE(CopyRect(src.View(), {0, 0, 2, 2}, dst.View(), {0, 0, 100000, 100000}));
}

TEST(PixelEdgeCases, EmptyAndOnePixelPictures) {
  PixelBuffer empty;
  PixelView none = empty.View();
  FlipVertical(none);
  FlipHorizontal(none);
  Negate(none);
  Grayscale(none);
  Solarize(none);
  Brighten(none, 10);
  GammaCorrect(none, 1);
  Blur(none, 100);
  Sharpen(none, 100);
  Sepia(none, 0xFFFFFF);
  EXPECT_TRUE(RotateRight(none).Data.empty());
  EXPECT_TRUE(DetectEdges(none).Data.empty());
  EXPECT_TRUE(RotateFixed(none, 30).Data.empty());
  PixelBuffer dst = Picture(1, 1, {5});
  RotatePlaneInto(none, 30, dst.View());
  EXPECT_EQ(ColoursOf(dst), (Rgb{5}));

  PixelBuffer one = Picture(1, 1, {0x808080});
  Blur(one.View(), 1000);
  Sharpen(one.View(), 255);
  EXPECT_EQ(ColoursOf(one), (Rgb{0x808080}));
  EXPECT_EQ(ColoursOf(DetectEdges(one.View())), (Rgb{0}));
  EXPECT_EQ(ColoursOf(RotateRight(one.View())), (Rgb{0x808080}));
  EXPECT_EQ(ColoursOf(RotateFixed(one.View(), 123)), (Rgb{0x808080}));
  PixelBuffer target = Picture(1, 1, {0});
  RotatePlaneInto(one.View(), 45, target.View());  // 2 x 2; its top-left
  EXPECT_EQ(target.Data.size(), 1u);
}

}  // namespace
}  // namespace nokari::image
