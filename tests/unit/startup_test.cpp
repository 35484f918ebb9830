// The command line.
#include <gtest/gtest.h>

#include "host/Startup.h"

namespace nokari {
namespace {

StartOptions Parse(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  return ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(CommandLine, ScriptIsTheFirstPlainParameter) {
  StartOptions o = Parse({"nokari", "-console", "a.nkr", "x", "-y"});
  EXPECT_TRUE(o.Console);
  EXPECT_EQ(o.Script, "a.nkr");
  EXPECT_EQ(o.ScriptIndex, 2);
  EXPECT_TRUE(o.BadOption.empty());  // options after the script belong to it
}

TEST(CommandLine, OptionsAndLevels) {
  EXPECT_EQ(Parse({"nokari", "-security", "MID", "a.nkr"}).SecurityLevel, 1);
  EXPECT_EQ(Parse({"nokari", "-security", "2", "a.nkr"}).SecurityLevel, -1);
  StartOptions o = Parse({"nokari", "-debug", "-linestop", "-runtime", "p", "a.nkr"});
  EXPECT_TRUE(o.Debug);
  EXPECT_TRUE(o.LineStop);
  EXPECT_TRUE(o.RunOption);
  EXPECT_EQ(o.RuntimeFile, "p");
  EXPECT_EQ(Parse({"nokari", "-bogus", "a.nkr"}).BadOption, "-bogus");
  EXPECT_TRUE(Parse({"nokari", "--version"}).Version);
}

TEST(CommandLine, NoScriptAndNoDefaultMeansNothingToRun) {
  StartOptions o = Parse({"/nonexistent/dir/nokari", "-debug"});
  EXPECT_TRUE(o.Script.empty() || o.DefaultScript);
}

}  // namespace
}  // namespace nokari
