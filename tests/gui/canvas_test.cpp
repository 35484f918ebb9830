// The canvas on the offscreen platform: shapes (interior and outside
// pixels, never the edge), pixels, text measured by its bounding box, the
// Japanese face aliases, far-out coordinates, and printing to a PDF file.
#include <QFontInfo>
#include <QProcess>
#include <QStandardPaths>

#include "PartsFixture.h"
#include "core/Printing.h"
#include "gui/canvas/QtCanvas.h"
#include "lib/draw/TextDrawing.h"

namespace nokari::testing {
namespace {

constexpr ColorRef kWhite = 0xFFFFFF, kRed = 0x0000FF, kBlue = 0xFF0000, kGreen = 0x00FF00;

class CanvasTest : public PartsTest {
 protected:
  CanvasTest() { canvas_.Reset(100, 80, kWhite); }
  ColorRef At(int x, int y) {
    ColorRef c = 0xDEADBEEF;
    EXPECT_TRUE(canvas_.PixelAt(x, y, c)) << x << "," << y;
    return c;
  }
  // The smallest rectangle holding every pixel that is not white.
  QRect InkBox() {
    QRect box;
    for (int y = 0; y < canvas_.Height(); ++y)
      for (int x = 0; x < canvas_.Width(); ++x)
        if (At(x, y) != kWhite) box |= QRect(x, y, 1, 1);
    return box;
  }
  QtCanvas canvas_;
  CanvasPen pen_{kRed, 1};
  CanvasBrush brush_{kBlue, false};
};

TEST_F(CanvasTest, RectangleFillsInsideItsOutline) {
  canvas_.Rectangle(10, 10, 50, 40, CanvasPen{kRed, 3}, brush_);
  EXPECT_EQ(At(30, 25), kBlue);   // interior: the brush
  EXPECT_EQ(At(10, 25), kRed);    // on the outline: the pen
  EXPECT_EQ(At(30, 11), kRed);
  EXPECT_EQ(At(5, 25), kWhite);   // outside
  EXPECT_EQ(At(55, 25), kWhite);
  EXPECT_EQ(At(30, 45), kWhite);
}

TEST_F(CanvasTest, RightAndBottomEdgesAreExclusive) {
  canvas_.Rectangle(10, 10, 20, 20, pen_, CanvasBrush{kRed, false});
  EXPECT_EQ(At(18, 18), kRed);
  EXPECT_EQ(At(21, 15), kWhite);
  EXPECT_EQ(At(15, 21), kWhite);
  // Corners given the other way round draw the same rectangle.
  QtCanvas other;
  other.Reset(100, 80, kWhite);
  other.Rectangle(20, 20, 10, 10, pen_, CanvasBrush{kRed, false});
  EXPECT_EQ(other.Image(), canvas_.Image());
}

TEST_F(CanvasTest, EllipseIsInscribed) {
  canvas_.Ellipse(10, 10, 70, 50, pen_, brush_);
  EXPECT_EQ(At(40, 30), kBlue);   // centre
  EXPECT_EQ(At(12, 12), kWhite);  // the box's corner lies outside the ellipse
  EXPECT_EQ(At(67, 47), kWhite);
  EXPECT_EQ(At(75, 30), kWhite);
}

TEST_F(CanvasTest, LinesAreAliasedInThePenColour) {
  canvas_.Line(0, 40, 99, 40, CanvasPen{kGreen, 1});
  EXPECT_EQ(At(50, 40), kGreen);
  EXPECT_EQ(At(50, 39), kWhite);
  EXPECT_EQ(At(50, 41), kWhite);
  canvas_.Line(10, 10, 10, 30, CanvasPen{kRed, 5});
  EXPECT_EQ(At(8, 20), kRed);  // a wide pen covers both sides
  EXPECT_EQ(At(12, 20), kRed);
  EXPECT_EQ(At(16, 20), kWhite);
  // Aliased: no colour between pen and background anywhere.
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 100; ++x) {
      ColorRef c = At(x, y);
      ASSERT_TRUE(c == kWhite || c == kRed || c == kGreen) << x << "," << y;
    }
}

TEST_F(CanvasTest, FarCoordinatesAreClippedNeverOverflow) {
  canvas_.Line(-2000000000, -2000000000, 2000000000, 2000000000, pen_);
  EXPECT_EQ(At(50, 50), kRed);  // the diagonal still shows
  EXPECT_EQ(At(50, 10), kWhite);
  canvas_.Rectangle(-2147483647, 60, 2147483647, 2147483647, pen_, brush_);
  EXPECT_EQ(At(50, 70), kBlue);
  EXPECT_EQ(At(50, 55), kWhite);
  // An ellipse that large would only be a straight edge: not drawn.
  canvas_.Ellipse(-2147483647, -2147483647, 2147483647, 2147483647, pen_, CanvasBrush{kGreen, false});
  EXPECT_NE(At(5, 5), kGreen);
  // Nothing at all for empty shapes.
  canvas_.Fill(kWhite);
  canvas_.Rectangle(30, 30, 30, 60, pen_, brush_);
  canvas_.Ellipse(30, 30, 60, 30, pen_, brush_);
  EXPECT_TRUE(InkBox().isNull());
}

TEST_F(CanvasTest, PixelsOutsideThePictureAreIgnored) {
  EXPECT_TRUE(canvas_.SetPixel(3, 4, kGreen));
  EXPECT_EQ(At(3, 4), kGreen);
  ColorRef c = 123;
  EXPECT_FALSE(canvas_.SetPixel(-1, 4, kGreen));
  EXPECT_FALSE(canvas_.SetPixel(100, 4, kGreen));
  EXPECT_FALSE(canvas_.PixelAt(3, 80, c));
  EXPECT_EQ(c, 123u);
}

TEST_F(CanvasTest, PlainTextStaysInsideItsMeasuredBox) {
  AliasJapaneseFonts();
  CanvasFont font{PartFont{S("ＭＳ ゴシック"), 12}, kRed};
  canvas_.DrawText(10, 20, S("あいWx"), font, false);
  QRect ink = InkBox();
  ASSERT_FALSE(ink.isNull());
  int w = canvas_.TextWidth(S("あいWx"), font), h = canvas_.TextHeight(S("あ"), font);
  EXPECT_GT(w, 30);
  EXPECT_GE(ink.left(), 10);
  EXPECT_LE(ink.right(), 10 + w);
  EXPECT_GE(ink.top(), 20);
  EXPECT_LE(ink.bottom(), 20 + h);
  EXPECT_GT(ink.width(), w / 2);
  // Without smoothing only the text colour and the background appear.
  for (int y = ink.top(); y <= ink.bottom(); ++y)
    for (int x = ink.left(); x <= ink.right(); ++x) ASSERT_TRUE(At(x, y) == kWhite || At(x, y) == kRed);
}

TEST_F(CanvasTest, WindowsFaceNamesFindTheIpaFaces) {
  AliasJapaneseFonts();
  for (const char* face : {"ＭＳ ゴシック", "ＭＳ Ｐゴシック", "ＭＳ 明朝", "ＭＳ Ｐ明朝", "MS UI Gothic", "メイリオ"}) {
    QFontInfo info(QFontOf(PartFont{S(face), 12}));
    EXPECT_TRUE(info.family().startsWith("IPA")) << face << " -> " << info.family().toStdString();
  }
  std::vector<std::string> names = service_.Graphics()->FontNames();
  EXPECT_NE(std::find(names.begin(), names.end(), S("ＭＳ ゴシック")), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "IPAGothic"), names.end());
}

TEST_F(CanvasTest, SmoothTextHasInBetweenColoursInItsBox) {
  AliasJapaneseFonts();
  CanvasFont font{PartFont{S("ＭＳ ゴシック"), 14}, 0x000000};
  draw::DrawSmoothText(canvas_, *service_.Graphics(), 5, 10, S("あW"), font);
  QRect ink = InkBox();
  ASSERT_FALSE(ink.isNull());
  EXPECT_GE(ink.left(), 5);
  EXPECT_GE(ink.top(), 10);
  EXPECT_LE(ink.bottom(), 10 + canvas_.TextHeight(S("あ"), font));
  int black = 0, grey = 0;
  for (int y = ink.top(); y <= ink.bottom(); ++y)
    for (int x = ink.left(); x <= ink.right(); ++x) {
      ColorRef c = At(x, y);
      black += c == 0;
      grey += c != 0 && c != kWhite;
    }
  EXPECT_GT(black, 0);
  EXPECT_GT(grey, 0);
}

TEST_F(CanvasTest, SmoothTextOfAHugeFontStaysWithinThePicture) {
  CanvasFont font{PartFont{S("ＭＳ ゴシック"), 1000}, 0x000000};
  draw::DrawSmoothText(canvas_, *service_.Graphics(), -50, -50, S("あ"), font);
  draw::DrawSmoothText(canvas_, *service_.Graphics(), 2000000000, 2000000000, S("あ"), font);
  SUCCEED();
}

// --- printing to a PDF file -------------------------------------------------

class PdfPrint : public PartsTest {
 protected:
  void SetUp() override {
    pdf_ = dir_.filePath("out.pdf");
    qputenv("NOKARI_PRINT_PDF", pdf_.toLocal8Bit());
  }
  void TearDown() override { qunsetenv("NOKARI_PRINT_PDF"); }
  // The first page at 20 dpi; a null image when pdftoppm is missing.
  QImage Rendered() {
    QString tool = QStandardPaths::findExecutable("pdftoppm");
    if (tool.isEmpty()) return {};
    QProcess p;
    p.start(tool, {"-r", "20", "-png", "-singlefile", pdf_, dir_.filePath("page")});
    EXPECT_TRUE(p.waitForFinished(30000));
    return QImage(dir_.filePath("page.png"));
  }
  QString pdf_;
};

TEST_F(PdfPrint, ADocumentDrawnCommandByCommand) {
  IPrinter& printer = *service_.Graphics()->Printer();
  ASSERT_TRUE(printer.Available());
  EXPECT_EQ(printer.Setup(), PrintSetup::Confirmed);  // no dialog for a PDF
  int w = printer.PageWidth(), h = printer.PageHeight();
  ASSERT_GT(w, 1000);  // printer pixels, far more than the screen's
  ASSERT_GT(h, w);     // portrait
  ASSERT_TRUE(printer.Begin("test"));
  EXPECT_TRUE(printer.Printing());
  // The right half of the upper half in red.
  printer.Rectangle(w / 2, 0, w, h / 2, CanvasPen{kRed, 1}, CanvasBrush{kRed, false});
  CanvasFont font{PartFont{"IPAGothic", 12}, 0};
  EXPECT_GT(printer.TextWidth("WWW", font), printer.TextWidth("W", font));
  EXPECT_GT(printer.TextHeight("W", font), 50);  // 12 points at 1200 dpi
  printer.DrawText(10, h - 400, "Nokari", font);
  ASSERT_TRUE(printer.End());
  EXPECT_FALSE(printer.Printing());
  QFile file(pdf_);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.read(4) == "%PDF");
  QImage page = Rendered();
  if (page.isNull()) GTEST_SKIP() << "pdftoppm is not installed";
  // Margins aside, a point well inside each region.
  EXPECT_EQ(page.pixelColor(page.width() * 3 / 4, page.height() / 4), QColor(Qt::red));
  EXPECT_EQ(page.pixelColor(page.width() / 4, page.height() / 4), QColor(Qt::white));
  EXPECT_EQ(page.pixelColor(page.width() * 3 / 4, page.height() * 3 / 4), QColor(Qt::white));
}

TEST_F(PdfPrint, APictureScaledOntoThePage) {
  IPrinter& printer = *service_.Graphics()->Printer();
  PixelBuffer picture(40, 20, 0xff0000ff);  // blue
  int w = printer.PageWidth();
  ASSERT_TRUE(printer.PrintPicture(picture.View(), PartRect{0, 0, w, w / 2}, "picture"));
  QImage page = Rendered();
  if (page.isNull()) GTEST_SKIP() << "pdftoppm is not installed";
  // A picture goes into the PDF compressed: near the colour, not exact.
  QColor c = page.pixelColor(page.width() / 2, page.width() / 5);
  EXPECT_TRUE(c.red() < 8 && c.green() < 8 && c.blue() > 247) << c.name().toStdString();
  EXPECT_EQ(page.pixelColor(page.width() / 2, page.height() * 3 / 4), QColor(Qt::white));
}

}  // namespace
}  // namespace nokari::testing
