#include "lib/cipher/FileMix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "core/Cp932.h"
#include "lib/cipher/Cipher.h"

namespace nokari::cipher {
namespace {

uint32_t U32(const char* p) {
  return static_cast<uint32_t>(static_cast<uint8_t>(p[0])) | static_cast<uint32_t>(static_cast<uint8_t>(p[1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(p[2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(p[3])) << 24;
}

void PutU32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}


// The longest prefix of whole characters within `limit` bytes.
size_t CutToBytes(std::string_view s, size_t limit) {
  size_t i = 0;
  while (i < s.size() && i + CharLenAt(s, i) <= limit) i += CharLenAt(s, i);
  return i;
}

}  // namespace

bool ReadAt(int fd, uint64_t offset, void* buf, size_t n) {
  char* p = static_cast<char*>(buf);
  while (n > 0) {
    ssize_t got = pread(fd, p, n, static_cast<off_t>(offset));
    if (got <= 0) return false;
    p += got;
    n -= static_cast<size_t>(got);
    offset += static_cast<uint64_t>(got);
  }
  return true;
}

std::string MixName(std::string_view name) {
  std::string out(name);
  for (size_t i = 0; i < out.size();) {
    size_t len = CharLenAt(out, i);
    if (len == 1 && out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 'a' + 'A');
    i += len;
  }
  return out;
}

bool LooksLikeMix(std::string_view header, uint64_t size) {
  return header.size() >= kMixHeaderSize && header.substr(0, 4) == "fMix" && header[4] == 1 &&
         U32(header.data() + 7) == size;
}

FileMixReader::~FileMixReader() {
  if (fd_ >= 0) close(fd_);
}

FileMixReader::OpenResult FileMixReader::Open(const std::string& nativePath, uint64_t start, uint64_t length) {
  fd_ = open(nativePath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return OpenResult::CannotRead;
  struct stat st;
  if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return OpenResult::CannotRead;
  uint64_t fileSize = static_cast<uint64_t>(st.st_size);
  if (start > fileSize) return OpenResult::NotAMix;
  start_ = start;
  length_ = length ? length : fileSize - start;
  if (start_ + length_ > fileSize) return OpenResult::Damaged;
  char header[kMixHeaderSize];
  if (length_ < kMixHeaderSize || !ReadAt(fd_, start_, header, sizeof header)) return OpenResult::NotAMix;
  if (std::memcmp(header, "fMix", 4) != 0) return OpenResult::NotAMix;
  uint32_t count = static_cast<uint8_t>(header[5]) | static_cast<uint32_t>(static_cast<uint8_t>(header[6])) << 8;
  uint64_t tableEnd = kMixHeaderSize + static_cast<uint64_t>(count) * kMixRecordSize;
  if (tableEnd > length_) return OpenResult::Damaged;
  std::string table(count * kMixRecordSize, '\0');
  if (count && !ReadAt(fd_, start_ + kMixHeaderSize, table.data(), table.size())) return OpenResult::Damaged;
  for (uint32_t i = 0; i < count; ++i) {
    const char* r = table.data() + i * kMixRecordSize;
    const void* nul = std::memchr(r, '\0', kMixNameField);
    if (!nul) return OpenResult::Damaged;  // a name must end within its field
    MixEntry entry;
    entry.Name.assign(r, static_cast<const char*>(nul));
    entry.Offset = U32(r + 256);
    entry.Size = U32(r + 260);
    entry.Flag = static_cast<uint8_t>(r[264]);
    if (static_cast<uint64_t>(entry.Offset) + entry.Size > length_) return OpenResult::Damaged;
    index_.emplace(MixName(entry.Name), entries_.size());  // the first of equal names stays
    entries_.push_back(std::move(entry));
  }
  return OpenResult::Ok;
}

bool FileMixReader::Read(std::string_view name, std::string& data) const {
  auto it = index_.find(MixName(name));
  if (it == index_.end()) return false;
  const MixEntry& entry = entries_[it->second];
  data.assign(entry.Size, '\0');
  if (entry.Size && !ReadAt(fd_, start_ + entry.Offset, data.data(), data.size())) return false;
  if (entry.Flag == 1) Scramble(data, EntryKey());
  return true;
}

bool BuildMix(std::vector<MixInput> inputs, std::string& out) {
  if (inputs.size() > 0xFFFF) return false;
  uint64_t total = kMixHeaderSize + inputs.size() * kMixRecordSize;
  for (const MixInput& in : inputs) total += in.Data.size();
  if (total > 0xFFFFFFFFull) return false;
  out.assign(kMixHeaderSize + inputs.size() * kMixRecordSize, '\0');
  out.replace(0, 4, "fMix");
  out[4] = 1;
  out[5] = static_cast<char>(inputs.size() & 0xFF);
  out[6] = static_cast<char>(inputs.size() >> 8);
  for (size_t i = 0; i < inputs.size(); ++i) {
    MixInput& in = inputs[i];
    std::string name = MixName(in.Name);
    name.resize(CutToBytes(name, 255));
    if (in.Flag == 1) Scramble(in.Data, EntryKey());
    size_t record = kMixHeaderSize + i * kMixRecordSize;
    out.replace(record, name.size(), name);
    PutU32(out, record + 256, static_cast<uint32_t>(out.size()));
    PutU32(out, record + 260, static_cast<uint32_t>(in.Data.size()));
    out[record + 264] = static_cast<char>(in.Flag);
    out += in.Data;
  }
  PutU32(out, 7, static_cast<uint32_t>(out.size()));
  return true;
}

}  // namespace nokari::cipher
