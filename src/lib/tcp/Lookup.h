// Name lookups for the TCP and network-information commands, IPv4 only.
// A lookup may have to ask a name server that never answers; none of these
// blocks the program past its time-out (the lookup itself goes on in a
// thread of its own and its answer is dropped).
#pragma once
#include <netinet/in.h>

#include <chrono>
#include <optional>
#include <string>

namespace nokari::tcp {

struct Resolved {
  std::optional<in_addr> Address;
  int Code = 0;  // getaddrinfo's code when there is no address (EAI_AGAIN on a time-out)
};

// The first IPv4 address of a host name (UTF-8); a dotted address only
// when `numericOnly`.
Resolved ResolveIPv4(const std::string& host, bool numericOnly, std::chrono::milliseconds timeout);

// The host name of an address for TCP送信元 and the peer lines: /etc/hosts
// first (no name server is asked for the loopback and the names the
// machine knows), then the name service with a short time-out; empty when
// neither knows it. Answers are remembered for the run.
std::string HostNameOf(const in_addr& address);

// 127.0.0.0/8.
bool IsLoopback(const in_addr& address);
// The first IPv4 address of a network interface that is up and not the
// loopback; none when the computer has no such interface.
std::optional<in_addr> InterfaceAddress();

// "127.0.0.1".
std::string Dotted(const in_addr& address);

// The port of a TCP service name (/etc/services); none when unknown.
std::optional<int> ServicePort(const std::string& service);

}  // namespace nokari::tcp
