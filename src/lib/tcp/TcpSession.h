// The sockets behind the TCP commands: one client connection and one
// server with its peers, per engine. Every socket is non-blocking and
// watched on the engine's event pump (console: poll(); window: the window
// system's loop). A pump notification does the socket's work at once
// (connect, accept, read, write what waits) and changes the state text,
// but never runs the script: a label to run is queued as an event
// (core/Events.h) with TCP文字列 and TCP送信元 in its snapshot, and runs at
// the next statement boundary, during 待機 or 待つ, or while TCP接続 waits.
#pragma once
#include <netinet/in.h>

#include <chrono>
#include <string>
#include <vector>

#include "core/TextPos.h"

namespace nokari {
struct TNokaBase;
class IEventPump;
}  // namespace nokari

namespace nokari::tcp {

// A label the notifications run (none: Entry is null).
struct Handler {
  TextPos Entry;
  std::string FileName;
  explicit operator bool() const { return static_cast<bool>(Entry); }
};

// One socket on the pump.
struct Link {
  enum class Kind { Client, Listener, Peer };
  Kind Of = Kind::Client;
  int Fd = -1;
  int Id = 0;              // a peer's number, which its notifications name it by
  int Watch = 0;           // its watch on the pump (0: none)
  int WatchedFor = 0;      // the directions of that watch
  bool Connecting = false; // a client whose connection is under way
  bool Paused = false;     // not read for now (too much received waits in the queue)
  int ResumeTimer = 0;
  std::string Out;         // sent by the script, not yet taken by the peer
  std::string Line;        // the peer: address "," host name
  bool Open() const { return Fd >= 0; }
};

// What the TCP commands keep per engine (FamilyState). Its end closes
// every socket: nothing outlives the engine.
struct TcpSession {
  TcpSession() = default;
  TcpSession(const TcpSession&) = delete;
  TcpSession& operator=(const TcpSession&) = delete;
  ~TcpSession();

  TNokaBase* Engine = nullptr;
  IEventPump* Pump = nullptr;
  std::string State;  // TCP接続状態: the client's and the server's state, one text

  Link Client;
  Handler ClientReceive;
  bool WaitingForConnection = false;  // TCP接続 is waiting: it reports the failure
  int ClientError = 0;                // the number of the client's last failure

  Link Listener;
  std::vector<Link> Peers;  // in the order they connected
  int LastPeerId = 0;
  Handler ServerReceive, ServerConnect;
};

// The engine's session, tied to its pump on first use.
TcpSession& SessionOf(TNokaBase& e);

// The client: connects (non-blocking; the notifications finish it) to an
// IPv4 address and port. A failure to even start becomes the client's
// failure at once (state "エラー" + number).
void StartConnect(TcpSession& s, in_addr address, int port);
// The client's failure: state "エラー" + number, the socket closed. With
// nobody waiting to report it (TCP接続 reports its own), it is written to
// the error log as a warning.
void ClientFailed(TcpSession& s, int number, bool report = true);
// Appends to what waits for the peer and sends what it takes now; 0 or the
// error number of a connection that failed.
int Send(TcpSession& s, Link& link, const std::string& bytes);
// Sends what still waits (at most `budget` long, not letting events run),
// then closes the socket; its watch goes first.
void Close(TcpSession& s, Link& link, std::chrono::milliseconds budget);

// The server: listens on every IPv4 address of the machine at `port`;
// 0 or the error number.
int Listen(TcpSession& s, int port);
void StopServer(TcpSession& s);
// Closes the peer at `index` and forgets it.
void DropPeer(TcpSession& s, size_t index);

// Queued data waiting beyond this many bytes makes the sockets wait before
// they read more (the peer is then slowed by TCP's own flow control); each
// notification reads at most kReadCap bytes.
inline constexpr size_t kQueuedCap = size_t{8} << 20;
inline constexpr size_t kReadCap = size_t{1} << 20;
// What the script may have waiting for a peer that does not take it.
inline constexpr size_t kSendBacklogCap = size_t{64} << 20;

}  // namespace nokari::tcp
