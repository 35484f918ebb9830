// A file kept open by a script handle: line reading through a 4096-byte
// buffer, line writing at the logical position (the next byte the script
// has not read yet), and plain byte reads and writes at the file position.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace nokari {

class TTextFileStream {
 public:
  static constexpr size_t kBufferSize = 4096;
  // File modes as scripts give them: 0 read, 1 write, 2 read and write,
  // 65535 create or replace; sharing bits (16..64) are accepted and ignored.
  static constexpr int kModeCreate = 65535;

  // Opens a native path; null with errno set on failure.
  static std::unique_ptr<TTextFileStream> Open(const std::string& path, int mode);
  // Opens the entry `leaf` of an open folder, never through a link at it;
  // `create` makes a missing file first.
  static std::unique_ptr<TTextFileStream> OpenAt(int folder, const std::string& leaf, int mode, bool create);
  ~TTextFileStream();
  TTextFileStream(const TTextFileStream&) = delete;
  TTextFileStream& operator=(const TTextFileStream&) = delete;

  // The next line without its break (CR, LF, CR LF or NUL end a line; a
  // double-byte character is kept whole across a refill). False on a read
  // error.
  bool ReadLine(std::string& line);
  // Writes text + CR LF at the logical position. Like every write here, a
  // failure (a full disk) cuts the file back to its length before the
  // write, so no part of the data is left behind.
  bool WriteLine(std::string_view text);
  // True when the logical position has reached the end of the file.
  bool AtEnd();
  // Seeks (whence as lseek) and resets the buffer.
  bool Seek(int64_t offset, int whence);
  // Plain reads and writes at the file position, bypassing the buffer.
  bool ReadBytes(char* out, size_t count, size_t& got);
  // Writes `count` bytes of `data`, then `zeros` zero bytes.
  bool WriteBytes(const char* data, size_t count, int64_t zeros = 0);
  bool Close();
  int64_t LogicalPosition() const { return logical_; }

 private:
  explicit TTextFileStream(int fd) : fd_(fd) {}
  // Refills the buffer; false on a read error. `eof` when nothing was read.
  bool Fill(bool& eof);
  void DropBuffer();
  static std::unique_ptr<TTextFileStream> FromFd(int fd);
  // Writes at the file position, all or nothing (see WriteLine).
  bool WriteUndoable(const char* data, size_t count, int64_t zeros);

  int fd_;
  char buf_[kBufferSize];
  size_t readPtr_ = 0, endPtr_ = 0;
  int64_t filePos_ = 0;  // file position after the last fill
  int64_t logical_ = 0;
};

}  // namespace nokari
