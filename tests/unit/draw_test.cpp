// The drawing family's pure parts: the colour reading, the face lookup,
// the text 表示 draws, and the coverage blend of 文字描画.
#include <gtest/gtest.h>

#include "core/Encoding.h"
#include "lib/draw/TextDrawing.h"
#include "parts/PartValues.h"

namespace nokari {
namespace {

using parts::ColourOf;

TEST(DrawColour, HashTextIsRedGreenBluePairs) {
  EXPECT_EQ(ColourOf("#FF0000", 0), 0x0000FFu);
  EXPECT_EQ(ColourOf("#0000FF", 0), 0xFF0000u);
  EXPECT_EQ(ColourOf("#993300", 0), 0x003399u);
  EXPECT_EQ(ColourOf("#ffcc99", 0), 0x99CCFFu);
  // A pair that is not hexadecimal reads as 0; the others still count.
  EXPECT_EQ(ColourOf("#ZZ00FF", 0), 0xFF0000u);
  EXPECT_EQ(ColourOf("#FFG0FF", 0), 0xFF00FFu);
  // Short texts: what is there, pair by pair.
  EXPECT_EQ(ColourOf("#F", 0), 0x00000Fu);
  EXPECT_EQ(ColourOf("#", 0), 0u);
}

TEST(DrawColour, OtherTextIsADecimalNumber) {
  EXPECT_EQ(ColourOf("255", 0), 255u);
  EXPECT_EQ(ColourOf("16711680", 0), 0xFF0000u);
  EXPECT_EQ(ColourOf("赤", 0), 0u);
  EXPECT_EQ(ColourOf("", 7), 7u);
}

TEST(DrawFont, FaceFoundIgnoringWidthCaseAndSpaces) {
  std::vector<std::string> installed = {"DejaVu Sans", "IPAGothic", FromUtf8("ＭＳ ゴシック"), FromUtf8("ＭＳ 明朝")};
  EXPECT_EQ(parts::InstalledFace(FromUtf8("ＭＳゴシック"), installed), FromUtf8("ＭＳ ゴシック"));
  EXPECT_EQ(parts::InstalledFace(FromUtf8("ms 明朝"), installed), FromUtf8("ＭＳ 明朝"));
  EXPECT_EQ(parts::InstalledFace("ipagothic", installed), "IPAGothic");
  EXPECT_EQ(parts::InstalledFace(FromUtf8("ｄｅｊａｖｕ　ｓａｎｓ"), installed), "DejaVu Sans");
  // Unknown or empty: the fallback face, whether or not it is installed.
  EXPECT_EQ(parts::InstalledFace(FromUtf8("存在しない書体"), installed), FromUtf8("ＭＳ ゴシック"));
  EXPECT_EQ(parts::InstalledFace("", {}), FromUtf8("ＭＳ ゴシック"));
}

TEST(DrawFont, FontTextGivesStyleAndSize) {
  PartFont f = parts::ReadFontSpec(FromUtf8("ＭＳゴシック|太字|14"), 12);
  EXPECT_TRUE(f.Bold);
  EXPECT_EQ(f.Points, 14);
  EXPECT_EQ(parts::ReadFontSpec(FromUtf8("ＭＳ 明朝"), 12).Points, 12);
}

TEST(DrawText, ShortTextsHaveTabsExpanded) {
  EXPECT_EQ(draw::DisplayText("a\tb", 4), "a   b");
  EXPECT_EQ(draw::DisplayText("a\tb", 0), "a\tb");
  EXPECT_EQ(draw::DisplayText("a\nb", 8), "a\r\nb");
  EXPECT_EQ(draw::DisplayText(std::string(4095, 'x') + "\t", 8), std::string(4095, 'x') + " ");
}

TEST(DrawText, LongTextsAreCutAtACharacterBoundary) {
  std::string tabs(5000, '\t');
  EXPECT_EQ(draw::DisplayText(tabs, 8), std::string(4096, '\t'));
  // 4095 single bytes then a double-byte character: it would straddle the
  // cut, so it goes whole.
  std::string text = std::string(4095, 'x') + FromUtf8("あ") + "yyy";
  EXPECT_EQ(draw::DisplayText(text, 8), std::string(4095, 'x'));
  EXPECT_EQ(draw::DisplayText(std::string(4096, 'z') + "!", 8), std::string(4096, 'z'));
}

// A mask three times the target's size, each 3 × 3 block holding `lit`
// white pixels.
PixelBuffer Mask(int w, int h, int lit) {
  PixelBuffer mask(w * 3, h * 3, 0xff000000);
  for (int by = 0; by < h; ++by)
    for (int bx = 0; bx < w; ++bx)
      for (int i = 0; i < lit; ++i) mask.Data[static_cast<size_t>(by * 3 + i / 3) * mask.Width + bx * 3 + i % 3] = 0xffffffff;
  return mask;
}

TEST(DrawText, CoverageBlendsTowardTheColour) {
  PixelBuffer target(4, 2, 0xffffffff);  // white
  PixelBuffer full = Mask(4, 2, 9), none = Mask(4, 2, 0), part = Mask(4, 2, 3);
  draw::BlendCoverage(target.View(), 0, 0, 2, 2, full.View(), 0x000000);
  EXPECT_EQ(target.Data[0], 0xff000000u);  // fully covered: the colour
  EXPECT_EQ(target.Data[5], 0xff000000u);
  EXPECT_EQ(target.Data[2], 0xffffffffu);  // outside w: untouched
  PixelBuffer t2(2, 1, 0xffffffff);
  draw::BlendCoverage(t2.View(), 0, 0, 2, 1, none.View(), 0x000000);
  EXPECT_EQ(t2.Data[0], 0xffffffffu);
  // A third covered: a third of the way from white to red (0x0000FF).
  draw::BlendCoverage(t2.View(), 0, 0, 2, 1, part.View(), 0x0000FF);
  EXPECT_EQ(t2.Data[0], 0xffffaaaau);
}

TEST(DrawText, CoverageIsClippedToTheTarget) {
  PixelBuffer target(3, 3, 0xffffffff);
  PixelBuffer full = Mask(4, 4, 9);
  // Partly outside on every side: only the overlap changes, nothing is
  // read or written beyond either picture.
  draw::BlendCoverage(target.View(), 2, 2, 4, 4, full.View(), 0x00FF00);
  EXPECT_EQ(target.Data[8], 0xff00ff00u);
  EXPECT_EQ(target.Data[4], 0xffffffffu);
  draw::BlendCoverage(target.View(), -3, -3, 4, 4, full.View(), 0x00FF00);
  EXPECT_EQ(target.Data[0], 0xff00ff00u);
  EXPECT_EQ(target.Data[1], 0xffffffffu);
}

}  // namespace
}  // namespace nokari
