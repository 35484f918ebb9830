#include <archive.h>
#include <archive_entry.h>
#include <dirent.h>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "lib/archive/Archive.h"

namespace nokari::archive {
namespace {

TEST(ArchiveOptions, SwitchesTakeTheirDigit) {
  Options o = ParseOptions("-a1 -r2 -x9");
  EXPECT_EQ(o.Get("a", -1), 1);
  EXPECT_EQ(o.Get("r", -1), 2);
  EXPECT_EQ(o.Get("x", -1), 9);
  // No dash, several spaces, long names; unknown names, a missing digit
  // and a dash alone are ignored.
  o = ParseOptions("  jso1   -jyc3 -zz1 -x -q5 - -gw4 ");
  EXPECT_EQ(o.Get("jso", -1), 1);
  EXPECT_EQ(o.Get("jyc", -1), 3);
  EXPECT_EQ(o.Get("gw", -1), 4);
  EXPECT_EQ(o.Switches.size(), 3u);
  // Only x and r act: x0 flattens, r0 stops recursion; defaults do neither.
  EXPECT_FALSE(ParseOptions("-a1 -r2 -x1 -jp1 -c0 -m1").FlattensPaths());
  EXPECT_TRUE(ParseOptions("-x0").FlattensPaths());
  EXPECT_TRUE(ParseOptions("").Recurses());
  EXPECT_FALSE(ParseOptions("-r0").Recurses());
}

TEST(ArchiveNames, BaseIsTheFolderAllNamesShare) {
  // The shared folder, not the longest line's: a.txt beside sub\b.txt.
  EXPECT_EQ(CommonFolder({"C:\\data\\a.txt", "C:\\data\\sub\\b.txt"}), "C:\\data\\");
  EXPECT_EQ(CommonFolder({"C:\\data\\sub\\b.txt", "C:\\data\\a.txt"}), "C:\\data\\");
  EXPECT_EQ(CommonFolder({"/x/a", "\\x\\b"}), "/x/");  // either separator
  EXPECT_EQ(CommonFolder({"ab/c.txt", "abc/d.txt"}), "");  // cut at separators only
  EXPECT_EQ(CommonFolder({"a.txt", "sub/b.txt"}), "");
  EXPECT_EQ(CommonFolder({"one/only.txt"}), "one/");
  // ソ ends in byte 0x5C: a second byte, never a separator.
  EXPECT_EQ(CommonFolder({"\x83\x5C" "a/x.txt", "\x83\x5C" "b/y.txt"}), "");
  EXPECT_EQ(CommonFolder({"\x83\x5C\\x.txt", "\x83\x5C\\y.txt"}), "\x83\x5C\\");
}

TEST(ArchiveNames, StoredNamesNeverClimbOut) {
  EXPECT_EQ(StoredName("C:\\data\\sub\\b.txt", "C:\\data\\"), "sub/b.txt");
  EXPECT_EQ(StoredName("/abs/x.txt", ""), "abs/x.txt");
  EXPECT_EQ(StoredName("../../x.txt", ""), "x.txt");
  EXPECT_EQ(StoredName("a/../b/./c", ""), "a/b/c");
  EXPECT_EQ(StoredName("D:\\x.txt", ""), "x.txt");
  EXPECT_EQ(StoredName("/d/sub/x.txt", "\\d\\"), "sub/x.txt");  // the base's separators may differ
  EXPECT_EQ(StoredName("\x95\x5C\\a.txt", ""), "表/a.txt");  // CP932 in, UTF-8 out
}

TEST(ArchiveFormats, ChosenByExtension) {
  EXPECT_EQ(KindForName("a.TAR.GZ"), Kind::TarGz);
  EXPECT_EQ(KindForName("a.tgz"), Kind::TarGz);
  EXPECT_EQ(KindForName("a.tar.bz2"), Kind::TarBz2);
  EXPECT_EQ(KindForName("a.txz"), Kind::TarXz);
  EXPECT_EQ(KindForName("a.tar"), Kind::Tar);
  EXPECT_EQ(KindForName("a.Zip"), Kind::Zip);
  EXPECT_EQ(KindForName("a.jar"), Kind::Zip);
  EXPECT_EQ(KindForName("a.7z"), Kind::SevenZip);
  EXPECT_EQ(KindForName("a.LZH"), Kind::Lha);
  EXPECT_EQ(KindForName("a.rar"), Kind::ReadOnly);
  EXPECT_EQ(KindForName("a.cab"), Kind::ReadOnly);
  EXPECT_EQ(KindForName("a.dat"), Kind::Unknown);
}

TEST(ArchiveSelfExtractor, StubNamesItsOwnLength) {
  std::string stub = SelfExtractorStub();
  EXPECT_EQ(stub.rfind("#!/bin/sh\n", 0), 0u);
  size_t at = stub.find("tail -c +");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(std::stoul(stub.substr(at + 9, 10)), stub.size() + 1);
  EXPECT_EQ(stub.back(), '\n');
}

class ArchiveFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = "/tmp/nokari-archive-XXXXXX";
    dir = mkdtemp(tmpl.data());
  }
  void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }
  std::string P(const std::string& name) const { return dir + "/" + name; }
  void Put(const std::string& name, const std::string& bytes) { std::ofstream(P(name), std::ios::binary) << bytes; }
  std::string Get(const std::string& name) const {
    std::ifstream in(P(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool Exists(const std::string& name) const {
    struct stat st;
    return lstat(P(name).c_str(), &st) == 0;
  }
  // Extracts into the folder `to` (made here).
  Result ExtractTo(const std::string& archive, const std::string& to, ExtractSettings s = {}) {
    mkdir(P(to).c_str(), 0755);
    int fd = open(P(to).c_str(), O_PATH | O_DIRECTORY);
    Result r = Extract(P(archive), fd, s);
    close(fd);
    return r;
  }
  Result Create(Kind kind, const std::string& archive, const std::vector<Source>& sources, bool recurse = true) {
    std::vector<Entry> entries;
    Result r = CollectEntries(sources, recurse, entries);
    if (!r.Ok()) return r;
    int fd = open(P(archive).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    r = WriteArchive(kind, entries, fd);
    close(fd);
    return r;
  }

  // A tar written entry by entry as a hostile archive would be.
  struct Raw {
    Raw(std::string name, mode_t type = AE_IFREG, std::string data = {}, std::string link = {},
        std::string hardLink = {})
        : Name(std::move(name)), Type(type), Data(std::move(data)), Link(std::move(link)),
          HardLink(std::move(hardLink)) {}
    std::string Name;
    mode_t Type;
    std::string Data, Link, HardLink;
  };
  void WriteTar(const std::string& name, const std::vector<Raw>& entries) {
    ::archive* w = archive_write_new();
    archive_write_set_format_pax_restricted(w);
    ASSERT_EQ(archive_write_open_filename(w, P(name).c_str()), ARCHIVE_OK);
    for (const Raw& r : entries) {
      archive_entry* e = archive_entry_new();
      archive_entry_set_pathname(e, r.Name.c_str());
      archive_entry_set_filetype(e, r.Type);
      archive_entry_set_perm(e, 04755);
      if (!r.Link.empty()) archive_entry_set_symlink(e, r.Link.c_str());
      if (!r.HardLink.empty()) archive_entry_set_hardlink(e, r.HardLink.c_str());
      archive_entry_set_size(e, static_cast<la_int64_t>(r.Data.size()));
      archive_write_header(w, e);
      archive_write_data(w, r.Data.data(), r.Data.size());
      archive_entry_free(e);
    }
    archive_write_close(w);
    archive_write_free(w);
  }
  std::string dir;
};

TEST_F(ArchiveFiles, EveryWritableFormatRoundTrips) {
  mkdir(P("in").c_str(), 0755);
  mkdir(P("in/サブ").c_str(), 0755);
  Put("in/a.txt", "alpha");
  Put("in/サブ/日本語.txt", std::string(200000, 'z'));
  Put("in/empty", "");
  symlink("a.txt", P("in/link").c_str());
  for (Kind kind :
       {Kind::Lha, Kind::Zip, Kind::SevenZip, Kind::Tar, Kind::TarGz, Kind::TarBz2, Kind::TarXz, Kind::TarZ}) {
    SCOPED_TRACE(static_cast<int>(kind));
    Result made = Create(kind, "x.arc", {{P("in"), "top"}});
    ASSERT_TRUE(made.Ok()) << made.Detail;
    std::system(("rm -rf '" + P("out") + "'").c_str());
    Result r = ExtractTo("x.arc", "out");
    ASSERT_TRUE(r.Ok()) << r.Detail;
    EXPECT_EQ(Get("out/top/a.txt"), "alpha");
    EXPECT_EQ(Get("out/top/サブ/日本語.txt"), std::string(200000, 'z'));
    EXPECT_TRUE(Exists("out/top/empty"));
    // LHA has no links here; the others keep the (inside) link as a link.
    char target[64] = {};
    bool isLink = readlink(P("out/top/link").c_str(), target, sizeof target - 1) > 0;
    EXPECT_EQ(isLink, kind != Kind::Lha);
  }
}

TEST_F(ArchiveFiles, ARecursionlessFolderStoresItselfOnly) {
  mkdir(P("in").c_str(), 0755);
  Put("in/a.txt", "a");
  ASSERT_TRUE(Create(Kind::Tar, "x.tar", {{P("in"), "in"}}, false).Ok());
  ASSERT_TRUE(ExtractTo("x.tar", "out").Ok());
  EXPECT_TRUE(Exists("out/in"));
  EXPECT_FALSE(Exists("out/in/a.txt"));
  // Nothing at all to store is a failure, not an empty archive.
  EXPECT_EQ(Create(Kind::Zip, "y.zip", {}).Code, Error::NothingToStore);
  EXPECT_EQ(Create(Kind::Zip, "y.zip", {{P("missing"), "m"}}).Code, Error::CannotRead);
}

TEST_F(ArchiveFiles, NothingIsWrittenOutsideTheDestination) {
  WriteTar("evil.tar", {
                           {"../escaped.txt", AE_IFREG, "x"},
                           {"/tmp/nokari-archive-absolute.txt", AE_IFREG, "x"},
                           {"up", AE_IFLNK, "", ".."},
                           {"up/escaped2.txt", AE_IFREG, "x"},
                           {"abs", AE_IFLNK, "", dir},
                           {"abs/escaped3.txt", AE_IFREG, "x"},
                           {"hard", AE_IFREG, "", "", "../victim"},
                           {"sub/SECURITY.INI", AE_IFREG, "[x]\nsecurity=low\n"},
                           {"fifo", AE_IFIFO},
                           {"sub/inner", AE_IFLNK, "", "../ok.txt"},
                           {"ok.txt", AE_IFREG, "fine"},
                       });
  Put("victim", "untouched");
  mkdir(P("jail").c_str(), 0755);
  Result r = ExtractTo("evil.tar", "jail/dest");
  ASSERT_TRUE(r.Ok()) << r.Detail;
  EXPECT_FALSE(Exists("escaped.txt"));
  EXPECT_FALSE(Exists("jail/escaped.txt"));
  EXPECT_FALSE(Exists("escaped2.txt"));
  EXPECT_FALSE(Exists("escaped3.txt"));
  EXPECT_FALSE(Exists("jail/dest/hard"));
  EXPECT_FALSE(Exists("jail/dest/sub/SECURITY.INI"));
  EXPECT_FALSE(Exists("jail/dest/fifo"));
  EXPECT_EQ(Get("victim"), "untouched");
  // An absolute name lands below the destination, as tar does; the links
  // pointing out were never made, so what went "through" them is inside.
  struct stat st;
  EXPECT_NE(stat("/tmp/nokari-archive-absolute.txt", &st), 0);
  EXPECT_EQ(Get("jail/dest/tmp/nokari-archive-absolute.txt"), "x");
  for (const char* folder : {"jail/dest/up", "jail/dest/abs"}) {
    ASSERT_EQ(lstat(P(folder).c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode)) << folder;
  }
  // A link that stays inside is kept; the archive's set-id bits are not.
  EXPECT_EQ(Get("jail/dest/sub/inner"), "fine");
  ASSERT_EQ(stat(P("jail/dest/ok.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07000, 0u);
  EXPECT_EQ(r.Files, 5u);
  EXPECT_EQ(r.Skipped, 6u);
}

TEST_F(ArchiveFiles, AnExistingLinkInTheDestinationIsNeverWrittenThrough) {
  mkdir(P("dest").c_str(), 0755);
  mkdir(P("elsewhere").c_str(), 0755);
  symlink(P("elsewhere").c_str(), P("dest/sub").c_str());
  symlink(P("victim").c_str(), P("dest/file").c_str());
  Put("victim", "untouched");
  WriteTar("t.tar", {{"sub/x.txt", AE_IFREG, "x"}, {"file", AE_IFREG, "replaced"}});
  ExtractTo("t.tar", "dest");
  EXPECT_FALSE(Exists("elsewhere/x.txt"));
  EXPECT_EQ(Get("victim"), "untouched");
  EXPECT_EQ(Get("dest/file"), "replaced");  // the link itself was replaced
}

TEST_F(ArchiveFiles, FlatteningDropsFolders) {
  WriteTar("t.tar", {{"a", AE_IFDIR}, {"a/b", AE_IFDIR}, {"a/b/c.txt", AE_IFREG, "c"}, {"d.txt", AE_IFREG, "d"}});
  ExtractSettings s;
  s.Flatten = true;
  ASSERT_TRUE(ExtractTo("t.tar", "out", s).Ok());
  EXPECT_EQ(Get("out/c.txt"), "c");
  EXPECT_EQ(Get("out/d.txt"), "d");
  EXPECT_FALSE(Exists("out/a"));
}

TEST_F(ArchiveFiles, LimitsStopABomb) {
  WriteTar("t.tar", {{"a", AE_IFREG, std::string(1000, 'a')}, {"b", AE_IFREG, std::string(5000, 'b')}});
  ExtractSettings s;
  s.Limit.MaxBytes = 3000;
  Result r = ExtractTo("t.tar", "out", s);
  EXPECT_EQ(r.Code, Error::TooLarge);
  EXPECT_TRUE(Exists("out/a"));
  EXPECT_FALSE(Exists("out/b"));  // the half-written file is taken away
  s = {};
  s.Limit.MaxEntries = 1;
  EXPECT_EQ(ExtractTo("t.tar", "out2", s).Code, Error::TooManyEntries);
  // A gzip stream of one repeated line is small; its length counts, not
  // its size.
  std::system(("yes | head -c 2000000 | gzip > '" + P("zeros.gz") + "'").c_str());
  s = {};
  s.Limit.MaxBytes = 1000000;
  EXPECT_EQ(ExtractTo("zeros.gz", "out3", s).Code, Error::TooLarge);
}

TEST_F(ArchiveFiles, WhatIsNotAnArchiveIsSaidSo) {
  Put("text.txt", "just some text, no archive at all\n");
  EXPECT_EQ(ExtractTo("text.txt", "o1").Code, Error::Unrecognized);
  Put("empty.zip", "");
  EXPECT_EQ(ExtractTo("empty.zip", "o2").Code, Error::Unrecognized);
  EXPECT_EQ(ExtractTo("missing.zip", "o3").Code, Error::CannotRead);
  // An mtree "archive" lists local files to copy: never read as one.
  Put("secret", "local only");
  Put("list.mtree", "#mtree\nleak type=file contents=" + P("secret") + "\n");
  EXPECT_EQ(ExtractTo("list.mtree", "o6").Code, Error::Unrecognized);
  EXPECT_FALSE(Exists("o6/leak"));
  // A cut-off archive is damaged, and says so.
  Put("big", std::string(300000, 'q'));
  ASSERT_TRUE(Create(Kind::TarGz, "t.tgz", {{P("big"), "big"}}).Ok());
  std::string whole = Get("t.tgz");
  Put("cut.tgz", whole.substr(0, whole.size() / 2));
  Result r = ExtractTo("cut.tgz", "o4");
  EXPECT_EQ(r.Code, Error::Damaged);
  EXPECT_FALSE(r.Detail.empty());
  // Stored data that does not match its CRC is damaged too (the library
  // only warns), and the wrong file is not left behind.
  Put("small", "0123456789");
  ASSERT_TRUE(Create(Kind::Lha, "s.lzh", {{P("small"), "small"}}).Ok());
  std::string lzh = Get("s.lzh");
  lzh[lzh.size() - 2] ^= 1;  // the last data byte, before the end mark
  Put("s.lzh", lzh);
  EXPECT_EQ(ExtractTo("s.lzh", "o7").Code, Error::Damaged);
  EXPECT_FALSE(Exists("o7/small"));
  // A lone compressed file is extracted under its own name.
  std::system(("printf hello | gzip > '" + P("note.txt.gz") + "'").c_str());
  ASSERT_TRUE(ExtractTo("note.txt.gz", "o5").Ok());
  EXPECT_EQ(Get("o5/note.txt"), "hello");
}

TEST_F(ArchiveFiles, SelfExtractorsAreArchivesToo) {
  Put("a.txt", "payload");
  std::vector<Entry> entries;
  ASSERT_TRUE(CollectEntries({{P("a.txt"), "a.txt"}}, true, entries).Ok());
  int fd = open(P("sfx").c_str(), O_WRONLY | O_CREAT, 0755);
  ASSERT_TRUE(WriteSelfExtractor(entries, fd).Ok());
  close(fd);
  EXPECT_EQ(Get("sfx").rfind(SelfExtractorStub(), 0), 0u);
  ASSERT_TRUE(ExtractTo("sfx", "out").Ok());
  EXPECT_EQ(Get("out/a.txt"), "payload");
  // An LHA archive becomes one as well.
  ASSERT_TRUE(Create(Kind::Lha, "x.lzh", {{P("a.txt"), "d/a.txt"}}).Ok());
  fd = open(P("sfx2").c_str(), O_WRONLY | O_CREAT, 0755);
  ASSERT_TRUE(ConvertToSelfExtractor(P("x.lzh"), fd, Limits()).Ok());
  close(fd);
  ASSERT_TRUE(ExtractTo("sfx2", "out2").Ok());
  EXPECT_EQ(Get("out2/d/a.txt"), "payload");
}

TEST_F(ArchiveFiles, AFailedBuildLeavesTheOldFile) {
  Put("old.zip", "old content");
  int folder = open(dir.c_str(), O_PATH | O_DIRECTORY);
  {
    TempFile temp(folder, "old.zip", 0644);
    ASSERT_GE(temp.Fd(), 0);
    ASSERT_EQ(write(temp.Fd(), "new", 3), 3);
  }  // never committed
  EXPECT_EQ(Get("old.zip"), "old content");
  {
    TempFile temp(folder, "old.zip", 0644);
    ASSERT_EQ(write(temp.Fd(), "new", 3), 3);
    ASSERT_TRUE(temp.Commit());
  }
  EXPECT_EQ(Get("old.zip"), "new");
  close(folder);
  // No temporary file is left behind either way.
  int count = 0;
  DIR* d = opendir(dir.c_str());
  while (dirent* entry = readdir(d)) count += entry->d_name[0] != '.' || entry->d_name[1] > '.';
  closedir(d);
  EXPECT_EQ(count, 1);
}

}  // namespace
}  // namespace nokari::archive
