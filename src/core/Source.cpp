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

}  // namespace

std::string SystemPath(const std::string& cp932Path) {
  std::string utf8 = ToUtf8(cp932Path);
  for (char& c : utf8)
    if (c == '\\') c = '/';
  return utf8;
}

std::string DecodeScript(TNokaBase& e, const std::string& bytes, const std::string& cp932Name) {
  if (!LooksLikeUtf8Script(bytes)) return NormalizeLineEnds(bytes);
  std::string_view body = bytes;
  if (body.size() >= 3 && body.compare(0, 3, "\xEF\xBB\xBF") == 0) body.remove_prefix(3);
  std::string out;
  size_t bad = 0;
  if (!Utf8ToCp932(body, out, &bad)) {
    int line = 1;
    for (size_t i = 0; i < bad && i < body.size(); ++i)
      if (body[i] == '\n') ++line;
    std::string text = FormatMessage(Sj(msg::kBadCharInScript), {cp932Name, std::to_string(line)});
    RaiseErrorAtLine(e, line, text);
  }
  return NormalizeLineEnds(out);
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
