#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "core/Encoding.h"
#include "core/Engine.h"
#include "host/Security.h"
#include "lib/file/DisplayTarget.h"
#include "lib/file/FileCommon.h"
#include "lib/file/FileOps.h"
#include "lib/file/TextFileStream.h"
#include "lib/path/Path.h"
#include "TestHost.h"

namespace nokari {
namespace {

class FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = "/tmp/nokari-file-XXXXXX";
    dir = mkdtemp(tmpl.data());
    saved = CurrentFolderNative();
  }
  void TearDown() override {
    (void)chdir(saved.c_str());
    RemoveTree(dir);
  }
  std::string P(const std::string& name) const { return dir + "/" + name; }
  void Put(const std::string& name, const std::string& bytes) {
    std::ofstream(P(name), std::ios::binary) << bytes;
  }
  std::string Get(const std::string& name) {
    std::ifstream in(P(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::vector<std::string> Lines(const std::string& name) {
    auto s = TTextFileStream::Open(P(name), 0);
    std::vector<std::string> out;
    std::string line;
    while (!s->AtEnd()) {
      EXPECT_TRUE(s->ReadLine(line));
      out.push_back(line);
      if (out.size() > 100) break;
    }
    return out;
  }
  std::string dir, saved;
};

// Makes writes beyond `bytes` fail as on a full disk.
struct FileSizeLimit {
  rlimit old{};
  explicit FileSizeLimit(rlim_t bytes) {
    signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit lim{bytes, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &lim);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old); }
};

using LineList = std::vector<std::string>;

TEST_F(FileTest, LineEndingsAndFinalLine) {
  std::string text = "one\rtwo\nthree\r\nfour";
  text += '\0';
  text += "five\r\n\nlast";
  Put("a.txt", text);
  EXPECT_EQ(Lines("a.txt"), (LineList{"one", "two", "three", "four", "five", "", "last"}));
  Put("b.txt", "x\r\n");
  EXPECT_EQ(Lines("b.txt"), (LineList{"x"}));
  Put("empty.txt", "");
  EXPECT_TRUE(Lines("empty.txt").empty());
}

TEST_F(FileTest, BufferBoundaries) {
  // A line ending exactly at the end of the first buffer, a CR LF split over
  // the boundary, and a double-byte character split over it.
  std::string a(4094, 'a');
  Put("exact.txt", a + "\r\nnext");
  EXPECT_EQ(Lines("exact.txt"), (LineList{a, "next"}));
  std::string b(4095, 'b');
  Put("crlf.txt", b + "\r\nnext");
  EXPECT_EQ(Lines("crlf.txt"), (LineList{b, "next"}));
  std::string c(4095, 'c');
  std::string hyou = Sj("表");  // second byte 0x5C
  Put("split.txt", c + hyou + "\nnext");
  EXPECT_EQ(Lines("split.txt"), (LineList{c + hyou, "next"}));
  std::string lf(4095, 'd');
  // A lead byte never takes a line end as its second byte, also when the
  // line end comes with the next buffer.
  Put("lead.txt", lf + "\x95\nz");
  EXPECT_EQ(Lines("lead.txt"), (LineList{lf + "\x95", "z"}));
}

TEST_F(FileTest, UTF8LinesStayApart) {
  // "です" in UTF-8 ends in 0x99, a Shift-JIS lead byte: each line end after
  // it still ends the line, whichever kind it is.
  const std::string desu = "\xE3\x81\xA7\xE3\x81\x99";
  Put("u.txt", desu + "\n" + desu + "\r\n" + desu + "\r" + desu + std::string(1, '\0') + "x\n");
  EXPECT_EQ(Lines("u.txt"), (LineList{desu, desu, desu, desu, "x"}));
  // A real double-byte character is still taken whole ("ソ" ends in 0x5C).
  Put("s.txt", Sj("ソ") + "\n" + Sj("表") + "x");
  EXPECT_EQ(Lines("s.txt"), (LineList{Sj("ソ"), Sj("表") + "x"}));
}

TEST_F(FileTest, WriteLineLandsAtTheLogicalPosition) {
  Put("w.txt", "line1\r\nline2\r\nline3\r\nline4\r\n");
  auto s = TTextFileStream::Open(P("w.txt"), 2);
  std::string line;
  s->ReadLine(line);
  s->ReadLine(line);
  EXPECT_EQ(s->LogicalPosition(), 14);
  ASSERT_TRUE(s->WriteLine("LINE3"));
  ASSERT_TRUE(s->ReadLine(line));
  EXPECT_EQ(line, "line4");
  EXPECT_TRUE(s->AtEnd());
  ASSERT_TRUE(s->Seek(0, SEEK_SET));
  EXPECT_FALSE(s->AtEnd());
  ASSERT_TRUE(s->Close());
  EXPECT_EQ(Get("w.txt"), "line1\r\nline2\r\nLINE3\r\nline4\r\n");
}

TEST_F(FileTest, ByteReadsAndWrites) {
  auto s = TTextFileStream::Open(P("bin"), TTextFileStream::kModeCreate);
  ASSERT_TRUE(s);
  ASSERT_TRUE(s->WriteBytes("a\0b", 3));
  ASSERT_TRUE(s->Seek(1, SEEK_SET));
  char buf[8];
  size_t got = 0;
  ASSERT_TRUE(s->ReadBytes(buf, sizeof buf, got));
  EXPECT_EQ(std::string(buf, got), std::string("\0b", 2));
  EXPECT_FALSE(TTextFileStream::Open(P("missing"), 0));
  EXPECT_FALSE(TTextFileStream::Open(dir, 0));
}

TEST_F(FileTest, WholeFilesKeepEveryByteAndFailWithoutLoss) {
  std::string bytes("a\0\xff\r\n", 5);
  ASSERT_TRUE(AtomicWriteFile(P("x"), bytes));
  std::string back;
  ASSERT_TRUE(ReadWholeFile(P("x"), back));
  EXPECT_EQ(back, bytes);
  chmod(P("x").c_str(), 0640);
  ASSERT_TRUE(AtomicWriteFile(P("x"), "new"));
  struct stat st;
  stat(P("x").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_FALSE(ReadWholeFile(dir, back));
  EXPECT_FALSE(AtomicWriteFile(dir, "x"));
  EXPECT_FALSE(AtomicWriteFile(P("none/x"), "x"));
  // Writes through a link keep the link.
  symlink(P("x").c_str(), P("link").c_str());
  ASSERT_TRUE(AtomicWriteFile(P("link"), "via"));
  EXPECT_EQ(Get("x"), "via");
  {
    FileSizeLimit limit(4096);
    EXPECT_FALSE(AtomicWriteFile(P("x"), std::string(10000, 'z')));
    EXPECT_FALSE(AppendToFile(P("x"), std::string(10000, 'z'), false));
  }
  EXPECT_EQ(Get("x"), "via");
  EXPECT_EQ(ListFolder(dir).size(), 2u);  // no temporary file left behind
  EXPECT_FALSE(AppendToFile(P("absent"), "a", false));
  ASSERT_TRUE(AppendToFile(P("x"), "+", false));
  EXPECT_EQ(Get("x"), "via+");
}

TEST_F(FileTest, DevicesAndFifosAreWrittenInPlaceNeverReplaced) {
  struct stat st;
  ASSERT_TRUE(AtomicWriteFile("/dev/null", "x"));
  ASSERT_TRUE(AppendToFile("/dev/null", "x", false));
  ASSERT_EQ(lstat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  // The device's own error reaches the caller.
  errno = 0;
  EXPECT_FALSE(AtomicWriteFile("/dev/full", "x"));
  EXPECT_EQ(errno, ENOSPC);
  EXPECT_FALSE(AppendToFile("/dev/full", "x", false));
  // A FIFO with a reader gets the bytes and stays a FIFO.
  ASSERT_EQ(mkfifo(P("fifo").c_str(), 0600), 0);
  int reader = open(P("fifo").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  ASSERT_TRUE(AtomicWriteFile(P("fifo"), "through"));
  char buf[16];
  ssize_t n = read(reader, buf, sizeof buf);
  close(reader);
  EXPECT_EQ(std::string(buf, n > 0 ? n : 0), "through");
  ASSERT_EQ(lstat(P("fifo").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  // Without a reader it fails at once instead of hanging.
  errno = 0;
  EXPECT_FALSE(AtomicWriteFile(P("fifo"), "x"));
  EXPECT_EQ(errno, ENXIO);
  EXPECT_EQ(ListFolder(dir).size(), 1u);  // no temporary file anywhere
}

TEST_F(FileTest, AFailedHandleWriteIsCutBackToTheOldLength) {
  Put("h.txt", "keep\r\n");
  auto s = TTextFileStream::Open(P("h.txt"), 2);
  ASSERT_TRUE(s);
  std::string line;
  ASSERT_TRUE(s->ReadLine(line));
  {
    FileSizeLimit limit(4096);
    EXPECT_FALSE(s->WriteLine(std::string(10000, 'z')));
    EXPECT_EQ(Get("h.txt"), "keep\r\n");
    ASSERT_TRUE(s->Seek(0, SEEK_END));
    EXPECT_FALSE(s->WriteBytes("ab", 2, 10000));  // zero padding past the limit
    EXPECT_EQ(Get("h.txt"), "keep\r\n");
  }
  // The handle goes on where it stood.
  ASSERT_TRUE(s->WriteLine("next"));
  ASSERT_TRUE(s->WriteBytes("ab", 2, 2));
  ASSERT_TRUE(s->Close());
  EXPECT_EQ(Get("h.txt"), std::string("keep\r\nnext\r\nab\0\0", 16));
}

TEST_F(FileTest, HandlesOpenedInAFolderNeverFollowALinkAtTheEntry) {
  Put("real.txt", "r");
  symlink(P("real.txt").c_str(), P("link.txt").c_str());
  int folder = open(dir.c_str(), O_PATH | O_DIRECTORY);
  EXPECT_FALSE(TTextFileStream::OpenAt(folder, "link.txt", 2, true));
  EXPECT_EQ(errno, ELOOP);
  auto s = TTextFileStream::OpenAt(folder, "new.txt", 2, true);
  ASSERT_TRUE(s);
  EXPECT_TRUE(s->WriteLine("n"));
  close(folder);
  EXPECT_EQ(Get("new.txt"), "n\r\n");
}

TEST_F(FileTest, MovesNeverReplace) {
  Put("a", "A");
  Put("b", "B");
  EXPECT_FALSE(MoveNoReplace(P("a"), P("b")));
  EXPECT_EQ(Get("a"), "A");
  EXPECT_EQ(Get("b"), "B");
  ASSERT_TRUE(MoveNoReplace(P("a"), P("c")));
  EXPECT_EQ(Get("c"), "A");
  mkdir(P("d").c_str(), 0700);
  ASSERT_TRUE(MoveNoReplace(P("d"), P("e")));
  EXPECT_EQ(AttributesOf(P("e")) & 16, 16);
}

TEST_F(FileTest, TreesNeverFollowLinks) {
  mkdir(P("out").c_str(), 0700);
  Put("out/keep", "k");
  mkdir(P("tree").c_str(), 0700);
  mkdir(P("tree/sub").c_str(), 0700);
  Put("tree/sub/f", "f");
  symlink(P("out").c_str(), P("tree/sub/toout").c_str());
  symlink(P("tree").c_str(), P("tree/sub/loop").c_str());
  ASSERT_TRUE(CopyTree(P("tree"), P("copy")));
  EXPECT_EQ(Get("copy/sub/f"), "f");
  struct stat st;
  ASSERT_EQ(lstat(P("copy/sub/toout").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_FALSE(CopyTree(P("tree"), P("tree/sub/inner")));
  EXPECT_EQ(ListTree(FromNativeName(P("tree/*")), false), FromNativeName(P("tree/sub/f")) + "\r\n");
  // Links already inside the destination tree are not written through:
  // a folder is not entered, a file not written.
  mkdir(P("dest").c_str(), 0700);
  symlink(P("out").c_str(), P("dest/sub").c_str());
  Put("tree/g.txt", "g");
  symlink(P("out/g.txt").c_str(), P("dest/g.txt").c_str());
  EXPECT_FALSE(CopyTree(P("tree"), P("dest")));
  EXPECT_EQ(ListFolder(P("out")).size(), 1u);  // still only "keep"
  EXPECT_EQ(Get("out/keep"), "k");
  ASSERT_TRUE(RemoveTree(P("dest")));
  ASSERT_TRUE(RemoveTree(P("tree")));
  ASSERT_TRUE(RemoveTree(P("copy")));
  EXPECT_EQ(Get("out/keep"), "k");
  EXPECT_EQ(AttributesOf(P("tree")), -1);
}

TEST_F(FileTest, TrashKeepsAnInfoEntry) {
  std::string oldData = getenv("XDG_DATA_HOME") ? getenv("XDG_DATA_HOME") : "";
  setenv("XDG_DATA_HOME", P("data").c_str(), 1);
  Put("doc 1.txt", "one");
  ASSERT_TRUE(MoveToTrash(P("doc 1.txt"), 0));
  Put("doc 1.txt", "two");
  ASSERT_TRUE(MoveToTrash(P("doc 1.txt"), 0));
  if (oldData.empty()) unsetenv("XDG_DATA_HOME"); else setenv("XDG_DATA_HOME", oldData.c_str(), 1);
  EXPECT_EQ(AttributesOf(P("doc 1.txt")), -1);
  EXPECT_EQ(Get("data/Trash/files/doc 1.txt"), "one");
  EXPECT_EQ(Get("data/Trash/files/doc 1.txt.2"), "two");
  std::string info = Get("data/Trash/info/doc 1.txt.trashinfo");
  EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + EscapeTrashPath(CanonicalNative(dir)) + "/doc%201.txt\n", 0), 0u);
  EXPECT_NE(info.find("DeletionDate="), std::string::npos);
  EXPECT_EQ(EscapeTrashPath("/a b/表"), "/a%20b/%E8%A1%A8");
}

// Sets or clears an environment variable for one test.
struct EnvGuard {
  std::string name, old;
  bool had;
  EnvGuard(const char* n, const char* value) : name(n), had(getenv(n) != nullptr) {
    if (had) old = getenv(n);
    if (value) setenv(n, value, 1); else unsetenv(n);
  }
  ~EnvGuard() {
    if (had) setenv(name.c_str(), old.c_str(), 1); else unsetenv(name.c_str());
  }
};

TEST_F(FileTest, WithoutAUsableTrashNothingIsDeleted) {
  EnvGuard home("HOME", nullptr), data("XDG_DATA_HOME", nullptr);
  Put("doc.txt", "d");
  TrashFailure why = TrashFailure::None;
  EXPECT_FALSE(MoveToTrash(P("doc.txt"), 0, why));
  EXPECT_EQ(why, TrashFailure::NoHome);
  EXPECT_EQ(Get("doc.txt"), "d");
  // The command says why and keeps the file; ファイル完全削除 still deletes.
  testing::TestEngine t;
  t.e.SecurityLevel = 0;
  t.Run("「" + P("doc.txt") + "」を、ファイル削除\n「続き」を、表示\n");
  EXPECT_NE(t.host.Errors.find("ファイル\"" + P("doc.txt") + "\"をごみ箱へ移せないので、削除しませんでした。理由は、"
                               "ごみ箱の場所が分かりません"),
            std::string::npos)
      << t.host.Errors;
  EXPECT_EQ(t.host.Output, "");
  EXPECT_EQ(Get("doc.txt"), "d");
  t.Run("「" + P("doc.txt") + "」を、ファイル完全削除\n");
  EXPECT_EQ(AttributesOf(P("doc.txt")), -1);
}

TEST_F(FileTest, Attributes) {
  Put("f", "");
  Put(".hidden", "");
  mkdir(P("d").c_str(), 0700);
  EXPECT_EQ(AttributesOf(P("f")), 32);
  EXPECT_EQ(AttributesOf(P(".hidden")), 34);
  EXPECT_EQ(AttributesOf(P("d")), 16);
  EXPECT_EQ(AttributesOf(P("none")), -1);
  ASSERT_TRUE(SetAttributes(P("f"), 1));
  EXPECT_EQ(AttributesOf(P("f")), 33);
  ASSERT_TRUE(SetAttributes(P("f"), 0));
  EXPECT_EQ(AttributesOf(P("f")), 32);
}

TEST_F(FileTest, EnumerationOrderAndPatterns) {
  for (const char* n : {"b.txt", "A.TXT", "c.csv", ".dot", "noext"}) Put(n, "");
  mkdir(P("sub").c_str(), 0700);
  mkdir(P(".cfg").c_str(), 0700);
  Put("sub/deep.txt", "");
  ASSERT_EQ(chdir(dir.c_str()), 0);
  EXPECT_EQ(ListNames("*.txt;*.csv", false), "A.TXT\r\nb.txt\r\nc.csv\r\n");
  EXPECT_EQ(ListNames(FromNativeName(dir) + "/", false), ".dot\r\nA.TXT\r\nb.txt\r\nc.csv\r\nnoext\r\n");
  EXPECT_EQ(ListNames("*.*", true), ".cfg\r\nsub\r\n");
  EXPECT_EQ(ListNames("missing\\*", false), "");
  EXPECT_EQ(ListTree("*.txt", false), "A.TXT\r\nb.txt\r\nsub/deep.txt\r\n");
  EXPECT_EQ(ListTree(".\\*", true), ".\\.cfg\r\n.\\sub\r\n");
}

TEST_F(FileTest, DriveKinds) {
  EXPECT_EQ(DriveKindFromMount("nfs4", "/net"), DriveKind::Remote);
  EXPECT_EQ(DriveKindFromMount("iso9660", "/mnt/cd"), DriveKind::CdRom);
  EXPECT_EQ(DriveKindFromMount("tmpfs", "/tmp"), DriveKind::RamDisk);
  EXPECT_EQ(DriveKindFromMount("vfat", "/media/me/USB"), DriveKind::Removable);
  EXPECT_EQ(DriveKindFromMount("ext4", "/"), DriveKind::Fixed);
  EXPECT_EQ(DriveKindOf(P("none")), DriveKind::Missing);
  EXPECT_NE(DriveKindOf("/"), DriveKind::Missing);
}

TEST_F(FileTest, DisplayTargetAppendsLinesInsideTheScriptFolder) {
  TNokaBase e;
  auto target = std::make_shared<THashNode>(Sj("表示出力先"), "", -1, false);
  e.Words.Add(target);
  e.Words.Add(std::make_shared<THashNode>(Sj("母艦のパス"), FromNativeName(dir + "/"), -1, false));
  e.Services.Changes = &HostSecurityPolicy();  // no host connected: the policy by hand
  e.SecurityLevel = 1;
  EXPECT_FALSE(WriteToDisplayTarget(e, "x"));  // empty: the screen
  target->SetValue(FromNativeName(dir));
  EXPECT_FALSE(WriteToDisplayTarget(e, "x"));  // a folder: the screen
  target->SetValue(FromNativeName(P("out.txt")));
  ASSERT_TRUE(WriteToDisplayTarget(e, Sj("一")));
  ASSERT_TRUE(WriteToDisplayTarget(e, "two"));
  EXPECT_EQ(Get("out.txt"), Sj("一") + "\r\ntwo\r\n");
  // Outside the script folder with nobody to ask: refused, nothing drawn.
  target->SetValue(FromNativeName(P("../nokari-refused.txt")));
  EXPECT_TRUE(WriteToDisplayTarget(e, "x"));
  EXPECT_EQ(AttributesOf(P("../nokari-refused.txt")), -1);
}

}  // namespace
}  // namespace nokari
