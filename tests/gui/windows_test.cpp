// Pictures and windows: イメージ, ボタン's picture, アニメ, フォーム,
// the main window, ブラウザ, メニュー.
#include <QAction>
#include <QFile>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>

#include "PartsFixture.h"
#include "gui/parts/AnimeBox.h"
#include "gui/parts/ImageView.h"

namespace nokari::testing {
namespace {

using Windows = PartsTest;

QImage Grab(const PartHandle& part) { return PartsTest::WidgetOf(part)->grab().toImage(); }

TEST_F(Windows, EmptyImageShowsWhite) {
  auto i = Make(PartKind::イメージ);
  i->SetGeometry({0, 0, 20, 20});
  EXPECT_EQ(Grab(*i).pixelColor(10, 10), QColor(Qt::white));
  EXPECT_EQ(i->PictureSize(), (PartRect{}));
}

TEST_F(Windows, ImageLoadsStretchesAndKeysOutItsTransparentColour) {
  auto i = Make(PartKind::イメージ);
  i->SetGeometry({0, 0, 40, 40});
  EXPECT_FALSE(i->LoadPicture(MissingFile()));
  std::string png = WritePng("a.png", 10, 10, Qt::red, Qt::blue);
  ASSERT_TRUE(i->LoadPicture(png));
  EXPECT_EQ(i->PictureSize(), (PartRect{0, 0, 10, 10}));
  EXPECT_EQ(Grab(*i).pixelColor(5, 5), QColor(Qt::red));
  EXPECT_FALSE(i->Stretch());
  i->SetStretch(true);
  EXPECT_TRUE(i->Stretch());
  EXPECT_EQ(Grab(*i).pixelColor(30, 30), QColor(Qt::red));
  i->SetTransparent(true);
  EXPECT_TRUE(i->Transparent());
  EXPECT_FALSE(i->LoadPicture(MissingFile()));
  EXPECT_EQ(i->PictureSize().W, 10);  // a failed load keeps the picture
  ASSERT_TRUE(i->LoadPicture(""));
  EXPECT_EQ(i->PictureSize(), (PartRect{}));
}

TEST_F(Windows, ImageReadsAPathInCp932) {
  auto i = Make(PartKind::イメージ);
  std::string png = WritePng("画像①.png", 3, 4);
  EXPECT_TRUE(i->LoadPicture(png));
  EXPECT_EQ(i->PictureSize(), (PartRect{0, 0, 3, 4}));
}

TEST_F(Windows, ButtonPictureIsItsIcon) {
  auto b = Make(PartKind::ボタン);
  ASSERT_TRUE(b->LoadPicture(WritePng("b.png", 16, 12)));
  EXPECT_EQ(b->PictureSize(), (PartRect{0, 0, 16, 12}));
  EXPECT_FALSE(As<QPushButton>(*b)->icon().isNull());
  EXPECT_FALSE(b->LoadPicture(MissingFile()));
  ASSERT_TRUE(b->LoadPicture(""));
  EXPECT_TRUE(As<QPushButton>(*b)->icon().isNull());
}

TEST_F(Windows, AnimeDefaultsFramesAndRepeats) {
  auto a = Make(PartKind::アニメ);
  auto* box = As<AnimeBox>(*a);
  EXPECT_EQ(a->Geometry().W, 100);
  EXPECT_EQ(a->Geometry().H, 100);
  EXPECT_EQ(a->Value(), 300);
  EXPECT_EQ(a->BackColor(), 0xFFFFFFu);
  std::string f1 = WritePng("f1.png", 8, 8, Qt::red), f2 = WritePng("f2.png", 9, 9, Qt::green);
  std::string f3 = WritePng("f3.png", 7, 7, Qt::blue);
  EXPECT_FALSE(a->LoadFrames({f1, MissingFile()}, false));
  EXPECT_TRUE(box->Frames().empty());  // nothing changes on a failure
  ASSERT_TRUE(a->LoadFrames({f1, f2}, false));
  ASSERT_TRUE(a->LoadFrames({f3}, true));
  EXPECT_EQ(box->Frames().size(), 3u);
  EXPECT_TRUE(box->Running());
  EXPECT_EQ(a->PictureSize(), (PartRect{0, 0, 8, 8}));
  box->Tick();
  box->Tick();
  EXPECT_EQ(box->Frame(), 2);
  box->Tick();
  EXPECT_EQ(box->Frame(), 0);  // wraps, endlessly by default
  EXPECT_TRUE(box->Running());

  a->SetRepeatCount(1);  // one more cycle, then it stops
  for (int i = 0; i < 3; ++i) box->Tick();
  EXPECT_EQ(box->Frame(), 0);
  EXPECT_FALSE(box->Running());

  a->SetValue(20);
  EXPECT_EQ(a->Value(), 20);
  a->SetRepeatCount(-1);
  QTest::qWait(150);  // the timer itself moves the frames on
  EXPECT_TRUE(box->Running());
  ASSERT_TRUE(a->LoadFrames({f1}, false));
  EXPECT_FALSE(box->Running());  // one frame: nothing to run
  a->SetGeometry({0, 0, 8, 8});
  EXPECT_EQ(Grab(*a).pixelColor(4, 4), QColor(Qt::red));
}

TEST_F(Windows, FormIsAWindowWithACanvasThatFollowsItsClient) {
  auto f = Make(PartKind::フォーム);
  QWidget* w = WidgetOf(*f);
  EXPECT_TRUE(w->isWindow());
  auto* img = w->findChild<ImageView*>("img");
  ASSERT_TRUE(img);
  EXPECT_EQ(f->BackColor(), 0xFFFFFFu);
  f->SetGeometry({30, 40, 200, 150});
  EXPECT_EQ(f->Geometry(), (PartRect{30, 40, 200, 150}));
  EXPECT_EQ(img->Picture().size(), QSize(320, 240));  // never shrinks
  // ... but what is saved or copied of it is the client's area.
  EXPECT_EQ(f->Canvas()->VisibleArea(), (PartRect{0, 0, 200, 150}));
  std::string png, error;
  ASSERT_TRUE(f->Canvas()->Encode(".png", 100, png, error)) << error;
  EXPECT_EQ(QImage::fromData(QByteArray(png.data(), static_cast<qsizetype>(png.size()))).size(), QSize(200, 150));
  img->Picture().setPixelColor(5, 5, Qt::green);
  f->SetGeometry({30, 40, 500, 400});
  EXPECT_EQ(img->Picture().size(), QSize(500, 400));
  EXPECT_EQ(img->Picture().pixelColor(5, 5), QColor(Qt::green));  // what was drawn stays
  EXPECT_EQ(img->Picture().pixelColor(450, 350), QColor(Qt::white));
  EXPECT_EQ(f->ParentClient().W, QGuiApplication::primaryScreen()->geometry().width());

  f->SetBackColor(0x0000FF);
  EXPECT_EQ(f->BackColor(), 0x0000FFu);
  EXPECT_EQ(img->Picture().pixelColor(5, 5), QColor(Qt::red));

  ASSERT_TRUE(f->LoadPicture(WritePng("bg.png", 30, 20, Qt::blue)));
  EXPECT_EQ(f->PictureSize(), (PartRect{0, 0, 30, 20}));
  EXPECT_EQ(img->size(), QSize(30, 20));
  // A picture larger than the client is kept whole until the client
  // changes.
  ASSERT_TRUE(f->LoadPicture(WritePng("big.png", 700, 600, Qt::blue)));
  EXPECT_EQ(f->Canvas()->VisibleArea(), (PartRect{0, 0, 700, 600}));
  f->SetGeometry({30, 40, 400, 300});
  EXPECT_EQ(f->Canvas()->VisibleArea(), (PartRect{0, 0, 400, 300}));
  ASSERT_TRUE(f->LoadPicture(WritePng("bg.png", 30, 20, Qt::blue)));
  f->SetStretch(true);
  f->SetTransparent(true);
  EXPECT_TRUE(img->Stretch() && img->Transparent());

  f->SetText(S("窓"));
  EXPECT_EQ(f->Text(), S("窓"));
  f->SetVisible(true);
  EXPECT_TRUE(f->Focus());
  f->Close();
  EXPECT_FALSE(f->Visible());
}

// Changing a window's flags hides it; a shown window shows again.
TEST_F(Windows, FrameStyleAndStayOnTop) {
  auto f = Make(PartKind::フォーム);
  EXPECT_EQ(f->FrameStyle(), 2);
  f->SetVisible(true);
  for (int style : {0, 1, 3, 2}) {
    f->SetFrameStyle(style);
    EXPECT_EQ(f->FrameStyle(), style);
    EXPECT_TRUE(f->Visible());
  }
  f->SetFrameStyle(0);
  EXPECT_TRUE(WidgetOf(*f)->windowFlags() & Qt::FramelessWindowHint);
  f->SetStayOnTop(true);
  EXPECT_TRUE(WidgetOf(*f)->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(WidgetOf(*f)->windowFlags() & Qt::FramelessWindowHint);
  f->SetStayOnTop(false);
  EXPECT_FALSE(WidgetOf(*f)->windowFlags() & Qt::WindowStaysOnTopHint);
  f->SetVisible(false);
  f->SetFrameStyle(3);
  EXPECT_FALSE(f->Visible());
}

TEST_F(Windows, MainWindowIsAFormOverTheHostWindow) {
  // White, a client of 628 × 445 and a drawing surface of 632 × 453.
  EXPECT_EQ(Main().Geometry().W, 628);
  EXPECT_EQ(Main().Geometry().H, 445);
  EXPECT_EQ(Main().BackColor(), 0xFFFFFFu);
  EXPECT_EQ(window_.Canvas().size(), QSize(632, 453));
  EXPECT_EQ(window_.Canvas().pixelColor(631, 452), QColor(Qt::white));
  EXPECT_EQ(Main().FrameStyle(), 2);
  Main().SetGeometry({10, 20, 300, 200});
  EXPECT_EQ(Main().Geometry(), (PartRect{10, 20, 300, 200}));
  Main().SetBackColor(0x00FF00);
  EXPECT_EQ(Main().BackColor(), 0x00FF00u);
  EXPECT_EQ(window_.Canvas().pixelColor(1, 1), QColor(Qt::green));
  auto b = Make(PartKind::ボタン);
  EXPECT_EQ(b->ParentClient(), (PartRect{0, 0, 300, 200}));
}

// A part the service is given a non-container for goes onto the main
// window.
TEST_F(Windows, NonContainerParentMeansTheMainWindow) {
  auto b = Make(PartKind::ボタン);
  auto c = Make(PartKind::ボタン, *b);
  EXPECT_EQ(WidgetOf(*c)->parentWidget(), window_.Client());
}

TEST_F(Windows, BrowserShowsLocalFilesAndNamesOtherAddresses) {
  auto br = Make(PartKind::ブラウザ);
  QString page = dir_.filePath("page.html");
  QFile file(page);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("<html><body><p>hello page</p></body></html>");
  file.close();
  br->Navigate(FromQ(page));
  EXPECT_EQ(br->Url(), FromQ(page));
  EXPECT_TRUE(As<QTextBrowser>(*br)->toPlainText().contains("hello page"));
  br->Navigate("http://example.com/");
  EXPECT_EQ(br->Url(), "http://example.com/");
  EXPECT_TRUE(As<QTextBrowser>(*br)->toPlainText().contains("example.com"));
  std::string fileUrl = FromQ(QUrl::fromLocalFile(page).toString());
  br->Navigate(fileUrl);
  EXPECT_EQ(br->Url(), fileUrl);
  EXPECT_TRUE(As<QTextBrowser>(*br)->toPlainText().contains("hello page"));
}

TEST_F(Windows, MenuItemHoldsCaptionCheckAndState) {
  auto m = Make(PartKind::メニュー);
  EXPECT_FALSE(m->Visible());
  m->SetVisible(true);
  EXPECT_TRUE(m->Visible());
  window_.show();
  EXPECT_FALSE(WidgetOf(*m)->isVisible());  // nothing of it covers the client
  m->SetText(S("ファイル(&F)"));
  EXPECT_EQ(m->Text(), S("ファイル(&F)"));
  m->SetValue(1);
  EXPECT_EQ(m->Value(), 1);
  m->SetEnabled(false);
  EXPECT_FALSE(m->Enabled());
  EXPECT_FALSE(m->SetParent(Main()));
}

}  // namespace
}  // namespace nokari::testing
