#include "core/Source.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "core/Encoding.h"
#include "core/Errors.h"
#include "core/Messages.h"

namespace nokari {
namespace {

bool Exists(const std::string& utf8) {
  struct stat st;
  return stat(utf8.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string Folder(const std::string& utf8) {
  size_t slash = utf8.find_last_of('/');
  return slash == std::string::npos ? std::string() : utf8.substr(0, slash + 1);
}

std::string NormalizeLineEnds(const std::string& s) {
  std::string out;
  out.reserve(s.size() + s.size() / 16);
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r') {
      out += "\r\n";
      if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
    } else if (s[i] == '\n') {
      out += "\r\n";
    } else {
      out += s[i];
    }
  }
  if (!out.empty() && out.back() != '\n') out += "\r\n";
  return out;
}

int LineOfOffset(std::string_view text, size_t offset) {
  int line = 1;
  for (size_t i = 0; i < offset && i < text.size(); ++i)
    if (text[i] == '\n') ++line;
  return line;
}

// The length of the UTF-8 character at i, 0 when the bytes there are none.
size_t Utf8CharAt(std::string_view s, size_t i) {
  const unsigned char c = s[i];
  const size_t len = c < 0x80 ? 1 : c >= 0xC2 && c < 0xE0 ? 2 : c >= 0xE0 && c < 0xF0 ? 3 : c >= 0xF0 && c < 0xF5 ? 4 : 0;
  if (len == 0 || i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
  return len;
}

// A UTF-8 text with a few stray bytes (a Latin-1 é pasted in, a cut
// character): read as Shift-JIS it would only give garbled errors. Its
// multi-byte characters outnumber the bad bytes many times over, which
// Shift-JIS text never does. The offset of the first bad byte.
bool MostlyUtf8(std::string_view s, size_t& firstBad) {
  size_t good = 0, bad = 0;
  for (size_t i = 0; i < s.size();) {
    const size_t len = Utf8CharAt(s, i);
    if (len == 0) {
      if (bad++ == 0) firstBad = i;
      ++i;
      continue;
    }
    if (len > 1) ++good;
    i += len;
  }
  return bad > 0 && good >= 4 && bad * 4 <= good;
}

// A text with a UTF-16 byte-order mark (Windows' "Unicode" text) as UTF-8.
// A surrogate without its pair, or an odd last byte, becomes U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes) {
  const bool bigEndian = static_cast<unsigned char>(bytes[0]) == 0xFE;
  auto unit = [&](size_t i) -> char32_t {
    const unsigned char a = bytes[i], b = bytes[i + 1];
    return bigEndian ? (a << 8 | b) : (b << 8 | a);
  };
  std::string out;
  size_t i = 2;
  for (; i + 1 < bytes.size(); i += 2) {
    char32_t cp = unit(i);
    if (cp >= 0xD800 && cp < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (cp >= 0xD800 && cp < 0xE000) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
  if (i < bytes.size()) AppendUtf8(out, 0xFFFD);
  return out;
}

bool StartsWithUtf16Mark(std::string_view bytes) {
  if (bytes.size() < 2) return false;
  const unsigned char a = bytes[0], b = bytes[1];
  return (a == 0xFF && b == 0xFE) || (a == 0xFE && b == 0xFF);
}

// UTF-8 script text to CP932; a character with no form there is an error
// naming its line.
std::string Utf8ScriptToCp932(TNokaBase& e, std::string_view body, const std::string& cp932Name) {
  if (body.size() >= 3 && body.compare(0, 3, "\xEF\xBB\xBF") == 0) body.remove_prefix(3);
  std::string out;
  size_t bad = 0;
  if (!Utf8ToCp932(body, out, &bad)) {
    int line = LineOfOffset(body, bad);
    RaiseErrorAtLine(e, line, FormatMessage(Sj(msg::kBadCharInScript), {cp932Name, std::to_string(line)}));
  }
  return out;
}

}  // namespace

std::string SystemPath(const std::string& cp932Path) {
  std::string utf8 = ToUtf8(cp932Path);
  for (char& c : utf8)
    if (c == '\\') c = '/';
  return utf8;
}

std::string DecodeScript(TNokaBase& e, const std::string& bytes, const std::string& cp932Name) {
  if (StartsWithUtf16Mark(bytes)) return NormalizeLineEnds(Utf8ScriptToCp932(e, Utf16ToUtf8(bytes), cp932Name));
  if (LooksLikeUtf8Script(bytes)) return NormalizeLineEnds(Utf8ScriptToCp932(e, bytes, cp932Name));
  size_t firstBad = 0;
  if (MostlyUtf8(bytes, firstBad)) {
    int line = LineOfOffset(bytes, firstBad);
    RaiseErrorAtLine(e, line, FormatMessage(Sj(msg::kNotUtf8Script), {cp932Name, std::to_string(line)}));
  }
  return NormalizeLineEnds(bytes);
}

bool ReadScriptFile(TNokaBase& e, const std::string& cp932Path, std::string& out) {
  std::string path = SystemPath(cp932Path);
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  out = DecodeScript(e, bytes, cp932Path);
  return true;
}

std::string ResolveReadName(TNokaBase& e, const std::string& cp932Name) {
  std::string name = SystemPath(cp932Name);
  if (!name.empty() && name[0] == '/') return cp932Name;
  std::string candidates[] = {
      name,
      SystemPath(e.Words.GetValue(Sj("母艦のパス"))) + name,
      Folder(e.ExePath) + name,
      Folder(SystemPath(e.FileName)) + name,
  };
  for (auto& c : candidates)
    if (!c.empty() && Exists(c)) return FromUtf8(c);
  return cp932Name;
}

}  // namespace nokari
