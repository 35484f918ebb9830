// Events of parts as the sink receives them: clicks, the mouse, keys with
// their virtual keys and the window's preview, change events (and their
// guard), pages, trees, the browser's navigation, menus, dropped files,
// and the window's resize.
#include <QAction>
#include <QCheckBox>
#include <QDropEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QtTest/qtestspontaneevent.h>

#include "PartsFixture.h"
#include "gui/QtMenus.h"

namespace nokari::testing {
namespace {

// What the sinks received, in order, each with the name of its part.
struct Log {
  struct Entry {
    std::string Who;
    PartEvent Event;
  };
  std::vector<Entry> Entries;

  PartEventSink Sink(PartHandle& part, std::string who, bool answer = true) {
    part.SetEventSink([this, who, answer](const PartEvent& e) {
      Entries.push_back({who, e});
      return answer;
    });
    return {};
  }
  // "who:slot" of every event, e.g. {"b:3", "b:4", "b:1"}.
  std::vector<std::string> Trace() const {
    std::vector<std::string> out;
    for (const Entry& e : Entries) out.push_back(e.Who + ":" + std::to_string(e.Event.Slot));
    return out;
  }
  const PartEvent& Last(int slot) const {
    for (auto it = Entries.rbegin(); it != Entries.rend(); ++it)
      if (it->Event.Slot == slot) return it->Event;
    static PartEvent none;
    ADD_FAILURE() << "no event in slot " << slot;
    return none;
  }
  int Count(int slot) const {
    int n = 0;
    for (const Entry& e : Entries) n += e.Event.Slot == slot;
    return n;
  }
};

using Trace = std::vector<std::string>;

class Events : public PartsTest {
 public:
  Events() {
    window_.show();
    log_.Sink(Main(), "main");
  }
  // A shown part at (10, 10) of that size, reporting to the log.
  std::unique_ptr<PartHandle> Part(PartKind kind, const char* who, int w = 100, int h = 60) {
    auto part = Make(kind);
    part->SetGeometry({10, 10, w, h});
    part->SetVisible(true);
    log_.Sink(*part, who);
    return part;
  }
  // A mouse move with no button held, as the window system sends it.
  static void Hover(QWidget* w, QPoint at) {
    QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QSpontaneKeyEvent::setSpontaneous(&move);
    qApp->notify(w, &move);  // sendEvent would make it the program's own
  }
  Log log_;
};

TEST_F(Events, AClickIsReportedWithWhereItWas) {
  for (PartKind kind : {PartKind::ボタン, PartKind::チェック, PartKind::ラベル, PartKind::イメージ}) {
    log_.Entries.clear();
    auto part = Part(kind, "p", 100, 20);  // a check box takes clicks on its box and text
    QTest::mouseClick(WidgetOf(*part), Qt::LeftButton, Qt::NoModifier, QPoint(7, 9));
    // One click each, after the release; never the main window's (a label
    // passes the press on to the window behind it).
    EXPECT_EQ(log_.Trace(), (Trace{"p:3", "p:4", "p:1"})) << static_cast<int>(kind);
    EXPECT_TRUE(log_.Last(1).HasMouse);
    EXPECT_EQ(log_.Last(1).X, 7);
    EXPECT_EQ(log_.Last(1).Y, 9);
  }
}

TEST_F(Events, AListsClickOnItsViewportIsTheListsAtItsOwnPosition) {
  for (PartKind kind : {PartKind::リスト, PartKind::グリッド}) {
    log_.Entries.clear();
    auto list = Part(kind, "l");
    QWidget* viewport = As<QAbstractScrollArea>(*list)->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(5, 3));
    EXPECT_EQ(log_.Trace(), (Trace{"l:3", "l:4", "l:1"}));
    QPoint expected = viewport->mapTo(WidgetOf(*list), QPoint(5, 3));
    EXPECT_EQ(log_.Last(1).X, expected.x());
    EXPECT_EQ(log_.Last(1).Y, expected.y());
    EXPECT_NE(expected, QPoint(5, 3));  // the frame (and a grid's titles) lie between
  }
}

TEST_F(Events, OnlyAPressAndReleaseInsideIsAClick) {
  auto image = Part(PartKind::イメージ, "i");
  QWidget* w = WidgetOf(*image);
  QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(500, 5));  // dragged out
  EXPECT_EQ(log_.Last(4).X, 500);  // released where the mouse was
  QTest::mouseClick(w, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
  EXPECT_EQ(log_.Count(1), 0);
}

TEST_F(Events, ScriptChangesAreNoClicks) {
  auto check = Part(PartKind::チェック, "c");
  auto radio = Part(PartKind::ラジオ, "r", 150, 100);
  radio->SetItems({"x", "y"});
  check->SetValue(1);
  radio->SetValue(1);
  EXPECT_TRUE(log_.Entries.empty());
  auto* second = As<QWidget>(*radio)->findChildren<QRadioButton*>().at(1);
  QTest::mouseClick(second, Qt::LeftButton, Qt::NoModifier, QPoint(5, second->height() / 2));
  QTest::mouseClick(As<QCheckBox>(*check), Qt::LeftButton, Qt::NoModifier, QPoint(5, check->Geometry().H / 2));
  // A radio group reports the button picked, not the mouse on it.
  EXPECT_EQ(log_.Trace(), (Trace{"r:1", "c:3", "c:4", "c:1"}));
  EXPECT_EQ(check->Value(), 0);
}

TEST_F(Events, DoubleClickPressReleaseAndMoveWithShiftNames) {
  auto panel = Part(PartKind::パネル, "p");
  QWidget* w = WidgetOf(*panel);
  QTest::mouseDClick(w, Qt::LeftButton, Qt::ShiftModifier, QPoint(4, 6));
  EXPECT_EQ(log_.Trace(), (Trace{"p:2", "p:3"}));
  EXPECT_EQ(log_.Last(2).Shift, "Shift\r\nLeft\r\nDouble");
  EXPECT_EQ(log_.Last(3).Shift, "Shift\r\nLeft\r\nDouble");
  QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(4, 6));
  EXPECT_EQ(log_.Count(1), 0);  // a double click's release is no second click
  log_.Entries.clear();

  QTest::mousePress(w, Qt::RightButton, Qt::ControlModifier | Qt::AltModifier, QPoint(10, 12));
  QTest::mouseMove(w, QPoint(20, 22));  // a button held: a drag
  QTest::mouseRelease(w, Qt::RightButton, Qt::ControlModifier, QPoint(21, 23));
  EXPECT_EQ(log_.Trace(), (Trace{"p:3", "p:8", "p:4"}));
  EXPECT_EQ(log_.Entries[0].Event.Shift, "Alt\r\nCtrl\r\nRight");
  EXPECT_EQ(log_.Entries[0].Event.X, 10);
  EXPECT_EQ(log_.Entries[0].Event.Y, 12);
  EXPECT_EQ(log_.Entries[1].Event.X, 20);
  EXPECT_EQ(log_.Entries[1].Event.Shift, "Right");
  EXPECT_EQ(log_.Entries[2].Event.Shift, "Ctrl");  // the released button is up
  EXPECT_EQ(log_.Entries[2].Event.Y, 23);
}

TEST_F(Events, EveryMoveIsReported) {
  auto label = Part(PartKind::ラベル, "l");
  Hover(WidgetOf(*label), QPoint(1, 2));
  Hover(WidgetOf(*label), QPoint(3, 4));
  Hover(&window_, QPoint(300, 200));
  ASSERT_EQ(log_.Trace(), (Trace{"l:8", "l:8", "main:8"}));
  EXPECT_EQ(log_.Entries[1].Event.X, 3);
  EXPECT_EQ(log_.Entries[2].Event.Y, 200);
  EXPECT_EQ(log_.Entries[2].Event.Shift, "");
}

TEST_F(Events, KindsReportOnlyTheirEvents) {
  auto bar = Part(PartKind::バー, "b");
  auto button = Part(PartKind::ボタン, "u");
  QTest::mouseClick(WidgetOf(*bar), Qt::LeftButton);  // a bar has no mouse events,
  QTest::mouseDClick(WidgetOf(*button), Qt::LeftButton);  // a button no double click
  QTest::keyClick(WidgetOf(*button), Qt::Key_X);  // and no keys
  Trace seen;
  for (const auto& e : log_.Entries)
    if (e.Who != "main") seen.push_back(e.Who + ":" + std::to_string(e.Event.Slot));
  EXPECT_EQ(seen, (Trace{"b:7", "u:3"}));  // the click paged the bar
}

TEST_F(Events, KeysGoToTheWindowFirstThenToThePart) {
  auto edit = Part(PartKind::エディタ, "e");
  QTest::keyClick(WidgetOf(*edit), Qt::Key_A);
  EXPECT_EQ(log_.Trace(), (Trace{"main:5", "e:5", "e:7", "main:6", "e:6"}));
  EXPECT_EQ(log_.Entries[0].Event.Key, 65);
  EXPECT_EQ(log_.Entries[1].Event.Key, 65);
  EXPECT_EQ(log_.Entries[4].Event.Key, 65);
  EXPECT_EQ(edit->Text(), "a");
  log_.Entries.clear();
  // An edit field passes Return on to its window: still one report each.
  // (QTest presses and releases the shift key around it.)
  QTest::keyClick(WidgetOf(*edit), Qt::Key_Return, Qt::ShiftModifier);
  EXPECT_EQ(log_.Trace(), (Trace{"main:5", "e:5", "main:5", "e:5", "main:6", "e:6", "main:6", "e:6"}));
  EXPECT_EQ(log_.Entries[0].Event.Key, 16);
  EXPECT_EQ(log_.Last(5).Key, 13);
  EXPECT_EQ(log_.Last(5).Shift, "Shift");
  EXPECT_FALSE(log_.Last(5).HasMouse);
}

TEST_F(Events, KeysFromTheWindowSystemReachTheFocusedPart) {
  auto edit = Part(PartKind::エディタ, "e");
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
  ASSERT_TRUE(edit->Focus());
  QTest::keyClick(window_.windowHandle(), Qt::Key_B);
  EXPECT_EQ(log_.Trace(), (Trace{"main:5", "e:5", "e:7", "main:6", "e:6"}));
  EXPECT_EQ(log_.Last(6).Key, 66);
  // The field passes Escape up to the window; the same key again is a new
  // key, not one passed up.
  QTest::keyClick(window_.windowHandle(), Qt::Key_Escape);
  QTest::keyClick(window_.windowHandle(), Qt::Key_Escape);
  EXPECT_EQ(log_.Count(5), 6);
  EXPECT_EQ(log_.Last(5).Key, 27);
}

TEST_F(Events, AFormPreviewsTheKeysOfItsOwnParts) {
  auto form = Make(PartKind::フォーム);
  log_.Sink(*form, "f");
  auto memo = Make(PartKind::メモ, *form);
  log_.Sink(*memo, "m");
  QTest::keyClick(WidgetOf(*memo), Qt::Key_Down);
  EXPECT_EQ(log_.Trace(), (Trace{"f:5", "m:5", "f:6", "m:6"}));
  EXPECT_EQ(log_.Last(5).Key, 40);
  log_.Entries.clear();
  QTest::keyClick(WidgetOf(*form), Qt::Key_F5);  // the form itself: once
  EXPECT_EQ(log_.Trace(), (Trace{"f:5", "f:6"}));
  EXPECT_EQ(log_.Last(5).Key, 116);
}

TEST_F(Events, TextChangesFromTheUserAndFromTheScript) {
  auto edit = Part(PartKind::エディタ, "e");
  auto memo = Part(PartKind::メモ, "m");
  auto teditor = Part(PartKind::Tエディタ, "t");
  auto rich = Part(PartKind::リッチエディタ, "r");
  QTest::keyClicks(WidgetOf(*edit), "ab");
  EXPECT_EQ(log_.Count(7), 2);
  log_.Entries.clear();
  for (auto* part : {edit.get(), memo.get(), teditor.get(), rich.get()}) {
    part->SetText(S("「文字」\r\n二行目"));
    part->SetText(S("「文字」\r\n二行目"));  // the same text: no change
  }
  EXPECT_EQ(log_.Trace(), (Trace{"e:7", "m:7", "t:7", "r:7"}));
  log_.Entries.clear();
  // A key at the viewport passes up to the editor: reported once, there.
  QTest::keyClick(As<QPlainTextEdit>(*memo)->viewport(), Qt::Key_X);
  EXPECT_EQ(log_.Trace(), (Trace{"main:5", "m:5", "m:7", "main:6", "m:6"}));
}

TEST_F(Events, AComboReportsItsTextButNotARebuildThatKeepsIt) {
  auto combo = Part(PartKind::コンボ, "c");
  combo->SetText("b");
  EXPECT_EQ(log_.Trace(), (Trace{"c:7"}));
  combo->SetItems({"a", "b", "c"});  // clears and refills, the text stays
  EXPECT_EQ(log_.Count(7), 1);
  combo->SetValue(2);
  EXPECT_EQ(log_.Count(7), 2);
  EXPECT_EQ(combo->Text(), "c");
  log_.Entries.clear();
  // The user picking an item by key is a click as well as a change.
  QTest::keyClick(WidgetOf(*combo), Qt::Key_Up);
  EXPECT_EQ(log_.Trace(), (Trace{"main:5", "c:5", "c:7", "c:1", "main:6", "c:6"}));
  EXPECT_EQ(combo->Text(), "b");
}

TEST_F(Events, AChangeHandlerChangingItsOwnPartIsNotReportedAgain) {
  auto edit = Make(PartKind::エディタ);
  PartHandle* self = edit.get();
  int changes = 0;
  edit->SetEventSink([&](const PartEvent& e) {
    if (e.Slot != 7) return true;
    ++changes;
    if (changes < 100) self->SetText(self->Text() + "!");  // re-enters: quiet
    return true;
  });
  edit->SetText("a");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(edit->Text(), "a!");
  edit->SetText("b");  // the guard is over: the next change counts
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(edit->Text(), "b!");
}

TEST_F(Events, TrackAndBarReportTheirPosition) {
  auto track = Part(PartKind::トラック, "t", 150, 45);
  auto bar = Part(PartKind::バー, "b");
  PartRect seen;
  track->SetEventSink([&](const PartEvent& e) {
    if (e.Slot == 7) seen = track->Geometry();
    return true;
  });
  track->SetGeometry({0, 0, 4, 4});
  track->SetValue(3);
  EXPECT_GE(seen.W, 10);
  EXPECT_GE(seen.H, 10);
  QTest::keyClick(As<QSlider>(*track), Qt::Key_Right);  // the user moves it
  EXPECT_EQ(track->Value(), 4);
  bar->SetValue(50);
  bar->SetValue(50);
  QTest::keyClick(WidgetOf(*bar), Qt::Key_Right);
  EXPECT_EQ(log_.Count(7), 2);
  EXPECT_EQ(log_.Last(5).Key, 39);  // a bar reports keys
}

TEST_F(Events, PagesReportTheCurrentPage) {
  auto tabs = Part(PartKind::タブページ, "t", 300, 200);
  tabs->SetTabCaptions({"a", "b", "c"});  // the first page comes up
  EXPECT_EQ(log_.Trace(), (Trace{"t:7"}));
  tabs->SetValue(2);
  tabs->SetTabCaptions({"a"});  // the current page goes: one change
  EXPECT_EQ(log_.Count(7), 3);
  EXPECT_EQ(tabs->Value(), 0);
  tabs->SetTabCaptions({"x", "y"});  // page 0 stays current
  EXPECT_EQ(log_.Count(7), 3);
  log_.Entries.clear();
  QTabBar* bar = As<QTabWidget>(*tabs)->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(1).center());
  // The press turns the page; a page control has no click.
  EXPECT_EQ(log_.Trace(), (Trace{"t:3", "t:7", "t:4"}));
  EXPECT_EQ(tabs->Value(), 1);
}

TEST_F(Events, TreeSelectionIsAChange) {
  auto tree = Part(PartKind::ツリー, "t", 150, 120);
  tree->AddTreeNode(-1, "a");
  tree->AddTreeNode(-1, "b");
  tree->SelectTreeNode(1);
  EXPECT_EQ(log_.Trace(), (Trace{"t:7"}));
  log_.Entries.clear();
  auto* view = As<QTreeWidget>(*tree);
  QRect first = view->visualItemRect(view->topLevelItem(0));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, first.center());
  EXPECT_EQ(log_.Trace(), (Trace{"t:3", "t:7", "t:4", "t:1"}));
  EXPECT_EQ(tree->SelectedTreeNode(), 0);
}

TEST_F(Events, ABrowserAsksBeforeFollowingALink) {
  auto browser = Part(PartKind::ブラウザ, "b", 300, 150);
  QString target = dir_.filePath("next.html");
  QFile next(target);
  ASSERT_TRUE(next.open(QIODevice::WriteOnly));
  next.write("<p>next</p>");
  next.close();
  QFile page(dir_.filePath("start.html"));
  ASSERT_TRUE(page.open(QIODevice::WriteOnly));
  page.write("<a href=\"next.html\">next</a>");
  page.close();
  browser->Navigate(FromQ(page.fileName()));
  EXPECT_TRUE(log_.Entries.empty());  // the script's own navigation is not asked

  auto* view = As<QTextBrowser>(*browser);
  QTextCursor atLink(view->document());
  atLink.setPosition(1);
  QPoint link = view->cursorRect(atLink).center();
  log_.Sink(*browser, "b", /*answer=*/false);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, link);
  ASSERT_EQ(log_.Count(1), 1);
  EXPECT_EQ(log_.Last(1).Url, FromQ(target));
  EXPECT_EQ(browser->Url(), FromQ(page.fileName()));  // refused

  log_.Sink(*browser, "b", /*answer=*/true);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, link);
  EXPECT_EQ(log_.Count(1), 2);
  EXPECT_EQ(browser->Url(), FromQ(target));
}

TEST_F(Events, AMenuItemReportsItsTrigger) {
  auto item = Make(PartKind::メニュー);
  log_.Sink(*item, "m");
  WidgetOf(*item)->findChild<QAction*>()->trigger();
  EXPECT_EQ(log_.Trace(), (Trace{"m:1"}));
}

// With a menu bar, the main window's mouse counts from its client (where
// the canvas shows), and the bar's clicks open its menus: they are no
// clicks of the window.
TEST_F(Events, TheMainWindowsMouseIsItsClientsAndTheMenuBarIsTheMenus) {
  auto file = service_.CreateMenuItem(nullptr, S("ファイル"));
  auto open = service_.CreateMenuItem(file.get(), S("開く"));
  auto quit = service_.CreateMenuItem(nullptr, S("終了"));
  log_.Sink(*open, "open");
  log_.Sink(*quit, "quit");
  QMenuBar* bar = window_.findChild<QMenuBar*>();
  ASSERT_NE(bar, nullptr);
  ASSERT_GT(window_.Client()->y(), 10);
  log_.Entries.clear();  // the window grew by the bar
  QTest::mouseClick(window_.Client(), Qt::LeftButton, Qt::NoModifier, QPoint(14, 20));
  EXPECT_EQ(log_.Trace(), (Trace{"main:3", "main:4", "main:1"}));
  EXPECT_EQ(log_.Last(1).X, 14);
  EXPECT_EQ(log_.Last(1).Y, 20);

  log_.Entries.clear();
  QAction* fileAction = MenuActionOf(*file);
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->actionGeometry(fileAction).center());
  QMenu* menu = fileAction->menu<QMenu*>();
  ASSERT_NE(menu, nullptr);
  EXPECT_TRUE(menu->isVisible());
  QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(MenuActionOf(*open)).center());
  EXPECT_FALSE(menu->isVisible());
  // An item of the bar with no sub-menu runs at once.
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->actionGeometry(MenuActionOf(*quit)).center());
  EXPECT_EQ(log_.Trace(), (Trace{"open:1", "quit:1"}));
}

TEST_F(Events, DroppedFilesAreReportedOncePartsAcceptThem) {
  auto edit = Part(PartKind::エディタ, "e");
  auto list = Part(PartKind::リスト, "l");
  QString a = dir_.filePath("a.txt"), b = dir_.filePath(QString::fromUtf8("日本.txt"));
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(a), QUrl("http://example.com/x"), QUrl::fromLocalFile(b)});
  auto drop = [&](QWidget* w) {
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &enter);
    QDropEvent event(QPointF(6, 7), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
    return event.isAccepted();
  };
  drop(WidgetOf(*edit));
  EXPECT_EQ(log_.Count(9), 0);  // not asked for

  edit->SetAcceptDrops(true);
  list->SetAcceptDrops(true);
  EXPECT_TRUE(drop(WidgetOf(*edit)));
  EXPECT_TRUE(drop(As<QListWidget>(*list)->viewport()));
  ASSERT_EQ(log_.Trace(), (Trace{"e:9", "l:9"}));
  EXPECT_EQ(log_.Entries[0].Event.Files, FromQ(a) + "\r\n" + FromQ(b));
  EXPECT_EQ(log_.Entries[0].Event.X, 6);
  EXPECT_EQ(edit->Text(), "");  // the file names are the event's, not pasted

  mime.setUrls({QUrl("http://example.com/only")});
  drop(WidgetOf(*edit));
  EXPECT_EQ(log_.Count(9), 2);  // no local file, no drop
}

TEST_F(Events, AClearedSinkHearsNothing) {
  auto button = Part(PartKind::ボタン, "b");
  auto edit = Part(PartKind::エディタ, "e");
  button->SetEventSink({});
  edit->SetEventSink({});
  QTest::mouseClick(WidgetOf(*button), Qt::LeftButton);
  QTest::keyClick(WidgetOf(*edit), Qt::Key_A);
  edit->SetText("x");
  for (const auto& e : log_.Entries) EXPECT_EQ(e.Who, "main");
}

TEST_F(Events, AWindowOutlivingItsHandleCallsNoSink) {
  auto window = std::make_unique<TfrmNoka>();
  auto service = std::make_unique<QtPartService>(*window);
  int calls = 0;
  service->MainWindow().SetEventSink([&](const PartEvent&) { return ++calls, true; });
  service->MainWindow().SetGeometry({0, 0, 700, 500});
  EXPECT_EQ(calls, 1);
  service.reset();
  window->resize(800, 600);
  window->show();
  QTest::mouseClick(window.get(), Qt::LeftButton);
  QTest::keyClick(window.get(), Qt::Key_A);
  QApplication::processEvents();
  EXPECT_EQ(calls, 1);
}

TEST_F(Events, AResizedWindowReportsAChangeOnceItsCanvasFollowed) {
  auto form = Make(PartKind::フォーム);
  PartHandle* self = form.get();
  std::vector<QSize> canvas;
  form->SetEventSink([&](const PartEvent& e) {
    if (e.Slot == 7) canvas.push_back(PartsTest::WidgetOf(*self)->findChild<QWidget*>("img")->size());
    return true;
  });
  form->SetGeometry({10, 10, 400, 300});
  form->SetGeometry({20, 20, 400, 300});  // moved only
  ASSERT_EQ(canvas.size(), 1u);
  EXPECT_GE(canvas[0].width(), 400);
  form->SetVisible(true);  // the delayed resize event: no second report
  WidgetOf(*form)->resize(500, 320);
  EXPECT_EQ(canvas.size(), 2u);
  EXPECT_GE(canvas.back().height(), 320);

  log_.Entries.clear();
  Main().SetGeometry({0, 0, 660, 420});
  window_.resize(700, 450);
  EXPECT_EQ(log_.Trace(), (Trace{"main:7", "main:7"}));
}

TEST_F(Events, AFormsMouseEventsComeFromItsCanvas) {
  auto form = Make(PartKind::フォーム);
  log_.Sink(*form, "f");
  form->SetVisible(true);
  QWidget* img = WidgetOf(*form)->findChild<QWidget*>("img");
  QTest::mouseClick(img, Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
  EXPECT_EQ(log_.Trace(), (Trace{"f:3", "f:4", "f:1"}));
  EXPECT_EQ(log_.Last(1).X, 30);
  EXPECT_EQ(log_.Last(1).Y, 40);
  form->Close();
}

}  // namespace
}  // namespace nokari::testing
