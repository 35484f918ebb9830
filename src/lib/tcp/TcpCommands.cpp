// TCP clients and servers, and what the network says of this computer.
// The sockets live in TcpSession (TcpSession.h says how their notifications
// reach the script); this file holds the commands' own rules: arguments,
// states, waiting for a connection, picking a peer.
#include <netdb.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <strings.h>
#include <thread>

#include "core/Events.h"
#include "lib/tcp/Lookup.h"
#include "lib/tcp/Messages.h"
#include "lib/tcp/TcpSession.h"
#include "lib/tcp/TcpText.h"
#include "lib/text/TextCore.h"
#include "words/Contract.h"
#include "words/Family.h"

namespace nokari {
namespace {

using Millis = std::chrono::milliseconds;
using tcp::SessionOf;
using tcp::TcpSession;

// TCP接続 waits this long for its connection (a name lookup counts too).
constexpr Millis kConnectTimeout{20000};
// IPアドレス取得 waits this long for the name service.
constexpr Millis kLookupTimeout{10000};
// What TCP切断 and TCPサーバーから切断 give the peer to take what waits.
constexpr Millis kCloseBudget{2000};

std::string ErrnoText(int error) { return FromUtf8(std::strerror(error)); }

// The label as written: a name (with or without its mark), or a literal
// holding one (where the mark may still be full-width); empty clears the
// handler.
tcp::Handler HandlerFromArg(TNokaBase& e) {
  std::string raw = PopArgText(e);
  std::string name = !raw.empty() && (raw[0] == '"' || raw[0] == '`') ? EvaluateText(e, raw) : raw;
  if (!name.empty() && name[0] == '*')
    name.erase(0, 1);
  else if (name.rfind(Sj("＊"), 0) == 0)
    name.erase(0, Sj("＊").size());
  if (name.empty()) return {};
  THashNode* label = FindWord(e, name);
  if (!label || label->Kind != kLabel) RaiseError(e, msg::kUndefinedLabel, {name});
  return tcp::Handler{label->Ref, label->TypeTag};
}

// The port from TCPポート, or from TCPサービス名 when that is set; false
// with the reason when neither gives one. Port 0 would let the system pick
// one nobody knows, so it is no port.
bool PortFromVariables(TNokaBase& e, int& port, std::string& reason) {
  std::string service = text::TrimControls(VarValue(e, "TCPサービス名"));
  if (!service.empty()) {
    std::optional<int> p = tcp::ServicePort(ToUtf8(service));
    if (!p) {
      reason = FormatMessage(Sj(msg::kTcpUnknownService), {service});
      return false;
    }
    port = *p;
    return true;
  }
  std::string text = text::TrimControls(VarValue(e, "TCPポート"));
  if (text.empty()) {
    reason = Sj(msg::kTcpNoPort);
    return false;
  }
  long double number = ToNumber(text);
  if (!(number >= 1 && number <= 65535) || number != static_cast<long double>(static_cast<int>(number))) {
    reason = FormatMessage(Sj(msg::kTcpBadPort), {text});
    return false;
  }
  port = static_cast<int>(number);
  return true;
}

std::string ArgTrimmed(TNokaBase& e) { return text::TrimControls(PopArgValue(e)); }

void SetSoreText(TNokaBase& e, std::string value) { SetSoreTyped(e, std::move(value), "s"); }

// --- the client --------------------------------------------------------------

[[noreturn]] void ConnectFailed(TNokaBase& e, const std::string& server, const std::string& reason) {
  RaiseError(e, msg::kTcpConnectFailed, {server, reason});
}

void CmdConnect(TNokaBase& e) {
  std::string server = ArgTrimmed(e);
  if (server.empty()) RaiseCommandError(e, msg::kTcpNoServer);
  TcpSession& s = SessionOf(e);
  if (!s.Pump) ConnectFailed(e, server, ErrnoText(ENOTSUP));
  tcp::Close(s, s.Client, Millis(0));  // one client: a new connection replaces the old one
  int port = 0;
  std::string reason;
  if (!PortFromVariables(e, port, reason)) ConnectFailed(e, server, reason);

  const auto deadline = std::chrono::steady_clock::now() + kConnectTimeout;
  s.State = tcp::state::Connecting();
  struct Waiting {
    TcpSession& s;
    explicit Waiting(TcpSession& session) : s(session) { s.WaitingForConnection = true; }
    ~Waiting() { s.WaitingForConnection = false; }
  } waiting(s);
  tcp::Resolved to = tcp::ResolveIPv4(ToUtf8(server), tcp::LooksLikeAddress(server), kConnectTimeout);
  if (!to.Address) {
    // Nobody to connect to: the state says why in the resolver's number.
    tcp::ClientFailed(s, to.Code);
    ConnectFailed(e, server, FormatMessage(Sj(msg::kTcpHostNotFound), {server}));
  }
  tcp::StartConnect(s, *to.Address, port);

  auto settled = [&s] { return s.State != tcp::state::Connecting(); };
  if (!settled()) {
    auto left = std::chrono::ceil<Millis>(deadline - std::chrono::steady_clock::now());
    if (!WaitLettingEventsRunUntil(e, std::max(left, Millis(0)), settled)) {
      // The program is ending, the user asked to close it (the close
      // handler decides), or a handler's 待機 stopped this level: not a
      // failure of this command.
      if (e.StopFlag || e.Closed || e.Events.CloseRequested || e.Events.Halted) return;
      // The attempt is abandoned: left pending, it would keep the program
      // alive for the kernel's own retries and might still connect behind
      // the script's back.
      tcp::ClientFailed(s, ETIMEDOUT, false);
      ConnectFailed(e, server, tcp::state::TimedOut());
    }
  }
  if (s.State == tcp::state::Connected()) {
    std::this_thread::sleep_for(Millis(5));
    return;
  }
  if (s.State == tcp::state::Error(s.ClientError))
    ConnectFailed(e, server, FormatMessage(Sj(msg::kTcpClientError), {std::to_string(s.ClientError)}));
  ConnectFailed(e, server, s.State);
}

void CmdDisconnect(TNokaBase& e) {
  TcpSession& s = SessionOf(e);
  if (s.Pump) tcp::Close(s, s.Client, kCloseBudget);
  s.State = tcp::state::Closed();
}

void CmdConnectionState(TNokaBase& e) { SetSoreText(e, SessionOf(e).State); }

void CmdSend(TNokaBase& e) {
  std::string bytes = PopArgValue(e);
  TcpSession& s = SessionOf(e);
  tcp::Link& c = s.Client;
  if (!c.Open() || c.Connecting) RaiseError(e, msg::kTcpSendFailed, {ErrnoText(ENOTCONN)});
  if (c.Out.size() + bytes.size() > tcp::kSendBacklogCap)
    RaiseError(e, msg::kTcpSendFailed,
               {FormatMessage(Sj(msg::kTcpSendBacklog), {std::to_string(tcp::kSendBacklogCap)})});
  if (int error = tcp::Send(s, c, bytes)) {
    tcp::ClientFailed(s, error, false);
    RaiseError(e, msg::kTcpSendFailed, {ErrnoText(error)});
  }
}

void CmdSetClientReceive(TNokaBase& e) { SessionOf(e).ClientReceive = HandlerFromArg(e); }

// --- the server --------------------------------------------------------------

void CmdStartServer(TNokaBase& e) {
  TcpSession& s = SessionOf(e);
  s.State = tcp::state::Starting();
  if (!s.Pump) RaiseError(e, msg::kTcpServerStartFailed, {ErrnoText(ENOTSUP)});
  int port = 0;
  std::string reason;
  if (!PortFromVariables(e, port, reason)) RaiseError(e, msg::kTcpServerStartFailed, {reason});
  s.ServerReceive = {};
  if (int error = tcp::Listen(s, port)) RaiseError(e, msg::kTcpServerStartFailed, {ErrnoText(error)});
  s.State = tcp::state::Running();
}

void CmdStopServer(TNokaBase& e) {
  TcpSession& s = SessionOf(e);
  if (s.Pump) tcp::StopServer(s);
  s.State = tcp::state::Stopped();
}

std::vector<std::string> PeerLines(const TcpSession& s) {
  std::vector<std::string> lines;
  for (const tcp::Link& p : s.Peers) lines.push_back(p.Line);
  return lines;
}

void CmdListPeers(TNokaBase& e) { SetSoreText(e, tcp::PeerList(PeerLines(SessionOf(e)))); }

// The peer a server command names; -1 when no connected peer matches.
int ChosenPeer(TNokaBase& e, TcpSession& s, const std::string& name) {
  if (!s.Listener.Open()) RaiseError(e, msg::kTcpServerInactive);
  return tcp::FindPeer(PeerLines(s), name);
}

void CmdSendToPeer(TNokaBase& e) {
  std::string bytes = PopArgValue(e);
  std::string name = ArgTrimmed(e);
  if (name.empty()) RaiseError(e, msg::kTcpNoPeer);
  TcpSession& s = SessionOf(e);
  int index = ChosenPeer(e, s, name);
  if (index < 0) return;
  tcp::Link& peer = s.Peers[index];
  if (peer.Out.size() + bytes.size() > tcp::kSendBacklogCap) {
    RaiseError(e, msg::kTcpSendFailed,
               {FormatMessage(Sj(msg::kTcpSendBacklog), {std::to_string(tcp::kSendBacklogCap)})});
  }
  // A peer that fails is dropped, as when its notification reports it.
  if (int error = tcp::Send(s, peer, bytes)) {
    s.State = tcp::state::Error(error);
    tcp::DropPeer(s, static_cast<size_t>(index));
  }
}

void CmdDisconnectPeer(TNokaBase& e) {
  std::string name = ArgTrimmed(e);
  if (name.empty()) RaiseCommandError(e, msg::kTcpNoPeerArg);
  TcpSession& s = SessionOf(e);
  int index = ChosenPeer(e, s, name);
  if (index < 0) return;
  tcp::Close(s, s.Peers[index], kCloseBudget);
  tcp::DropPeer(s, static_cast<size_t>(index));
}

void CmdSetServerReceive(TNokaBase& e) { SessionOf(e).ServerReceive = HandlerFromArg(e); }
void CmdSetServerConnect(TNokaBase& e) { SessionOf(e).ServerConnect = HandlerFromArg(e); }

// --- what the network says of this computer -----------------------------------

// LAN browsing (computers, domains, shared folders) is not offered: the
// commands answer an empty list, so scripts that show it keep running.
void CmdNoLanListOf(TNokaBase& e) {
  PopArgText(e);
  SetSoreText(e, "");
}

void CmdNoDomains(TNokaBase& e) { SetSoreText(e, ""); }

void CmdUserName(TNokaBase& e) {
  std::string name;
  passwd entry{};
  passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found) name = found->pw_name;
  if (name.empty())
    if (const char* user = getenv("USER")) name = user;
  SetSoreText(e, FromUtf8(name));
}

void CmdComputerName(TNokaBase& e) {
  char name[HOST_NAME_MAX + 1] = "";
  if (gethostname(name, sizeof name) != 0) name[0] = '\0';
  name[HOST_NAME_MAX] = '\0';
  SetSoreText(e, FromUtf8(name));
}

// An empty name asks for this computer's own address. The hosts file
// often maps the computer's own name to the loopback (127.0.1.1 on
// Debian), which no other machine can use: the computer's name then gives
// the first IPv4 address of a network interface that is up, when there is
// one.
void CmdAddressOf(TNokaBase& e) {
  std::string name = ArgTrimmed(e);
  std::string host = ToUtf8(name);
  char own[HOST_NAME_MAX + 1] = "";
  if (gethostname(own, sizeof own) != 0) own[0] = '\0';
  own[HOST_NAME_MAX] = '\0';
  bool ownName = host.empty() || strcasecmp(host.c_str(), own) == 0;
  if (host.empty()) host = own;
  tcp::Resolved r = tcp::ResolveIPv4(host, false, kLookupTimeout);
  if (ownName && (!r.Address || tcp::IsLoopback(*r.Address)))
    if (std::optional<in_addr> outward = tcp::InterfaceAddress()) r.Address = outward;
  SetSoreText(e, r.Address ? tcp::Dotted(*r.Address) : "");
}

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::ネットワークコンピューター列挙, CmdNoLanListOf},
    {Id::ネットワークコンピューター列挙ドメイン付き, CmdNoLanListOf},
    {Id::ネットワークドメイン列挙, CmdNoDomains},
    {Id::共有フォルダ列挙, CmdNoLanListOf},
    {Id::ユーザー名取得, CmdUserName},
    {Id::コンピューター名取得, CmdComputerName},
    {Id::IPアドレス取得, CmdAddressOf},
    {Id::TCP接続, CmdConnect},
    {Id::TCP切断, CmdDisconnect},
    {Id::TCP接続状態, CmdConnectionState},
    {Id::TCP送信, CmdSend},
    {Id::TCP受信処理設定, CmdSetClientReceive},
    {Id::TCPサーバー起動, CmdStartServer},
    {Id::TCPサーバー終了, CmdStopServer},
    {Id::TCPサーバー接続先列挙, CmdListPeers},
    {Id::TCPサーバーから送信, CmdSendToPeer},
    {Id::TCPサーバーから切断, CmdDisconnectPeer},
    {Id::TCPサーバー受信処理設定, CmdSetServerReceive},
    {Id::TCPサーバー接続処理設定, CmdSetServerConnect},
};
constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/tcp/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kTcpFamily{"tcp", kCommands, kMessages};

}  // namespace nokari
