// The FTP session's texts: the host the script names, the remote folder
// kept as text and the URLs and raw commands made from it.
#include <gtest/gtest.h>

#include "core/Encoding.h"
#include "lib/net/FtpListing.h"
#include "lib/net/FtpText.h"

namespace nokari::net {
namespace {

std::string S(const char* utf8) { return FromUtf8(utf8); }

TEST(FtpAuthority, HostsAndPorts) {
  std::string a;
  ASSERT_TRUE(FtpAuthority("ftp.example.org", a));
  EXPECT_EQ(a, "ftp.example.org:21");
  ASSERT_TRUE(FtpAuthority("127.0.0.1:2121", a));
  EXPECT_EQ(a, "127.0.0.1:2121");
  ASSERT_TRUE(FtpAuthority("[::1]:2121", a));
  EXPECT_EQ(a, "[::1]:2121");
  ASSERT_TRUE(FtpAuthority("[::1]", a));
  EXPECT_EQ(a, "[::1]:21");
  ASSERT_TRUE(FtpAuthority("::1", a));
  EXPECT_EQ(a, "[::1]:21");
}

TEST(FtpAuthority, RefusesWhatWouldChangeTheUrl) {
  std::string a;
  for (const char* bad : {"", ":21", "h:", "h:0", "h:65536", "h:2x", "h:123456", "a b", "h/x", "u@h", "h?x",
                          "h#x", "h\\x", "h\r\nx", "[::1", "[]", "[::1]x", "[::1]:"})
    EXPECT_FALSE(FtpAuthority(bad, a)) << bad;
}

TEST(ResolveRemote, RelativeAbsoluteAndDots) {
  EXPECT_EQ(ResolveRemote("/", ""), "/");
  EXPECT_EQ(ResolveRemote("/pub", ""), "/pub");
  EXPECT_EQ(ResolveRemote("/pub", "a/b"), "/pub/a/b");
  EXPECT_EQ(ResolveRemote("/pub", "/etc"), "/etc");
  EXPECT_EQ(ResolveRemote("/pub/x", ".."), "/pub");
  EXPECT_EQ(ResolveRemote("/pub", "../../.."), "/");
  EXPECT_EQ(ResolveRemote("/pub", "./a//b/./"), "/pub/a/b");
  EXPECT_EQ(ResolveRemote("/pub", "a/../b"), "/pub/b");
  EXPECT_EQ(RemoteParent("/a/b"), "/a");
  EXPECT_EQ(RemoteParent("/"), "/");
  EXPECT_EQ(RemoteLeaf("/a/b.txt"), "b.txt");
  EXPECT_EQ(RemoteLeaf("/"), "");
  // CP932 names pass whole ("表" ends in 0x5C, "ソ" in 0x5C too).
  EXPECT_EQ(ResolveRemote("/", S("表/ソフト")), S("/表/ソフト"));
}

TEST(ResolveRemote, BackslashSeparatesAsInLocalPaths) {
  EXPECT_EQ(ResolveRemote("/", S("報告\\c.txt")), S("/報告/c.txt"));
  EXPECT_EQ(ResolveRemote("/pub", "\\etc\\x"), "/etc/x");
  EXPECT_EQ(ResolveRemote("/pub/a", "..\\b"), "/pub/b");
  // A "\" that is the second byte of a character is no separator.
  EXPECT_EQ(ResolveRemote("/", S("表\\ソフト\\表")), S("/表/ソフト/表"));
  EXPECT_EQ(RemoteLeaf(ResolveRemote("/", S("a\\ソ"))), S("ソ"));
  EXPECT_TRUE(NamesRemoteFolder("dir/"));
  EXPECT_TRUE(NamesRemoteFolder(S("報告\\")));
  EXPECT_FALSE(NamesRemoteFolder(S("表")));
  EXPECT_FALSE(NamesRemoteFolder(S("a/ソ")));
  EXPECT_FALSE(NamesRemoteFolder(""));
}

TEST(RemoteUrlPath, AbsoluteFromTheRootInUtf8) {
  EXPECT_EQ(RemoteUrlPath("/", true), "/%2F/");
  EXPECT_EQ(RemoteUrlPath("/a.txt", false), "/%2Fa.txt");
  EXPECT_EQ(RemoteUrlPath("/pub/sub", true), "/%2Fpub/sub/");
  EXPECT_EQ(RemoteUrlPath("/a b/c#d?", false), "/%2Fa%20b/c%23d%3F");
  EXPECT_EQ(RemoteUrlPath(S("/日本"), false), "/%2F%E6%97%A5%E6%9C%AC");
}

TEST(CommandArgument, NoLineBreaksInRawCommands) {
  std::string utf8;
  EXPECT_TRUE(CommandArgument(S("/a b/日本"), utf8));
  EXPECT_EQ(utf8, "/a b/\xE6\x97\xA5\xE6\x9C\xAC");
  EXPECT_FALSE(CommandArgument("/x\r\nDELE /y", utf8));
  EXPECT_FALSE(CommandArgument("/x\nRMD /", utf8));
  EXPECT_FALSE(CommandArgument(std::string("/x\0y", 4), utf8));
}

TEST(FtpListing, MasksMatchInEitherCase) {
  EXPECT_EQ(FoldAsciiCase("A.TXT"), "a.txt");
  // "ア" is 83 41: its second byte is an "A" that stays.
  EXPECT_EQ(FoldAsciiCase(S("アB")), S("アb"));
}

TEST(FtpListing, FoldersOfUnixLines) {
  EXPECT_EQ(FolderOfLine("drwxr-xr-x   2 user     group        4096 Dec 08 10:00 sub"), "sub");
  EXPECT_EQ(FolderOfLine("drwxr-xr-x 2 u g 4096 Dec 08  2020 two words"), "two words");
  EXPECT_EQ(FolderOfLine("DRWXR-XR-X 2 u g 4096 Dec 08 10:00 Upper"), "Upper");
  EXPECT_EQ(FolderOfLine("-rw-r--r--   1 u g 3 Dec 08 10:00 file.txt"), "");
  EXPECT_EQ(FolderOfLine("lrwxrwxrwx   1 u g 3 Dec 08 10:00 link -> sub"), "");
  EXPECT_EQ(FolderOfLine("total 12"), "");
  EXPECT_EQ(FolderOfLine("TOTAL 12"), "");
  EXPECT_EQ(FolderOfLine("drwxr-xr-x 2 u g 4096 Dec 08 10:00 ."), "");
  EXPECT_EQ(FolderOfLine("drwxr-xr-x 2 u g 4096 Dec 08 10:00 .."), "");
  EXPECT_EQ(FolderOfLine("d short"), "short");  // fields left out: the last one
  EXPECT_EQ(FolderOfLine("d"), "");
  EXPECT_EQ(FolderOfLine(""), "");
}

TEST(FtpListing, FoldersOfDosLines) {
  EXPECT_EQ(FolderOfLine("12-08-20  10:00AM       <DIR>          My Docs"), "My Docs");
  EXPECT_EQ(FolderOfLine("12-08-20  10:00AM                  123 file.txt"), "");
}

TEST(FtpListing, LinesTrimmedAndConverted) {
  EXPECT_EQ(ListingLines("a.txt\r\n  b c  \r\n\r\n\n"), (std::vector<std::string>{"a.txt", "b c"}));
  // A UTF-8 listing comes back in CP932; other bytes as they came.
  EXPECT_EQ(ListingLines("\xE6\x97\xA5.txt\r\n"), (std::vector<std::string>{S("日.txt")}));
  EXPECT_EQ(ListingLines("\x93\xFA.txt\n"), (std::vector<std::string>{"\x93\xFA.txt"}));
}

TEST(FtpListing, JoinMatching) {
  std::vector<std::string> names = {"a.txt", "b.dat", "c.txt"};
  EXPECT_EQ(JoinMatching(names, [](const std::string& n) { return n.find(".txt") != std::string::npos; }),
            "a.txt\r\nc.txt\r\n");
  EXPECT_EQ(JoinMatching({}, [](const std::string&) { return true; }), "");
}

}  // namespace
}  // namespace nokari::net
