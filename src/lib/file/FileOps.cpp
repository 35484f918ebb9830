#include "lib/file/FileOps.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <vector>

#include "lib/path/Path.h"

namespace nokari {
namespace {

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};

constexpr int kMaxDepth = 2048;

// Keeps errno across cleanup calls that may change it.
struct ErrnoSaver {
  int saved = errno;
  ~ErrnoSaver() { errno = saved; }
};

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  // Closes and reports the outcome (a delayed write error shows here).
  bool Close() {
    int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

std::string DirName(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  size_t slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

mode_t DefaultFileMode() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Writes through a temporary file beside `target`; `fill` writes the data.
template <typename Fill>
bool WriteViaTemp(const std::string& target, mode_t mode, Fill fill) {
  std::string tmp = DirName(target) + "/.nokari-XXXXXX";
  Fd fd(::mkostemp(tmp.data(), O_CLOEXEC));
  if (fd.get() < 0) return false;
  bool ok = ::fchmod(fd.get(), mode) == 0 && fill(fd.get());
  ok = fd.Close() && ok;
  if (ok && ::rename(tmp.c_str(), target.c_str()) == 0) return true;
  ErrnoSaver keep;
  ::unlink(tmp.c_str());
  return false;
}

// The file a write lands in: a link is written through to its target.
std::string WriteTarget(const std::string& path) {
  char buf[PATH_MAX];
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && ::realpath(path.c_str(), buf)) return buf;
  return path;
}

bool CopyFileContent(const std::string& from, const std::string& to) {
  Fd src(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st;
  if (src.get() < 0 || ::fstat(src.get(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return false;
  }
  std::string target = WriteTarget(to);
  struct stat dst;
  if (::stat(target.c_str(), &dst) == 0) {
    if (S_ISDIR(dst.st_mode)) {
      errno = EISDIR;
      return false;
    }
    if (dst.st_dev == st.st_dev && dst.st_ino == st.st_ino) return true;  // same file
  }
  return WriteViaTemp(target, st.st_mode & 07777, [&](int out) {
    std::vector<char> buf(1 << 16);
    for (;;) {
      ssize_t n = ::read(src.get(), buf.data(), buf.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      if (n == 0) return true;
      if (!WriteAll(out, buf.data(), static_cast<size_t>(n))) return false;
    }
  });
}

bool CopyTreeAt(const std::string& from, const std::string& to, int depth) {
  if (depth > kMaxDepth) {
    errno = ELOOP;
    return false;
  }
  struct stat st;
  if (::lstat(from.c_str(), &st) != 0) return false;
  if (S_ISLNK(st.st_mode)) {
    std::vector<char> buf(PATH_MAX + 1);
    ssize_t n = ::readlink(from.c_str(), buf.data(), buf.size() - 1);
    if (n < 0) return false;
    struct stat dst;
    if (::lstat(to.c_str(), &dst) == 0 && !S_ISDIR(dst.st_mode)) ::unlink(to.c_str());
    return ::symlink(std::string(buf.data(), n).c_str(), to.c_str()) == 0;
  }
  if (S_ISREG(st.st_mode)) return CopyFileContent(from, to);
  if (!S_ISDIR(st.st_mode)) {
    errno = EINVAL;
    return false;
  }
  if (::mkdir(to.c_str(), st.st_mode & 07777) != 0) {
    struct stat dst;
    if (errno != EEXIST || ::lstat(to.c_str(), &dst) != 0 || !S_ISDIR(dst.st_mode)) return false;
  }
  bool ok = true;
  for (const auto& entry : ListFolder(from))
    ok = CopyTreeAt(from + "/" + entry.Native, to + "/" + entry.Native, depth + 1) && ok;
  return ok;
}

bool RemoveAt(int dirFd, const char* name, int depth) {
  struct stat st;
  if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  if (!S_ISDIR(st.st_mode)) return ::unlinkat(dirFd, name, 0) == 0;
  if (depth > kMaxDepth) return false;
  int fd = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
  if (!dir) {
    ::close(fd);
    return false;
  }
  std::vector<std::string> names;
  while (dirent* d = ::readdir(dir.get())) {
    std::string n = d->d_name;
    if (n != "." && n != "..") names.push_back(n);
  }
  bool ok = true;
  for (const auto& n : names) ok = RemoveAt(fd, n.c_str(), depth + 1) && ok;
  dir.reset();
  return ::unlinkat(dirFd, name, AT_REMOVEDIR) == 0 && ok;
}

bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // The file system cannot refuse replacement itself.
  struct stat st;
  if (::lstat(from.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode) && ::link(from.c_str(), to.c_str()) == 0) return ::unlink(from.c_str()) == 0;
  if (errno == EEXIST) return false;
  if (::lstat(to.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  return ::rename(from.c_str(), to.c_str()) == 0;
}

// The mount point holding `path`: walk up while the device stays the same.
std::string MountTop(const std::string& path, dev_t dev) {
  std::string top = path;
  while (top != "/") {
    std::string up = DirName(top);
    struct stat st;
    if (::stat(up.c_str(), &st) != 0 || st.st_dev != dev) break;
    top = up;
  }
  return top;
}

bool IsOwnedFolder(const std::string& path, bool sticky) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  return sticky ? (st.st_mode & S_ISVTX) != 0 : st.st_uid == ::getuid();
}

// A trash folder usable for an entry on device `dev`, with the base that
// the Path= line is relative to ("" for absolute).
bool FindTrash(const std::string& item, dev_t dev, std::string& trash, std::string& relativeTo) {
  std::string home = HomeTrashFolder();
  if (!home.empty() && MakeFolders(home + "/files") && MakeFolders(home + "/info")) {
    struct stat st;
    if (::stat(home.c_str(), &st) == 0 && st.st_dev == dev) {
      trash = home;
      relativeTo.clear();
      return true;
    }
  }
  std::string top = MountTop(DirName(item), dev);
  std::string uid = std::to_string(::getuid());
  std::string shared = (top == "/" ? "" : top) + "/.Trash";
  if (IsOwnedFolder(shared, true)) {
    std::string mine = shared + "/" + uid;
    ::mkdir(mine.c_str(), 0700);
    if (IsOwnedFolder(mine, false)) trash = mine;
  }
  if (trash.empty()) {
    std::string mine = (top == "/" ? "" : top) + "/.Trash-" + uid;
    ::mkdir(mine.c_str(), 0700);
    if (IsOwnedFolder(mine, false)) trash = mine;
  }
  if (trash.empty()) return false;
  ::mkdir((trash + "/files").c_str(), 0700);
  ::mkdir((trash + "/info").c_str(), 0700);
  relativeTo = top;
  return IsOwnedFolder(trash + "/files", false) && IsOwnedFolder(trash + "/info", false);
}

std::string TrashInfoText(const std::string& pathLine, std::time_t now) {
  struct tm tmv;
  localtime_r(&now, &tmv);
  char date[32];
  std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &tmv);
  return "[Trash Info]\nPath=" + EscapeTrashPath(pathLine) + "\nDeletionDate=" + date + "\n";
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& content) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st;
  if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return false;
  }
  content.clear();
  if (S_ISREG(st.st_mode) && st.st_size > 0) content.reserve(static_cast<size_t>(st.st_size));
  char buf[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd.get(), buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    content.append(buf, static_cast<size_t>(n));
  }
}

bool AtomicWriteFile(const std::string& path, std::string_view content) {
  std::string target = WriteTarget(path);
  struct stat st;
  mode_t mode = DefaultFileMode();
  if (::stat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      errno = EISDIR;
      return false;
    }
    // A file the user may not write stays as it is, though its folder would
    // let the rename through.
    if (::access(target.c_str(), W_OK) != 0) return false;
    mode = st.st_mode & 07777;
  }
  return WriteViaTemp(target, mode, [&](int fd) { return WriteAll(fd, content.data(), content.size()); });
}

bool AppendToFile(const std::string& path, std::string_view content, bool create) {
  Fd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | (create ? O_CREAT : 0), 0666));
  struct stat st;
  if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0) return false;
  if (!WriteAll(fd.get(), content.data(), content.size())) {
    ErrnoSaver keep;
    if (S_ISREG(st.st_mode)) (void)::ftruncate(fd.get(), st.st_size);  // no half-written tail
    return false;
  }
  return fd.Close();
}

bool MoveNoReplace(const std::string& from, const std::string& to) {
  if (RenameNoReplace(from, to)) return true;
  if (errno != EXDEV) return false;
  struct stat st;
  if (::lstat(to.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  if (!CopyTree(from, to)) {
    ErrnoSaver keep;
    RemoveTree(to);
    return false;
  }
  return RemoveTree(from);
}

bool CopyTree(const std::string& from, const std::string& to) {
  struct stat st;
  if (::lstat(from.c_str(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) {
    std::string src = CanonicalNative(from), dst = CanonicalNative(to);
    if (dst == src || (dst.size() > src.size() && dst.compare(0, src.size(), src) == 0 &&
                       (src == "/" || dst[src.size()] == '/'))) {
      errno = EINVAL;
      return false;
    }
  }
  return CopyTreeAt(from, to, 0);
}

bool RemoveTree(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return RemoveAt(AT_FDCWD, p.c_str(), 0);
}

bool MakeFolders(const std::string& path) {
  if (path.empty()) return false;
  std::string prefix;
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t slash = path.find('/', pos);
    if (slash == std::string::npos) slash = path.size();
    prefix = path.substr(0, slash);
    pos = slash + 1;
    if (prefix.empty() || prefix.back() == '/') continue;
    if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string HomeTrashFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && *data == '/') return std::string(data) + "/Trash";
  const char* home = std::getenv("HOME");
  if (home && *home == '/') return std::string(home) + "/.local/share/Trash";
  return "";
}

std::string EscapeTrashPath(std::string_view path) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                 std::string_view("-_.!~*'()/").find(static_cast<char>(c)) != std::string_view::npos;
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

bool MoveToTrash(const std::string& path, std::time_t now) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  struct stat st;
  if (::lstat(p.c_str(), &st) != 0) return false;
  std::string item = CanonicalNative(DirName(p));
  item = (item == "/" ? "" : item) + "/" + BaseName(p);
  std::string trash, relativeTo;
  if (!FindTrash(item, st.st_dev, trash, relativeTo)) return RemoveTree(p);
  std::string pathLine = item;
  if (!relativeTo.empty() && relativeTo != "/") pathLine = item.substr(relativeTo.size() + 1);
  std::string base = BaseName(p);
  for (int n = 1; n < 10000; ++n) {
    std::string name = n == 1 ? base : base + "." + std::to_string(n);
    std::string info = trash + "/info/" + name + ".trashinfo";
    Fd fd(::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (fd.get() < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    std::string text = TrashInfoText(pathLine, now);
    if (!WriteAll(fd.get(), text.data(), text.size()) || !fd.Close()) {
      ErrnoSaver keep;
      ::unlink(info.c_str());
      return false;
    }
    if (RenameNoReplace(p, trash + "/files/" + name)) return true;
    ErrnoSaver keep;
    ::unlink(info.c_str());
    if (keep.saved != EEXIST) return false;
  }
  return false;
}

int64_t AttributesOf(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 && ::lstat(path.c_str(), &st) != 0) return -1;
  int64_t attr = S_ISDIR(st.st_mode) ? 16 : 32;
  if (!(st.st_mode & S_IWUSR)) attr |= 1;
  std::string base = BaseName(path);
  if (base.size() > 1 && base[0] == '.' && base != "..") attr |= 2;
  return attr;
}

bool SetAttributes(const std::string& path, int64_t attributes) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  mode_t wanted = (attributes & 1) ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
  return wanted == mode || ::chmod(path.c_str(), wanted) == 0;
}

DriveKind DriveKindFromMount(std::string_view fs, std::string_view mountPoint) {
  static const std::string_view remote[] = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "9p",
                                            "ceph", "glusterfs", "fuse.sshfs", "sshfs", "davfs",
                                            "fuse.davfs", "lustre", "fuse.rclone"};
  if (fs.empty()) return DriveKind::Unknown;
  for (auto r : remote)
    if (fs == r) return DriveKind::Remote;
  if (fs == "iso9660" || fs == "udf") return DriveKind::CdRom;
  if (fs == "tmpfs" || fs == "ramfs") return DriveKind::RamDisk;
  if (mountPoint.starts_with("/media/") || mountPoint.starts_with("/run/media/")) return DriveKind::Removable;
  return DriveKind::Fixed;
}

DriveKind DriveKindOf(const std::string& path) {
  struct stat st;
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return DriveKind::Missing;
  std::string abs = CanonicalNative(path);
  std::ifstream in("/proc/self/mountinfo");
  std::string line, bestMount, bestFs;
  auto unescape = [](const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
      if (s[i] == '\\' && i + 3 < s.size()) {
        out += static_cast<char>(std::strtol(s.substr(i + 1, 3).c_str(), nullptr, 8));
        i += 3;
      } else {
        out += s[i];
      }
    }
    return out;
  };
  while (std::getline(in, line)) {
    // id parent major:minor root mount-point options ... - fstype source ...
    std::vector<std::string> fields;
    size_t pos = 0;
    while (pos < line.size()) {
      size_t sp = line.find(' ', pos);
      if (sp == std::string::npos) sp = line.size();
      fields.push_back(line.substr(pos, sp - pos));
      pos = sp + 1;
    }
    size_t dash = 0;
    while (dash < fields.size() && fields[dash] != "-") ++dash;
    if (fields.size() < 5 || dash + 1 >= fields.size()) continue;
    std::string mount = unescape(fields[4]);
    bool covers = mount == "/" || abs == mount || (abs.size() > mount.size() && abs.starts_with(mount) &&
                                                   abs[mount.size()] == '/');
    if (covers && mount.size() >= bestMount.size()) {
      bestMount = mount;
      bestFs = fields[dash + 1];
    }
  }
  return DriveKindFromMount(bestFs, bestMount);
}

std::string FormatFileTime(std::time_t t) {
  struct tm tmv;
  localtime_r(&t, &tmv);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y/%m/%d %H:%M:%S", &tmv);
  return buf;
}

}  // namespace nokari
