// The local side of downloads: which file a download makes, and making it
// whole or not at all.
#pragma once
#include <string>
#include <string_view>

namespace nokari::net {

// The local file a download writes (CP932): the name the script gave or,
// when that names a folder (an existing one, or a name ending in a
// separator), the folder + `suggested`, a base name the caller has reduced
// (SafeBaseName). "" when a folder is named and nothing is suggested.
std::string DownloadName(std::string_view local, std::string_view suggested);

// A download's file: written under a temporary name beside its target (in
// the folder the security check pinned) and renamed onto it only when
// complete, so a failed or stopped transfer leaves no partial file and
// never touches an old one; nor does a program ended by Ctrl-C, SIGTERM or
// SIGHUP while the file is written.
class DownloadFile {
 public:
  DownloadFile(int folder, std::string leaf);
  ~DownloadFile();
  DownloadFile(const DownloadFile&) = delete;
  DownloadFile& operator=(const DownloadFile&) = delete;
  // -1 when the temporary file could not be made (errno set).
  int Fd() const { return fd_; }
  // Closes and renames onto the target; `replace`: an existing file is
  // replaced, else the rename fails on it (errno EEXIST). False with errno.
  bool Commit(bool replace);

 private:
  int folder_, fd_ = -1;
  std::string leaf_, temp_;
  bool committed_ = false;
  bool removeOnSignal_ = false;
};

}  // namespace nokari::net
