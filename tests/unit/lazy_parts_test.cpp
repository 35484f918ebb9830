// The console's parts service: nothing of Qt is loaded until the first
// part is asked for; then the window module beside the program serves it
// (offscreen), and taking it down leaves the process able to exit
// cleanly. A module that cannot be loaded is a script error naming why.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <clocale>
#include <cstdlib>
#include <fstream>
#include <string>

#include "core/Encoding.h"
#include "core/Errors.h"
#include "host/GuiModule.h"
#include "host/LazyParts.h"

namespace nokari {
namespace {

bool QtLoaded() {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line))
    if (line.find("libQt6Widgets") != std::string::npos) return true;
  return false;
}

TEST(LazyParts, ModuleLiesBesideTheProgram) {
  EXPECT_EQ(GuiModulePath("/opt/x/bin/nokari"), "/opt/x/bin/libnokari-gui.so");
  std::string mine = GuiModulePath();
  EXPECT_EQ(mine.substr(mine.size() - 17), "/libnokari-gui.so");
}

TEST(LazyParts, PartsWorkOnceTheModuleIsLoaded) {
  struct stat st;
  if (stat(GuiModulePath().c_str(), &st) != 0) GTEST_SKIP() << "no window module in this build";
  LazyPartService parts;
  EXPECT_FALSE(parts.Loaded());
  EXPECT_FALSE(QtLoaded());
  // Qt takes the locale from the environment; the engine's stays.
  setlocale(LC_ALL, "C");
  setenv("LC_ALL", "C.UTF-8", 1);
  {
    auto button = parts.Create(PartKind::ボタン, parts.MainWindow());
    unsetenv("LC_ALL");
    EXPECT_STREQ(setlocale(LC_ALL, nullptr), "C");
    EXPECT_TRUE(parts.Loaded());
    EXPECT_TRUE(QtLoaded());
    button->SetText(FromUtf8("押す"));
    EXPECT_EQ(button->Text(), FromUtf8("押す"));
    EXPECT_FALSE(button->Visible());
    auto form = parts.Create(PartKind::フォーム, parts.MainWindow());
    EXPECT_EQ(parts.MainWindow().Geometry().W, 628);
    // `form` outlives the service below on purpose: a record freed late
    // must find its window gone, not crash.
    parts.Shutdown();
    EXPECT_FALSE(parts.Loaded());
  }
}

TEST(LazyParts, AModuleThatCannotBeLoadedIsAnError) {
  LazyPartService parts("/nonexistent/folder/nokari");
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      parts.MainWindow();
      FAIL() << "no error";
    } catch (ENoka& err) {
      std::string text = ToUtf8(err.Message);
      EXPECT_NE(text.find("ウィンドウ部品を使えません。"), std::string::npos) << text;
      EXPECT_NE(text.find("libnokari-gui.so"), std::string::npos) << text;  // dlopen's reason
    }
  }
  EXPECT_FALSE(parts.Loaded());
}

}  // namespace
}  // namespace nokari
