// The security check as a service: file commands ask the engine's change
// guard, the application layer installs its policy there, and an engine
// without one refuses every change.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TestHost.h"
#include "host/Security.h"
#include "lib/file/DisplayTarget.h"
#include "lib/file/FileOps.h"
#include "lib/path/Path.h"

namespace nokari {
namespace {

// Records what it is asked and answers with `refuse`.
class RecordingGuard : public IChangeGuard {
 public:
  bool refuse = true;
  std::vector<std::string> questions;

  bool RefusesChange(TNokaBase&, const std::string& question, const std::vector<std::string>&) override {
    questions.push_back(ToUtf8(question));
    return refuse;
  }
  bool RefusesChange(TNokaBase&, const std::string& question, const std::vector<CheckedTarget*>& targets,
                     bool) override {
    questions.push_back(ToUtf8(question));
    if (!refuse)
      for (CheckedTarget* t : targets) t->Open(std::string());
    return refuse;
  }
};

class ChangeGuardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = "/tmp/nokari-guard-XXXXXX";
    dir = mkdtemp(tmpl.data());
  }
  void TearDown() override { RemoveTree(dir); }
  bool Exists(const std::string& name) { return access((dir + "/" + name).c_str(), F_OK) == 0; }
  std::string dir;
};

TEST_F(ChangeGuardTest, ConnectingAHostInstallsTheSecurityPolicy) {
  testing::TestEngine t;
  EXPECT_EQ(t.e.Services.Changes, &HostSecurityPolicy());
}

// The policy's level 0 would allow any write; without a policy nobody
// has said so, and nothing is written.
TEST_F(ChangeGuardTest, AnEngineWithoutAPolicyRefusesEveryChange) {
  TNokaBase e;
  e.SecurityLevel = 0;
  e.Words.Add(std::make_shared<THashNode>(Sj("表示出力先"), FromNativeName(dir + "/out.txt"), -1, false));
  EXPECT_TRUE(WriteToDisplayTarget(e, "x"));
  EXPECT_FALSE(Exists("out.txt"));
  e.Services.Changes = &HostSecurityPolicy();
  EXPECT_TRUE(WriteToDisplayTarget(e, "x"));
  EXPECT_TRUE(Exists("out.txt"));
}

// File commands ask the guard they are given, with the question naming the
// file, and write only what it allows.
TEST_F(ChangeGuardTest, FileCommandsAskTheInstalledGuard) {
  RecordingGuard guard;
  testing::TestEngine t;
  t.e.Services.Changes = &guard;
  t.e.SecurityLevel = 0;  // the host policy would allow: only the guard refuses
  const std::string program = "「x」を、「" + dir + "/a.txt」へ、保存\n「" + dir + "/sub」へ、フォルダ作成\n";
  t.Run(program);
  ASSERT_EQ(guard.questions.size(), 2u) << t.host.Errors;
  EXPECT_NE(guard.questions[0].find("a.txt"), std::string::npos) << guard.questions[0];
  EXPECT_NE(guard.questions[1].find("sub"), std::string::npos) << guard.questions[1];
  EXPECT_FALSE(Exists("a.txt"));
  EXPECT_FALSE(Exists("sub"));
  guard.refuse = false;
  t.Run(program);
  EXPECT_TRUE(Exists("a.txt")) << t.host.Errors;
  EXPECT_TRUE(Exists("sub")) << t.host.Errors;
}

}  // namespace
}  // namespace nokari
