#include "lib/tcp/Lookup.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <sys/socket.h>

#include <fstream>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <system_error>
#include <thread>

#include "lib/tcp/TcpText.h"

namespace nokari::tcp {
namespace {

using Millis = std::chrono::milliseconds;

// A reverse lookup that the hosts file cannot answer goes to the name
// service; a peer's notification waits this long for it at most.
constexpr Millis kReverseTimeout{300};

// Runs `work` in a thread of its own and waits for its answer at most
// `timeout`; none when it took longer (the thread finishes alone and its
// answer is dropped: it shares nothing but the promise).
template <class T, class Work>
std::optional<T> WithTimeout(Work work, Millis timeout) {
  auto promise = std::make_shared<std::promise<T>>();
  std::future<T> answer = promise->get_future();
  try {
    std::thread([promise, work = std::move(work)]() mutable { promise->set_value(work()); }).detach();
  } catch (const std::system_error&) {
    return std::nullopt;  // no thread to be had: as if the lookup took too long
  }
  if (answer.wait_for(timeout) != std::future_status::ready) return std::nullopt;
  return answer.get();
}

std::string ReadHostsFile() {
  std::ifstream in("/etc/hosts");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::mutex cacheMutex;
std::map<in_addr_t, std::string>& NameCache() {
  static std::map<in_addr_t, std::string> cache;
  return cache;
}

std::string AskNameService(in_addr address) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr = address;
  char host[NI_MAXHOST];
  if (getnameinfo(reinterpret_cast<sockaddr*>(&sa), sizeof sa, host, sizeof host, nullptr, 0, NI_NAMEREQD) != 0)
    return {};
  return host;
}

}  // namespace

Resolved ResolveIPv4(const std::string& host, bool numericOnly, Millis timeout) {
  auto lookup = [host, numericOnly] {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    if (numericOnly) hints.ai_flags = AI_NUMERICHOST;
    addrinfo* list = nullptr;
    Resolved r;
    r.Code = getaddrinfo(host.c_str(), nullptr, &hints, &list);
    if (r.Code == 0 && list) {
      r.Address = reinterpret_cast<sockaddr_in*>(list->ai_addr)->sin_addr;
      freeaddrinfo(list);
    }
    return r;
  };
  // A dotted address never asks anyone: no thread for it.
  if (numericOnly) return lookup();
  std::optional<Resolved> r = WithTimeout<Resolved>(lookup, timeout);
  if (!r) return Resolved{std::nullopt, EAI_AGAIN};
  return *r;
}

std::string HostNameOf(const in_addr& address) {
  std::string name = HostFromHostsText(ReadHostsFile(), Dotted(address));
  if (!name.empty()) return name;
  {
    std::lock_guard<std::mutex> lock(cacheMutex);
    auto it = NameCache().find(address.s_addr);
    if (it != NameCache().end()) return it->second;
  }
  name = WithTimeout<std::string>([address] { return AskNameService(address); }, kReverseTimeout).value_or("");
  // A name service that did not answer in time is not asked again for
  // this address: every later notification would wait as long.
  std::lock_guard<std::mutex> lock(cacheMutex);
  NameCache()[address.s_addr] = name;
  return name;
}

bool IsLoopback(const in_addr& address) { return (ntohl(address.s_addr) >> 24) == 127; }

std::optional<in_addr> InterfaceAddress() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return std::nullopt;
  std::optional<in_addr> found;
  for (ifaddrs* i = list; i && !found; i = i->ifa_next) {
    if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
    if (!(i->ifa_flags & IFF_UP) || (i->ifa_flags & IFF_LOOPBACK)) continue;
    in_addr address = reinterpret_cast<sockaddr_in*>(i->ifa_addr)->sin_addr;
    if (!IsLoopback(address)) found = address;
  }
  freeifaddrs(list);
  return found;
}

std::string Dotted(const in_addr& address) {
  char text[INET_ADDRSTRLEN] = "";
  inet_ntop(AF_INET, &address, text, sizeof text);
  return text;
}

std::optional<int> ServicePort(const std::string& service) {
  servent entry{};
  servent* found = nullptr;
  char buffer[1024];
  if (getservbyname_r(service.c_str(), "tcp", &entry, buffer, sizeof buffer, &found) != 0 || !found)
    return std::nullopt;
  return ntohs(static_cast<uint16_t>(found->s_port));
}

}  // namespace nokari::tcp
