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
// becomes "〓" (never "?", which would be a wildcard).
std::string FromNativeName(std::string_view native);
// CP932 name -> UTF-8 path of an existing entry where possible: a component
// that does not exist as written is matched against the entries of its
// folder by their CP932 form, so names with no CP932 form round-trip.
std::string NativePath(std::string_view name);

// --- Folders ----------------------------------------------------------------

// Current folder (native); "" when it cannot be read.
std::string CurrentFolderNative();
// Absolute native path: relative paths against the current folder, "." and
// ".." removed by name (no links followed).
std::string AbsoluteNative(std::string_view native);
// The canonical form used for folder comparisons: the deepest existing part
// through realpath, the rest normalized by name.
std::string CanonicalNative(std::string_view native);

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
