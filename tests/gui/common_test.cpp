// What every part does alike: made hidden on its container, geometry,
// visibility, enabled state, stacking, focus, fonts, colours, parent
// changes and rounded corners.
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>

#include "PartsFixture.h"

namespace nokari::testing {
namespace {

using Parts = PartsTest;

TEST_F(Parts, EveryKindIsMadeHiddenWithMouseTracking) {
  for (int k = 0; k < kPartKindCount; ++k) {
    auto kind = static_cast<PartKind>(k);
    auto part = Make(kind);
    ASSERT_TRUE(part) << k;
    EXPECT_FALSE(part->Visible()) << k;
    QWidget* w = WidgetOf(*part);
    EXPECT_TRUE(w->hasMouseTracking()) << k;
    if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) {
      EXPECT_TRUE(area->viewport()->hasMouseTracking()) << k;
    }
    // A フォーム is a window of its own; the rest stand on the main window.
    if (kind == PartKind::フォーム)
      EXPECT_TRUE(w->isWindow());
    else
      EXPECT_EQ(w->parentWidget(), window_.Client()) << k;
  }
}

TEST_F(Parts, GeometryVisibilityAndEnabledRoundTrip) {
  auto b = Make(PartKind::ボタン);
  b->SetGeometry({12, 34, 56, 78});
  EXPECT_EQ(b->Geometry(), (PartRect{12, 34, 56, 78}));
  EXPECT_EQ(b->ParentClient(), (PartRect{0, 0, 628, 445}));
  b->SetVisible(true);
  EXPECT_TRUE(b->Visible());  // its own flag, though the window is not shown
  b->SetEnabled(false);
  EXPECT_FALSE(b->Enabled());
  EXPECT_FALSE(b->Focus());  // a disabled part takes no focus
  b->SetEnabled(true);
  EXPECT_TRUE(b->Focus());
  b->SetVisible(false);
  EXPECT_FALSE(b->Focus());
}

TEST_F(Parts, TrackNeverSmallerThanTenByTen) {
  auto t = Make(PartKind::トラック);
  t->SetGeometry({1, 2, 3, 4});
  EXPECT_EQ(t->Geometry(), (PartRect{1, 2, 10, 10}));
}

TEST_F(Parts, FontsRoundTripAtNinetySixDpi) {
  auto e = Make(PartKind::エディタ);
  for (int points : {6, 9, 10, 11, 12, 13, 20, 36, 72}) {
    PartFont f{S("ＭＳ ゴシック"), points, true, false, true, false};
    e->SetFont(f);
    EXPECT_EQ(e->Font(), f) << points;
    EXPECT_EQ(WidgetOf(*e)->font().pixelSize(), static_cast<int>(std::lround(points * 4 / 3.0)));
  }
  PartFont plain{"DejaVu Sans", 9, false, true, false, true};
  e->SetFont(plain);
  EXPECT_EQ(e->Font(), plain);
}

TEST_F(Parts, TextWidthFollowsTheFont) {
  auto b = Make(PartKind::ボタン);
  int small = b->TextWidth("WWWW");
  EXPECT_GT(small, 0);
  b->SetFont(PartFont{"DejaVu Sans", 30});
  EXPECT_GT(b->TextWidth("WWWW"), small * 2);
  EXPECT_EQ(b->TextWidth(""), 0);
}

TEST_F(Parts, ColoursRoundTrip) {
  for (PartKind kind : {PartKind::エディタ, PartKind::リスト, PartKind::メモ, PartKind::パネル, PartKind::ラベル,
                        PartKind::チェック, PartKind::グリッド}) {
    auto p = Make(kind);
    p->SetTextColor(0x00102030);
    p->SetBackColor(0x00405060);
    EXPECT_EQ(p->TextColor(), 0x00102030u) << static_cast<int>(kind);
    EXPECT_EQ(p->BackColor(), 0x00405060u) << static_cast<int>(kind);
  }
}

TEST_F(Parts, LabelStaysTransparentUntilToldOtherwise) {
  auto l = Make(PartKind::ラベル);
  EXPECT_TRUE(l->Transparent());
  l->SetBackColor(0x0000FF);
  EXPECT_TRUE(l->Transparent());
  EXPECT_EQ(l->BackColor(), 0x0000FFu);
  l->SetTransparent(false);
  EXPECT_TRUE(As<QLabel>(*l)->autoFillBackground());
  l->SetText("<b>x</b>");
  EXPECT_EQ(l->Text(), "<b>x</b>");
  EXPECT_EQ(As<QLabel>(*l)->textFormat(), Qt::PlainText);
}

TEST_F(Parts, RaiseAndLowerChangeTheStackingOrder) {
  auto a = Make(PartKind::ボタン);
  auto b = Make(PartKind::ボタン);
  auto order = [&] {
    QObjectList kids = window_.Client()->children();
    return kids.indexOf(WidgetOf(*a)) < kids.indexOf(WidgetOf(*b));  // true: a below b
  };
  EXPECT_TRUE(order());
  a->Raise();
  EXPECT_FALSE(order());
  a->Lower();
  EXPECT_TRUE(order());
  b->Lower();
  EXPECT_FALSE(order());
}

TEST_F(Parts, LoweringOnAFormKeepsItsCanvasBottom) {
  auto form = Make(PartKind::フォーム);
  auto b = Make(PartKind::ボタン);
  ASSERT_TRUE(b->SetParent(*form));
  b->Lower();
  QObjectList kids = WidgetOf(*form)->children();
  QWidget* img = WidgetOf(*form)->findChild<QWidget*>("img");
  ASSERT_TRUE(img);
  EXPECT_LT(kids.indexOf(img), kids.indexOf(WidgetOf(*b)));
}

// Geometry stays relative to the new parent's client, and visibility
// stays as it was.
TEST_F(Parts, ParentChangeKeepsRelativeGeometry) {
  auto panel = Make(PartKind::パネル);
  auto scroll = Make(PartKind::スクロール);
  auto tab = Make(PartKind::タブページ);
  auto b = Make(PartKind::ボタン);
  b->SetGeometry({5, 6, 70, 20});
  b->SetVisible(true);

  ASSERT_TRUE(b->SetParent(*panel));
  EXPECT_EQ(WidgetOf(*b)->parentWidget(), WidgetOf(*panel));
  EXPECT_EQ(b->Geometry(), (PartRect{5, 6, 70, 20}));
  EXPECT_TRUE(b->Visible());

  ASSERT_TRUE(b->SetParent(*scroll));
  EXPECT_EQ(WidgetOf(*b)->parentWidget(), As<QScrollArea>(*scroll)->widget());
  EXPECT_EQ(b->Geometry(), (PartRect{5, 6, 70, 20}));

  // A タブページ without pages takes the part itself; with pages, onto
  // the current one.
  ASSERT_TRUE(b->SetParent(*tab));
  EXPECT_EQ(WidgetOf(*b)->parentWidget(), WidgetOf(*tab));
  tab->SetTabCaptions({"a", "b"});
  tab->SetValue(1);
  ASSERT_TRUE(b->SetParent(*tab));
  EXPECT_EQ(WidgetOf(*b)->parentWidget(), As<QTabWidget>(*tab)->widget(1));
  EXPECT_EQ(b->Geometry(), (PartRect{5, 6, 70, 20}));

  ASSERT_TRUE(b->SetParent(Main()));
  EXPECT_EQ(WidgetOf(*b)->parentWidget(), window_.Client());
}

TEST_F(Parts, ParentChangeRefusesNonContainersCyclesAndWindows) {
  auto panel = Make(PartKind::パネル);
  auto inner = Make(PartKind::パネル, *panel);
  auto b = Make(PartKind::ボタン);
  auto form = Make(PartKind::フォーム);
  EXPECT_FALSE(b->SetParent(*Make(PartKind::ボタン)));
  EXPECT_FALSE(panel->SetParent(*inner));  // inside itself
  EXPECT_FALSE(panel->SetParent(*panel));
  EXPECT_FALSE(form->SetParent(*panel));
  EXPECT_EQ(WidgetOf(*inner)->parentWidget(), WidgetOf(*panel));
}

// A part's record outlives its container's: the container's death takes
// its parts off it instead of deleting them.
TEST_F(Parts, PartsOutliveTheirContainer) {
  auto panel = Make(PartKind::パネル);
  auto inner = Make(PartKind::パネル, *panel);
  auto b = Make(PartKind::ボタン, *inner);
  auto c = Make(PartKind::ボタン, *panel);
  c->SetVisible(true);
  panel.reset();
  EXPECT_FALSE(c->Visible());
  c->SetText("still here");
  EXPECT_EQ(c->Text(), "still here");
  EXPECT_EQ(WidgetOf(*b)->parentWidget(), WidgetOf(*inner));  // not taken off its own container
}

// Moves reach the box once it shows (a hidden widget's wait until then).
TEST_F(Parts, ScrollBoxGrowsToItsParts) {
  window_.show();
  auto scroll = Make(PartKind::スクロール);
  scroll->SetVisible(true);
  EXPECT_EQ(scroll->Geometry().W, 300);
  EXPECT_EQ(scroll->Geometry().H, 200);
  auto b = Make(PartKind::ボタン, *scroll);
  b->SetGeometry({500, 600, 40, 30});
  QWidget* inner = As<QScrollArea>(*scroll)->widget();
  EXPECT_LT(inner->height(), 600);  // a hidden part takes no room
  b->SetVisible(true);
  EXPECT_EQ(inner->size(), QSize(540, 630));
  b->SetGeometry({10, 10, 40, 30});  // and gives it back when it moves in
  EXPECT_LT(inner->height(), 600);
}

TEST_F(Parts, RoundedCornersMaskAndUnmask) {
  auto p = Make(PartKind::パネル);
  p->SetGeometry({0, 0, 100, 60});
  p->SetRoundedCorners(20);
  QRegion mask = WidgetOf(*p)->mask();
  EXPECT_FALSE(mask.isEmpty());
  EXPECT_FALSE(mask.contains(QPoint(0, 0)));
  EXPECT_TRUE(mask.contains(QPoint(50, 30)));
  p->SetRoundedCorners(0);
  EXPECT_TRUE(WidgetOf(*p)->mask().isEmpty());
}

}  // namespace
}  // namespace nokari::testing
