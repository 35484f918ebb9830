// File names between scripts and the file system. Scripts hold CP932 names
// that may use "\" or "/" as separators; the system wants UTF-8 paths with
// "/". Every command that touches a file name goes through this module.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace nokari {

struct TNokaBase;

// --- Name text (CP932, character-aware) -----------------------------------

// True for "\" and "/" standing as single-byte characters.
inline bool IsSeparator(char c) { return c == '\\' || c == '/'; }
// Byte offset of the last separator on a character boundary, or npos.
size_t LastSeparator(std::string_view name);
// A name is absolute when it starts with a separator.
inline bool IsAbsoluteName(std::string_view name) { return !name.empty() && IsSeparator(name[0]); }
inline bool EndsWithSeparator(std::string_view name) {
  size_t p = LastSeparator(name);
  return p != std::string_view::npos && p + 1 == name.size();
}
// Folder + name with exactly one separator between them ("" folder: name).
std::string JoinName(std::string_view folder, std::string_view name);
// Everything up to and including the last separator ("" when none).
std::string FolderPart(std::string_view name);
// Everything after the last separator.
std::string FileNamePart(std::string_view name);
// The extension with its "." (last "." after the last separator), or "".
std::string ExtensionPart(std::string_view name);
// The name with its extension replaced by `ext` (appended when none).
std::string ChangeExtension(std::string_view name, std::string_view ext);
// Trims spaces, tabs and line breaks at both ends (not double-byte spaces).
std::string TrimName(std::string_view name);

// --- Conversion -------------------------------------------------------------

// CP932 name -> UTF-8 path, separators turned into "/" after the conversion
// (so a 0x5C second byte is never mistaken for a separator). No lookup.
std::string ToNativeName(std::string_view name);
// UTF-8 directory entry or path -> CP932. A character with no CP932 form
// gets its stand-in (see core/Encoding.h), and so do ¥ and ‾ (never a
// folder separator); a byte that is no character becomes "〓" (never "?",
// which would be a wildcard).
std::string FromNativeName(std::string_view native);
// CP932 name -> UTF-8 path of an existing entry where possible: a component
// that does not exist as written is matched against the entries of its
// folder by their CP932 form, so names CP932 changes on the way in (〜
// comes back as ～, a stray byte as 〓) are found again.
std::string NativePath(std::string_view name);

// --- Folders ----------------------------------------------------------------

// Current folder (native); "" when it cannot be read.
std::string CurrentFolderNative();
// Absolute native path: relative paths against the current folder, "." and
// ".." removed by name (no links followed).
std::string AbsoluteNative(std::string_view native);
// The canonical form used for folder comparisons: ResolveForChange with the
// last link followed, as one path.
std::string CanonicalNative(std::string_view native);

// --- Targets of changes -----------------------------------------------------

// A path as a change will meet it, resolved name by name the way the system
// walks it: a link is followed where it stands (whether its target exists
// or not), ".." after an existing folder goes to that folder's real parent,
// ".." after a missing folder cancels it (as it will once that folder is
// made). The result is the deepest existing folder, real, and the names
// below it; the last name is the entry itself.
struct ResolvedPath {
  std::string Folder = "/";        // absolute, no link, no "." or ".."
  std::vector<std::string> Below;  // empty only for "/" itself
  bool Ok = true;                  // false: a link loop
  std::string Whole() const;
};
// followLast: a link as the last name is followed too (a write lands in its
// target); otherwise the link itself is the entry (delete, rename, move).
ResolvedPath ResolveForChange(std::string_view native, bool followLast);

// An open file descriptor, closed with its owner.
class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(UniqueFd&& o) noexcept : fd_(o.Release()) {}
  UniqueFd& operator=(UniqueFd&& o) noexcept {
    if (this != &o) Reset(o.Release());
    return *this;
  }
  int Get() const { return fd_; }
  int Release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Reset(int fd = -1);

 private:
  int fd_;
};

// The object of a change, resolved once. The security policy judges Path();
// Open() then pins the folder the entry lies in, walking the resolved path
// with no link allowed, so a folder swapped for a link since the check makes
// it fail instead of leading elsewhere. Every change is then made relative
// to Folder() (openat, renameat2, unlinkat ...): check and use meet the same
// object.
class CheckedTarget {
 public:
  CheckedTarget() = default;
  // `name` as the script gave it (CP932); `native` its system form.
  CheckedTarget(std::string name, std::string native, bool followLast);
  const std::string& Name() const { return name_; }
  const std::string& Native() const { return native_; }
  const ResolvedPath& Resolved() const { return resolved_; }
  std::string Path() const { return resolved_.Whole(); }
  // Pins the folder. With `beneath` (a real folder holding the path) the
  // kernel itself keeps the walk beneath it (openat2 RESOLVE_BENEATH where
  // the system has it). False with errno set when the path has changed.
  bool Open(const std::string& beneath = {});
  bool IsOpen() const { return folder_.Get() >= 0; }
  // Makes the missing folders between Folder() and the entry, each opened
  // without following links; afterwards Folder() holds the entry.
  // `entryToo`: the entry is a folder to be made as well.
  bool MakeFolders(bool entryToo);
  int Folder() const { return folder_.Get(); }
  // The entry's name inside Folder() ("" for "/").
  std::string Leaf() const { return resolved_.Below.empty() ? std::string() : resolved_.Below.back(); }
  // True when every folder above the entry exists.
  bool ParentExists() const { return resolved_.Below.size() <= 1; }

 private:
  std::string name_, native_;
  ResolvedPath resolved_;
  UniqueFd folder_;
};

// Tests only: runs between the check and the use (before Open() pins the
// folder), where a cooperating process could swap a folder for a link.
void SetCheckToUseHookForTest(std::function<void()> hook);

// --- Reading names ----------------------------------------------------------

// Where a name to be read is looked for, after the current folder.
struct SearchFolders {
  std::string ScriptFolder;   // 母艦のパス (CP932)
  std::string ExeFolder;      // folder of the executable (CP932)
  std::string SourceFolder;   // folder of the running source (CP932)
};

// The first existing of: an absolute name as is; current folder + name;
// each search folder + name; else the name unchanged.
std::string ResolveReadName(std::string_view name, const SearchFolders& folders);
// Same, with the folders taken from the engine, preceded by the packed-file
// lookup.
std::string ResolveReadName(TNokaBase& e, std::string_view name);
SearchFolders SearchFoldersOf(TNokaBase& e);

// Packed executables hand out their stored files through this hook: it gets
// the name and, when the name is packed, extracts it and returns true with
// the extracted file's name. It raises its own error when extraction fails.
using PackedFileHook = std::function<bool(TNokaBase& e, const std::string& name, std::string& extracted)>;
void SetPackedFileHook(PackedFileHook hook);
// The packed lookup alone: the extracted name, or the name unchanged.
std::string PackedLookup(TNokaBase& e, const std::string& name);

// --- Wildcards --------------------------------------------------------------

inline bool HasWildcard(std::string_view name) {
  return name.find_first_of("*?") != std::string_view::npos;
}
// "*" any run, "?" one character; ASCII letters compare case-insensitively;
// "*.*" matches every name. Both texts CP932.
bool FileNameMatch(std::string_view pattern, std::string_view name);

// One directory entry as seen by scripts.
struct DirEntry {
  std::string Name;    // CP932
  std::string Native;  // entry name as stored
  bool IsFolder = false;   // a folder, or a link to one
  bool IsLink = false;
  bool IsRealFolder = false;  // a folder that is not a link (safe to descend)
};
// Entries of a native folder ("." and ".." skipped), sorted by name ASCII
// case-insensitively; empty when it cannot be read.
std::vector<DirEntry> ListFolder(const std::string& nativeFolder);

}  // namespace nokari
