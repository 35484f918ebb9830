#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

#include "core/Encoding.h"
#include "lib/file/FileOps.h"
#include "lib/path/Path.h"

namespace nokari {
namespace {

class TempDir {
 public:
  TempDir() {
    std::string tmpl = "/tmp/nokari-path-XXXXXX";
    path_ = mkdtemp(tmpl.data());
  }
  ~TempDir() { RemoveTree(path_); }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void Touch(const std::string& path) { std::ofstream(path) << "x"; }

// Restores the current folder after a test changes it.
struct CwdGuard {
  std::string saved = CurrentFolderNative();
  ~CwdGuard() { (void)chdir(saved.c_str()); }
};

TEST(PathNames, SecondByte5CIsNeverASeparator) {
  // 表 is 0x95 0x5C and ソ is 0x83 0x5C in CP932.
  std::string name = Sj("データ\\表.txt");
  EXPECT_EQ(FolderPart(name), Sj("データ\\"));
  EXPECT_EQ(FileNamePart(Sj("フォルダ/表")), Sj("表"));
  EXPECT_EQ(FolderPart(Sj("表")), "");
  EXPECT_EQ(ExtensionPart(Sj("a.b\\ソ")), "");
  EXPECT_EQ(ToNativeName(Sj("表\\ソ/x")), "表/ソ/x");
  EXPECT_TRUE(EndsWithSeparator(Sj("a\\")));
  EXPECT_FALSE(EndsWithSeparator(Sj("表")));
}

TEST(PathNames, ExtensionsAndJoining) {
  EXPECT_EQ(ExtensionPart("dir/a.tar.gz"), ".gz");
  EXPECT_EQ(ExtensionPart("dir.d/readme"), "");
  EXPECT_EQ(ChangeExtension("dir.d/readme", ".txt"), "dir.d/readme.txt");
  EXPECT_EQ(ChangeExtension("a.b.c", ".lnk"), "a.b.lnk");
  EXPECT_EQ(JoinName("a\\", "b"), "a\\b");
  EXPECT_EQ(JoinName("a", "/b"), "a/b");
  EXPECT_EQ(JoinName("", "b"), "b");
  EXPECT_EQ(TrimName("  a b \r\n"), "a b");
}

TEST(PathWildcards, AsciiCaseAndDoubleByteCharacters) {
  EXPECT_TRUE(FileNameMatch("*.txt", "A.TXT"));
  EXPECT_TRUE(FileNameMatch("*.*", "noext"));
  EXPECT_FALSE(FileNameMatch("*.txt", "a.txt.bak"));
  EXPECT_TRUE(FileNameMatch("a*b", "aXbYb"));
  EXPECT_FALSE(FileNameMatch("a?c", "ac"));
  // "?" takes a whole double-byte character, and a 0x5C second byte is no
  // escape.
  EXPECT_TRUE(FileNameMatch(Sj("?ソ.txt"), Sj("表ソ.txt")));
  EXPECT_FALSE(FileNameMatch(Sj("??ソ"), Sj("表ソ")));
  // Letters inside double-byte characters are not folded.
  EXPECT_FALSE(FileNameMatch(Sj("Ａ"), Sj("ａ")));
}

TEST(PathConversion, NamesWithoutCp932FormRoundTrip) {
  TempDir dir;
  Touch(dir / "x😀.txt");
  Touch(dir / "raw\xff.txt");
  auto entries = ListFolder(dir.path());
  ASSERT_EQ(entries.size(), 2u);
  for (const auto& entry : entries) {
    EXPECT_EQ(entry.Name.find('?'), std::string::npos);
    std::string back = NativePath(FromNativeName(dir.path()) + "/" + entry.Name);
    EXPECT_EQ(back, dir / entry.Native);
  }
  // A character with no CP932 form has its stand-in (two names with two
  // such characters stay apart); a byte that is no character is "〓".
  EXPECT_EQ(entries[0].Name, Sj("raw〓.txt"));
  EXPECT_EQ(ToUtf8(entries[1].Name), "x😀.txt");
}

TEST(PathConversion, NamesCp932ChangesAreFoundAgain) {
  // CP932 gives 〜 (U+301C) back as ～ (U+FF5E), − as －, ‖ as ∥: a name
  // listed from the folder, or typed with either form, still finds its file.
  TempDir dir;
  const char* names[] = {"1月〜3月.txt", "a−b.txt", "c‖d.txt", "¥100.txt", "e‾.txt"};
  for (const char* name : names) Touch(dir / name);
  for (const auto& entry : ListFolder(dir.path())) {
    const std::string listed = FromNativeName(dir.path()) + "/" + entry.Name;
    EXPECT_EQ(NativePath(listed), dir / entry.Native) << entry.Native;
  }
  EXPECT_EQ(NativePath(FromNativeName(dir / "1月～3月.txt")), dir / "1月〜3月.txt");
  // ¥ is never a folder separator: "¥100.txt" is not "/100.txt".
  const std::string yen = FromNativeName(dir / "¥100.txt");
  EXPECT_EQ(yen.find('\\'), std::string::npos);
  EXPECT_EQ(ToNativeName(yen), dir / "¥100.txt");
  // A name that exists as written is taken as written.
  Touch(dir / "f～g.txt");
  Touch(dir / "f〜g.txt");
  EXPECT_EQ(NativePath(FromNativeName(dir / "f～g.txt")), dir / "f～g.txt");
}

TEST(PathConversion, CanonicalResolvesLinksBeforeDotDot) {
  TempDir dir;
  mkdir((dir / "in").c_str(), 0700);
  mkdir((dir / "out").c_str(), 0700);
  mkdir((dir / "out/deep").c_str(), 0700);
  ASSERT_EQ(symlink((dir / "out/deep").c_str(), (dir / "in/link").c_str()), 0);
  std::string real = CanonicalNative(dir.path());
  EXPECT_EQ(CanonicalNative(dir / "in/link/../new.txt"), real + "/out/new.txt");
  EXPECT_EQ(CanonicalNative(dir / "in/none/../../x"), real + "/x");
  EXPECT_EQ(AbsoluteNative("/a/./b/../c"), "/a/c");
}

TEST(PathResolution, ChangedPathsMeetLinksWhereTheyStand) {
  TempDir dir;
  CwdGuard guard;
  mkdir((dir / "in").c_str(), 0700);
  mkdir((dir / "out").c_str(), 0700);
  ASSERT_EQ(symlink((dir / "out").c_str(), (dir / "in/out.lnk").c_str()), 0);
  std::string real = CanonicalNative(dir.path());
  // A missing folder, "..", then a link: ".." cancels the missing folder,
  // so the link is seen (by name it would look like in/out.lnk/new).
  ResolvedPath r = ResolveForChange(dir / "in/zz/../out.lnk/newdir", true);
  EXPECT_EQ(r.Folder, real + "/out");
  EXPECT_EQ(r.Below, std::vector<std::string>{"newdir"});
  // Missing folders stay below the deepest existing one.
  r = ResolveForChange(dir / "in/a/b/c.txt", true);
  EXPECT_EQ(r.Folder, real + "/in");
  EXPECT_EQ(r.Below, (std::vector<std::string>{"a", "b", "c.txt"}));
  // A dangling link counts by its target, also as a folder on the way; the
  // link itself when the last link is not followed.
  ASSERT_EQ(symlink("../out/none.txt", (dir / "in/dang.lnk").c_str()), 0);
  ASSERT_EQ(symlink("../out/x/y", (dir / "in/dangdir.lnk").c_str()), 0);
  EXPECT_EQ(ResolveForChange(dir / "in/dang.lnk", true).Whole(), real + "/out/none.txt");
  EXPECT_EQ(ResolveForChange(dir / "in/dang.lnk", false).Whole(), real + "/in/dang.lnk");
  EXPECT_EQ(ResolveForChange(dir / "in/dangdir.lnk/f", false).Whole(), real + "/out/x/y/f");
  EXPECT_EQ(CanonicalNative(dir / "in/dang.lnk"), real + "/out/none.txt");
  // A loop resolves to nothing usable.
  ASSERT_EQ(symlink("loop2", (dir / "in/loop1").c_str()), 0);
  ASSERT_EQ(symlink("loop1", (dir / "in/loop2").c_str()), 0);
  EXPECT_FALSE(ResolveForChange(dir / "in/loop1/x", true).Ok);
  // Relative names count from the current folder; "/" has no entry.
  ASSERT_EQ(chdir((dir / "in").c_str()), 0);
  EXPECT_EQ(ResolveForChange("../x.txt", true).Whole(), real + "/x.txt");
  EXPECT_EQ(ResolveForChange("out.lnk", false).Whole(), real + "/in/out.lnk");
  EXPECT_TRUE(ResolveForChange("/", true).Below.empty());
}

TEST(PathTargets, ChangesLandInThePinnedFolderWhateverHappensToItsPath) {
  TempDir dir;
  mkdir((dir / "a").c_str(), 0700);
  mkdir((dir / "out").c_str(), 0700);
  CheckedTarget target("", dir / "a/new/f.txt", true);
  ASSERT_TRUE(target.Open());
  EXPECT_FALSE(target.ParentExists());
  // The path is swapped for a link outside once the folder is pinned.
  ASSERT_EQ(rename((dir / "a").c_str(), (dir / "a.old").c_str()), 0);
  ASSERT_EQ(symlink((dir / "out").c_str(), (dir / "a").c_str()), 0);
  ASSERT_TRUE(target.MakeFolders(false));
  EXPECT_EQ(target.Leaf(), "f.txt");
  ASSERT_TRUE(WriteEntry(target.Folder(), target.Leaf(), "x"));
  std::string back;
  ASSERT_TRUE(ReadWholeFile(dir / "a.old/new/f.txt", back));
  EXPECT_EQ(back, "x");
  EXPECT_TRUE(ListFolder(dir / "out").empty());
}

TEST(PathTargets, AFolderSwappedBetweenCheckAndUseIsNeverEntered) {
  TempDir dir;
  std::string app = dir / "app";
  mkdir(app.c_str(), 0700);
  mkdir((app + "/sub").c_str(), 0700);
  mkdir((dir / "out").c_str(), 0700);
  std::string base = CanonicalNative(app);
  for (bool beneath : {true, false}) {
    CheckedTarget target("", app + "/sub/f.txt", true);  // the check sees app/sub
    SetCheckToUseHookForTest([&] {
      rename((app + "/sub").c_str(), (app + "/sub.old").c_str());
      symlink((dir / "out").c_str(), (app + "/sub").c_str());
    });
    errno = 0;
    EXPECT_FALSE(target.Open(beneath ? base : std::string()));
    SetCheckToUseHookForTest(nullptr);
    EXPECT_TRUE(errno == ELOOP || errno == ENOTDIR || errno == EXDEV) << errno;
    EXPECT_FALSE(target.IsOpen());
    EXPECT_TRUE(ListFolder(dir / "out").empty());
    unlink((app + "/sub").c_str());
    rename((app + "/sub.old").c_str(), (app + "/sub").c_str());
  }
}

TEST(PathResolution, ReadNamesFollowTheSearchOrder) {
  TempDir dir;
  CwdGuard guard;
  for (const char* sub : {"cwd", "script", "exe", "source"}) mkdir((dir / sub).c_str(), 0700);
  Touch(dir / "script/a.txt");
  Touch(dir / "exe/a.txt");
  Touch(dir / "exe/b.txt");
  Touch(dir / "source/c.txt");
  ASSERT_EQ(chdir((dir / "cwd").c_str()), 0);
  SearchFolders f{FromNativeName(dir / "script/"), FromNativeName(dir / "exe/"), FromNativeName(dir / "source")};
  std::string cwd = FromNativeName(CurrentFolderNative());
  EXPECT_EQ(ResolveReadName("a.txt", f), f.ScriptFolder + "a.txt");
  EXPECT_EQ(ResolveReadName("b.txt", f), f.ExeFolder + "b.txt");
  EXPECT_EQ(ResolveReadName("c.txt", f), f.SourceFolder + "/c.txt");
  EXPECT_EQ(ResolveReadName("none.txt", f), "none.txt");
  Touch(dir / "cwd/a.txt");
  EXPECT_EQ(ResolveReadName("a.txt", f), cwd + "/a.txt");
  EXPECT_EQ(ResolveReadName("/etc/x", f), "/etc/x");
}

}  // namespace
}  // namespace nokari
