// Where the bytes of a transfer go and come from: a file descriptor or
// memory with a cap (peers are untrusted: a listing or a reply that grows
// past its cap ends the transfer with an error instead of eating memory).
#pragma once
#include "lib/net/CurlApi.h"

#include <string>

namespace nokari::net {

// Listings and FTP file information.
constexpr size_t kListingCap = 16u << 20;
// A reply kept in memory for the script (HTTPポスト).
constexpr size_t kBodyCap = 256u << 20;
// All header lines of one HTTP exchange, redirects included.
constexpr size_t kHeaderCap = 1u << 20;
// Seconds a peer may send nothing (below one byte a second) before the
// transfer ends: no command hangs on a peer that stopped answering.
constexpr long kStallSeconds = 60;

// Received bytes appended to a file.
struct FdSink {
  int Fd = -1;
  bool Failed = false;
};
void ReceiveInto(CURL* handle, FdSink& sink);

// Received bytes kept in memory, at most `Cap`.
struct MemorySink {
  explicit MemorySink(size_t cap) : Cap(cap) {}
  std::string Data;
  size_t Cap;
  bool Over = false;
};
void ReceiveInto(CURL* handle, MemorySink& sink);

// Bytes to send read from a file.
struct FdSource {
  int Fd = -1;
  bool Failed = false;
};
void SendFrom(CURL* handle, FdSource& source);

// Counts the header bytes of an exchange and ends it past kHeaderCap,
// keeping the status line of the last reply ("HTTP/1.1 404 Not Found").
struct HeaderLimit {
  size_t Seen = 0;
  std::string StatusLine;
};
void LimitHeaders(CURL* handle, HeaderLimit& limit);

// The replies of an FTP or SMTP server (libcurl hands them over as header
// lines): the last refusal, a reply line starting 4xx or 5xx, kept as it
// came (at most kReplyCap bytes, line end dropped). It says why a command
// failed in the server's own words.
constexpr size_t kReplyCap = 512;
struct ServerReplies {
  std::string LastRefusal;
};
void KeepReplies(CURL* handle, ServerReplies& replies);

}  // namespace nokari::net
