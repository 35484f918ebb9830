#include "lib/file/FileOps.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
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

// Closes and reports the outcome (a delayed write error shows here).
bool CloseChecked(UniqueFd& fd) {
  int raw = fd.Release();
  return raw < 0 || ::close(raw) == 0;
}

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

// Opens an entry for writing without following a link at it. O_NONBLOCK
// keeps a FIFO with no reader from hanging the program; it is cleared again
// so that writes wait as usual.
int OpenForWrite(int folder, const std::string& leaf, int flags) {
  int fd = ::openat(folder, leaf.c_str(), flags | O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

// A fresh, unguessable temporary name in `folder`, opened exclusively.
int OpenTemporary(int folder, std::string& name) {
  static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    unsigned char random[8];
    if (::getrandom(random, sizeof random, 0) != sizeof random) return -1;
    name = ".nokari-";
    for (unsigned char r : random) name += letters[r % (sizeof letters - 1)];
    int fd = ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// Writes the entry: `fill` writes the data into a descriptor. `newMode`
// is the mode of a file made anew (an existing file keeps its own).
template <typename Fill>
bool WriteEntryWith(int folder, const std::string& leaf, mode_t newMode, Fill fill) {
  struct stat st;
  bool exists = ::fstatat(folder, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
  if (exists && S_ISLNK(st.st_mode)) {  // appeared since the check
    errno = ELOOP;
    return false;
  }
  if (exists && S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return false;
  }
  if (exists && !S_ISREG(st.st_mode)) {
    // A device or FIFO is written as itself: replacing it by a regular file
    // would break it for every other user.
    UniqueFd fd(OpenForWrite(folder, leaf, 0));
    if (fd.Get() < 0) return false;
    bool ok = fill(fd.Get());
    return CloseChecked(fd) && ok;
  }
  // A file the user may not write stays as it is, though its folder would
  // let the rename through.
  if (exists && ::faccessat(folder, leaf.c_str(), W_OK, 0) != 0) return false;
  std::string tmp;
  UniqueFd fd(OpenTemporary(folder, tmp));
  if (fd.Get() < 0) return false;
  bool ok = ::fchmod(fd.Get(), exists ? st.st_mode & 07777 : newMode) == 0 && fill(fd.Get());
  ok = CloseChecked(fd) && ok;
  if (ok && ::renameat(folder, tmp.c_str(), folder, leaf.c_str()) == 0) return true;
  ErrnoSaver keep;
  ::unlinkat(folder, tmp.c_str(), 0);
  return false;
}

bool CopyFileAt(int fromFolder, const std::string& fromLeaf, int toFolder, const std::string& toLeaf) {
  UniqueFd src(::openat(fromFolder, fromLeaf.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  struct stat st, dst;
  if (src.Get() < 0 || ::fstat(src.Get(), &st) != 0) return false;
  if (::fstatat(toFolder, toLeaf.c_str(), &dst, AT_SYMLINK_NOFOLLOW) == 0 && dst.st_dev == st.st_dev &&
      dst.st_ino == st.st_ino)
    return true;  // the same file
  return WriteEntryWith(toFolder, toLeaf, st.st_mode & 07777, [&](int out) {
    std::vector<char> buf(1 << 16);
    for (;;) {
      ssize_t n = ::read(src.Get(), buf.data(), buf.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      if (n == 0) return true;
      if (!WriteAll(out, buf.data(), static_cast<size_t>(n))) return false;
    }
  });
}

bool CopyLinkAt(int fromFolder, const std::string& fromLeaf, int toFolder, const std::string& toLeaf) {
  std::vector<char> buf(PATH_MAX + 1);
  ssize_t n = ::readlinkat(fromFolder, fromLeaf.c_str(), buf.data(), buf.size() - 1);
  if (n < 0) return false;
  struct stat dst;
  if (::fstatat(toFolder, toLeaf.c_str(), &dst, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(dst.st_mode))
    ::unlinkat(toFolder, toLeaf.c_str(), 0);
  return ::symlinkat(std::string(buf.data(), n).c_str(), toFolder, toLeaf.c_str()) == 0;
}

bool CopyAt(int fromFolder, const std::string& fromLeaf, int toFolder, const std::string& toLeaf, int depth) {
  if (depth > kMaxDepth) {
    errno = ELOOP;
    return false;
  }
  struct stat st;
  if (::fstatat(fromFolder, fromLeaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  if (S_ISLNK(st.st_mode)) return CopyLinkAt(fromFolder, fromLeaf, toFolder, toLeaf);
  if (S_ISREG(st.st_mode)) return CopyFileAt(fromFolder, fromLeaf, toFolder, toLeaf);
  if (!S_ISDIR(st.st_mode)) {
    errno = EINVAL;
    return false;
  }
  if (::mkdirat(toFolder, toLeaf.c_str(), st.st_mode & 07777) != 0 && errno != EEXIST) return false;
  // A link standing where the folder goes is not entered (O_NOFOLLOW).
  UniqueFd to(::openat(toFolder, toLeaf.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  int fromFd = ::openat(fromFolder, fromLeaf.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (to.Get() < 0 || fromFd < 0) {
    ErrnoSaver keep;
    if (fromFd >= 0) ::close(fromFd);
    return false;
  }
  std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fromFd));
  if (!dir) {
    ::close(fromFd);
    return false;
  }
  std::vector<std::string> names;
  while (dirent* d = ::readdir(dir.get())) {
    std::string n = d->d_name;
    if (n != "." && n != "..") names.push_back(n);
  }
  bool ok = true;
  for (const auto& n : names) ok = CopyAt(::dirfd(dir.get()), n, to.Get(), n, depth + 1) && ok;
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

bool RenameNoReplace(int fromFolder, const std::string& from, int toFolder, const std::string& to) {
  if (::renameat2(fromFolder, from.c_str(), toFolder, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // The file system cannot refuse replacement itself.
  struct stat st;
  if (::fstatat(fromFolder, from.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  if (!S_ISDIR(st.st_mode) && ::linkat(fromFolder, from.c_str(), toFolder, to.c_str(), 0) == 0)
    return ::unlinkat(fromFolder, from.c_str(), 0) == 0;
  if (errno == EEXIST) return false;
  if (::fstatat(toFolder, to.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    errno = EEXIST;
    return false;
  }
  return ::renameat(fromFolder, from.c_str(), toFolder, to.c_str()) == 0;
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

// The trash of a mount other than the home's: .Trash/UID (a shared sticky
// folder) or .Trash-UID, owned by the user.
bool MountTrash(const std::string& top, std::string& trash) {
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
  return IsOwnedFolder(trash + "/files", false) && IsOwnedFolder(trash + "/info", false);
}

// A trash folder usable for an entry on device `dev`, with the base that
// the Path= line is relative to ("" for absolute). Without a home there is
// no trash at all: a mount's trash only stands in for a home trash that
// lies on another file system.
TrashFailure FindTrash(const std::string& item, dev_t dev, std::string& trash, std::string& relativeTo) {
  std::string home = HomeTrashFolder();
  if (home.empty()) return TrashFailure::NoHome;
  if (!MakeFolders(home + "/files") || !MakeFolders(home + "/info")) return TrashFailure::System;
  struct stat st;
  if (::stat(home.c_str(), &st) == 0 && st.st_dev == dev) {
    trash = home;
    relativeTo.clear();
    return TrashFailure::None;
  }
  std::string top = MountTop(DirName(item), dev);
  if (!MountTrash(top, trash)) return TrashFailure::NoTrashOnDrive;
  relativeTo = top;
  return TrashFailure::None;
}

std::string TrashInfoText(const std::string& pathLine, std::time_t now) {
  struct tm tmv;
  localtime_r(&now, &tmv);
  char date[32];
  std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &tmv);
  return "[Trash Info]\nPath=" + EscapeTrashPath(pathLine) + "\nDeletionDate=" + date + "\n";
}

// Resolves and pins a path for the path-based functions.
CheckedTarget Pinned(const std::string& path, bool followLast) {
  CheckedTarget target(std::string(), path, followLast);
  target.Open();
  return target;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& content) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st;
  if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return false;
  }
  content.clear();
  if (S_ISREG(st.st_mode) && st.st_size > 0) content.reserve(static_cast<size_t>(st.st_size));
  char buf[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd.Get(), buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    content.append(buf, static_cast<size_t>(n));
  }
}

bool WriteEntry(int folder, const std::string& leaf, std::string_view content) {
  return WriteEntryWith(folder, leaf, DefaultFileMode(),
                        [&](int fd) { return WriteAll(fd, content.data(), content.size()); });
}

bool AppendEntry(int folder, const std::string& leaf, std::string_view content, bool create) {
  UniqueFd fd(OpenForWrite(folder, leaf, O_APPEND | (create ? O_CREAT : 0)));
  struct stat st;
  if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0) return false;
  if (!WriteAll(fd.Get(), content.data(), content.size())) {
    ErrnoSaver keep;
    if (S_ISREG(st.st_mode)) (void)::ftruncate(fd.Get(), st.st_size);  // no half-written tail
    return false;
  }
  return CloseChecked(fd);
}

bool CopyEntry(int fromFolder, const std::string& fromLeaf, int toFolder, const std::string& toLeaf) {
  return CopyAt(fromFolder, fromLeaf, toFolder, toLeaf, 0);
}

bool MoveEntry(int fromFolder, const std::string& fromLeaf, int toFolder, const std::string& toLeaf) {
  if (RenameNoReplace(fromFolder, fromLeaf, toFolder, toLeaf)) return true;
  if (errno != EXDEV) return false;
  struct stat st;
  if (::fstatat(toFolder, toLeaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    errno = EEXIST;
    return false;
  }
  if (!CopyEntry(fromFolder, fromLeaf, toFolder, toLeaf)) {
    ErrnoSaver keep;
    RemoveEntry(toFolder, toLeaf);
    return false;
  }
  return RemoveEntry(fromFolder, fromLeaf);
}

bool RemoveEntry(int folder, const std::string& leaf) {
  if (leaf.empty()) {
    errno = EINVAL;
    return false;
  }
  return RemoveAt(folder, leaf.c_str(), 0);
}

bool SetEntryAttributes(int folder, const std::string& leaf, int64_t attributes) {
  struct stat st;
  if (::fstatat(folder, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  mode_t wanted = (attributes & 1) ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
  return wanted == mode || ::fchmodat(folder, leaf.c_str(), wanted, AT_SYMLINK_NOFOLLOW) == 0;
}

bool TrashEntry(int folder, const std::string& leaf, const std::string& path, std::time_t now,
                TrashFailure& why) {
  why = TrashFailure::System;
  struct stat st;
  if (leaf.empty() || ::fstatat(folder, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  std::string trash, relativeTo;
  why = FindTrash(path, st.st_dev, trash, relativeTo);
  if (why != TrashFailure::None) return false;
  why = TrashFailure::System;
  std::string pathLine = path;
  if (!relativeTo.empty() && relativeTo != "/") pathLine = path.substr(relativeTo.size() + 1);
  UniqueFd files(::open((trash + "/files").c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (files.Get() < 0) return false;
  for (int n = 1; n < 10000; ++n) {
    std::string name = n == 1 ? leaf : leaf + "." + std::to_string(n);
    std::string info = trash + "/info/" + name + ".trashinfo";
    UniqueFd fd(::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd.Get() < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    std::string text = TrashInfoText(pathLine, now);
    if (!WriteAll(fd.Get(), text.data(), text.size()) || !CloseChecked(fd)) {
      ErrnoSaver keep;
      ::unlink(info.c_str());
      return false;
    }
    if (RenameNoReplace(folder, leaf, files.Get(), name)) {
      why = TrashFailure::None;
      return true;
    }
    ErrnoSaver keep;
    ::unlink(info.c_str());
    if (keep.saved != EEXIST) return false;
  }
  return false;
}

bool AtomicWriteFile(const std::string& path, std::string_view content) {
  CheckedTarget target = Pinned(path, true);
  if (!target.IsOpen()) return false;
  if (!target.ParentExists()) {
    errno = ENOENT;
    return false;
  }
  return WriteEntry(target.Folder(), target.Leaf(), content);
}

bool AppendToFile(const std::string& path, std::string_view content, bool create) {
  CheckedTarget target = Pinned(path, true);
  if (!target.IsOpen()) return false;
  if (!target.ParentExists()) {
    errno = ENOENT;
    return false;
  }
  return AppendEntry(target.Folder(), target.Leaf(), content, create);
}

bool MoveNoReplace(const std::string& from, const std::string& to) {
  CheckedTarget source = Pinned(from, false), dest = Pinned(to, false);
  if (!source.IsOpen() || !dest.IsOpen()) return false;
  return MoveEntry(source.Folder(), source.Leaf(), dest.Folder(), dest.Leaf());
}

bool SameOrBelow(const std::string& inner, const std::string& outer) {
  return inner == outer || outer == "/" ||
         (inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 && inner[outer.size()] == '/');
}

bool CopyTree(const std::string& from, const std::string& to) {
  struct stat st;
  if (::lstat(from.c_str(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode) && SameOrBelow(CanonicalNative(to), CanonicalNative(from))) {
    errno = EINVAL;
    return false;
  }
  CheckedTarget source = Pinned(from, false), dest = Pinned(to, true);
  if (!source.IsOpen() || !dest.IsOpen()) return false;
  return CopyEntry(source.Folder(), source.Leaf(), dest.Folder(), dest.Leaf());
}

bool RemoveTree(const std::string& path) {
  CheckedTarget target = Pinned(path, false);
  return target.IsOpen() && RemoveEntry(target.Folder(), target.Leaf());
}

bool MakeFolders(const std::string& path) {
  if (path.empty()) return false;
  CheckedTarget target = Pinned(path, true);
  if (target.Resolved().Below.empty()) return target.IsOpen();  // "/"
  return target.IsOpen() && target.MakeFolders(true);
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

bool MoveToTrash(const std::string& path, std::time_t now, TrashFailure& why) {
  why = TrashFailure::System;
  CheckedTarget target = Pinned(path, false);
  return target.IsOpen() && TrashEntry(target.Folder(), target.Leaf(), target.Path(), now, why);
}

bool MoveToTrash(const std::string& path, std::time_t now) {
  TrashFailure why;
  return MoveToTrash(path, now, why);
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
  CheckedTarget target = Pinned(path, true);
  return target.IsOpen() && SetEntryAttributes(target.Folder(), target.Leaf(), attributes);
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
