#include "lib/net/LocalFile.h"

#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iterator>
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

// A download killed by Ctrl-C (SIGINT), SIGTERM or SIGHUP would leave its
// temporary file behind. While one is written, those signals remove it
// first and then do what they did before: end the program. Only signals
// that would have ended the program as they stand are caught (the prompt's
// own Ctrl-C handling stays). One temporary file at a time: transfers do
// not overlap.
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};
int pendingFolder = -1;
char pendingName[NAME_MAX + 1];
volatile sig_atomic_t pendingSet = 0;
struct sigaction previous[std::size(kEndingSignals)];
bool caught[std::size(kEndingSignals)];

void RemovePendingAndEnd(int signal) {
  if (pendingSet) unlinkat(pendingFolder, pendingName, 0);
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signal, &fallback, nullptr);
  raise(signal);  // delivered when the handler returns, as before
}

// Blocks the ending signals for the scope: the pending file and the
// handlers change together.
class EndingSignalsBlocked {
 public:
  EndingSignalsBlocked() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kEndingSignals) sigaddset(&set, signal);
    pthread_sigmask(SIG_BLOCK, &set, &old_);
  }
  ~EndingSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &old_, nullptr); }

 private:
  sigset_t old_;
};

bool RemoveOnSignal(int folder, const std::string& name) {
  if (pendingSet || name.size() > NAME_MAX) return false;
  EndingSignalsBlocked blocked;
  pendingFolder = folder;
  std::memcpy(pendingName, name.c_str(), name.size() + 1);
  pendingSet = 1;
  for (size_t i = 0; i < std::size(kEndingSignals); ++i) {
    caught[i] = false;
    if (sigaction(kEndingSignals[i], nullptr, &previous[i]) != 0 || previous[i].sa_handler != SIG_DFL ||
        (previous[i].sa_flags & SA_SIGINFO))
      continue;
    struct sigaction action {};
    action.sa_handler = RemovePendingAndEnd;
    sigemptyset(&action.sa_mask);
    for (int signal : kEndingSignals) sigaddset(&action.sa_mask, signal);
    caught[i] = sigaction(kEndingSignals[i], &action, nullptr) == 0;
  }
  return true;
}

void ForgetOnSignal() {
  EndingSignalsBlocked blocked;
  for (size_t i = 0; i < std::size(kEndingSignals); ++i)
    if (caught[i]) sigaction(kEndingSignals[i], &previous[i], nullptr);
  pendingSet = 0;
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
  if (fd_ >= 0) removeOnSignal_ = RemoveOnSignal(folder_, temp_);
}

DownloadFile::~DownloadFile() {
  if (fd_ >= 0) close(fd_);
  if (!committed_ && !temp_.empty() && folder_ >= 0) unlinkat(folder_, temp_.c_str(), 0);
  if (removeOnSignal_) ForgetOnSignal();
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
