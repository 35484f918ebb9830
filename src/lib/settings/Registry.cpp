#include "lib/settings/Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/Cp932.h"
#include "core/Encoding.h"
#include "lib/settings/IniFile.h"

namespace nokari::settings {
namespace {

constexpr const char* kRootFiles[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                      "HKEY_USERS"};

std::string Folder() {
  const char* config = getenv("XDG_CONFIG_HOME");
  std::string base;
  if (config && *config == '/') {
    base = config;
  } else {
    const char* home = getenv("HOME");
    base = std::string(home && *home ? home : "/tmp") + "/.config";
  }
  return base + "/nokari/registry";
}

// Creates the folder and those above it (0700 for ours).
bool MakeFolder(const std::string& path) {
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    std::string part = path.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) return true;
  }
}

std::string Quote(std::string_view utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '\\' || c == '"') out += '\\';
    if (c == '\r') {
      out += "\\r";
      continue;
    }
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out + "\"";
}

// A quoted text at the start of `s`; its end goes to `used`.
bool Unquote(std::string_view s, std::string& out, size_t& used) {
  if (s.empty() || s[0] != '"') return false;
  out.clear();
  for (size_t i = 1; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') {
      used = i + 1;
      return true;
    }
    if (c == '\\' && i + 1 < s.size()) {
      char n = s[++i];
      out += n == 'r' ? '\r' : n == 'n' ? '\n' : n;
    } else {
      out += c;
    }
  }
  return false;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseValue(std::string_view line, RegValue& v) {
  size_t used = 0;
  std::string name;
  if (line.substr(0, 1) == "@") {
    used = 1;
  } else if (!Unquote(line, name, used)) {
    return false;
  }
  v.Name = FromUtf8(name);
  std::string_view rest = line.substr(used);
  if (rest.substr(0, 1) != "=") return false;
  rest.remove_prefix(1);
  if (rest.substr(0, 1) == "\"") {
    std::string text;
    if (!Unquote(rest, text, used) || used != rest.size()) return false;
    v.Type = RegValue::Kind::String;
    v.Data = FromUtf8(text);
    return true;
  }
  if (rest.substr(0, 6) == "dword:") {
    rest.remove_prefix(6);
    if (rest.empty() || rest.size() > 8) return false;
    uint32_t n = 0;
    for (char c : rest) {
      int d = HexDigit(c);
      if (d < 0) return false;
      n = n << 4 | static_cast<uint32_t>(d);
    }
    v.Type = RegValue::Kind::Dword;
    v.Number = n;
    return true;
  }
  if (rest.substr(0, 4) == "hex:") {
    rest.remove_prefix(4);
    v.Type = RegValue::Kind::Binary;
    v.Data.clear();
    while (!rest.empty()) {
      if (rest.size() < 2 || HexDigit(rest[0]) < 0 || HexDigit(rest[1]) < 0) return false;
      v.Data += static_cast<char>(HexDigit(rest[0]) * 16 + HexDigit(rest[1]));
      rest.remove_prefix(2);
      if (!rest.empty()) {
        if (rest[0] != ',') return false;
        rest.remove_prefix(1);
      }
    }
    return true;
  }
  return false;
}

}  // namespace

std::string NormalKeyPath(std::string_view path) {
  std::string out;
  size_t i = 0;
  while (i < path.size()) {
    size_t len = CharLenAt(path, i);
    if (len == 1 && path[i] == '\\') {
      if (!out.empty() && out.back() != '\\') out += '\\';
    } else {
      out.append(path.substr(i, len));
    }
    i += len;
  }
  if (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

bool RegistryDocument::Parse(std::string_view utf8, int& badLine) {
  keys_.clear();
  RegKey* current = nullptr;
  int lineNo = 0;
  size_t start = 0;
  while (start <= utf8.size()) {
    size_t end = utf8.find('\n', start);
    std::string_view line = utf8.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    bool ok = true;
    if (line.empty() || line.front() == ';' || (lineNo == 1 && line == "REGEDIT4")) {
      // blank, comment or the header
    } else if (line.front() == '[') {
      ok = line.back() == ']';
      if (ok) current = &Ensure(FromUtf8(line.substr(1, line.size() - 2)));
    } else {
      RegValue v;
      ok = current && ParseValue(line, v);
      if (ok) SetValue(*current, std::move(v));
    }
    if (!ok) {
      badLine = lineNo;
      keys_.clear();
      return false;
    }
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return true;
}

std::string RegistryDocument::Text() const {
  std::string out = "REGEDIT4\n";
  for (const RegKey& key : keys_) {
    out += "\n[" + ToUtf8(key.Path) + "]\n";
    for (const RegValue& v : key.Values) {
      out += v.Name.empty() ? std::string("@") : Quote(ToUtf8(v.Name));
      out += "=";
      switch (v.Type) {
        case RegValue::Kind::String: out += Quote(ToUtf8(v.Data)); break;
        case RegValue::Kind::Dword: {
          char buf[16];
          snprintf(buf, sizeof buf, "dword:%08x", v.Number);
          out += buf;
          break;
        }
        case RegValue::Kind::Binary: {
          out += "hex:";
          for (size_t i = 0; i < v.Data.size(); ++i) {
            char buf[4];
            snprintf(buf, sizeof buf, i ? ",%02x" : "%02x", static_cast<unsigned char>(v.Data[i]));
            out += buf;
          }
          break;
        }
      }
      out += "\n";
    }
  }
  return out;
}

RegKey* RegistryDocument::Find(std::string_view path) {
  std::string want = NormalKeyPath(path);
  for (RegKey& key : keys_)
    if (SameName(key.Path, want)) return &key;
  return nullptr;
}

RegKey& RegistryDocument::Ensure(std::string_view path) {
  std::string want = NormalKeyPath(path);
  if (RegKey* key = Find(want)) return *key;
  size_t slash = want.rfind('\\');
  if (slash != std::string::npos) Ensure(want.substr(0, slash));
  keys_.push_back(RegKey{want, {}});
  return keys_.back();
}

namespace {
bool IsBelow(std::string_view path, std::string_view top) {
  return path.size() > top.size() && path[top.size()] == '\\' && SameName(path.substr(0, top.size()), top);
}
}  // namespace

bool RegistryDocument::DeleteKey(std::string_view path) {
  std::string want = NormalKeyPath(path);
  if (want.empty() || !Find(want)) return false;
  std::erase_if(keys_, [&](const RegKey& k) { return SameName(k.Path, want) || IsBelow(k.Path, want); });
  return true;
}

std::vector<std::string> RegistryDocument::Subkeys(std::string_view path) const {
  std::string top = NormalKeyPath(path);
  std::vector<std::string> out;
  for (const RegKey& key : keys_) {
    std::string_view rest;
    if (top.empty())
      rest = key.Path;
    else if (IsBelow(key.Path, top))
      rest = std::string_view(key.Path).substr(top.size() + 1);
    else
      continue;
    if (rest.empty() || rest.find('\\') != std::string_view::npos) continue;
    out.emplace_back(rest);
  }
  return out;
}

const RegValue* FindValue(const RegKey& key, std::string_view name) {
  for (const RegValue& v : key.Values)
    if (SameName(v.Name, name)) return &v;
  return nullptr;
}

void SetValue(RegKey& key, RegValue value) {
  for (RegValue& v : key.Values)
    if (SameName(v.Name, value.Name)) {
      v = std::move(value);
      return;
    }
  key.Values.push_back(std::move(value));
}

bool DeleteValue(RegKey& key, std::string_view name) {
  return std::erase_if(key.Values, [&](const RegValue& v) { return SameName(v.Name, name); }) > 0;
}

std::string RegistryFilePath(uint32_t root) {
  std::string name = root < 4 ? kRootFiles[root] : "HKEY_" + std::to_string(root);
  return Folder() + "/" + name + ".reg";
}

RegistryLock::RegistryLock(uint32_t root) {
  if (!MakeFolder(Folder())) return;
  std::string path = RegistryFilePath(root) + ".lock";
  fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ >= 0 && flock(fd_, LOCK_EX) != 0) {
    close(fd_);
    fd_ = -1;
  }
}

RegistryLock::~RegistryLock() {
  if (fd_ >= 0) close(fd_);  // closing releases the lock
}

bool LoadRegistry(uint32_t root, RegistryDocument& doc, std::string& why) {
  std::string path = RegistryFilePath(root);
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) {
    if (errno == ENOENT) return true;
    why = path + ": " + strerror(errno);
    return false;
  }
  std::string text;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  bool readOk = !ferror(f);
  fclose(f);
  if (!readOk) {
    why = path + ": " + strerror(errno);
    return false;
  }
  int badLine = 0;
  if (!doc.Parse(text, badLine)) {
    why = path + ": line " + std::to_string(badLine) + " cannot be read";
    return false;
  }
  return true;
}

bool SaveRegistry(uint32_t root, const RegistryDocument& doc, std::string& why) {
  std::string path = RegistryFilePath(root);
  std::string temp = path + ".XXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) {
    why = path + ": " + strerror(errno);
    return false;
  }
  std::string text = doc.Text();
  size_t done = 0;
  bool ok = true;
  while (ok && done < text.size()) {
    ssize_t w = write(fd, text.data() + done, text.size() - done);
    ok = w > 0;
    if (ok) done += static_cast<size_t>(w);
  }
  ok = ok && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
    why = path + ": " + strerror(errno);
    unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace nokari::settings
