#include "lib/net/NetText.h"

#include "core/Encoding.h"
#include "lib/path/Path.h"

namespace nokari::net {
namespace {

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

void AppendEscaped(std::string& out, unsigned char c) {
  static const char kHex[] = "0123456789ABCDEF";
  out += '%';
  out += kHex[c >> 4];
  out += kHex[c & 15];
}

// One name or value of a form: unlike a URL's path, "~" is escaped, "*"
// is not and a space is "+" (what browsers send for such a form).
std::string FormEncode(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (unsigned char c : text) {
    if (c == ' ')
      out += '+';
    else if (c != '~' && (IsUnreserved(c) || c == '*'))
      out += static_cast<char>(c);
    else
      AppendEscaped(out, c);
  }
  return out;
}

// Network text back to CP932: UTF-8 when it reads as such, else as it came.
std::string FromWire(const std::string& bytes) { return IsValidUtf8(bytes) ? FromUtf8(bytes) : bytes; }

}  // namespace

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::string EncodeForm(std::string_view lines) {
  std::string out;
  for (const std::string& line : SplitLines(lines)) {
    if (line.empty()) continue;
    if (!out.empty()) out += '&';
    size_t eq = line.find('=');
    if (eq == std::string::npos) {
      out += FormEncode(line);
      continue;
    }
    out += FormEncode(std::string_view(line).substr(0, eq));
    out += '=';
    out += FormEncode(std::string_view(line).substr(eq + 1));
  }
  return out;
}

std::string PercentEncode(std::string_view bytes, std::string_view keep) {
  std::string out;
  out.reserve(bytes.size());
  for (unsigned char c : bytes) {
    if (IsUnreserved(c) || keep.find(static_cast<char>(c)) != std::string_view::npos)
      out += static_cast<char>(c);
    else
      AppendEscaped(out, c);
  }
  return out;
}

std::string PercentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    int hi = -1, lo = -1;
    if (text[i] == '%' && i + 2 < text.size()) {
      hi = HexValue(text[i + 1]);
      lo = HexValue(text[i + 2]);
    }
    if (hi >= 0 && lo >= 0) {
      out += static_cast<char>(hi * 16 + lo);
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

UrlCredentials SplitCredentials(std::string_view url) {
  UrlCredentials out;
  out.Url = std::string(url);
  size_t scheme = url.find("://");
  if (scheme == std::string_view::npos) return out;
  size_t hostStart = scheme + 3;
  size_t hostEnd = url.find_first_of("/?#", hostStart);
  if (hostEnd == std::string_view::npos) hostEnd = url.size();
  std::string_view authority = url.substr(hostStart, hostEnd - hostStart);
  // The last "@": a password may hold an unescaped "@", a host never does.
  size_t at = authority.rfind('@');
  if (at == std::string_view::npos) return out;
  std::string_view info = authority.substr(0, at);
  size_t colon = info.find(':');
  out.HasUser = true;
  out.User = PercentDecode(info.substr(0, colon));
  if (colon != std::string_view::npos) out.Password = PercentDecode(info.substr(colon + 1));
  out.Url = std::string(url.substr(0, hostStart)) + std::string(url.substr(hostStart + at + 1));
  return out;
}

std::string WireUrl(std::string_view cp932Url) {
  std::string utf8 = ToUtf8(cp932Url);
  std::string out;
  out.reserve(utf8.size());
  for (unsigned char c : utf8) {
    if (c <= ' ' || c >= 0x7F)
      AppendEscaped(out, c);
    else
      out += static_cast<char>(c);
  }
  return out;
}

std::string SafeBaseName(std::string_view name) {
  size_t sep = LastSeparator(name);
  std::string base(sep == std::string_view::npos ? name : name.substr(sep + 1));
  if (base == "." || base == ".." || base.find('\0') != std::string::npos) return {};
  return base;
}

std::string UrlBaseName(std::string_view url) {
  size_t scheme = url.find("://");
  size_t pathStart = url.find('/', scheme == std::string_view::npos ? 0 : scheme + 3);
  if (pathStart == std::string_view::npos) return {};
  size_t pathEnd = url.find_first_of("?#", pathStart);
  std::string_view path = url.substr(pathStart, pathEnd == std::string_view::npos ? url.npos : pathEnd - pathStart);
  size_t slash = path.rfind('/');
  std::string decoded = PercentDecode(path.substr(slash + 1));
  // Decoded bytes may hold separators of their own ("..%2F..%2Fx").
  return SafeBaseName(FromWire(decoded));
}

std::string PeerText(std::string_view line) {
  std::string clean;
  bool utf8 = IsValidUtf8(line);
  for (unsigned char c : line) {
    if (c < 0x20 || c == 0x7F)
      clean += ' ';
    else if (c >= 0x80 && !utf8)
      clean += '?';
    else
      clean += static_cast<char>(c);
  }
  size_t start = clean.find_first_not_of(' ');
  if (start == std::string::npos) return {};
  clean = clean.substr(start, clean.find_last_not_of(' ') - start + 1);
  return utf8 ? FromUtf8(clean) : clean;
}

std::string HttpStatusText(std::string_view statusLine) {
  if (statusLine.substr(0, 5) != "HTTP/") return {};
  size_t space = statusLine.find(' ');
  if (space == std::string_view::npos) return {};
  return PeerText(statusLine.substr(space + 1));
}

}  // namespace nokari::net
