#include "lib/tcp/TcpText.h"

#include "core/Cp932.h"
#include "core/Encoding.h"

namespace nokari::tcp {

namespace state {
const std::string& Connecting() { return Sj("接続準備中"); }
const std::string& Connected() { return Sj("接続中"); }
const std::string& Disconnected() { return Sj("未接続"); }
const std::string& Closed() { return Sj("切断"); }
const std::string& TimedOut() { return Sj("タイムアップ"); }
const std::string& Starting() { return Sj("起動準備中"); }
const std::string& Running() { return Sj("起動中"); }
const std::string& Stopped() { return Sj("停止中"); }
std::string Error(int number) { return Sj("エラー") + std::to_string(number); }
}  // namespace state

bool LooksLikeAddress(std::string_view server) {
  return !server.empty() && server[0] >= '0' && server[0] <= '9' && server.find('.') != std::string_view::npos;
}

std::string PeerLine(std::string_view address, std::string_view host) {
  std::string line(address);
  line += ',';
  line += host;
  return line;
}

namespace {

// ASCII letters fold; the second byte of a double-byte character is never
// read as a letter (the second byte of ア is 'A').
bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size();) {
    size_t len = CharLenAt(a, i);
    if (len != CharLenAt(b, i)) return false;
    if (len == 1) {
      unsigned char x = a[i], y = b[i];
      if (x >= 'A' && x <= 'Z') x += 'a' - 'A';
      if (y >= 'A' && y <= 'Z') y += 'a' - 'A';
      if (x != y) return false;
    } else if (a.compare(i, len, b, i, len) != 0) {
      return false;
    }
    i += len;
  }
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The fields of one line, split at blanks.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    size_t start = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    if (i > start) fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

}  // namespace

int FindPeer(const std::vector<std::string>& lines, std::string_view name) {
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    size_t comma = line.find(',');
    std::string_view address = line.substr(0, comma);
    std::string_view host = comma == std::string_view::npos ? std::string_view() : line.substr(comma + 1);
    if (address == name || SameIgnoringCase(host, name)) return static_cast<int>(i);
  }
  return -1;
}

std::string PeerList(const std::vector<std::string>& lines) {
  std::string list;
  for (const std::string& line : lines) list += line + "\r\n";
  return list;
}

std::string HostFromHostsText(std::string_view hostsText, std::string_view address) {
  size_t pos = 0;
  while (pos < hostsText.size()) {
    size_t end = hostsText.find('\n', pos);
    if (end == std::string_view::npos) end = hostsText.size();
    std::string_view line = hostsText.substr(pos, end - pos);
    pos = end + 1;
    line = line.substr(0, line.find('#'));
    std::vector<std::string_view> fields = Fields(line);
    if (fields.size() >= 2 && fields[0] == address) return std::string(fields[1]);
  }
  return {};
}

}  // namespace nokari::tcp
