#include "lib/file/TextFileStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/Cp932.h"

namespace nokari {

std::unique_ptr<TTextFileStream> TTextFileStream::Open(const std::string& path, int mode) {
  int flags = O_CLOEXEC;
  if (mode == kModeCreate) {
    flags |= O_RDWR | O_CREAT | O_TRUNC;
  } else {
    switch (mode & 3) {
      case 0: flags |= O_RDONLY; break;
      case 1: flags |= O_WRONLY; break;
      default: flags |= O_RDWR; break;
    }
  }
  int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) return nullptr;
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    return nullptr;
  }
  return std::unique_ptr<TTextFileStream>(new TTextFileStream(fd));
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
      line += static_cast<char>(c);
      if (next(c)) line += static_cast<char>(c);
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
  const char* p = data.data();
  size_t left = data.size();
  while (left > 0) {
    ssize_t n = ::write(fd_, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    p += n;
    left -= static_cast<size_t>(n);
    logical_ += n;
  }
  filePos_ = logical_;
  return true;
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

bool TTextFileStream::WriteBytes(const char* data, size_t count) {
  if (fd_ < 0) return false;
  DropBuffer();
  while (count > 0) {
    ssize_t n = ::write(fd_, data, count);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    data += n;
    count -= static_cast<size_t>(n);
  }
  filePos_ = ::lseek(fd_, 0, SEEK_CUR);
  return true;
}

}  // namespace nokari
