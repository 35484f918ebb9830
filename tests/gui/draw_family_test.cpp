// The drawing commands in a window (not a console run): 表示 on 母艦's
// surface at the current position, the shapes, and 画面クリア, run by an
// engine over the Qt parts.
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>

#include "../unit/TestHost.h"
#include "PartsFixture.h"
#include "gui/canvas/QtCanvas.h"
#include "parts/ObjectModel.h"

namespace nokari::testing {
namespace {

class DrawInWindow : public PartsTest {
 protected:
  DrawInWindow() {
    AliasJapaneseFonts();
    engine_.e.Services.Parts = &service_;
    engine_.e.Services.Console = false;
  }
  void Run(const char* program) {
    engine_.Run(program);
    ASSERT_EQ(engine_.host.Errors, "");
  }
  QtCanvas& Surface() { return window_.Surface(); }
  ColorRef At(int x, int y) {
    ColorRef c = 0xDEADBEEF;
    Surface().PixelAt(x, y, c);
    return c;
  }
  // The rows [top, bottom) holding any pixel of `colour`, as (first, last).
  std::pair<int, int> InkRows(ColorRef colour, int top = 0, int bottom = 453) {
    int first = -1, last = -1;
    for (int y = top; y < bottom; ++y)
      for (int x = 0; x < 632; ++x)
        if (At(x, y) == colour) {
          if (first < 0) first = y;
          last = y;
          break;
        }
    return {first, last};
  }
  int InkLeft(ColorRef colour, int top, int bottom) {
    for (int x = 0; x < 632; ++x)
      for (int y = top; y < bottom; ++y)
        if (At(x, y) == colour) return x;
    return -1;
  }
  parts::PartLayout& Layout() { return parts::Layout(engine_.e); }

  TestEngine engine_;  // declared last: it goes before the service it uses
};

TEST_F(DrawInWindow, ShowTextDrawsLinesAndMovesDown) {
  Run("画面クリア(白色)\n文字色は、赤色\n「あいう\nえお」を、表示");
  EXPECT_EQ(engine_.host.Output, "");  // drawn, not written out
  CanvasFont font{PartFont{S("ＭＳ ゴシック"), 12}, 0};
  int step = static_cast<int>(1.2 * Surface().TextHeight(S("あ"), font));
  EXPECT_EQ(Layout().Y, 10 + 2 * step);
  EXPECT_EQ(Layout().X, 10);
  auto [first, last] = InkRows(0x0000FF);
  EXPECT_GE(first, 10);
  EXPECT_GT(last, 10 + step);  // the second line is below the first
  EXPECT_LT(last, 10 + 2 * step);
  EXPECT_GE(InkLeft(0x0000FF, 0, 400), 10);
}

TEST_F(DrawInWindow, CentredLinesEachCentredAlone) {
  Run("画面クリア(白色)\n文字色は、黒色\nセンタリング\n「WWWWWWWWWW\nW」を、表示\nセンタリング解除");
  CanvasFont font{PartFont{S("ＭＳ ゴシック"), 12}, 0};
  int step = static_cast<int>(1.2 * Surface().TextHeight(S("あ"), font));
  int longLeft = InkLeft(0, 10, 10 + step), shortLeft = InkLeft(0, 10 + step, 10 + 2 * step);
  int longWidth = Surface().TextWidth("WWWWWWWWWW", font);
  EXPECT_NEAR(longLeft, (628 - longWidth) / 2, 3);  // across the client, not the larger surface
  EXPECT_NEAR(shortLeft, (628 - Surface().TextWidth("W", font)) / 2, 3);
  EXPECT_EQ(Layout().X, 10);  // centring leaves the current X
}

TEST_F(DrawInWindow, TabsExpandAndMoveSetsThePosition) {
  Run("画面クリア(白色)\nタブ文字の個数は、4\n(100,200)へ、移動\n「\tX」を、表示");
  CanvasFont font{PartFont{S("ＭＳ ゴシック"), 12}, 0};
  int left = InkLeft(0, 200, 230);
  EXPECT_GE(left, 100 + Surface().TextWidth("    ", font));
  EXPECT_LT(left, 100 + Surface().TextWidth("     ", font));
}

TEST_F(DrawInWindow, ShapesUseTheCurrentVariables) {
  Run("画面クリア(白色)\nペン色は、赤色\n塗り色は、青色\nペン太さは、1\n(10,10)から、(50,40)へ、四角形\n"
      "(100,10,160,50)へ、四角形\n(200,10)から、(260,70)へ、円形\n(300,10)へ、移動\n(340,50)へ、線");
  EXPECT_EQ(At(30, 25), 0xFF0000u);   // interior: 塗り色
  EXPECT_EQ(At(10, 25), 0x0000FFu);   // outline: ペン色
  EXPECT_EQ(At(130, 30), 0xFF0000u);  // the four-number form
  EXPECT_EQ(At(170, 30), 0xFFFFFFu);
  EXPECT_EQ(At(230, 40), 0xFF0000u);
  EXPECT_EQ(At(202, 12), 0xFFFFFFu);
  EXPECT_EQ(At(320, 30), 0x0000FFu);  // the line from the current position
}

TEST_F(DrawInWindow, ClearScreenTakesTheColourAndResetsThePosition) {
  Run("(50,60)へ、移動\n画面クリア(赤色)\n(1,1)へ、移動\n画面クリア");
  EXPECT_EQ(At(300, 300), 0x0000FFu);  // no argument: the window's colour, now red
  EXPECT_EQ(Layout().X, 10);
  EXPECT_EQ(Layout().Y, 10);
}

TEST_F(DrawInWindow, FadesPutThePictureBack) {
  Run("画面クリア(白色)\nペン色は、赤色\n塗り色は、赤色\n(10,10,50,50)へ、四角形\n画面フェードアウト(1)\n画面フェードイン");
  EXPECT_EQ(At(30, 30), 0x0000FFu);
  EXPECT_EQ(At(100, 100), 0xFFFFFFu);
}

TEST_F(DrawInWindow, WithoutAPrinterSetupAnswersNoAndPrintingFails) {
  if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "this machine has a printer";
  qunsetenv("NOKARI_PRINT_PDF");
  Run("それは、5\nプリンタ設定");
  EXPECT_EQ(engine_.e.SoreVar->Value, "0");
  engine_.Run("用紙縦サイズ取得");
  EXPECT_NE(engine_.host.Errors.find("印刷できません。プリンタがありません。"), std::string::npos);
  engine_.host.Errors.clear();
  engine_.Run("(1,1)から、(5,5)へ、プリンタ線");
  EXPECT_NE(engine_.host.Errors.find("印刷できません。プリンタがありません。"), std::string::npos);
}

TEST_F(DrawInWindow, ShowTextGoesToTheDisplayTargetInstead) {
  QString file = dir_.filePath("out.txt");
  std::string program = "表示出力先は、「" + ToUtf8(FromQ(file)) + "」\n画面クリア(白色)\n「一行」を、表示\n「二行」を、表示";
  engine_.e.SecurityLevel = 0;  // the temporary folder is not the script's
  Run(program.c_str());
  EXPECT_EQ(Layout().Y, 10);  // nothing drawn
  QFile out(file);
  ASSERT_TRUE(out.open(QIODevice::ReadOnly));
  EXPECT_EQ(ToUtf8(out.readAll().toStdString()), "一行\r\n二行\r\n");
}

// The whole-document commands into a PDF file: the window's picture scaled
// to the page's width (wider than high), plain text, and an イメージ only.
TEST_F(DrawInWindow, PrintingTheWindowAndTextIntoAPdf) {
  QString pdf = dir_.filePath("page.pdf");
  qputenv("NOKARI_PRINT_PDF", pdf.toLocal8Bit());
  Run("画面クリア(赤色)\n母艦印刷");
  QString tool = QStandardPaths::findExecutable("pdftoppm");
  if (!tool.isEmpty()) {
    QProcess p;
    p.start(tool, {"-r", "20", "-png", "-singlefile", pdf, dir_.filePath("page")});
    ASSERT_TRUE(p.waitForFinished(30000));
    QImage page(dir_.filePath("page.png"));
    ASSERT_FALSE(page.isNull());
    // 632 × 453 across the page's width: red at the top, white below.
    QColor top = page.pixelColor(page.width() / 2, page.width() * 4 / 10 / 2);
    EXPECT_TRUE(top.red() > 240 && top.green() < 16 && top.blue() < 16) << top.name().toStdString();
    EXPECT_EQ(page.pixelColor(page.width() / 2, page.height() * 3 / 4), QColor(Qt::white));
  }
  QFile::remove(pdf);
  Run("「一行目\n二行目」を、簡易印刷");
  EXPECT_TRUE(QFile::exists(pdf));
  engine_.Run("「B」を、ボタンとして、作成\nBを、イメージ印刷");
  EXPECT_NE(engine_.host.Errors.find("オブジェクト\"B\"は、作成されていません。"), std::string::npos);
  qunsetenv("NOKARI_PRINT_PDF");
}

}  // namespace
}  // namespace nokari::testing

namespace nokari::testing {
namespace {

// A small drawing program's picture against the one kept beside the tests
// (NOKARI_UPDATE_GOLDEN=1 writes it anew). Text may differ by a few pixels
// between font builds, so up to 1% of the pixels may differ, and only by
// more than a little.
TEST_F(DrawInWindow, ASmallDrawingMatchesItsGoldenPicture) {
  Run("画面クリア(白色)\n"
      "ペン色は、青色。塗り色は、黄色。ペン太さは、3\n"
      "(20,20)から、(140,100)へ、四角形\n"
      "塗り色は、緑色\n"
      "(160,20)から、(300,100)へ、円形\n"
      "ペン色は、赤色。ペン太さは、1\n"
      "(20,120)から、(300,190)へ、線\n"
      "(20,130)へ、移動\n"
      "文字色は、黒色。文字サイズは、14\n"
      "「のかりで描く」を、表示");
  QImage picture = Surface().Image().copy(0, 0, 320, 200);
  const QString golden = QStringLiteral(NOKARI_SOURCE_DIR "/tests/gui/golden/drawing.png");
  if (qEnvironmentVariableIsSet("NOKARI_UPDATE_GOLDEN")) {
    ASSERT_TRUE(picture.save(golden));
  }
  QImage expected(golden);
  ASSERT_FALSE(expected.isNull()) << "no golden picture: run with NOKARI_UPDATE_GOLDEN=1";
  expected = expected.convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(expected.size(), picture.size());
  int differing = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) {
      QRgb a = picture.pixel(x, y), b = expected.pixel(x, y);
      int d = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
      if (d > 32) ++differing;
    }
  EXPECT_LE(differing, picture.width() * picture.height() / 100);
}

}  // namespace
}  // namespace nokari::testing
