#include "lib/net/FtpText.h"

#include <vector>

#include "core/Cp932.h"
#include "core/Encoding.h"
#include "lib/net/NetText.h"

namespace nokari::net {
namespace {

bool BadHostChar(unsigned char c) {
  return c <= ' ' || c == 0x7F || c == '/' || c == '@' || c == '?' || c == '#' || c == '\\';
}

bool ReadPort(std::string_view text, int& port) {
  if (text.empty() || text.size() > 5) return false;
  port = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    port = port * 10 + (c - '0');
  }
  return port >= 1 && port <= 65535;
}

// Scripts write remote paths as they write local ones: "\" separates
// folders as "/" does. "\" may be the second byte of a CP932 character
// (表, ソ), so the path is walked character by character.
std::vector<std::string_view> Parts(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i <= path.size();) {
    size_t len = i < path.size() ? CharLenAt(path, i) : 1;
    if (i == path.size() || (len == 1 && (path[i] == '/' || path[i] == '\\'))) {
      if (i > start) parts.push_back(path.substr(start, i - start));
      start = i + 1;
    }
    i += len;
  }
  return parts;
}

bool IsSeparatorAt(std::string_view path, size_t i) { return path[i] == '/' || path[i] == '\\'; }

}  // namespace

bool FtpAuthority(std::string_view host, std::string& authority) {
  for (unsigned char c : host)
    if (BadHostChar(c)) return false;
  std::string_view name = host;
  int port = kFtpPort;
  if (!host.empty() && host[0] == '[') {
    size_t close = host.find(']');
    if (close == std::string_view::npos || close == 1) return false;
    name = host.substr(0, close + 1);
    std::string_view rest = host.substr(close + 1);
    if (!rest.empty() && (rest[0] != ':' || !ReadPort(rest.substr(1), port))) return false;
  } else if (size_t colon = host.find(':'); colon != std::string_view::npos) {
    if (host.find(':', colon + 1) != std::string_view::npos) {
      authority = "[" + std::string(host) + "]:" + std::to_string(port);  // a bare IPv6 address
      return true;
    }
    name = host.substr(0, colon);
    if (!ReadPort(host.substr(colon + 1), port)) return false;
  }
  if (name.empty()) return false;
  authority = std::string(name) + ":" + std::to_string(port);
  return true;
}

bool NamesRemoteFolder(std::string_view name) {
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < name.size(); i += CharLenAt(name, i)) last = i;
  return last != std::string_view::npos && CharLenAt(name, last) == 1 && IsSeparatorAt(name, last);
}

std::string ResolveRemote(std::string_view folder, std::string_view name) {
  std::vector<std::string_view> parts;
  auto walk = [&parts](std::string_view path) {
    for (std::string_view part : Parts(path)) {
      if (part == ".") continue;
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
        continue;
      }
      parts.push_back(part);
    }
  };
  if (name.empty() || !IsSeparatorAt(name, 0)) walk(folder);
  walk(name);
  std::string out;
  for (std::string_view part : parts) {
    out += '/';
    out += part;
  }
  return out.empty() ? "/" : out;
}

std::string RemoteParent(std::string_view path) { return ResolveRemote(path, ".."); }

std::string RemoteLeaf(std::string_view path) {
  std::vector<std::string_view> parts = Parts(path);
  return parts.empty() ? std::string() : std::string(parts.back());
}

std::string RemoteUrlPath(std::string_view path, bool folder) {
  std::string out = "/%2F";
  bool first = true;
  for (std::string_view part : Parts(path)) {
    if (!first) out += '/';
    first = false;
    out += PercentEncode(ToUtf8(part));
  }
  if (folder) out += '/';
  return out;
}

bool CommandArgument(std::string_view name, std::string& utf8) {
  if (name.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) return false;
  utf8 = ToUtf8(name);
  return true;
}

}  // namespace nokari::net
