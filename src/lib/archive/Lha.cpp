#include "lib/archive/Lha.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <vector>

namespace nokari::lha {
namespace {

constexpr std::array<uint16_t, 256> MakeCrcTable() {
  std::array<uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    uint16_t c = static_cast<uint16_t>(i);
    for (int k = 0; k < 8; ++k) c = (c & 1) ? static_cast<uint16_t>((c >> 1) ^ 0xA001) : static_cast<uint16_t>(c >> 1);
    table[i] = c;
  }
  return table;
}
constexpr std::array<uint16_t, 256> kCrcTable = MakeCrcTable();

void Put16(std::string& out, uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}
void Put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void Set16(std::string& out, size_t at, uint16_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>(v >> 8);
}

// One extended header without its trailing "next size" (the caller chains
// them): type byte and data.
struct Extended {
  uint8_t Type;
  std::string Data;
};

constexpr uint8_t kAttrArchive = 0x20, kAttrFolder = 0x10;

}  // namespace

uint16_t Crc16(uint16_t crc, const void* data, size_t size) {
  const auto* p = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) crc = static_cast<uint16_t>(kCrcTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8));
  return crc;
}

std::string Level2Header(const Member& m) {
  // The name splits into folders (the directory header, 0xFF after each)
  // and the last part (the file-name header); a folder member has only the
  // first.
  std::string folders, leaf;
  std::string_view name = m.Name;
  while (!name.empty() && name.back() == '/') name.remove_suffix(1);
  size_t slash = name.rfind('/');
  std::string_view dirPart = slash == std::string_view::npos ? std::string_view() : name.substr(0, slash);
  std::string_view lastPart = slash == std::string_view::npos ? name : name.substr(slash + 1);
  auto addFolders = [&folders](std::string_view path) {
    size_t start = 0;
    while (start < path.size()) {
      size_t end = path.find('/', start);
      if (end == std::string_view::npos) end = path.size();
      if (end > start) {
        folders.append(path.substr(start, end - start));
        folders += '\xFF';
      }
      start = end + 1;
    }
  };
  addFolders(dirPart);
  if (m.IsFolder)
    addFolders(lastPart);
  else
    leaf.assign(lastPart);

  std::vector<Extended> ext;
  ext.push_back({0x00, std::string(2, '\0')});  // header CRC, filled in below
  ext.push_back({0x01, leaf});
  if (!folders.empty()) ext.push_back({0x02, folders});
  std::string attr;
  Put16(attr, m.IsFolder ? kAttrFolder : kAttrArchive);
  ext.push_back({0x40, attr});

  std::string h;
  h.reserve(64 + leaf.size() + folders.size());
  Put16(h, 0);  // total size, set below
  h += m.IsFolder ? "-lhd-" : "-lh0-";
  Put32(h, m.IsFolder ? 0 : m.Size);  // stored
  Put32(h, m.IsFolder ? 0 : m.Size);  // original
  Put32(h, static_cast<uint32_t>(m.MTime));
  h += static_cast<char>(kAttrArchive);  // reserved in level 2; 0x20 by custom
  h += static_cast<char>(2);             // level
  Put16(h, m.IsFolder ? 0 : m.DataCrc);
  h += 'M';  // made on MS-DOS/Windows: names are CP932
  size_t crcAt = 0;
  for (const Extended& x : ext) {
    size_t size = 1 + x.Data.size() + 2;
    if (size > 0xFFFF) return {};
    Put16(h, static_cast<uint16_t>(size));  // the "next size" of the previous part
    if (x.Type == 0x00) crcAt = h.size() + 1;
    h += static_cast<char>(x.Type);
    h += x.Data;
  }
  Put16(h, 0);  // no further extended header
  if ((h.size() & 0xFF) == 0) h += '\0';
  if (h.size() > 0xFFFF) return {};
  Set16(h, 0, static_cast<uint16_t>(h.size()));
  Set16(h, crcAt, Crc16(0, h.data(), h.size()));
  return h;
}

bool Writer::Append(std::string_view bytes) {
  buffer_.append(bytes);
  return buffer_.size() < (size_t{1} << 20) || Flush();
}

bool Writer::Flush() {
  size_t done = 0;
  while (done < buffer_.size()) {
    ssize_t n = write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  flushed_ += buffer_.size();
  buffer_.clear();
  return true;
}

// Rewrites bytes already appended: in the buffer while they are there,
// else in the file.
bool Writer::Patch(uint64_t offset, std::string_view bytes) {
  if (offset >= flushed_) {
    buffer_.replace(static_cast<size_t>(offset - flushed_), bytes.size(), bytes);
    return true;
  }
  if (!Flush()) return false;
  return pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(offset)) == static_cast<ssize_t>(bytes.size());
}

bool Writer::AddFolder(const std::string& name, std::time_t mtime) {
  Member m;
  m.Name = name;
  m.IsFolder = true;
  m.MTime = mtime;
  std::string header = Level2Header(m);
  if (header.empty()) {
    errno = ENAMETOOLONG;
    return false;
  }
  return Append(header);
}

bool Writer::AddFile(const std::string& name, int source, uint64_t size, std::time_t mtime, bool& readFailed) {
  readFailed = false;
  if (size > 0xFFFFFFFFu) {
    errno = EFBIG;
    return false;
  }
  Member m;
  m.Name = name;
  m.Size = static_cast<uint32_t>(size);
  m.MTime = mtime;
  std::string header = Level2Header(m);
  if (header.empty()) {
    errno = ENAMETOOLONG;
    return false;
  }
  uint64_t headerAt = flushed_ + buffer_.size();
  if (!Append(header)) return false;
  uint16_t crc = 0;
  std::vector<char> chunk(size_t{1} << 18);
  uint64_t left = size;
  while (left > 0) {
    ssize_t n = read(source, chunk.data(), static_cast<size_t>(std::min<uint64_t>(left, chunk.size())));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;  // the file shrank since it was measured
      readFailed = true;
      return false;
    }
    crc = Crc16(crc, chunk.data(), static_cast<size_t>(n));
    if (!Append(std::string_view(chunk.data(), static_cast<size_t>(n)))) return false;
    left -= static_cast<uint64_t>(n);
  }
  m.DataCrc = crc;
  return Patch(headerAt, Level2Header(m));
}

bool Writer::Finish() { return Append(std::string(1, '\0')) && Flush(); }

}  // namespace nokari::lha
