#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "lib/archive/Lha.h"

namespace nokari::lha {
namespace {

uint16_t Le16(const std::string& h, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(h[at]) | static_cast<unsigned char>(h[at + 1]) << 8);
}
uint32_t Le32(const std::string& h, size_t at) { return Le16(h, at) | static_cast<uint32_t>(Le16(h, at + 2)) << 16; }

// The extended headers of a level-2 header, type -> data, walking the
// "next size" chain the way readers do.
struct Ext {
  uint8_t Type;
  std::string Data;
};
std::vector<Ext> Extended(const std::string& h) {
  std::vector<Ext> out;
  size_t at = 24;
  for (uint16_t size = Le16(h, at); size != 0; size = Le16(h, at)) {
    out.push_back({static_cast<uint8_t>(h[at + 2]), h.substr(at + 3, size - 3)});
    at += size;
  }
  EXPECT_EQ(at + 2 + (h.size() & 0xFF ? 0 : 1), h.size()) << "chain ends at the header's end";
  return out;
}

TEST(LhaCrc, IsTheArcCrc16) {
  EXPECT_EQ(Crc16(0, "123456789", 9), 0xBB3D);
  // Streaming in pieces gives the same as one call.
  EXPECT_EQ(Crc16(Crc16(0, "1234", 4), "56789", 5), 0xBB3D);
}

TEST(LhaHeader, FileInAFolderByteByByte) {
  Member m;
  m.Name = "sub/deep/\x95\x5C.txt";  // 表.txt: its second byte is 0x5C
  m.Size = 5;
  m.MTime = 0x5F5E1000;
  m.DataCrc = 0x1234;
  std::string h = Level2Header(m);
  ASSERT_FALSE(h.empty());
  EXPECT_EQ(Le16(h, 0), h.size());
  EXPECT_EQ(h.substr(2, 5), "-lh0-");
  EXPECT_EQ(Le32(h, 7), 5u);   // stored
  EXPECT_EQ(Le32(h, 11), 5u);  // original
  EXPECT_EQ(Le32(h, 15), 0x5F5E1000u);
  EXPECT_EQ(h[19], 0x20);
  EXPECT_EQ(h[20], 2);  // level
  EXPECT_EQ(Le16(h, 21), 0x1234);
  EXPECT_EQ(h[23], 'M');
  std::vector<Ext> ext = Extended(h);
  ASSERT_EQ(ext.size(), 4u);
  EXPECT_EQ(ext[0].Type, 0x00);
  EXPECT_EQ(ext[1].Type, 0x01);
  EXPECT_EQ(ext[1].Data, "\x95\x5C.txt");  // the last part only
  EXPECT_EQ(ext[2].Type, 0x02);
  EXPECT_EQ(ext[2].Data, "sub\xFF" "deep\xFF");
  EXPECT_EQ(ext[3].Type, 0x40);
  EXPECT_EQ(ext[3].Data, std::string("\x20\x00", 2));
  // The header CRC covers the whole header with its own field zeroed.
  std::string zeroed = h;
  size_t crcAt = 24 + 3;
  uint16_t stored = Le16(h, crcAt);
  zeroed[crcAt] = zeroed[crcAt + 1] = 0;
  EXPECT_EQ(Crc16(0, zeroed.data(), zeroed.size()), stored);
}

TEST(LhaHeader, FolderAndTopLevelNames) {
  Member folder;
  folder.Name = "a/b/";
  folder.IsFolder = true;
  std::string h = Level2Header(folder);
  EXPECT_EQ(h.substr(2, 5), "-lhd-");
  EXPECT_EQ(Le32(h, 7), 0u);
  std::vector<Ext> ext = Extended(h);
  ASSERT_EQ(ext.size(), 4u);
  EXPECT_EQ(ext[1].Data, "");  // no file name
  EXPECT_EQ(ext[2].Data, "a\xFF" "b\xFF");
  EXPECT_EQ(ext[3].Data, std::string("\x10\x00", 2));

  Member top;
  top.Name = "x.txt";
  ext = Extended(Level2Header(top));
  ASSERT_EQ(ext.size(), 3u);  // no directory header at the top
  EXPECT_EQ(ext[1].Data, "x.txt");
  for (const Ext& x : ext) EXPECT_EQ(x.Data.find('\\'), std::string::npos);
}

TEST(LhaHeader, SizeNeverEndsInAZeroByte) {
  // 39 bytes around a name of 217 make 256: a reader would take the low
  // byte 0 for the end of the archive, so one padding byte follows.
  Member m;
  m.Name = std::string(217, 'n');
  std::string h = Level2Header(m);
  EXPECT_EQ(h.size(), 257u);
  EXPECT_EQ(Le16(h, 0), 257);
  EXPECT_EQ(h.back(), '\0');
  m.Name = std::string(216, 'n');
  EXPECT_EQ(Level2Header(m).size(), 255u);
  // A name that cannot fit a header is refused, not cut.
  m.Name = std::string(70000, 'n');
  EXPECT_TRUE(Level2Header(m).empty());
}

class LhaWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = "/tmp/nokari-lha-XXXXXX";
    dir = mkdtemp(tmpl.data());
  }
  void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }
  std::string dir;
};

TEST_F(LhaWriterTest, StreamsDataAndPatchesTheCrc) {
  std::string src = dir + "/src";
  std::string data(3 << 20, 'x');  // beyond the writer's buffer: the header is patched in the file
  data[12345] = 'y';
  int w = open(src.c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_EQ(write(w, data.data(), data.size()), static_cast<ssize_t>(data.size()));
  close(w);
  int out = open((dir + "/a.lzh").c_str(), O_RDWR | O_CREAT, 0644);
  Writer writer(out);
  ASSERT_TRUE(writer.AddFolder("d/", 0));
  int in = open(src.c_str(), O_RDONLY);
  bool readFailed = true;
  ASSERT_TRUE(writer.AddFile("d/big.bin", in, data.size(), 0, readFailed));
  close(in);
  ASSERT_TRUE(writer.Finish());
  std::string archive(static_cast<size_t>(lseek(out, 0, SEEK_END)), '\0');
  ASSERT_EQ(pread(out, archive.data(), archive.size(), 0), static_cast<ssize_t>(archive.size()));
  close(out);
  size_t second = Le16(archive, 0);
  uint16_t headerSize = Le16(archive, second);
  EXPECT_EQ(Le16(archive, second + 21), Crc16(0, data.data(), data.size()));
  EXPECT_EQ(archive.substr(second + headerSize, data.size()), data);
  EXPECT_EQ(archive.size(), second + headerSize + data.size() + 1);
  EXPECT_EQ(archive.back(), '\0');
}

TEST_F(LhaWriterTest, ASourceThatShrankIsAReadFailure) {
  std::string src = dir + "/short";
  int w = open(src.c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_EQ(write(w, "abc", 3), 3);
  close(w);
  int out = open((dir + "/b.lzh").c_str(), O_RDWR | O_CREAT, 0644);
  Writer writer(out);
  int in = open(src.c_str(), O_RDONLY);
  bool readFailed = false;
  EXPECT_FALSE(writer.AddFile("short", in, 10, 0, readFailed));
  EXPECT_TRUE(readFailed);
  close(in);
  close(out);
}

}  // namespace
}  // namespace nokari::lha
