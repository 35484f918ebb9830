// Picture files of the canvases: round trips per format, the format by
// extension, and bad files (missing, truncated, a header declaring a
// gigantic picture, an unwritable target) failing cleanly. Also the
// pictures the image commands take from outside: the clipboard and
// window captures.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include "PartsFixture.h"
#include "gui/canvas/PictureFiles.h"
#include "gui/canvas/QtCanvas.h"

namespace nokari::testing {
namespace {

using ImageFiles = PartsTest;

// A 4 x 3 picture with a distinct colour in every pixel.
QtCanvas Sample() {
  QtCanvas c;
  c.Reset(4, 3, 0xFFFFFF);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) c.Image().setPixelColor(x, y, QColor(40 * x, 60 * y, 200 - 30 * x));
  return c;
}

std::string PathIn(const QTemporaryDir& dir, const char* name) { return FromQ(dir.filePath(QString::fromUtf8(name))); }

TEST_F(ImageFiles, LosslessFormatsRoundTripExactly) {
  for (const char* name : {"a.png", "b.BMP", "c.ico"}) {
    QtCanvas original = Sample();
    std::string path = PathIn(dir_, name), error;
    ASSERT_TRUE(original.Save(path, 100, error)) << name << ": " << error;
    QtCanvas back;
    ASSERT_TRUE(back.Load(path, error)) << name << ": " << error;
    EXPECT_EQ(back.Image(), original.Image()) << name;
  }
}

TEST_F(ImageFiles, JpegTakesTheQualityAndStaysClose) {
  QtCanvas original;
  original.Reset(16, 16, 0x3366CC);
  std::string best = PathIn(dir_, "best.jpg"), worst = PathIn(dir_, "worst.jpeg"), error;
  ASSERT_TRUE(original.Save(best, 100, error)) << error;
  ASSERT_TRUE(original.Save(worst, 1, error)) << error;
  EXPECT_GT(QFileInfo(Q(best)).size(), QFileInfo(Q(worst)).size());
  QtCanvas back;
  ASSERT_TRUE(back.Load(best, error)) << error;
  QColor c = back.Image().pixelColor(8, 8);
  EXPECT_NEAR(c.red(), 0xCC, 3);
  EXPECT_NEAR(c.green(), 0x66, 3);
  EXPECT_NEAR(c.blue(), 0x33, 3);
}

TEST_F(ImageFiles, TheExtensionDecidesNotTheContent) {
  QtCanvas original = Sample();
  std::string png = PathIn(dir_, "real.png"), error;
  ASSERT_TRUE(original.Save(png, 100, error));
  // PNG bytes under a .bmp name are a broken BMP, not a PNG.
  ASSERT_TRUE(QFile::copy(Q(png), dir_.filePath("fake.bmp")));
  QtCanvas back;
  EXPECT_FALSE(back.Load(PathIn(dir_, "fake.bmp"), error));
  // Unknown extensions are refused before the file is opened.
  ASSERT_TRUE(QFile::copy(Q(png), dir_.filePath("picture.tif")));
  PictureReadFailure failure;
  std::string reason;
  EXPECT_TRUE(ReadPictureFile(PathIn(dir_, "picture.tif"), failure, reason).isNull());
  EXPECT_EQ(failure, PictureReadFailure::Unsupported);
  EXPECT_FALSE(back.Load(PathIn(dir_, "picture.tif"), error));
  EXPECT_EQ(error, S("未対応のファイル形式です。"));
  // GIF is read only; other extensions cannot be written.
  EXPECT_FALSE(original.Save(PathIn(dir_, "x.gif"), 100, error));
  EXPECT_FALSE(original.Save(PathIn(dir_, "x.txt"), 100, error));
  EXPECT_NE(error.find(S("未対応の画像ファイルです")), std::string::npos);
  EXPECT_FALSE(QFile::exists(dir_.filePath("x.gif")));
  EXPECT_FALSE(QFile::exists(dir_.filePath("x.txt")));
}

TEST_F(ImageFiles, MissingAndTruncatedFilesFail) {
  PictureReadFailure failure;
  std::string reason;
  EXPECT_TRUE(ReadPictureFile(MissingFile(), failure, reason).isNull());
  EXPECT_EQ(failure, PictureReadFailure::CannotOpen);

  QtCanvas original;
  original.Reset(64, 64, 0x123456);
  std::string whole = PathIn(dir_, "whole.png"), error;
  ASSERT_TRUE(original.Save(whole, 100, error));
  QFile file(Q(whole));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QByteArray bytes = file.readAll();
  QFile cut(dir_.filePath("cut.png"));
  ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
  cut.write(bytes.left(bytes.size() / 2));
  cut.close();
  EXPECT_TRUE(ReadPictureFile(PathIn(dir_, "cut.png"), failure, reason).isNull());
  EXPECT_EQ(failure, PictureReadFailure::Broken);
  EXPECT_FALSE(reason.empty());
}

// A BMP header declaring 100000 x 100000 pixels at 24 bits (30 GB), with no
// pixels behind it: refused from the header alone.
QByteArray HugeBmpHeader() {
  QByteArray b(54, '\0');
  auto put32 = [&b](int at, quint32 v) { qToLittleEndian(v, b.data() + at); };
  auto put16 = [&b](int at, quint16 v) { qToLittleEndian(v, b.data() + at); };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, 54);        // file size (a lie as well)
  put32(10, 54);       // pixels start
  put32(14, 40);       // BITMAPINFOHEADER
  put32(18, 100000);   // width
  put32(22, 100000);   // height
  put16(26, 1);        // planes
  put16(28, 24);       // bits per pixel
  return b;
}

TEST_F(ImageFiles, HeadersDeclaringHugePicturesAreRefused) {
  QFile f(dir_.filePath("huge.bmp"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(HugeBmpHeader());
  f.close();
  PictureReadFailure failure;
  std::string reason;
  EXPECT_TRUE(ReadPictureFile(PathIn(dir_, "huge.bmp"), failure, reason).isNull());
  EXPECT_EQ(failure, PictureReadFailure::TooLarge);
  EXPECT_NE(reason.find("100000"), std::string::npos) << reason;
  // A part's picture follows the same rule.
  auto image = Make(PartKind::イメージ);
  EXPECT_FALSE(image->LoadPicture(PathIn(dir_, "huge.bmp")));
}

TEST_F(ImageFiles, FailedWritesLeaveNoFileBehind) {
  QtCanvas original = Sample();
  std::string error;
  // A folder that does not exist.
  EXPECT_FALSE(original.Save(PathIn(dir_, "no/such/folder/a.png"), 100, error));
  // A folder without write permission: neither the file nor a temporary.
  QDir(dir_.path()).mkdir("locked");
  QFile::setPermissions(dir_.filePath("locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  if (QFileInfo(dir_.filePath("locked")).isWritable()) GTEST_SKIP() << "running as a user who writes anywhere";
  EXPECT_FALSE(original.Save(PathIn(dir_, "locked/a.png"), 100, error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(QDir(dir_.filePath("locked")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
  QFile::setPermissions(dir_.filePath("locked"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(ImageFiles, SavedInTheCanvasDepth) {
  QtCanvas c = Sample();
  ASSERT_TRUE(c.SetDepth(8));
  EXPECT_FALSE(c.SetDepth(12));
  std::string bytes, error;
  ASSERT_TRUE(c.Encode(".bmp", 100, bytes, error)) << error;
  QImage back = QImage::fromData(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), "BMP");
  EXPECT_EQ(back.depth(), 8);
  ASSERT_TRUE(c.SetDepth(24));
  ASSERT_TRUE(c.Encode(".png", 100, bytes, error)) << error;
  back = QImage::fromData(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), "PNG");
  EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), c.Image());
}

TEST_F(ImageFiles, ClipboardPicturesBothWays) {
  IGraphics* g = service_.Graphics();
  ASSERT_TRUE(g);
  QtCanvas c = Sample();
  g->SetClipboardPicture(c.Pixels());
  PixelBuffer back;
  ASSERT_TRUE(g->ClipboardPicture(back));
  ASSERT_EQ(back.Width, 4);
  ASSERT_EQ(back.Height, 3);
  EXPECT_EQ(back.Data[5], c.Image().pixel(1, 1));
  // The name クリップボード reads it as a file name would.
  PictureReadFailure failure;
  std::string reason;
  EXPECT_EQ(ReadPictureFile(S("クリップボード"), failure, reason), c.Image());
  EXPECT_EQ(failure, PictureReadFailure::None);
}

TEST_F(ImageFiles, CapturesOwnWindowsAndTheDesktop) {
  IGraphics* g = service_.Graphics();
  PixelBuffer shot;
  ASSERT_TRUE(g->CaptureWindow({}, shot));
  EXPECT_GT(shot.Width, 0);
  EXPECT_GT(shot.Height, 0);
  window_.setWindowTitle(QString::fromUtf8("撮影テスト"));
  window_.Canvas().fill(Qt::green);
  window_.show();
  EXPECT_TRUE(g->ActivateWindowTitled(S("撮影テスト")));
  ASSERT_TRUE(g->CaptureWindow(S("撮影テスト"), shot));
  EXPECT_EQ(shot.Width, window_.Client()->width());
  EXPECT_EQ(shot.Height, window_.Client()->height());
  EXPECT_FALSE(g->ActivateWindowTitled(S("無い窓")));
  EXPECT_FALSE(g->CaptureWindow(S("無い窓"), shot));
}

}  // namespace
}  // namespace nokari::testing
