#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <fstream>

#include "core/Encoding.h"
#include "core/Engine.h"
#include "core/Services.h"
#include "host/Security.h"
#include "lib/file/FileOps.h"
#include "lib/path/Path.h"

namespace nokari {
namespace {

// Answers confirmations from a list and records what was asked.
class ScriptedHost : public IDialogService, public IOutputService {
 public:
  std::deque<Confirm> Answers;
  std::vector<std::string> Questions, Boxes, Diagnostics;
  Confirm Otherwise = Confirm::None;  // the answer once Answers is used up

  Confirm AskConfirm(const std::string& question) override {
    Questions.push_back(question);
    if (Answers.empty()) return Otherwise;
    Confirm c = Answers.front();
    Answers.pop_front();
    return c;
  }
  void MessageBox(const std::string& text, const std::string&) override { Boxes.push_back(text); }
  void WriteText(const std::string&, const TextStyle&) override {}
  ErrorChoice ShowErrorDialog(const std::string&, bool) override { return ErrorChoice::Quit; }
  std::optional<std::string> Input(const std::string&, const std::string&) override { return std::nullopt; }
  bool YesNo(const std::string&, const std::string&) override { return false; }
  void Diagnostic(const std::string& text) override { Diagnostics.push_back(ToUtf8(text)); }
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
    e.Services.Dialogs = &host;
    e.Services.Output = &host;
    e.Services.Console = true;
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
  bool Check(const std::string& native) { return ChangeRefused(e, "q", FromNativeName(native)); }

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
  EXPECT_TRUE(ChangeRefused(e, "q", std::vector<std::string>{FromNativeName(base + "/a"), FromNativeName(outside + "/b")}));
  EXPECT_FALSE(ChangeRefused(e, "q", std::vector<std::string>{FromNativeName(base + "/a"), FromNativeName(base + "/b")}));
}

TEST_F(SecurityTest, SiblingsLinksAndMissingFoldersAreJudgedByWhereTheChangeLands) {
  e.SecurityLevel = 1;
  // A sibling whose name extends the script folder's is outside.
  mkdir((base + "2").c_str(), 0700);
  EXPECT_TRUE(Check(base + "2/a.txt"));
  // A missing folder, "..", then a link out.
  ASSERT_EQ(symlink(outside.c_str(), (base + "/out.lnk").c_str()), 0);
  EXPECT_TRUE(Check(base + "/zz/../out.lnk/newdir"));
  // Dangling links count by their targets, as files and as folders.
  ASSERT_EQ(symlink("../other/none.txt", (base + "/dang.lnk").c_str()), 0);
  ASSERT_EQ(symlink("../other/x/y", (base + "/dangdir.lnk").c_str()), 0);
  EXPECT_TRUE(Check(base + "/dang.lnk"));
  EXPECT_TRUE(Check(base + "/dangdir.lnk/f.txt"));
  EXPECT_EQ(host.Questions.size(), 4u);
  // A link pointing inside, reached through a missing folder, asks nothing.
  mkdir((base + "/sub").c_str(), 0700);
  ASSERT_EQ(symlink((base + "/sub").c_str(), (base + "/in.lnk").c_str()), 0);
  EXPECT_FALSE(Check(base + "/zz/../in.lnk/new/a.txt"));
  EXPECT_EQ(host.Questions.size(), 4u);
}

TEST_F(SecurityTest, AllowedTargetsComeBackOpenAndASwapInBetweenWritesNothing) {
  e.SecurityLevel = 1;
  mkdir((base + "/sub").c_str(), 0700);
  CheckedTarget target("f", base + "/sub/f.txt", true);
  ASSERT_FALSE(ChangeRefused(e, "q", std::vector<CheckedTarget*>{&target}));
  ASSERT_TRUE(target.IsOpen());
  ASSERT_TRUE(WriteEntry(target.Folder(), target.Leaf(), "in"));
  // Checked inside; before its use the folder becomes a link outside.
  CheckedTarget swapped("f", base + "/sub/g.txt", true);
  SetCheckToUseHookForTest([&] {
    rename((base + "/sub").c_str(), (base + "/sub.old").c_str());
    symlink(outside.c_str(), (base + "/sub").c_str());
  });
  bool refused = ChangeRefused(e, "q", std::vector<CheckedTarget*>{&swapped});
  SetCheckToUseHookForTest(nullptr);
  EXPECT_FALSE(refused);           // judged inside ...
  EXPECT_FALSE(swapped.IsOpen());  // ... but the swapped path is not entered
  EXPECT_TRUE(ListFolder(outside).empty());
  EXPECT_TRUE(host.Questions.empty());
}

TEST_F(SecurityTest, ARefusalWithNobodyToAskIsSaidOnceInConsoleMode) {
  e.SecurityLevel = 1;
  e.FileName = FromNativeName(base + "/main.nkr");
  host.Otherwise = Confirm::Nobody;
  EXPECT_TRUE(Check(outside + "/a.txt"));
  ASSERT_EQ(host.Diagnostics.size(), 1u);
  const std::string& line = host.Diagnostics[0];
  EXPECT_EQ(line.rfind("[注　意] main.nkr(", 0), 0u) << line;
  EXPECT_NE(line.find(outside + "/a.txt"), std::string::npos);
  EXPECT_NE(line.find("-security low"), std::string::npos);
  // Inside, or a plain "no", says nothing; nor does a window host.
  EXPECT_FALSE(Check(base + "/a.txt"));
  host.Otherwise = Confirm::No;
  EXPECT_TRUE(Check(outside + "/a.txt"));
  host.Otherwise = Confirm::Nobody;
  e.Services.Console = false;
  EXPECT_TRUE(Check(outside + "/a.txt"));
  EXPECT_EQ(host.Diagnostics.size(), 1u);
}

}  // namespace
}  // namespace nokari
