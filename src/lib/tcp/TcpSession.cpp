#include "lib/tcp/TcpSession.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "core/Encoding.h"
#include "core/Events.h"
#include "core/Services.h"
#include "lib/tcp/Lookup.h"
#include "lib/tcp/Messages.h"
#include "lib/tcp/TcpText.h"
#include "words/Contract.h"

namespace nokari::tcp {
namespace {

using Millis = std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// A paused socket looks again this much later whether the queue has room.
constexpr Millis kResumeDelay{20};
// A listener that cannot take a connection (no descriptors left) rests this
// long: its socket stays readable, and watching it would spin.
constexpr Millis kAcceptRest{100};
// How many connections one notification accepts, so that a flood of them
// does not keep the pump from everything else.
constexpr int kAcceptsPerRound = 64;

void Rearm(TcpSession& s, Link& link);

// The peer at the other end of a connected socket.
std::string PeerLineOf(int fd) {
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  if (getpeername(fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0 || sa.sin_family != AF_INET) return ",";
  return PeerLine(Dotted(sa.sin_addr), FromUtf8(HostNameOf(sa.sin_addr)));
}

Link* PeerById(TcpSession& s, int id) {
  for (Link& p : s.Peers)
    if (p.Id == id) return &p;
  return nullptr;
}

size_t PeerIndex(TcpSession& s, int id) {
  for (size_t i = 0; i < s.Peers.size(); ++i)
    if (s.Peers[i].Id == id) return i;
  return s.Peers.size();
}

// The bytes of received text that wait in the engine's queue for their
// handlers.
size_t QueuedBytes(TNokaBase& e) {
  const std::string& name = Sj("TCP文字列");
  size_t total = 0;
  for (const EngineEvent& event : e.Events.Window)
    for (const EventVar& v : event.Vars)
      if (v.Name == name) total += v.Value.size();
  return total;
}

// Stops reading `link` for a while; the timer looks again.
void Pause(TcpSession& s, Link& link, Millis rest) {
  link.Paused = true;
  Rearm(s, link);
  Link::Kind kind = link.Of;
  int id = link.Id;
  link.ResumeTimer = s.Pump->StartTimer(rest, [&s, kind, id] {
    Link* l = kind == Link::Kind::Client ? &s.Client : kind == Link::Kind::Listener ? &s.Listener : PeerById(s, id);
    if (!l) return;
    l->ResumeTimer = 0;
    l->Paused = false;
    Rearm(s, *l);
  });
}

enum class ReadResult { Data, Nothing, End, Failed };

// Reads what the socket holds, up to kReadCap bytes.
ReadResult ReadSome(Link& link, std::string& data, int& error) {
  data.clear();
  while (data.size() < kReadCap) {
    size_t old = data.size();
    size_t chunk = std::min<size_t>(kReadCap - old, 256 * 1024);
    data.resize(old + chunk);
    ssize_t n = recv(link.Fd, data.data() + old, chunk, 0);
    if (n > 0) {
      data.resize(old + static_cast<size_t>(n));
      continue;
    }
    data.resize(old);
    if (n == 0) return data.empty() ? ReadResult::End : ReadResult::Data;  // the end comes next round
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) break;
    error = errno;
    return data.empty() ? ReadResult::Failed : ReadResult::Data;  // so does the error
  }
  return data.empty() ? ReadResult::Nothing : ReadResult::Data;
}

// Sends what waits until the socket takes no more; 0 or the error number.
int Flush(Link& link) {
  size_t sent = 0;
  int error = 0;
  while (sent < link.Out.size()) {
    ssize_t n = send(link.Fd, link.Out.data() + sent, link.Out.size() - sent, MSG_NOSIGNAL);
    if (n >= 0) {
      sent += static_cast<size_t>(n);
    } else if (errno != EINTR) {
      if (errno != EAGAIN && errno != EWOULDBLOCK) error = errno;
      break;
    }
  }
  link.Out.erase(0, sent);
  return error;
}

// Received text: the snapshot of TCP文字列 and TCP送信元, queued for the
// handler; with no handler the variables change now.
void Deliver(TcpSession& s, const Handler& handler, std::string data, const std::string& peerLine) {
  std::vector<EventVar> vars{{Sj("TCP文字列"), std::move(data)}, {Sj("TCP送信元"), peerLine}};
  if (!handler) {
    WriteEventVars(*s.Engine, vars);
    return;
  }
  EngineEvent event;
  event.Entry = handler.Entry;
  event.FileName = handler.FileName;
  event.Vars = std::move(vars);
  QueueEvent(*s.Engine, std::move(event));
}

void Unwatch(TcpSession& s, Link& link) {
  if (link.Watch) s.Pump->Unwatch(link.Watch);
  link.Watch = 0;
  link.WatchedFor = 0;
}

void CloseNow(TcpSession& s, Link& link) {
  Unwatch(s, link);
  if (link.ResumeTimer) s.Pump->CancelTimer(link.ResumeTimer);
  link.ResumeTimer = 0;
  link.Paused = false;
  link.Connecting = false;
  if (link.Fd >= 0) close(link.Fd);
  link.Fd = -1;
  link.Out.clear();
}

// --- client ----------------------------------------------------------------

void Connected(TcpSession& s) {
  s.Client.Connecting = false;
  s.Client.Line = PeerLineOf(s.Client.Fd);
  s.State = state::Connected();
  Rearm(s, s.Client);
}

void OnClientReady(TcpSession& s) {
  Link& c = s.Client;
  if (!c.Open()) return;
  if (c.Connecting) {
    int error = 0;
    socklen_t len = sizeof error;
    if (getsockopt(c.Fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0) error = errno;
    if (error == EINPROGRESS || error == EALREADY) return;
    if (error) return ClientFailed(s, error);
    return Connected(s);
  }
  if (!c.Out.empty()) {
    if (int error = Flush(c)) return ClientFailed(s, error);
    Rearm(s, c);
  }
  if (c.Paused) return;
  if (s.ClientReceive && QueuedBytes(*s.Engine) >= kQueuedCap) return Pause(s, c, kResumeDelay);
  std::string data;
  int error = 0;
  switch (ReadSome(c, data, error)) {
    case ReadResult::Data:
      Deliver(s, s.ClientReceive, std::move(data), c.Line);
      break;
    case ReadResult::Nothing:
      break;
    case ReadResult::End:
      CloseNow(s, c);
      s.State = state::Disconnected();
      break;
    case ReadResult::Failed:
      ClientFailed(s, error);
      break;
  }
}

// --- server ----------------------------------------------------------------

void OnPeerReady(TcpSession& s, int id) {
  Link* p = PeerById(s, id);
  if (!p || !p->Open()) return;
  // A peer that fails is dropped: its socket is of no further use.
  auto failed = [&](int error) {
    s.State = state::Error(error);
    DropPeer(s, PeerIndex(s, id));
  };
  if (!p->Out.empty()) {
    if (int error = Flush(*p)) return failed(error);
    Rearm(s, *p);
  }
  if (p->Paused) return;
  if (s.ServerReceive && QueuedBytes(*s.Engine) >= kQueuedCap) return Pause(s, *p, kResumeDelay);
  std::string data;
  int error = 0;
  switch (ReadSome(*p, data, error)) {
    case ReadResult::Data:
      Deliver(s, s.ServerReceive, std::move(data), p->Line);
      break;
    case ReadResult::Nothing:
      break;
    case ReadResult::End:
      DropPeer(s, PeerIndex(s, id));
      break;
    case ReadResult::Failed:
      failed(error);
      break;
  }
}

void OnAccept(TcpSession& s) {
  for (int i = 0; i < kAcceptsPerRound && s.Listener.Open(); ++i) {
    int fd = accept4(s.Listener.Fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
        Pause(s, s.Listener, kAcceptRest);
      return;
    }
    Link peer;
    peer.Of = Link::Kind::Peer;
    peer.Fd = fd;
    peer.Id = ++s.LastPeerId;
    peer.Line = PeerLineOf(fd);
    s.Peers.push_back(std::move(peer));
    Rearm(s, s.Peers.back());
    if (s.ServerConnect) {
      EngineEvent event;
      event.Entry = s.ServerConnect.Entry;
      event.FileName = s.ServerConnect.FileName;
      event.Vars = {{Sj("TCP送信元"), s.Peers.back().Line}};
      QueueEvent(*s.Engine, std::move(event));
    }
  }
}

// Watches `link` for what it waits for now: a connection under way for
// writing; otherwise reading (unless paused) and writing while something
// waits to be sent. A closed link is watched for nothing.
void Rearm(TcpSession& s, Link& link) {
  int wanted = 0;
  if (link.Open()) {
    if (link.Connecting) {
      wanted = IEventPump::Writable;
    } else {
      if (!link.Paused) wanted |= IEventPump::Readable;
      if (!link.Out.empty()) wanted |= IEventPump::Writable;
    }
  }
  if (wanted == link.WatchedFor && (link.Watch || !wanted)) return;
  Unwatch(s, link);
  if (!wanted) return;
  IEventPump::Callback ready;
  switch (link.Of) {
    case Link::Kind::Client:
      ready = [&s] { OnClientReady(s); };
      break;
    case Link::Kind::Listener:
      ready = [&s] { OnAccept(s); };
      break;
    case Link::Kind::Peer:
      ready = [&s, id = link.Id] { OnPeerReady(s, id); };
      break;
  }
  link.Watch = s.Pump->WatchFd(link.Fd, wanted, std::move(ready));
  link.WatchedFor = wanted;
}

// Sends what waits, waiting for the socket at most until `until`.
void FlushUntil(Link& link, Clock::time_point until) {
  while (!link.Out.empty()) {
    if (Flush(link) != 0) return;
    if (link.Out.empty()) return;
    auto left = std::chrono::ceil<Millis>(until - Clock::now()).count();
    if (left <= 0) return;
    pollfd p{link.Fd, POLLOUT, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0 && errno != EINTR) return;
  }
}

}  // namespace

TcpSession::~TcpSession() {
  if (!Pump) return;
  // What the script sent goes out if the peers take it soon; a peer that
  // does not is not waited for long.
  Clock::time_point until = Clock::now() + Millis(500);
  FlushUntil(Client, until);
  CloseNow(*this, Client);
  for (Link& p : Peers) {
    FlushUntil(p, until);
    CloseNow(*this, p);
  }
  Peers.clear();
  CloseNow(*this, Listener);
}

TcpSession& SessionOf(TNokaBase& e) {
  TcpSession& s = FamilyState<TcpSession>(e);
  if (!s.Engine) {
    s.Engine = &e;
    s.Pump = e.Services.Pump;
  }
  return s;
}

void StartConnect(TcpSession& s, in_addr address, int port) {
  Link& c = s.Client;
  CloseNow(s, c);
  c.Of = Link::Kind::Client;
  c.Line.clear();
  c.Fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (c.Fd < 0) return ClientFailed(s, errno);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(static_cast<uint16_t>(port));
  sa.sin_addr = address;
  if (connect(c.Fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) return Connected(s);
  if (errno != EINPROGRESS && errno != EINTR) return ClientFailed(s, errno);
  c.Connecting = true;
  Rearm(s, c);
}

void ClientFailed(TcpSession& s, int number, bool report) {
  CloseNow(s, s.Client);
  s.State = state::Error(number);
  s.ClientError = number;
  if (report && !s.WaitingForConnection)
    Warn(*s.Engine, msg::kTcpClientError, {std::to_string(number)});
}

int Send(TcpSession& s, Link& link, const std::string& bytes) {
  link.Out += bytes;
  int error = Flush(link);
  if (!error) Rearm(s, link);
  return error;
}

void Close(TcpSession& s, Link& link, Millis budget) {
  Unwatch(s, link);
  if (link.Open() && !link.Connecting) FlushUntil(link, Clock::now() + budget);
  CloseNow(s, link);
}

int Listen(TcpSession& s, int port) {
  StopServer(s);
  Link& l = s.Listener;
  l.Of = Link::Kind::Listener;
  l.Fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (l.Fd < 0) return errno;
  int on = 1;
  setsockopt(l.Fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(static_cast<uint16_t>(port));
  sa.sin_addr.s_addr = htonl(INADDR_ANY);
  if (bind(l.Fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || listen(l.Fd, SOMAXCONN) != 0) {
    int error = errno;
    CloseNow(s, l);
    return error;
  }
  Rearm(s, l);
  return 0;
}

void StopServer(TcpSession& s) {
  Clock::time_point until = Clock::now() + Millis(500);
  for (Link& p : s.Peers) {
    Unwatch(s, p);
    FlushUntil(p, until);
    CloseNow(s, p);
  }
  s.Peers.clear();
  CloseNow(s, s.Listener);
}

void DropPeer(TcpSession& s, size_t index) {
  if (index >= s.Peers.size()) return;
  CloseNow(s, s.Peers[index]);
  s.Peers.erase(s.Peers.begin() + static_cast<std::ptrdiff_t>(index));
}

}  // namespace nokari::tcp
