#include "lib/net/LocalFile.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "lib/path/Path.h"

namespace nokari::net {
namespace {

bool IsFolder(std::string_view name) {
  struct stat st;
  return stat(NativePath(name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// rename without replacing: renameat2 where the file system has it, else
// a hard link (which fails on an existing name) and the temporary removed.
bool RenameNoReplace(int folder, const char* from, const char* to) {
  if (renameat2(folder, from, folder, to, RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  if (linkat(folder, from, folder, to, 0) != 0) return false;
  unlinkat(folder, from, 0);
  return true;
}

}  // namespace

std::string DownloadName(std::string_view local, std::string_view suggested) {
  if (!EndsWithSeparator(local) && !IsFolder(local)) return std::string(local);
  if (suggested.empty()) return {};
  return JoinName(local, suggested);
}

DownloadFile::DownloadFile(int folder, std::string leaf) : folder_(folder), leaf_(std::move(leaf)) {
  std::random_device seed;
  std::mt19937 rng(seed());
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temp_ = "." + leaf_.substr(0, 64) + ".part-" + std::to_string(rng() % 1000000000u);
    fd_ = openat(folder_, temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) break;
  }
}

DownloadFile::~DownloadFile() {
  if (fd_ >= 0) close(fd_);
  if (!committed_ && !temp_.empty() && folder_ >= 0) unlinkat(folder_, temp_.c_str(), 0);
}

bool DownloadFile::Commit(bool replace) {
  if (fd_ < 0) return false;
  int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) return false;
  bool ok = replace ? renameat(folder_, temp_.c_str(), folder_, leaf_.c_str()) == 0
                    : RenameNoReplace(folder_, temp_.c_str(), leaf_.c_str());
  committed_ = ok;
  return ok;
}

}  // namespace nokari::net
