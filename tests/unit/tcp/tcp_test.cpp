// The TCP family: its texts alone, then a server and a client of one
// engine talking to each other over the loopback through the poll() pump.
#include <gtest/gtest.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "../TestHost.h"
#include "core/Encoding.h"
#include "core/Events.h"
#include "lib/tcp/TcpText.h"

namespace nokari::tcp {
namespace {

TEST(TcpTextTest, PeersAreFoundByAddressOrByHostNameInAnyCase) {
  std::vector<std::string> lines{"10.0.0.5,alpha", "127.0.0.1,localhost", "127.0.0.1,other", "192.168.1.9,"};
  EXPECT_EQ(FindPeer(lines, "127.0.0.1"), 1);  // the first of two at one address
  EXPECT_EQ(FindPeer(lines, "LOCALHOST"), 1);
  EXPECT_EQ(FindPeer(lines, "Alpha"), 0);
  EXPECT_EQ(FindPeer(lines, "OTHER"), 2);
  EXPECT_EQ(FindPeer(lines, "192.168.1.9"), 3);
  // The address is compared exactly, and a part of a name is no match.
  EXPECT_EQ(FindPeer(lines, "127.0.0.10"), -1);
  EXPECT_EQ(FindPeer(lines, "local"), -1);
  EXPECT_EQ(FindPeer(lines, "alpha,x"), -1);
  EXPECT_EQ(FindPeer({}, "a"), -1);
}

TEST(TcpTextTest, CaseFoldingLeavesDoubleByteCharactersAlone) {
  // ア is 83 41 and ａ.. letters fold only as single bytes: "ア" never
  // matches "\x83" "a".
  std::vector<std::string> lines{"1.2.3.4," + Sj("ホストア")};
  EXPECT_EQ(FindPeer(lines, Sj("ホストア")), 0);
  std::string folded = Sj("ホストア");
  folded.back() = 'a';
  EXPECT_EQ(FindPeer(lines, folded), -1);
}

TEST(TcpTextTest, PeerListsEndEachLine) {
  EXPECT_EQ(PeerList({}), "");
  EXPECT_EQ(PeerList({PeerLine("127.0.0.1", "localhost"), PeerLine("10.0.0.1", "")}),
            "127.0.0.1,localhost\r\n10.0.0.1,\r\n");
}

TEST(TcpTextTest, AnAddressStartsWithADigitAndHoldsADot) {
  EXPECT_TRUE(LooksLikeAddress("127.0.0.1"));
  EXPECT_TRUE(LooksLikeAddress("1.x"));  // tried as an address, refused as one
  EXPECT_FALSE(LooksLikeAddress("localhost"));
  EXPECT_FALSE(LooksLikeAddress("1host"));
  EXPECT_FALSE(LooksLikeAddress("host.example"));
  EXPECT_FALSE(LooksLikeAddress(""));
}

TEST(TcpTextTest, StateTexts) {
  EXPECT_EQ(ToUtf8(state::Connecting()), "接続準備中");
  EXPECT_EQ(ToUtf8(state::Connected()), "接続中");
  EXPECT_EQ(ToUtf8(state::Disconnected()), "未接続");
  EXPECT_EQ(ToUtf8(state::Closed()), "切断");
  EXPECT_EQ(ToUtf8(state::TimedOut()), "タイムアップ");
  EXPECT_EQ(ToUtf8(state::Starting()), "起動準備中");
  EXPECT_EQ(ToUtf8(state::Running()), "起動中");
  EXPECT_EQ(ToUtf8(state::Stopped()), "停止中");
  EXPECT_EQ(ToUtf8(state::Error(111)), "エラー111");
  EXPECT_EQ(ToUtf8(state::Error(-2)), "エラー-2");
}

TEST(TcpTextTest, HostsFileGivesTheFirstNameOfAnAddress) {
  const char* hosts =
      "# 127.0.0.1 commented\n"
      "127.0.0.1\tlocalhost loopback\n"
      "  ::1 localhost ip6-localhost\r\n"
      "10.0.0.7   seven # the seventh\n"
      "10.0.0.70 seventy\n"
      "10.0.0.8\n";
  EXPECT_EQ(HostFromHostsText(hosts, "127.0.0.1"), "localhost");
  EXPECT_EQ(HostFromHostsText(hosts, "10.0.0.7"), "seven");
  EXPECT_EQ(HostFromHostsText(hosts, "10.0.0.70"), "seventy");
  EXPECT_EQ(HostFromHostsText(hosts, "10.0.0.8"), "");  // an address alone names nothing
  EXPECT_EQ(HostFromHostsText(hosts, "10.0.0.9"), "");
  EXPECT_EQ(HostFromHostsText("", "127.0.0.1"), "");
}

int FreePort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  socklen_t len = sizeof sa;
  getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
  close(fd);
  return ntohs(sa.sin_port);
}

int OpenDescriptors() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
}

// One engine is both ends: TCP接続 waits letting the pump run, so the
// server side accepts (and runs its handler) meanwhile; the other handlers
// run after the text, in the order their notifications came.
TEST(TcpSessionTest, ServerAndClientOfOneEngineTalkAndCloseEverything) {
  const int before = OpenDescriptors();
  std::string port = std::to_string(FreePort());
  std::string out;
  {
    testing::TestEngine t;
    out = t.Run(
        "TCPポート=" + port + "\n"
        "繋がったに、TCPサーバー接続処理設定\n"
        "TCPサーバー起動\n"
        "TCP接続状態を、表示\n"
        "サーバー受信に、TCPサーバー受信処理設定\n"
        "クライアント受信に、TCP受信処理設定\n"
        "「127.0.0.1」へ、TCP接続\n"
        "TCP接続状態を、表示\n"
        "「やあ」を、TCP送信\n"
        "待機\n"
        "＊繋がった\n"
        "「接続:{TCP送信元}」を、表示\n"
        "戻る\n"
        "＊サーバー受信\n"
        "「受信:{TCP文字列}」を、表示\n"
        "「{TCPサーバー接続先列挙}」を、表示\n"
        "「LocalHost」へ、「こたえ」を、TCPサーバーから送信\n"
        "戻る\n"
        "＊クライアント受信\n"
        "「返事:{TCP文字列}:{TCP送信元}」を、表示\n"
        "「127.0.0.1」を、TCPサーバーから切断\n"
        "「{TCPサーバー接続先列挙}」を、表示\n"
        "TCPサーバー終了\n"
        "TCP接続状態を、表示\n"
        "戻る\n");
    RunWhileArmed(t.e);
    out = t.host.Output;
    EXPECT_EQ(t.host.Errors, "");
  }
  EXPECT_EQ(out,
            "起動中\n"
            "接続:127.0.0.1,localhost\n"  // the server's handler ran while TCP接続 waited
            "接続中\n"
            "受信:やあ\n"
            "127.0.0.1,localhost\r\n\n"
            "返事:こたえ:127.0.0.1,localhost\n"
            "\n"
            "停止中\n");
  // The client was still open when the engine went: nothing is left.
  EXPECT_EQ(OpenDescriptors(), before);
}

TEST(TcpSessionTest, ARefusedConnectionFailsWithTheNotificationAndState) {
  testing::TestEngine t;
  std::string port = std::to_string(FreePort());
  std::string out = t.Run("TCPポート=" + port +
                          "\nエラーを無視\n「127.0.0.1」へ、TCP接続\nTCP接続状態を、表示\nエラーメッセージを、表示\n");
  EXPECT_EQ(out.substr(0, out.find('\n')), "エラー111");
  EXPECT_NE(out.find("TCP/IPのエラー。サーバー\"127.0.0.1\"へ接続できませんでした。"
                     "TCP/IPクライアントでエラーが発生しました。エラー番号:111"),
            std::string::npos)
      << out;
}

}  // namespace
}  // namespace nokari::tcp
