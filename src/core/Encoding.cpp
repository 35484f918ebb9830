#include "core/Encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace nokari {
namespace {

// One iconv descriptor per direction, kept for the life of the process.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  // Converts; on an unconvertible or invalid sequence calls onBad(offset)
  // which returns the replacement and how many input bytes to skip.
  template <typename OnBad>
  bool Run(std::string_view in, std::string& out, OnBad onBad) {
    out.clear();
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      out.assign(in);
      return false;
    }
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buf[4096];
    bool clean = true;
    while (srcLeft > 0) {
      char* dst = buf;
      size_t dstLeft = sizeof buf;
      size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(buf, dst - buf);
      if (r == static_cast<size_t>(-1)) {
        if (errno == E2BIG) continue;
        clean = false;
        size_t offset = in.size() - srcLeft;
        auto [replacement, skip] = onBad(offset);
        if (skip == 0) return false;
        out.append(replacement);
        src += skip;
        srcLeft -= skip;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      }
    }
    return clean;
  }

 private:
  iconv_t cd_;
};

Converter& ToUtf8Conv() {
  static Converter c("UTF-8", "CP932");
  return c;
}
Converter& FromUtf8Conv() {
  static Converter c("CP932", "UTF-8");
  return c;
}

size_t Utf8SeqLen(unsigned char c) {
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0) return 2;
  if ((c & 0xF0) == 0xE0) return 3;
  if ((c & 0xF8) == 0xF0) return 4;
  return 1;
}

}  // namespace

std::string ToUtf8(std::string_view cp932) {
  bool ascii = true;
  for (unsigned char c : cp932)
    if (c >= 0x80) { ascii = false; break; }
  if (ascii) return std::string(cp932);
  std::string out;
  ToUtf8Conv().Run(cp932, out, [&](size_t off) {
    size_t skip = 1;
    if (off + 1 < cp932.size() && ((unsigned char)cp932[off] >= 0x81)) {
      unsigned char c = cp932[off];
      if ((c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) skip = 2;
    }
    return std::pair<std::string, size_t>("\xEF\xBF\xBD", skip);
  });
  return out;
}

bool Utf8ToCp932(std::string_view utf8, std::string& out, size_t* badOffset) {
  bool ascii = true;
  for (unsigned char c : utf8)
    if (c >= 0x80) { ascii = false; break; }
  if (ascii) {
    out.assign(utf8);
    return true;
  }
  bool first = true;
  return FromUtf8Conv().Run(utf8, out, [&](size_t off) {
    if (first && badOffset) *badOffset = off;
    first = false;
    return std::pair<std::string, size_t>("", 0);
  });
}

std::string FromUtf8(std::string_view utf8) {
  // ASCII is the same bytes in CP932 (iconv maps every one to itself):
  // names, paths and numbers need no converter.
  bool ascii = true;
  for (char c : utf8) ascii &= static_cast<unsigned char>(c) < 0x80;
  if (ascii) return std::string(utf8);
  std::string out;
  static const std::string geta = "\x81\xAC";  // 〓
  FromUtf8Conv().Run(utf8, out, [&](size_t off) {
    size_t len = Utf8SeqLen(static_cast<unsigned char>(utf8[off]));
    if (off + len > utf8.size()) len = utf8.size() - off;
    return std::pair<std::string, size_t>(geta, len);
  });
  return out;
}

const std::string& Sj(const char* utf8Literal) {
  // Each thread looks in a small table of its own first: the shared map is
  // behind a lock, and the commands ask for their fixed texts at every run.
  // Map entries never move and are never dropped, so the table may point
  // into it.
  struct Recent {
    const char* key = nullptr;
    const std::string* text = nullptr;
  };
  static thread_local Recent recent[64];
  Recent& slot = recent[(reinterpret_cast<uintptr_t>(utf8Literal) >> 3) & 63];
  if (slot.key == utf8Literal) return *slot.text;
  static std::mutex mu;
  static std::unordered_map<const char*, std::string> cache;
  std::lock_guard<std::mutex> lock(mu);
  auto it = cache.find(utf8Literal);
  if (it == cache.end()) it = cache.emplace(utf8Literal, FromUtf8(utf8Literal)).first;
  slot = {utf8Literal, &it->second};
  return it->second;
}

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = s[i];
    size_t len = Utf8SeqLen(c);
    if (c >= 0x80 && len == 1) return false;
    if (i + len > s.size()) return false;
    for (size_t k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += len;
  }
  return true;
}

bool LooksLikeUtf8(std::string_view s) {
  bool nonAscii = false;
  for (unsigned char c : s)
    if (c >= 0x80) { nonAscii = true; break; }
  return nonAscii && IsValidUtf8(s);
}

bool LooksLikeUtf8Script(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return true;
  return LooksLikeUtf8(bytes);
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace nokari
