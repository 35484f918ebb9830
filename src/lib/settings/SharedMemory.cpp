#include "lib/settings/SharedMemory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace nokari::settings {

std::string SharedObjectName(std::string_view name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out = "/nokari.";
  for (unsigned char c : name) {
    if (isalnum(c) || c == '_' || c == '-') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  // NAME_MAX bounds an object's name; a longer script name is cut (two
  // names that differ only past that point share a block).
  if (out.size() > 250) out.resize(250);
  return out;
}

SharedBlocks::~SharedBlocks() {
  for (auto& [name, block] : blocks_) {
    munmap(block.Bytes, kSharedBlockSize);
    if (block.Created) shm_unlink(block.Object.c_str());
  }
}

bool SharedBlocks::Write(std::string_view name, std::string_view value) {
  auto it = blocks_.find(std::string(name));
  if (it == blocks_.end()) {
    Block block;
    block.Object = SharedObjectName(name);
    int fd = shm_open(block.Object.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    block.Created = fd >= 0;
    if (fd < 0 && errno == EEXIST) fd = shm_open(block.Object.c_str(), O_RDWR | O_CLOEXEC, 0);
    if (fd < 0) return false;
    struct stat st;
    bool sized = fstat(fd, &st) == 0 &&
                 (st.st_size >= static_cast<off_t>(kSharedBlockSize) || ftruncate(fd, kSharedBlockSize) == 0);
    void* map = sized ? mmap(nullptr, kSharedBlockSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0) : MAP_FAILED;
    close(fd);
    if (map == MAP_FAILED) {
      if (block.Created) shm_unlink(block.Object.c_str());
      return false;
    }
    block.Bytes = static_cast<unsigned char*>(map);
    it = blocks_.emplace(std::string(name), block).first;
  }
  size_t n = std::min(value.size(), kSharedBlockSize);
  std::memcpy(it->second.Bytes, value.data(), n);
  if (n < kSharedBlockSize) it->second.Bytes[n] = 0;
  return true;
}

std::optional<std::string> SharedBlocks::Read(std::string_view name) {
  std::string object = SharedObjectName(name);
  int fd = shm_open(object.c_str(), O_RDONLY | O_CLOEXEC, 0);
  if (fd < 0) return std::nullopt;
  struct stat st;
  size_t size = fstat(fd, &st) == 0 ? std::min<size_t>(static_cast<size_t>(st.st_size), kSharedBlockSize) : 0;
  void* map = size ? mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0) : MAP_FAILED;
  close(fd);
  if (map == MAP_FAILED) return std::nullopt;
  const char* bytes = static_cast<const char*>(map);
  std::string text(bytes, strnlen(bytes, size));
  munmap(map, size);
  return text;
}

}  // namespace nokari::settings
