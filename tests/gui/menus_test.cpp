// Menus, the main window's commands and the notification icon on the
// offscreen platform: the menu bar and its sub-menus, shortcut texts, the
// tray icon where there is no tray, frame styles and full screen.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QSystemTrayIcon>

#include "PartsFixture.h"
#include "core/Engine.h"
#include "core/Errors.h"
#include "gui/QtMenus.h"
#include "gui/QtText.h"
#include "host/Run.h"

namespace nokari::testing {
namespace {

using Menus = PartsTest;

QAction* ActionOf(const std::unique_ptr<PartHandle>& item) { return MenuActionOf(*item); }

TEST_F(Menus, TheBarComesWithTheFirstItemAndTheClientKeepsItsSize) {
  EXPECT_EQ(window_.findChild<QMenuBar*>(), nullptr);
  EXPECT_EQ(window_.Client()->geometry(), QRect(0, 0, 628, 445));

  auto file = service_.CreateMenuItem(nullptr, S("ファイル(&F)"));
  QMenuBar* bar = window_.findChild<QMenuBar*>();
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->actions().size(), 1);
  EXPECT_EQ(bar->actions()[0], ActionOf(file));
  EXPECT_EQ(file->Text(), S("ファイル(&F)"));
  int top = bar->sizeHint().height();
  EXPECT_GT(top, 10);
  EXPECT_TRUE(bar->isVisibleTo(&window_));
  // The window grew by the bar: the client, where parts stand, did not.
  EXPECT_EQ(window_.Client()->geometry(), QRect(0, top, 628, 445));
  EXPECT_EQ(window_.height(), 445 + top);
  EXPECT_EQ(Main().Geometry().H, 445);
  Main().SetGeometry({5, 6, 300, 200});
  EXPECT_EQ(Main().Geometry(), (PartRect{5, 6, 300, 200}));
  EXPECT_EQ(window_.height(), 200 + top);
  auto b = Make(PartKind::ボタン);
  EXPECT_EQ(b->ParentClient(), (PartRect{0, 0, 300, 200}));

  // The last item going takes the bar's room back.
  file.reset();
  QCoreApplication::processEvents();
  EXPECT_FALSE(bar->isVisibleTo(&window_));
  EXPECT_EQ(window_.Client()->geometry(), QRect(0, 0, 300, 200));
}

TEST_F(Menus, ItemsWithChildrenGetSubMenus) {
  auto file = service_.CreateMenuItem(nullptr, S("ファイル"));
  auto open = service_.CreateMenuItem(file.get(), S("開く"));
  auto line = service_.CreateMenuItem(file.get(), "-");
  auto recent = service_.CreateMenuItem(file.get(), S("最近"));
  auto first = service_.CreateMenuItem(recent.get(), "a.txt");
  QMenu* fileMenu = ActionOf(file)->menu<QMenu*>();
  ASSERT_NE(fileMenu, nullptr);
  EXPECT_EQ(fileMenu->actions(), (QList<QAction*>{ActionOf(open), ActionOf(line), ActionOf(recent)}));
  EXPECT_TRUE(ActionOf(line)->isSeparator());
  EXPECT_FALSE(ActionOf(open)->isSeparator());
  EXPECT_EQ(ActionOf(open)->menu<QMenu*>(), nullptr);  // no children, no sub-menu
  ASSERT_NE(ActionOf(recent)->menu<QMenu*>(), nullptr);
  EXPECT_EQ(ActionOf(recent)->menu<QMenu*>()->actions(), QList<QAction*>{ActionOf(first)});
  // Only the top item stands in the bar.
  EXPECT_EQ(window_.findChild<QMenuBar*>()->actions(), QList<QAction*>{ActionOf(file)});
  // A child outlives its parent item; the parent's sub-menu goes with it.
  QPointer<QMenu> menu = fileMenu;
  file.reset();
  EXPECT_TRUE(menu.isNull());
  open->SetText(S("まだ"));
  EXPECT_EQ(open->Text(), S("まだ"));
}

// Only a checked item is checkable: an unchecked one shows no box.
TEST_F(Menus, CheckMarksAndState) {
  auto view = service_.CreateMenuItem(nullptr, S("表示"));
  auto bar = service_.CreateMenuItem(view.get(), S("ツールバー"));
  QAction* a = ActionOf(bar);
  EXPECT_FALSE(a->isCheckable());
  EXPECT_EQ(bar->Value(), 0);
  bar->SetValue(1);
  EXPECT_TRUE(a->isCheckable());
  EXPECT_TRUE(a->isChecked());
  EXPECT_EQ(bar->Value(), 1);
  bar->SetValue(0);
  EXPECT_FALSE(a->isChecked());
  EXPECT_EQ(bar->Value(), 0);
  bar->SetVisible(false);
  EXPECT_FALSE(a->isVisible());
  EXPECT_FALSE(bar->Visible());
  bar->SetEnabled(false);
  EXPECT_FALSE(a->isEnabled());
  EXPECT_FALSE(bar->Focus());
  EXPECT_FALSE(bar->SetParent(Main()));
}

TEST_F(Menus, PicturesAreIcons) {
  auto item = service_.CreateMenuItem(nullptr, S("画像"));
  EXPECT_FALSE(item->LoadPicture(MissingFile()));
  ASSERT_TRUE(item->LoadPicture(WritePng("m.png", 16, 12)));
  EXPECT_FALSE(ActionOf(item)->icon().isNull());
  EXPECT_EQ(item->PictureSize(), (PartRect{0, 0, 16, 12}));
  ASSERT_TRUE(item->LoadPicture(""));
  EXPECT_TRUE(ActionOf(item)->icon().isNull());
}

TEST(Shortcuts, WindowsStyleTextsReadAndSpeltBack) {
  struct Case {
    const char* text;
    QKeySequence keys;
    const char* back;
  };
  const Case cases[] = {
      {"Ctrl+S", QKeySequence(Qt::CTRL | Qt::Key_S), "Ctrl+S"},
      {"Shift+F1", QKeySequence(Qt::SHIFT | Qt::Key_F1), "Shift+F1"},
      {"Alt+X", QKeySequence(Qt::ALT | Qt::Key_X), "Alt+X"},
      {"ctrl+shift+del", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete), "Ctrl+Shift+Del"},
      {"Ctrl + O", QKeySequence(Qt::CTRL | Qt::Key_O), "Ctrl+O"},
      {"BkSp", QKeySequence(Qt::Key_Backspace), "BkSp"},
      {"Ctrl+PgDn", QKeySequence(Qt::CTRL | Qt::Key_PageDown), "Ctrl+PgDn"},
      {"Ctrl+PgUp", QKeySequence(Qt::CTRL | Qt::Key_PageUp), "Ctrl+PgUp"},
      {"Ins", QKeySequence(Qt::Key_Insert), "Ins"},
      {"Ctrl++", QKeySequence(Qt::CTRL | Qt::Key_Plus), "Ctrl++"},
      {"F12", QKeySequence(Qt::Key_F12), "F12"},
  };
  for (const Case& c : cases) {
    std::optional<QKeySequence> keys = KeySequenceOf(QString::fromUtf8(c.text));
    ASSERT_TRUE(keys) << c.text;
    EXPECT_EQ(*keys, c.keys) << c.text;
    EXPECT_EQ(ShortcutTextOf(*keys).toStdString(), c.back) << c.text;
  }
  for (const char* bad : {"Ctrl+missing", "Ctrl", "Ctrl+S, Ctrl+A", "Shift+", "あ+S"})
    EXPECT_FALSE(KeySequenceOf(QString::fromUtf8(bad))) << bad;
  ASSERT_TRUE(KeySequenceOf(" "));
  EXPECT_TRUE(KeySequenceOf(" ")->isEmpty());
}

TEST_F(Menus, AnItemsShortcutComesFromItsText) {
  auto file = service_.CreateMenuItem(nullptr, S("ファイル"));
  auto save = service_.CreateMenuItem(file.get(), S("保存"));
  EXPECT_EQ(save->Shortcut(), "");
  ASSERT_TRUE(save->SetShortcut("Ctrl+S"));
  EXPECT_EQ(ActionOf(save)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
  EXPECT_EQ(save->Shortcut(), "Ctrl+S");
  EXPECT_FALSE(save->SetShortcut("Ctrl+nokey"));
  EXPECT_EQ(save->Shortcut(), "Ctrl+S");  // a failure changes nothing
  ASSERT_TRUE(save->SetShortcut(""));
  EXPECT_TRUE(ActionOf(save)->shortcut().isEmpty());
}

// The offscreen platform has no notification area: the icon keeps its
// state and shows nothing, and a click still reaches the handler only
// from the event loop.
TEST(Tray, WithoutANotificationAreaTheStateIsKept) {
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
  TrayIcon tray;
  tray.Set(true, QStringLiteral("tip"));
  EXPECT_TRUE(tray.On());
  EXPECT_EQ(tray.Tip(), QStringLiteral("tip"));
  EXPECT_FALSE(tray.Shown());
  std::vector<bool> clicks;
  tray.SetHandler([&](bool left) { clicks.push_back(left); });
  tray.Activate(true);
  tray.Activate(false);
  EXPECT_TRUE(clicks.empty());
  QCoreApplication::processEvents();
  EXPECT_EQ(clicks, (std::vector<bool>{true, false}));
  tray.Set(false, {});
  EXPECT_FALSE(tray.On());
}

// Errors are kept, not shown in a dialog nobody would close.
struct QuietErrors : IDialogService {
  ErrorChoice ShowErrorDialog(const std::string&, bool) override { return ErrorChoice::Quit; }
  std::optional<std::string> Input(const std::string&, const std::string&) override { return std::nullopt; }
  bool YesNo(const std::string&, const std::string&) override { return false; }
  Confirm AskConfirm(const std::string&) override { return Confirm::None; }
};

// The main window's commands run by an engine on the Qt host.
class MainWindowCommands : public ::testing::Test {
 protected:
  MainWindowCommands() : host(window) {
    ConnectServices(e, host.Services());
    e.Services.Dialogs = &quiet;
    e.FileName = "test.nkr";
  }
  // Runs a program (UTF-8); the error log, "" when none.
  std::string Run(const std::string& program) {
    e.ErrorLog.clear();
    try {
      StartProgram(e, FromUtf8(program));
      RunLoop(e);
    } catch (ENoka& err) {
      return ToUtf8(err.Message);
    }
    return ToUtf8(e.ErrorLog);
  }
  QuietErrors quiet;
  TfrmNoka window;
  QtHost host;
  TNokaBase e;  // last: it goes first, while its windows still stand
};

// ウィンドウ色 is the colour dialogs are painted in: the button face of the
// window system's palette (not the main window's white).
TEST_F(MainWindowCommands, WindowColourIsThePalettesButtonFace) {
  ASSERT_EQ(Run("X=1"), "");
  const std::string face = std::to_string(ColorRefOf(QApplication::palette().color(QPalette::Button)));
  for (const char* name : {"ウィンドウ色", "ウインドウ色"}) {
    THashNode* word = e.Words.Find(FromUtf8(name));
    ASSERT_NE(word, nullptr) << name;
    EXPECT_EQ(word->Value, face) << name;
  }
  EXPECT_NE(face, std::to_string(0xFFFFFF));
}

// setWindowFlags hides a window: a shown one must show again.
TEST_F(MainWindowCommands, FrameStylesKeepTheWindowShown) {
  ASSERT_EQ(Run("母艦浮上"), "");
  EXPECT_TRUE(window.isVisible());
  for (int style : {0, 1, 3, 2}) {
    ASSERT_EQ(Run(std::to_string(style) + "に、母艦スタイル設定"), "");
    EXPECT_TRUE(window.isVisible()) << style;
    EXPECT_EQ(window.windowFlags().testFlag(Qt::FramelessWindowHint), style == 0) << style;
  }
}

TEST_F(MainWindowCommands, FullScreenCoversTheScreenAndRestoreUndoesIt) {
  ASSERT_EQ(Run("母艦浮上\n母艦全画面化"), "");
  QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_TRUE(window.isVisible());
  // The client is the screen's size, the window placed at its corner (the
  // offscreen platform keeps a frame of its own even around a frameless
  // window, so the client starts just inside it).
  EXPECT_EQ(window.size(), screen.size());
  EXPECT_EQ(window.frameGeometry().topLeft(), screen.topLeft());
  EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  ASSERT_EQ(Run("母艦元のサイズ"), "");
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_FALSE(window.windowState().testFlag(Qt::WindowMaximized));
}

TEST_F(MainWindowCommands, MenusFromPathsAndTheTrayWithoutATray) {
  ASSERT_EQ(Run("`ファイル\\開く\nファイル\\-\nファイル\\終了`を、メニューパス作成\n"
                "ファイル_終了メニューの、ショートカットキーは、「Alt+X」\n"
                "タスクトレイへアイコン表示(1)"),
            "");
  QMenuBar* bar = window.findChild<QMenuBar*>();
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->actions().size(), 1);
  EXPECT_EQ(bar->actions()[0]->text(), QString::fromUtf8("ファイル"));
  QMenu* menu = bar->actions()[0]->menu<QMenu*>();
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->actions().size(), 3);
  EXPECT_EQ(menu->actions()[0]->text(), QString::fromUtf8("開く"));
  EXPECT_TRUE(menu->actions()[1]->isSeparator());
  EXPECT_EQ(menu->actions()[2]->shortcut(), QKeySequence(Qt::ALT | Qt::Key_X));
  EXPECT_TRUE(host.TrayIconOn());
}

TEST_F(MainWindowCommands, TheIconComesFromAPicture) {
  QTemporaryDir dir;
  QImage image(16, 16, QImage::Format_RGB32);
  image.fill(Qt::blue);
  QString path = dir.filePath("icon.png");
  ASSERT_TRUE(image.save(path, "PNG"));
  ASSERT_EQ(Run("「" + path.toStdString() + "」を、母艦アイコン"), "");
  EXPECT_FALSE(QApplication::windowIcon().isNull());
  QString text = dir.filePath("not-a-picture.png");
  QFile f(text);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("text");
  f.close();
  EXPECT_NE(Run("「" + text.toStdString() + "」を、母艦アイコン").find("の、読み込みか書き込みに、失敗しました。"),
            std::string::npos);
  QApplication::setWindowIcon(QIcon());
}

}  // namespace
}  // namespace nokari::testing
