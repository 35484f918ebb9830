// A writer of LHA archives that stores its members as they are ("-lh0-")
// in level-2 headers. The archive library reads LHA but cannot write it,
// and the archives Japanese users exchange are LHA, so this small writer
// fills the gap. Engine-free: names are CP932 with "/" between folders, as
// LHA tools on Windows expect them.
#pragma once
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace nokari::lha {

// CRC-16 of the LHA family (the "ARC" polynomial 0xA001, reflected, starting
// at 0): both the data CRC and the header CRC use it.
uint16_t Crc16(uint16_t crc, const void* data, size_t size);

// One member as its header describes it.
struct Member {
  std::string Name;   // CP932, folders separated by "/" (never "\")
  bool IsFolder = false;
  uint32_t Size = 0;  // stored size = original size ("-lh0-")
  std::time_t MTime = 0;
  uint16_t DataCrc = 0;
};

// The level-2 header of a member: the fixed part, then the extended headers
// CRC (0x00), file name (0x01, the last part only), directory (0x02, the
// folders each followed by 0xFF) and MS-DOS attribute (0x40). Its size
// never has a low byte of 0 (a reader would take that 0 for the end mark),
// so a padding byte is added where it would. Empty when the name cannot be
// stored (a header is limited to 64 KiB).
std::string Level2Header(const Member& m);

// Writes an archive member by member to a file descriptor. A file is
// streamed: its header goes first with a CRC of 0 and is written again once
// the data has been read, so a member needs no copy in memory.
class Writer {
 public:
  explicit Writer(int fd) : fd_(fd) {}
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;
  // Each returns false on a failure: errno set, and for AddFile `readFailed`
  // tells whether it was the source that failed.
  bool AddFolder(const std::string& name, std::time_t mtime);
  // Copies exactly `size` bytes of `source` (a source that ends early is a
  // read failure: the archive never claims bytes it does not hold).
  bool AddFile(const std::string& name, int source, uint64_t size, std::time_t mtime, bool& readFailed);
  // The end mark (one 0 byte) and whatever is still buffered.
  bool Finish();

 private:
  bool Append(std::string_view bytes);
  bool Patch(uint64_t offset, std::string_view bytes);
  bool Flush();

  int fd_;
  std::string buffer_;     // bytes not yet written, starting at flushed_
  uint64_t flushed_ = 0;   // bytes already written to fd_
};

}  // namespace nokari::lha
