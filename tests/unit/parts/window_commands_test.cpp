// The main window's commands against a window service that records what
// it was asked: states, full screen, frame style, cursor, the application
// icon and the notification icon with its clicks.
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "PartsTest.h"

namespace nokari::test {
namespace {

struct RecordingWindow : IWindowService {
  int Shown = 0, Closed = 0;
  std::string Icon;
  bool IconLoads = true;
  bool Cursor = true;
  bool Tray = false;
  std::string Tip;
  std::function<void(bool)> Clicked;

  void ShowMainWindow() override { ++Shown; }
  void CloseMainWindow() override { ++Closed; }
  void SetCloseRequestHandler(std::function<void()>) override {}
  bool SetAppIcon(const std::string& path) override {
    Icon = path;
    return IconLoads;
  }
  void SetCursorVisible(bool on) override { Cursor = on; }
  void SetTrayIcon(bool on, const std::string& tip) override {
    Tray = on;
    Tip = tip;
  }
  bool TrayIconOn() const override { return Tray; }
  void SetTrayHandler(std::function<void(bool)> clicked) override { Clicked = std::move(clicked); }
};

// Answers はい/いいえ as told and keeps the question; errors go on to the
// capture host, where the fixture reads them.
struct AnsweringDialogs : IDialogService {
  explicit AnsweringDialogs(IDialogService& errors) : errors_(errors) {}
  ErrorChoice ShowErrorDialog(const std::string& log, bool debugMode) override {
    return errors_.ShowErrorDialog(log, debugMode);
  }
  std::optional<std::string> Input(const std::string&, const std::string&) override { return std::nullopt; }
  bool YesNo(const std::string& prompt, const std::string&) override {
    Asked += ToUtf8(prompt) + "\n";
    return Answer;
  }
  Confirm AskConfirm(const std::string&) override { return Confirm::None; }
  bool Answer = false;
  std::string Asked;

 private:
  IDialogService& errors_;
};

class WindowCommandsTest : public PartsTest {
 protected:
  RecordingWindow window;
  AnsweringDialogs dialogs{t.host};
  WindowCommandsTest() {
    t.e.Services.Window = &window;
    t.e.Services.Dialogs = &dialogs;
  }
  FakePart& Main() { return fake.Main(); }
};

TEST_F(WindowCommandsTest, StatesFullScreenAndRestore) {
  Run("母艦浮上");
  EXPECT_EQ(window.Shown, 1);
  Run("母艦最大化");
  EXPECT_EQ(Main().State, WindowState::Maximized);
  Run("枠固定に、母艦スタイル設定\n母艦最小化");
  EXPECT_EQ(Main().State, WindowState::Minimized);
  EXPECT_EQ(Main().Style, 2);  // sizeable again, for when it comes back
  Run("カーソル表示(0)\n母艦全画面化");
  EXPECT_EQ(Main().State, WindowState::Maximized);
  EXPECT_TRUE(Main().OnTop);
  EXPECT_EQ(Main().Style, 0);
  EXPECT_EQ(Main().Rect, (PartRect{0, 0, 1024, 768}));  // the capture host's screen
  EXPECT_FALSE(window.Cursor);
  EXPECT_FALSE(Main().Ime);
  Run("母艦元のサイズ");
  EXPECT_EQ(Main().State, WindowState::Normal);
  EXPECT_FALSE(Main().OnTop);
  EXPECT_EQ(Main().Style, 2);
  EXPECT_TRUE(window.Cursor);
  EXPECT_EQ(Error(), "");
}

TEST_F(WindowCommandsTest, FrameStylesAreTheFourNumbers) {
  Run("枠なしに、母艦スタイル設定");
  EXPECT_EQ(Main().Style, 0);
  Run("ダイアログスタイルに、母艦スタイル設定");
  EXPECT_EQ(Main().Style, 3);
  Run("7に、母艦スタイル設定\n-1に、母艦スタイル設定");  // no style: nothing changes
  EXPECT_EQ(Main().Style, 3);
  EXPECT_EQ(Run("(母艦の(スタイル))を、表示"), "3\n");
}

class IconTest : public WindowCommandsTest {
 protected:
  IconTest() {
    dir = std::filesystem::temp_directory_path() / ("nokari-icon-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "app.ico") << "icon";
  }
  ~IconTest() override { std::filesystem::remove_all(dir); }
  std::string File(const char* name) { return (dir / name).string(); }
  std::filesystem::path dir;
};

TEST_F(IconTest, FromAFileOrTheFileOfAnImage) {
  Run("「" + File("app.ico") + "」を、母艦アイコン");
  EXPECT_EQ(Error(), "");
  EXPECT_EQ(window.Icon, File("app.ico"));
  window.Icon.clear();
  Run("「I1」を、イメージとして、作成\nI1の、画像は、「" + File("app.ico") + "」\n「I1」を、母艦アイコン");
  EXPECT_EQ(Error(), "");
  EXPECT_EQ(window.Icon, File("app.ico"));

  const std::string failed = "の、読み込みか書き込みに、失敗しました。";
  Run("「" + File("missing.ico") + "」を、母艦アイコン");
  EXPECT_TRUE(ErrorHas("ファイル\"" + File("missing.ico") + "\"" + failed)) << Error();
  t.host.Errors.clear();
  Run("「I2」を、イメージとして、作成\n「I2」を、母艦アイコン");  // a picture drawn, not loaded
  EXPECT_TRUE(ErrorHas("ファイル\"I2\"" + failed)) << Error();
  // A window host that cannot read the file fails; a console has no icon
  // to set and lets it be.
  t.host.Errors.clear();
  window.IconLoads = false;
  Run("「" + File("app.ico") + "」を、母艦アイコン");
  EXPECT_EQ(Error(), "");
  t.e.Services.Console = false;
  Run("「" + File("app.ico") + "」を、母艦アイコン");
  EXPECT_TRUE(ErrorHas("ファイル\"" + File("app.ico") + "\"" + failed)) << Error();
}

TEST_F(WindowCommandsTest, TrayIconTipAndClicks) {
  std::string caption(70, 'x');
  Run("母艦の、テキストは、「" + caption + "」\n"
      "母艦の、クリックした時は、『「押した」を、表示』\n"
      "タスクトレイへアイコン表示(1)\n"
      "待機");
  ASSERT_EQ(Error(), "");
  EXPECT_TRUE(window.Tray);
  EXPECT_EQ(window.Tip, std::string(64, 'x'));
  ASSERT_TRUE(window.Clicked);

  size_t before = t.host.Output.size();
  window.Clicked(true);  // the left button: 母艦's click event
  EXPECT_EQ(t.host.Output.substr(before), "押した\n");
  window.Clicked(false);  // the right button asks; "no" goes on
  EXPECT_EQ(dialogs.Asked, "終了しますか？\n");
  EXPECT_EQ(window.Closed, 0);
  EXPECT_FALSE(t.e.Closed);
  dialogs.Answer = true;
  window.Clicked(false);
  EXPECT_EQ(window.Closed, 1);
  EXPECT_TRUE(t.e.Closed);

  Run("タスクトレイへアイコン表示(0)");
  EXPECT_FALSE(window.Tray);
}

// The close handler still decides when the tray asks to end.
TEST_F(WindowCommandsTest, TrayQuitRunsTheCloseHandler) {
  dialogs.Answer = true;
  Run("終了処理に、終了処理設定\nタスクトレイへアイコン表示(1)\n待機\n"
      "*終了処理\n「止めた」を、表示\n終了不可能は、1\n");
  ASSERT_TRUE(window.Clicked);
  size_t before = t.host.Output.size();
  window.Clicked(false);
  EXPECT_EQ(t.host.Output.substr(before), "止めた\n");
  EXPECT_EQ(window.Closed, 0);
}

// The host keeps the handler; once the engine is gone a click does nothing.
TEST(WindowCommands, TrayClickAfterTheEngineIsGoneDoesNothing) {
  RecordingWindow window;
  {
    FakePartService fake;
    testing::TestEngine t;
    t.e.Services.Parts = &fake;
    t.e.Services.Window = &window;
    t.Run("タスクトレイへアイコン表示(1)");
    ASSERT_TRUE(window.Clicked);
  }
  window.Clicked(true);
  window.Clicked(false);
  EXPECT_EQ(window.Closed, 0);
}

// Without a window layer (no parts service) the commands do nothing and
// never fail.
TEST(WindowCommands, WithoutWindowsNothingFails) {
  testing::TestEngine t;
  t.Run("母艦浮上\n母艦最大化\n母艦最小化\n母艦元のサイズ\n母艦全画面化\n0に、母艦スタイル設定\n"
        "カーソル表示(0)\nタスクトレイへアイコン表示(1)\nタスクトレイへアイコン表示(0)\n「ok」を、表示");
  EXPECT_EQ(t.host.Errors, "");
  EXPECT_EQ(t.host.Output, "ok\n");
}

}  // namespace
}  // namespace nokari::test
