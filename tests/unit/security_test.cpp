#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <fstream>

#include "core/Encoding.h"
#include "core/Engine.h"
#include "host/Host.h"
#include "host/Security.h"
#include "lib/file/FileOps.h"
#include "lib/path/Path.h"

namespace nokari {
namespace {

// Answers confirmations from a list and records what was asked.
class ScriptedHost : public IHost {
 public:
  std::deque<Confirm> Answers;
  std::vector<std::string> Questions, Boxes;

  Confirm AskConfirm(const std::string& question) override {
    Questions.push_back(question);
    if (Answers.empty()) return Confirm::None;
    Confirm c = Answers.front();
    Answers.pop_front();
    return c;
  }
  void MessageBox(const std::string& text, const std::string&) override { Boxes.push_back(text); }
  void WriteText(const std::string&) override {}
  ErrorChoice ShowErrorDialog(const std::string&, bool) override { return ErrorChoice::Quit; }
  bool InputBox(const std::string&, const std::string&, std::string&) override { return false; }
  bool YesNo(const std::string&, const std::string&) override { return false; }
  void ProcessEvents() override {}
  void ShowMainWindow() override {}
  void RequestClose() override {}
  std::string ClipboardText() override { return ""; }
  void SetClipboardText(const std::string&) override {}
  int ScreenWidth() override { return 0; }
  int ScreenHeight() override { return 0; }
  void Diagnostic(const std::string&) override {}
  bool IsConsole() const override { return true; }
};

class SecurityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = "/tmp/nokari-sec-XXXXXX";
    root = mkdtemp(tmpl.data());
    base = root + "/script";
    outside = root + "/other";
    mkdir(base.c_str(), 0700);
    mkdir(outside.c_str(), 0700);
    saved = CurrentFolderNative();
    e.Host = &host;
    e.MainFilePath = FromNativeName(base + "/main.nkr");
    SetScriptFolder(FromNativeName(base + "/"));
  }
  void TearDown() override {
    (void)chdir(saved.c_str());
    RemoveTree(root);
  }
  void SetScriptFolder(const std::string& folder) {
    auto node = std::make_shared<THashNode>(Sj("母艦のパス"), folder, -1, false);
    e.Words.Add(node);
  }
  bool Check(const std::string& native) { return CheckChange(e, "q", FromNativeName(native)); }

  ScriptedHost host;
  TNokaBase e;
  std::string root, base, outside, saved;
};

TEST(SecurityIni, LevelsAndValues) {
  EXPECT_EQ(SecurityLevelFromText("high"), 2);
  EXPECT_EQ(SecurityLevelFromText(" Low"), 0);
  EXPECT_EQ(SecurityLevelFromText("mid"), 1);
  EXPECT_EQ(SecurityLevelFromText("2"), 1);
  EXPECT_EQ(SecurityLevelFromText(""), 1);
  std::string value;
  std::string ini = "[other]\nsecurity=low\n[Main.NKR]\r\n Security = \"High\"\r\n";
  ASSERT_TRUE(ReadIniValue(ini, "main.nkr", "SECURITY", value));
  EXPECT_EQ(value, "High");
  EXPECT_FALSE(ReadIniValue(ini, "none", "security", value));
}

TEST_F(SecurityTest, IniIsReadFromScriptFolderThenExecutableFolder) {
  std::ofstream(outside + "/SECURITY.INI") << "[" << base << "/main.nkr]\nsecurity=low\n";
  EXPECT_EQ(ReadSecurityLevel(FromNativeName(base + "/"), FromNativeName(outside + "/"), e.MainFilePath), 0);
  std::ofstream(base + "/security.ini") << "[main.nkr]\nsecurity=high\n";
  EXPECT_EQ(ReadSecurityLevel(FromNativeName(base + "/"), FromNativeName(outside + "/"), e.MainFilePath), 2);
  // Read once, at the first check.
  EXPECT_TRUE(Check(base + "/a.txt"));
  EXPECT_EQ(e.SecurityLevel, 2);
}

TEST_F(SecurityTest, MidLevelAsksOnlyOutsideTheScriptFolder) {
  e.SecurityLevel = 1;
  EXPECT_FALSE(Check(base + "/a.txt"));
  EXPECT_FALSE(Check(base + "/new/sub/a.txt"));
  EXPECT_TRUE(host.Questions.empty());
  EXPECT_TRUE(Check(outside + "/a.txt"));  // no answer: refused
  host.Answers = {Confirm::Yes, Confirm::No};
  EXPECT_FALSE(Check(outside + "/a.txt"));
  EXPECT_TRUE(Check(outside + "/a.txt"));
  EXPECT_EQ(host.Questions.size(), 3u);
  // Wildcards ask even inside; the script folder itself is not inside.
  host.Answers = {Confirm::No, Confirm::No};
  EXPECT_TRUE(Check(base + "/*.txt"));
  EXPECT_TRUE(Check(base));
}

TEST_F(SecurityTest, EscapesThroughDotDotLinksAndRelativeNamesAreCaught) {
  e.SecurityLevel = 1;
  ASSERT_EQ(symlink(outside.c_str(), (base + "/link").c_str()), 0);
  EXPECT_TRUE(Check(base + "/../other/a.txt"));
  EXPECT_TRUE(Check(base + "/link/a.txt"));
  EXPECT_TRUE(Check(base + "/link/../script/x/../../other/a"));
  EXPECT_EQ(host.Questions.size(), 3u);
  // Relative names count from the real current folder.
  ASSERT_EQ(chdir(outside.c_str()), 0);
  EXPECT_TRUE(Check("a.txt"));
  ASSERT_EQ(chdir(base.c_str()), 0);
  EXPECT_FALSE(Check("a.txt"));
  EXPECT_EQ(host.Questions.size(), 4u);
}

TEST_F(SecurityTest, AllYesAndAllNoChangeTheLevel) {
  e.SecurityLevel = 1;
  host.Answers = {Confirm::AllYes};
  EXPECT_FALSE(Check(outside + "/a"));
  EXPECT_FALSE(Check("/tmp/elsewhere"));
  EXPECT_EQ(e.SecurityLevel, 0);
  EXPECT_EQ(host.Questions.size(), 1u);
  e.SecurityLevel = 1;
  host.Answers = {Confirm::AllNo};
  EXPECT_TRUE(Check(outside + "/a"));
  EXPECT_TRUE(Check(base + "/inside"));
  EXPECT_EQ(e.SecurityLevel, 2);
}

TEST_F(SecurityTest, SecurityIniIsRefusedAtEveryLevel) {
  e.SecurityLevel = 0;
  EXPECT_TRUE(Check(base + "/Security.Ini"));
  ASSERT_EQ(host.Boxes.size(), 1u);
  EXPECT_EQ(host.Boxes[0], Sj("このプログラムは、\"security.ini\"を、操作出来ません！"));
  std::ofstream(outside + "/security.ini") << "";
  ASSERT_EQ(symlink((outside + "/security.ini").c_str(), (base + "/harmless").c_str()), 0);
  EXPECT_TRUE(Check(base + "/harmless"));
  e.SecurityLevel = 2;
  EXPECT_TRUE(Check(base + "/security.ini"));
  EXPECT_EQ(host.Boxes.size(), 2u);  // high refuses silently
  EXPECT_TRUE(Check(base + "/a.txt"));
}

TEST_F(SecurityTest, EmptyScriptFolderHoldsNothing) {
  SetScriptFolder("");
  e.SecurityLevel = 1;
  ASSERT_EQ(chdir(base.c_str()), 0);
  EXPECT_TRUE(Check("a.txt"));
  EXPECT_EQ(host.Questions.size(), 1u);
  // Several paths: inside only when all are.
  SetScriptFolder(FromNativeName(base));
  host.Answers = {Confirm::No};
  EXPECT_TRUE(CheckChange(e, "q", std::vector<std::string>{FromNativeName(base + "/a"), FromNativeName(outside + "/b")}));
  EXPECT_FALSE(CheckChange(e, "q", std::vector<std::string>{FromNativeName(base + "/a"), FromNativeName(base + "/b")}));
}

}  // namespace
}  // namespace nokari
