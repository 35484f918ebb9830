#include "lib/path/Path.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
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

std::string NativePath(std::string_view name) {
  std::string native = ToNativeName(name);
  if (native.empty() || LinkExists(native)) return native;
  // Only names holding the stand-in character can need the folder scan.
  static const std::string geta = "\xE3\x80\x93";  // 〓
  if (native.find(geta) == std::string::npos) return native;
  std::string prefix = native[0] == '/' ? "/" : "";
  auto parts = SplitNative(native);
  for (size_t i = 0; i < parts.size(); ++i) {
    std::string candidate = prefix + parts[i];
    if (!LinkExists(candidate) && parts[i].find(geta) != std::string::npos) {
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

std::string CanonicalNative(std::string_view native) {
  // Links and ".." are applied by the system for the existing part; only the
  // part that does not exist yet (and so holds no links) is applied by name.
  std::string abs = native.size() && native[0] == '/' ? std::string(native)
                                                       : CurrentFolderNative() + "/" + std::string(native);
  auto parts = SplitNative(abs);
  for (size_t k = parts.size() + 1; k-- > 0;) {
    std::string prefix;
    for (size_t i = 0; i < k; ++i) prefix += "/" + parts[i];
    if (prefix.empty()) prefix = "/";
    char buf[PATH_MAX];
    if (!realpath(prefix.c_str(), buf)) continue;
    auto all = SplitNative(buf);
    all.insert(all.end(), parts.begin() + k, parts.end());
    return JoinNormalized(all);
  }
  return JoinNormalized(parts);
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
