// The texts of the TCP commands, apart from any socket: the connection
// state, the server's peer lines and how a peer is picked from them, and
// how a server text is read. Values are CP932, as everywhere in the engine.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace nokari::tcp {

// The connection state that TCP接続状態 reads. Client and server write the
// same text, as the commands were always used one side at a time.
namespace state {
const std::string& Connecting();    // 接続準備中
const std::string& Connected();     // 接続中
const std::string& Disconnected();  // 未接続: the peer closed
const std::string& Closed();        // 切断: TCP切断
const std::string& TimedOut();      // タイムアップ: only ever a failure reason
const std::string& Starting();      // 起動準備中
const std::string& Running();       // 起動中
const std::string& Stopped();       // 停止中
// "エラー" and the error number.
std::string Error(int number);
}  // namespace state

// A server text starting with a digit and holding a "." is an address
// (127.0.0.1); anything else is a host name (localhost, 1host).
bool LooksLikeAddress(std::string_view server);

// One peer line: address, "," and host name (empty when unknown).
std::string PeerLine(std::string_view address, std::string_view host);

// The first peer whose line names `name`: its address part equal to it, or
// its host part equal to it ignoring the case of ASCII letters (double-byte
// characters compare as they are). -1 when none does.
int FindPeer(const std::vector<std::string>& lines, std::string_view name);

// The peer lines as TCPサーバー接続先列挙 gives them: each followed by CR LF.
std::string PeerList(const std::vector<std::string>& lines);

// The first name a hosts file (the text of /etc/hosts) gives `address`;
// empty when it gives none. Comments and blank lines are skipped.
std::string HostFromHostsText(std::string_view hostsText, std::string_view address);

}  // namespace nokari::tcp
