#include "lib/path/Path.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <deque>
#include <memory>

#include "core/Cp932.h"
#include "core/Encoding.h"
#include "core/Engine.h"
#include "words/Contract.h"

namespace nokari {
namespace {

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};

PackedFileHook& PackedHook() {
  static PackedFileHook hook;
  return hook;
}

bool Exists(const std::string& native) {
  struct stat st;
  return stat(native.c_str(), &st) == 0;
}

bool LinkExists(const std::string& native) {
  struct stat st;
  return lstat(native.c_str(), &st) == 0;
}

std::vector<std::string> SplitNative(std::string_view path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// Applies "." and ".." by name to absolute components.
std::string JoinNormalized(const std::vector<std::string>& parts) {
  std::vector<std::string_view> out;
  for (const auto& p : parts) {
    if (p == ".") continue;
    if (p == "..") {
      if (!out.empty()) out.pop_back();
      continue;
    }
    out.push_back(p);
  }
  std::string result;
  for (auto p : out) {
    result += '/';
    result += p;
  }
  return result.empty() ? "/" : result;
}

inline unsigned char AsciiLower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

bool SameChar(std::string_view a, size_t i, size_t la, std::string_view b, size_t j, size_t lb) {
  if (la != lb) return false;
  if (la == 1) return AsciiLower(a[i]) == AsciiLower(b[j]);
  return a.compare(i, la, b.substr(j, lb)) == 0;
}

// The entry of `folder` whose CP932 form equals `component` (CP932).
bool FindByCp932Form(const std::string& folder, const std::string& component, std::string& found) {
  for (const auto& entry : ListFolder(folder.empty() ? "." : folder)) {
    if (entry.Name == component) {
      found = entry.Native;
      return true;
    }
  }
  return false;
}

std::function<void()>& CheckToUseHook() {
  static std::function<void()> hook;
  return hook;
}

// Opens `relative` below `start` one folder at a time, refusing links.
int WalkFolders(int start, std::string_view relative) {
  int fd = openat(start, ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
  for (const auto& name : SplitNative(relative)) {
    if (fd < 0) break;
    int next = openat(fd, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    int err = errno;
    close(fd);
    errno = err;
    fd = next;
  }
  return fd;
}

int OpenRealFolder(const std::string& real, const std::string& beneath) {
  bool inside = !beneath.empty() && beneath != "/" &&
                (real == beneath || (real.size() > beneath.size() && real.starts_with(beneath) &&
                                     real[beneath.size()] == '/'));
  int root = open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (root < 0) return -1;
  UniqueFd rootFd(root);
  if (!inside) return WalkFolders(root, real);
  UniqueFd base(WalkFolders(root, beneath));
  if (base.Get() < 0) return -1;
  std::string relative = real == beneath ? "." : real.substr(beneath.size() + 1);
  open_how how{};
  how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
  long fd = syscall(SYS_openat2, base.Get(), relative.c_str(), &how, sizeof how);
  if (fd >= 0 || errno != ENOSYS) return static_cast<int>(fd);
  return WalkFolders(base.Get(), relative);  // kernels before 5.6
}

}  // namespace

size_t LastSeparator(std::string_view name) {
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < name.size(); i += CharLenAt(name, i))
    if (IsSeparator(name[i])) last = i;
  return last;
}

std::string JoinName(std::string_view folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  std::string out(folder);
  if (!EndsWithSeparator(folder)) out += '/';
  size_t skip = 0;
  while (skip < name.size() && IsSeparator(name[skip])) ++skip;
  out.append(name.substr(skip));
  return out;
}

std::string FolderPart(std::string_view name) {
  size_t p = LastSeparator(name);
  return p == std::string_view::npos ? std::string() : std::string(name.substr(0, p + 1));
}

std::string FileNamePart(std::string_view name) {
  size_t p = LastSeparator(name);
  return p == std::string_view::npos ? std::string(name) : std::string(name.substr(p + 1));
}

std::string ExtensionPart(std::string_view name) {
  size_t sep = LastSeparator(name);
  size_t start = sep == std::string_view::npos ? 0 : sep + 1;
  size_t dot = std::string_view::npos;
  for (size_t i = start; i < name.size(); i += CharLenAt(name, i))
    if (name[i] == '.') dot = i;
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

std::string ChangeExtension(std::string_view name, std::string_view ext) {
  std::string current = ExtensionPart(name);
  std::string out(name.substr(0, name.size() - current.size()));
  out.append(ext);
  return out;
}

std::string TrimName(std::string_view name) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  size_t b = 0, end = name.size();
  while (b < end && blank(name[b])) ++b;
  while (end > b && blank(name[end - 1])) --end;
  return std::string(name.substr(b, end - b));
}

std::string ToNativeName(std::string_view name) {
  std::string out = ToUtf8(name);
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

std::string FromNativeName(std::string_view native) { return FromUtf8(native); }

namespace {

// Whether a path component may name an entry by another UTF-8 form than
// its own: "〓" (a byte that was no character), and the characters CP932
// gives back for two ("～" for 〜 and ～, "－" for − and －, "∥", "―",
// "￠", "￡", "￢"): "1月〜3月.txt" listed comes back as "1月～3月.txt".
bool MayNameAnotherForm(std::string_view native) {
  static constexpr std::string_view kForms[] = {
      "\xE3\x80\x93", "\xEF\xBD\x9E", "\xEF\xBC\x8D", "\xE2\x88\xA5",
      "\xE2\x80\x95", "\xEF\xBF\xA0", "\xEF\xBF\xA1", "\xEF\xBF\xA2",
  };
  for (std::string_view form : kForms)
    if (native.find(form) != std::string_view::npos) return true;
  return false;
}

}  // namespace

std::string NativePath(std::string_view name) {
  std::string native = ToNativeName(name);
  if (native.empty() || LinkExists(native)) return native;
  if (!MayNameAnotherForm(native)) return native;
  std::string prefix = native[0] == '/' ? "/" : "";
  auto parts = SplitNative(native);
  for (size_t i = 0; i < parts.size(); ++i) {
    std::string candidate = prefix + parts[i];
    if (!LinkExists(candidate) && MayNameAnotherForm(parts[i])) {
      std::string found;
      if (FindByCp932Form(prefix, FromNativeName(parts[i]), found)) candidate = prefix + found;
    }
    prefix = candidate;
    if (i + 1 < parts.size()) prefix += '/';
  }
  if (native.back() == '/' && prefix.back() != '/') prefix += '/';
  return prefix;
}

std::string CurrentFolderNative() {
  std::unique_ptr<char, decltype(&free)> cwd(getcwd(nullptr, 0), &free);
  return cwd ? std::string(cwd.get()) : std::string();
}

std::string AbsoluteNative(std::string_view native) {
  std::string abs = native.size() && native[0] == '/' ? std::string(native)
                                                       : CurrentFolderNative() + "/" + std::string(native);
  return JoinNormalized(SplitNative(abs));
}

std::string CanonicalNative(std::string_view native) { return ResolveForChange(native, true).Whole(); }

std::string ResolvedPath::Whole() const {
  std::string out = Folder;
  for (const auto& name : Below) {
    if (out.back() != '/') out += '/';
    out += name;
  }
  return out;
}

ResolvedPath ResolveForChange(std::string_view native, bool followLast) {
  // Same bound as the system's own link limit.
  constexpr int kMaxLinks = 40;
  std::string abs = native.size() && native[0] == '/' ? std::string(native)
                                                       : CurrentFolderNative() + "/" + std::string(native);
  auto parts = SplitNative(abs);
  std::deque<std::string> pending(parts.begin(), parts.end());
  ResolvedPath out;
  std::string& folder = out.Folder;  // real and existing all along
  std::vector<std::string>& missing = out.Below;
  int links = 0;
  auto parentOf = [](std::string& f) {
    size_t slash = f.rfind('/');
    f.resize(slash == 0 ? 1 : slash);
  };
  while (!pending.empty()) {
    std::string name = std::move(pending.front());
    pending.pop_front();
    if (name == ".") continue;
    if (name == "..") {
      if (!missing.empty()) missing.pop_back();
      else parentOf(folder);
      continue;
    }
    if (!missing.empty()) {  // below a missing folder nothing exists
      missing.push_back(std::move(name));
      continue;
    }
    std::string candidate = folder == "/" ? "/" + name : folder + "/" + name;
    struct stat st;
    if (lstat(candidate.c_str(), &st) != 0) {
      missing.push_back(std::move(name));
      continue;
    }
    bool last = pending.empty();
    if (S_ISLNK(st.st_mode) && (!last || followLast)) {
      char buf[PATH_MAX];
      ssize_t n = readlink(candidate.c_str(), buf, sizeof buf);
      if (++links > kMaxLinks || n <= 0) {
        out.Ok = false;
        out.Folder = "/";
        out.Below = SplitNative(AbsoluteNative(abs));
        return out;
      }
      std::string target(buf, static_cast<size_t>(n));
      if (target[0] == '/') folder = "/";
      auto more = SplitNative(target);
      pending.insert(pending.begin(), more.begin(), more.end());
      continue;
    }
    if (S_ISDIR(st.st_mode)) {
      folder = std::move(candidate);
      continue;
    }
    // A file (or a link kept as itself): the entry, or a name that cannot
    // be walked through, which the change will then fail on.
    missing.push_back(std::move(name));
  }
  if (missing.empty() && folder != "/") {
    size_t slash = folder.rfind('/');
    missing.push_back(folder.substr(slash + 1));
    parentOf(folder);
  }
  return out;
}

void UniqueFd::Reset(int fd) {
  if (fd_ >= 0) close(fd_);
  fd_ = fd;
}

void SetCheckToUseHookForTest(std::function<void()> hook) { CheckToUseHook() = std::move(hook); }

CheckedTarget::CheckedTarget(std::string name, std::string native, bool followLast)
    : name_(std::move(name)), native_(std::move(native)), resolved_(ResolveForChange(native_, followLast)) {
  if (native_.empty()) resolved_.Ok = false;  // names nothing
}

bool CheckedTarget::Open(const std::string& beneath) {
  if (CheckToUseHook()) CheckToUseHook()();
  if (!resolved_.Ok) {
    errno = ELOOP;
    return false;
  }
  folder_.Reset(OpenRealFolder(resolved_.Folder, beneath));
  return IsOpen();
}

bool CheckedTarget::MakeFolders(bool entryToo) {
  auto& below = resolved_.Below;
  if (!IsOpen() || below.empty()) {
    errno = EINVAL;
    return false;
  }
  size_t make = entryToo ? below.size() : below.size() - 1;
  for (size_t i = 0; i < make; ++i) {
    const std::string& name = below[0];
    if (mkdirat(folder_.Get(), name.c_str(), 0777) != 0 && errno != EEXIST) return false;
    int next = openat(folder_.Get(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0) return false;
    if (below.size() == 1) {  // the entry itself: made, and Folder() stays its parent
      close(next);
      break;
    }
    folder_.Reset(next);
    resolved_.Folder = resolved_.Folder == "/" ? "/" + name : resolved_.Folder + "/" + name;
    below.erase(below.begin());
  }
  return true;
}

std::string ResolveReadName(std::string_view name, const SearchFolders& folders) {
  if (name.empty() || IsAbsoluteName(name)) return std::string(name);
  std::string cwd = CurrentFolderNative();
  if (!cwd.empty()) {
    std::string candidate = JoinName(FromNativeName(cwd), name);
    if (Exists(NativePath(candidate))) return candidate;
  }
  for (const std::string* folder : {&folders.ScriptFolder, &folders.ExeFolder, &folders.SourceFolder}) {
    if (folder->empty()) continue;
    std::string candidate = JoinName(*folder, name);
    if (Exists(NativePath(candidate))) return candidate;
  }
  return std::string(name);
}

SearchFolders SearchFoldersOf(TNokaBase& e) {
  SearchFolders f;
  f.ScriptFolder = VarValue(e, "母艦のパス");
  f.ExeFolder = FolderPart(FromNativeName(e.ExePath));  // ExePath is native
  f.SourceFolder = FolderPart(e.FileName);
  return f;
}

std::string ResolveReadName(TNokaBase& e, std::string_view name) {
  std::string n = PackedLookup(e, std::string(name));
  return ResolveReadName(n, SearchFoldersOf(e));
}

void SetPackedFileHook(PackedFileHook hook) { PackedHook() = std::move(hook); }

std::string PackedLookup(TNokaBase& e, const std::string& name) {
  std::string extracted;
  if (PackedHook() && PackedHook()(e, name, extracted)) return extracted;
  return name;
}

bool FileNameMatch(std::string_view pat, std::string_view name) {
  if (pat == "*.*" || pat == "*") return true;
  size_t p = 0, n = 0;
  size_t starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    size_t ln = CharLenAt(name, n);
    if (p < pat.size()) {
      size_t lp = CharLenAt(pat, p);
      if (lp == 1 && pat[p] == '*') {
        starP = ++p;
        starN = n;
        continue;
      }
      if ((lp == 1 && pat[p] == '?') || SameChar(pat, p, lp, name, n, ln)) {
        p += lp;
        n += ln;
        continue;
      }
    }
    if (starP == std::string_view::npos) return false;
    p = starP;
    starN += CharLenAt(name, starN);
    n = starN;
  }
  while (p < pat.size() && pat[p] == '*') ++p;
  return p == pat.size();
}

std::vector<DirEntry> ListFolder(const std::string& nativeFolder) {
  std::vector<DirEntry> entries;
  std::unique_ptr<DIR, DirCloser> dir(opendir(nativeFolder.empty() ? "." : nativeFolder.c_str()));
  if (!dir) return entries;
  std::string base = nativeFolder.empty() ? "" : nativeFolder;
  if (!base.empty() && base.back() != '/') base += '/';
  while (dirent* d = readdir(dir.get())) {
    std::string native = d->d_name;
    if (native == "." || native == "..") continue;
    DirEntry entry;
    entry.Native = native;
    entry.Name = FromNativeName(native);
    struct stat st;
    std::string full = base + native;
    if (lstat(full.c_str(), &st) == 0) {
      entry.IsLink = S_ISLNK(st.st_mode);
      entry.IsRealFolder = S_ISDIR(st.st_mode);
      entry.IsFolder = entry.IsRealFolder;
      if (entry.IsLink && stat(full.c_str(), &st) == 0) entry.IsFolder = S_ISDIR(st.st_mode);
    }
    entries.push_back(std::move(entry));
  }
  std::sort(entries.begin(), entries.end(), [](const DirEntry& a, const DirEntry& b) {
    size_t n = std::min(a.Name.size(), b.Name.size());
    for (size_t i = 0; i < n; ++i) {
      unsigned char x = AsciiLower(a.Name[i]), y = AsciiLower(b.Name[i]);
      if (x != y) return x < y;
    }
    if (a.Name.size() != b.Name.size()) return a.Name.size() < b.Name.size();
    return a.Native < b.Native;
  });
  return entries;
}

}  // namespace nokari
