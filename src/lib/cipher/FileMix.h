// Merged files: one container holding several files under upper-cased
// names, each stored plain or scrambled (lib/cipher/Cipher.h). ファイル合成
// writes them; 合成ファイル取り出す and packed programs read them.
//
// Layout, little endian: "fMix", version 1 (1 byte), entry count (2),
// total size (4), then one 265-byte record per entry (name zero-filled to
// 256 bytes, data offset from the container's start (4), data size (4),
// flag (1): 1 scrambled with the entry key), then the data back to back.
//
// A reader never trusts a container: every record must lie inside it,
// names must end within their field, and the first of two equal names
// wins. A container may sit inside a larger file (a packed program): the
// reader then works on that region alone.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nokari::cipher {

inline constexpr size_t kMixHeaderSize = 11;
inline constexpr size_t kMixRecordSize = 265;
inline constexpr size_t kMixNameField = 256;

// A name as entries are compared: ASCII letters upper-cased, the second
// byte of a double-byte character left alone.
std::string MixName(std::string_view name);

// Whether `header` (at least 11 bytes) starts a container of version 1
// whose size field is `size`.
bool LooksLikeMix(std::string_view header, uint64_t size);

struct MixEntry {
  std::string Name;  // as stored (upper-cased)
  uint32_t Offset = 0, Size = 0;
  uint8_t Flag = 0;
};

class FileMixReader {
 public:
  ~FileMixReader();
  enum class OpenResult { Ok, CannotRead, NotAMix, Damaged };
  // Opens the container occupying [start, start + length) of the file at
  // `nativePath` (length 0: to the end of the file).
  OpenResult Open(const std::string& nativePath, uint64_t start = 0, uint64_t length = 0);
  const std::vector<MixEntry>& Entries() const { return entries_; }
  bool Has(std::string_view name) const { return index_.count(MixName(name)) > 0; }
  // The entry's bytes, unscrambled; false when there is no such entry or
  // it cannot be read.
  bool Read(std::string_view name, std::string& data) const;

 private:
  int fd_ = -1;
  uint64_t start_ = 0, length_ = 0;
  std::vector<MixEntry> entries_;
  std::map<std::string, size_t> index_;
};

// One file to merge: its bytes, the name it is stored under, its flag.
struct MixInput {
  std::string Data;
  std::string Name;  // upper-cased and cut to 255 bytes by BuildMix
  uint8_t Flag = 0;
};

// Exactly `n` bytes at `offset` of an open file (pread, retried until
// whole); false at the end of the file or on an error.
bool ReadAt(int fd, uint64_t offset, void* buf, size_t n);

// The whole container. False when it cannot hold the inputs (more than
// 65,535 entries, or more than 4 GiB).
bool BuildMix(std::vector<MixInput> inputs, std::string& out);

}  // namespace nokari::cipher
