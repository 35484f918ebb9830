// The registry of a Linux user: one text file per root key in the
// REGEDIT4 layout, UTF-8, under $XDG_CONFIG_HOME/nokari/registry/
// (~/.config/... without it):
//
//   REGEDIT4
//
//   [Software\Test]
//   @="the key's default value"
//   "name"="text"
//   "bytes"=hex:01,02,ff
//   "count"=dword:0000007b
//
// Key paths are only section names inside one file (they never become
// file names); keys and value names compare without regard to ASCII case.
// A change reads the file under a lock, changes it in memory and renames a
// new file over it, so two programs never lose each other's changes and a
// failed write leaves the old file.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nokari::settings {

struct RegValue {
  enum class Kind { String, Binary, Dword };
  std::string Name;  // CP932; "" is the key's default value (@)
  Kind Type = Kind::String;
  std::string Data;  // the text or the bytes
  uint32_t Number = 0;
};

struct RegKey {
  std::string Path;  // CP932, backslash-separated, as first written
  std::vector<RegValue> Values;
};

// One root's keys in memory (engine-free).
class RegistryDocument {
 public:
  // Reads a file's text; false with the 1-based line of the first line it
  // cannot read (a hand-edited file is never half-read and rewritten).
  bool Parse(std::string_view utf8, int& badLine);
  std::string Text() const;  // UTF-8

  RegKey* Find(std::string_view path);
  // The key, made with every missing key above it.
  RegKey& Ensure(std::string_view path);
  // The key and everything below it; false when there is none.
  bool DeleteKey(std::string_view path);
  // The names of the key's direct subkeys, in file order.
  std::vector<std::string> Subkeys(std::string_view path) const;
  const std::vector<RegKey>& Keys() const { return keys_; }

 private:
  std::vector<RegKey> keys_;
};

const RegValue* FindValue(const RegKey& key, std::string_view name);
void SetValue(RegKey& key, RegValue value);
bool DeleteValue(RegKey& key, std::string_view name);

// "Software\\\\Test\\\\" → "Software\\Test": no empty parts, no ends.
std::string NormalKeyPath(std::string_view path);

// The file of a root (0 classes, 1 current user, 2 local machine, 3 users;
// others by number).
std::string RegistryFilePath(uint32_t root);

// Reads the root's document (an absent file is empty). False with a
// reason (UTF-8) when the file cannot be read or parsed.
bool LoadRegistry(uint32_t root, RegistryDocument& doc, std::string& why);
// Changes the root's document under its lock: `change` edits the freshly
// read document and returns whether to write it. False with a reason.
template <class Change>
bool ChangeRegistry(uint32_t root, Change change, std::string& why);

// The machinery of ChangeRegistry.
class RegistryLock {
 public:
  explicit RegistryLock(uint32_t root);
  ~RegistryLock();
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};
bool SaveRegistry(uint32_t root, const RegistryDocument& doc, std::string& why);

template <class Change>
bool ChangeRegistry(uint32_t root, Change change, std::string& why) {
  RegistryLock lock(root);
  if (!lock.Held()) {
    why = "cannot lock " + RegistryFilePath(root);
    return false;
  }
  RegistryDocument doc;
  if (!LoadRegistry(root, doc, why)) return false;
  if (!change(doc)) return true;
  return SaveRegistry(root, doc, why);
}

}  // namespace nokari::settings
