#include "lib/file/TextFileStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "core/Cp932.h"

namespace nokari {

namespace {

bool EndsLine(unsigned char c) { return c == '\r' || c == '\n' || c == '\0'; }

int OpenFlags(int mode) {
  if (mode == TTextFileStream::kModeCreate) return O_RDWR | O_CREAT | O_TRUNC;
  switch (mode & 3) {
    case 0: return O_RDONLY;
    case 1: return O_WRONLY;
    default: return O_RDWR;
  }
}

bool WriteAll(int fd, const char* data, size_t count) {
  while (count > 0) {
    ssize_t n = ::write(fd, data, count);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    data += n;
    count -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::unique_ptr<TTextFileStream> TTextFileStream::FromFd(int fd) {
  if (fd < 0) return nullptr;
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    return nullptr;
  }
  return std::unique_ptr<TTextFileStream>(new TTextFileStream(fd));
}

std::unique_ptr<TTextFileStream> TTextFileStream::Open(const std::string& path, int mode) {
  return FromFd(::open(path.c_str(), OpenFlags(mode) | O_CLOEXEC, 0666));
}

std::unique_ptr<TTextFileStream> TTextFileStream::OpenAt(int folder, const std::string& leaf, int mode,
                                                         bool create) {
  // O_NONBLOCK only for the opening: a FIFO without a partner fails at once
  // instead of hanging the program.
  int flags = OpenFlags(mode) | (create ? O_CREAT : 0) | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
  int fd = ::openat(folder, leaf.c_str(), flags, 0666);
  if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return FromFd(fd);
}

TTextFileStream::~TTextFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

bool TTextFileStream::Close() {
  int fd = fd_;
  fd_ = -1;
  return fd < 0 || ::close(fd) == 0;
}

void TTextFileStream::DropBuffer() { readPtr_ = endPtr_ = 0; }

bool TTextFileStream::Fill(bool& eof) {
  DropBuffer();
  ssize_t n;
  do {
    n = ::read(fd_, buf_, kBufferSize);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return false;
  endPtr_ = static_cast<size_t>(n);
  filePos_ += n;
  eof = n == 0;
  return true;
}

bool TTextFileStream::ReadLine(std::string& line) {
  line.clear();
  if (fd_ < 0) return false;
  // The buffer may be stale after byte-level operations moved the file.
  if (readPtr_ >= endPtr_) filePos_ = ::lseek(fd_, 0, SEEK_CUR);
  bool eof = false, ok = true;
  auto more = [&]() -> bool {  // false at the end of the file
    if (readPtr_ < endPtr_) return true;
    if (eof) return false;
    if (!Fill(eof)) ok = false;
    return ok && !eof;
  };
  auto next = [&](unsigned char& c) -> bool {
    if (!more()) return false;
    c = static_cast<unsigned char>(buf_[readPtr_++]);
    return true;
  };
  unsigned char c;
  while (next(c)) {
    if (IsLeadByte(c)) {
      // A lead byte takes the byte after it, unless that byte ends lines:
      // no character has a line end as its second byte, and a text that
      // is not Shift-JIS (a UTF-8 file read line by line) has lead-byte
      // values before its line ends that must not swallow them.
      line += static_cast<char>(c);
      if (more() && !EndsLine(static_cast<unsigned char>(buf_[readPtr_])) && next(c)) line += static_cast<char>(c);
      continue;
    }
    if (c == '\r') {
      if (more() && buf_[readPtr_] == '\n') ++readPtr_;
      break;
    }
    if (c == '\n' || c == '\0') break;
    line += static_cast<char>(c);
  }
  logical_ = filePos_ - static_cast<int64_t>(endPtr_ - readPtr_);
  return ok;
}

bool TTextFileStream::WriteLine(std::string_view text) {
  if (fd_ < 0 || ::lseek(fd_, logical_, SEEK_SET) < 0) return false;
  DropBuffer();
  std::string data(text);
  data += "\r\n";
  if (!WriteUndoable(data.data(), data.size(), 0)) return false;
  logical_ = filePos_;
  return true;
}

bool TTextFileStream::WriteUndoable(const char* data, size_t count, int64_t zeros) {
  struct stat st;
  off_t start = ::lseek(fd_, 0, SEEK_CUR);
  if (start < 0 || ::fstat(fd_, &st) != 0) return false;
  static const std::string zeroBlock(1 << 16, '\0');
  bool ok = WriteAll(fd_, data, count);
  while (ok && zeros > 0) {
    size_t n = static_cast<size_t>(std::min<int64_t>(zeros, static_cast<int64_t>(zeroBlock.size())));
    ok = WriteAll(fd_, zeroBlock.data(), n);
    zeros -= static_cast<int64_t>(n);
  }
  if (!ok) {
    int err = errno;
    if (S_ISREG(st.st_mode)) {
      (void)::ftruncate(fd_, st.st_size);
      ::lseek(fd_, start, SEEK_SET);
    }
    errno = err;
  }
  filePos_ = ::lseek(fd_, 0, SEEK_CUR);
  return ok;
}

bool TTextFileStream::AtEnd() {
  struct stat st;
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return true;
  if (logical_ != 0) return logical_ >= st.st_size;
  return ::lseek(fd_, 0, SEEK_CUR) >= st.st_size;
}

bool TTextFileStream::Seek(int64_t offset, int whence) {
  if (fd_ < 0) return false;
  off_t pos = ::lseek(fd_, offset, whence);
  if (pos < 0) return false;
  DropBuffer();
  filePos_ = logical_ = pos;
  return true;
}

bool TTextFileStream::ReadBytes(char* out, size_t count, size_t& got) {
  got = 0;
  if (fd_ < 0) return false;
  DropBuffer();
  while (got < count) {
    ssize_t n = ::read(fd_, out + got, count - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  filePos_ = ::lseek(fd_, 0, SEEK_CUR);
  return true;
}

bool TTextFileStream::WriteBytes(const char* data, size_t count, int64_t zeros) {
  if (fd_ < 0) return false;
  DropBuffer();
  return WriteUndoable(data, count, zeros);
}

}  // namespace nokari
