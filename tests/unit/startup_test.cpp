// The command line.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>

#include "core/Encoding.h"
#include "core/Errors.h"
#include "core/Source.h"
#include "host/Security.h"
#include "host/Startup.h"
#include "lib/file/FileOps.h"
#include "lib/path/Path.h"
#include "words/Contract.h"

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

TEST(CommandLine, SlipsAreSaidNotPassedOver) {
  // The level forgotten: the script's name is no level.
  StartOptions forgotten = Parse({"nokari", "-console", "-security", "hello.nkr"});
  EXPECT_NE(forgotten.OptionSlip.find("hello.nkr"), std::string::npos);
  EXPECT_FALSE(Parse({"nokari", "-security"}).OptionSlip.empty());
  // Any other word leaves the level as it was, with a note.
  StartOptions typo = Parse({"nokari", "-security", "lo", "a.nkr"});
  EXPECT_TRUE(typo.OptionSlip.empty());
  EXPECT_EQ(typo.SecurityLevel, -1);
  EXPECT_EQ(typo.Script, "a.nkr");
  EXPECT_NE(typo.OptionNotes.find("\"lo\""), std::string::npos);
  EXPECT_TRUE(Parse({"nokari", "-security", "low", "a.nkr"}).OptionNotes.empty());
  StartOptions bareE = Parse({"nokari", "-e"});
  EXPECT_NE(bareE.OptionSlip.find("-e needs"), std::string::npos);
  EXPECT_TRUE(bareE.BadOption.empty());
}

TEST(CommandLine, NoScriptAndNoDefaultMeansNothingToRun) {
  StartOptions o = Parse({"/nonexistent/dir/nokari", "-debug"});
  EXPECT_TRUE(o.Script.empty() || o.DefaultScript);
}

TEST(StartUp, ARelativeScriptPathGivesARealAbsoluteScriptFolder) {
  std::string tmpl = "/tmp/nokari-start-XXXXXX";
  std::string root = mkdtemp(tmpl.data());
  char buf[PATH_MAX];
  std::string real = realpath(root.c_str(), buf);
  mkdir((root + "/app").c_str(), 0700);
  mkdir((root + "/app2").c_str(), 0700);
  std::ofstream(root + "/app/a.nkr") << "";
  symlink((root + "/app").c_str(), (root + "/via").c_str());
  std::string saved = CurrentFolderNative();
  ASSERT_EQ(chdir((root + "/via").c_str()), 0);

  StartOptions o = Parse({"nokari", "./a.nkr", "x"});
  TNokaBase e;
  std::string source, message;
  ASSERT_TRUE(LoadStartScript(e, o, source, message)) << message;
  StartProgram(e, source);
  EXPECT_EQ(VarValue(e, "母艦のパス"), FromNativeName(real + "/app/"));
  EXPECT_EQ(e.MainFilePath, FromNativeName(real + "/app/a.nkr"));
  EXPECT_EQ(CurrentFolderNative(), real + "/app");
  // The current folder moves; the script folder does not. With nobody to
  // ask, only changes inside it go ahead.
  ASSERT_EQ(chdir("/"), 0);
  e.SecurityLevel = 1;
  EXPECT_TRUE(ChangeRefused(e, "q", "a.txt"));
  EXPECT_FALSE(ChangeRefused(e, "q", FromNativeName(real + "/app/a.txt")));
  EXPECT_FALSE(ChangeRefused(e, "q", FromNativeName(root + "/via/a.txt")));
  EXPECT_TRUE(ChangeRefused(e, "q", FromNativeName(real + "/app2/a.txt")));
  (void)chdir(saved.c_str());
  RemoveTree(root);
}

// The message an unreadable start file gets, as StartFileProblem words it.
std::string ProblemOf(const std::string& path) {
  StartOptions o;
  o.Script = path;
  return ToUtf8(StartFileProblem(o));
}

TEST(StartUp, AnUnreadableStartFileSaysWhy) {
  std::string tmpl = "/tmp/nokari-start-XXXXXX";
  std::string root = mkdtemp(tmpl.data());
  std::ofstream(root + "/a.nkr") << "";
  EXPECT_EQ(ProblemOf(root + "/a.nkr"), "");
  EXPECT_NE(ProblemOf(root + "/none.nkr").find("そのファイルはありません"), std::string::npos);
  EXPECT_NE(ProblemOf(root).find("フォルダです"), std::string::npos);
  mkfifo((root + "/fifo").c_str(), 0600);
  EXPECT_NE(ProblemOf(root + "/fifo").find("パイプや装置からはスクリプトを読めません"), std::string::npos);
  RemoveTree(root);
}

// Script bytes as the engine reads them (UTF-8 out, for comparing).
std::string Decoded(const std::string& bytes) {
  TNokaBase e;
  return ToUtf8(DecodeScript(e, bytes, "s.nkr"));
}

// The message DecodeScript raises for the bytes, "" when it raises none.
std::string DecodeError(const std::string& bytes) {
  TNokaBase e;
  try {
    DecodeScript(e, bytes, "s.nkr");
  } catch (const ENoka& err) {
    return ToUtf8(err.Message);
  }
  return "";
}

TEST(ScriptFiles, Utf16WithItsMarkIsRead) {
  // 「一」を、表示 LF 𠮷 in UTF-16LE (Notepad's "Unicode") and big-endian.
  const std::string le("\xFF\xFE\x0C\x30\x00\x4E\x0D\x30\x92\x30\x01\x30\x68\x88\x3A\x79\x0A\x00"
                       "\x42\xD8\xB7\xDF",
                       22);
  EXPECT_EQ(Decoded(le), "「一」を、表示\r\n𠮷\r\n");
  std::string be = le;
  for (size_t i = 0; i + 1 < be.size(); i += 2) std::swap(be[i], be[i + 1]);
  EXPECT_EQ(Decoded(be), "「一」を、表示\r\n𠮷\r\n");
  // A surrogate without its pair and an odd last byte: no crash, a stand-in.
  EXPECT_NO_THROW(Decoded(std::string("\xFF\xFE\x00\xD8\x41\x00\x42", 7)));
}

TEST(ScriptFiles, AStrayByteInUtf8IsNamedByItsLine) {
  const std::string utf8 = "「一」を、表示\n「二」を、表示\n「三」を、表示\n";
  std::string err = DecodeError(utf8 + "// caf\xE9 のメモ\n「四」を、表示\n");
  EXPECT_NE(err.find("\"s.nkr\"の4行目は、UTF-8 として読めません"), std::string::npos) << err;
  EXPECT_EQ(DecodeError(utf8 + "「四」を、表示\n"), "");
  // Shift-JIS text stays Shift-JIS, whatever UTF-8 its bytes happen to form.
  const std::string sjis = FromUtf8("「一」を、表示\n漢字の多いテキストを表示する。表計算、窓、部品。\n");
  EXPECT_EQ(DecodeError(sjis), "");
  EXPECT_EQ(Decoded(sjis), "「一」を、表示\r\n漢字の多いテキストを表示する。表計算、窓、部品。\r\n");
}

}  // namespace
}  // namespace nokari
