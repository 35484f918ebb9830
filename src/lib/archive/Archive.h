// Archives over libarchive: every format it reads is extracted (the format
// found from the content), and zip, 7z, tar (plain or with gzip, bzip2, xz
// or compress) and LHA (lha::Writer) are written. Engine-free: paths are
// native (UTF-8, "/"), failures come back as a Result, nothing throws.
#pragma once
#include <cstdint>
#include <ctime>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace nokari::archive {

// --- Options -----------------------------------------------------------------

// The LHA-style switch text ("-a1 -r2 -x1"): each known switch with its
// digit. Of them only x (0: extract without folder names) and r (0: a
// listed folder is stored without its contents) change anything here.
struct Options {
  std::map<std::string, int> Switches;
  int Get(const std::string& name, int otherwise) const {
    auto it = Switches.find(name);
    return it == Switches.end() ? otherwise : it->second;
  }
  bool FlattensPaths() const { return Get("x", 1) == 0; }
  bool Recurses() const { return Get("r", 2) != 0; }
};
// Tokens split at spaces; a leading "-" dropped; the last character must be
// a digit, the rest a known switch name; anything else is ignored.
Options ParseOptions(std::string_view text);

// --- Names in archives ---------------------------------------------------------

// The folder every name lies in (CP932 script names, "\" or "/"), up to
// and including its last separator; "" when they share none.
std::string CommonFolder(const std::vector<std::string>& names);
// `name` below `base` as it is stored: separators "/", and a leading "/",
// a drive ("C:"), "." and ".." parts dropped, so no stored name climbs out
// of the folder it is extracted into.
std::string StoredName(std::string_view name, std::string_view base);

// --- Formats -----------------------------------------------------------------

enum class Kind { Lha, Zip, SevenZip, Tar, TarGz, TarBz2, TarXz, TarZ, ReadOnly, Unknown };
// The format a name asks for by its extension (letter case ignored):
// ReadOnly for formats that are read but not written (rar, cab, arj, iso
// ...), Unknown for anything else.
Kind KindForName(std::string_view name);

// --- Results -------------------------------------------------------------------

enum class Error {
  None,
  CannotRead,      // Detail: the file that could not be read (or the archive)
  CannotWrite,     // Detail: the system's reason
  Unrecognized,    // not an archive of any format known here
  Damaged,         // Detail: the library's own words
  TooLarge,        // beyond Limits::MaxBytes
  TooManyEntries,  // beyond Limits::MaxEntries
  TooBigForLha,    // Detail: a file of 4 GiB or more, or a name too long
  NothingToStore,
};
struct Result {
  Error Code = Error::None;
  std::string Detail;
  uint64_t Files = 0;    // entries written
  uint64_t Skipped = 0;  // entries left out (unsafe names, links, security.ini)
  bool Ok() const { return Code == Error::None; }
};

// --- Creating ----------------------------------------------------------------

// A listed source and the name it gets in the archive.
struct Source {
  std::string Path;    // native
  std::string Stored;  // UTF-8, "/" between folders
};
struct Entry {
  enum class Type { File, Folder, Link };
  Type Kind = Type::File;
  std::string Path;    // native
  std::string Stored;  // UTF-8
  uint64_t Size = 0;
  uint32_t Mode = 0644;
  std::time_t MTime = 0;
  std::string LinkTarget;
};
// The entries of the listed sources: a listed link is followed (the user
// named it); folders bring their contents when `recurse`, sorted by name,
// links inside them kept as links. Missing sources fail.
Result CollectEntries(const std::vector<Source>& sources, bool recurse, std::vector<Entry>& out);
// Writes the archive to `fd`. Links are left out of LHA archives.
Result WriteArchive(Kind kind, const std::vector<Entry>& entries, int fd);

// --- Self-extracting archives ------------------------------------------------

// The POSIX sh program in front of the tar.gz payload: it extracts into
// its first argument (default: the current folder). Its length is fixed,
// the payload's offset written into it.
std::string SelfExtractorStub();
// Stub and payload built from entries.
Result WriteSelfExtractor(const std::vector<Entry>& entries, int fd);

// --- Extracting ----------------------------------------------------------------

// What extraction accepts before it stops: guards against archives that
// unpack to far more than they hold.
struct Limits {
  uint64_t MaxBytes = uint64_t{8} << 30;  // 8 GiB over all files
  uint64_t MaxEntries = 500000;
};
struct ExtractSettings {
  bool Flatten = false;  // every file straight into the destination
  Limits Limit;
};
// Extracts the archive into the open folder `destination`. Nothing is
// written outside it: names with "..", absolute names, writes through
// links and links pointing out of it are refused, a file named
// security.ini is skipped, owners and permissions of the archive are not
// restored (times are). Our own self-extractors are read too.
Result Extract(const std::string& archivePath, int destination, const ExtractSettings& settings);
// The same archive rewritten as a self-extractor to `fd` (an LHA archive
// given to 自己解凍書庫作成).
Result ConvertToSelfExtractor(const std::string& archivePath, int fd, const Limits& limits);

// --- Files -----------------------------------------------------------------------

// A new archive is built under a temporary name beside its target and
// renamed over it only when complete: a failure leaves the old file whole.
class TempFile {
 public:
  // Creates the temporary file in the open folder `folder` for `leaf`.
  TempFile(int folder, std::string leaf, unsigned mode);
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  int Fd() const { return fd_; }
  // Flushes, closes and renames over the target; false with errno set.
  bool Commit();

 private:
  int folder_, fd_ = -1;
  std::string leaf_, temp_;
  bool committed_ = false;
};

}  // namespace nokari::archive
