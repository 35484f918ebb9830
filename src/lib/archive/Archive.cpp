#include "lib/archive/Archive.h"

#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <random>

#include "core/Cp932.h"
#include "core/Encoding.h"
#include "lib/archive/ArchiveApi.h"
#include "lib/archive/Lha.h"
#include "lib/path/Path.h"

namespace nokari::archive {
namespace {

// The library's handle (its name is this namespace's).
using Arc = ::archive;

// --- Small helpers ----------------------------------------------------------

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool EndsWithNoCase(std::string_view s, std::string_view tail) {
  if (s.size() < tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i)
    if (Lower(s[s.size() - tail.size() + i]) != tail[i]) return false;
  return true;
}

std::vector<std::string> SplitParts(std::string_view path) {
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

std::string JoinParts(const std::vector<std::string>& parts, size_t from = 0) {
  std::string out;
  for (size_t i = from; i < parts.size(); ++i) {
    if (!out.empty()) out += '/';
    out += parts[i];
  }
  return out;
}

// The archive library names its character sets after the locale, and the
// program runs in the "C" locale, where every non-ASCII name would fail to
// convert. Names here are UTF-8, so the library works in a UTF-8 locale for
// this thread while an archive is open.
class Utf8Locale {
 public:
  Utf8Locale() {
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
      locale_ = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(0));
      if (locale_) break;
    }
    if (locale_) previous_ = uselocale(locale_);
  }
  ~Utf8Locale() {
    if (!locale_) return;
    uselocale(previous_);
    freelocale(locale_);
  }
  Utf8Locale(const Utf8Locale&) = delete;
  Utf8Locale& operator=(const Utf8Locale&) = delete;

 private:
  locale_t locale_ = static_cast<locale_t>(0), previous_ = static_cast<locale_t>(0);
};

struct ReadCloser {
  void operator()(Arc* a) const { archive_read_free(a); }
};
struct WriteCloser {
  void operator()(Arc* a) const { archive_write_free(a); }
};
struct EntryCloser {
  void operator()(archive_entry* e) const { archive_entry_free(e); }
};
using ReadHandle = std::unique_ptr<Arc, ReadCloser>;
using WriteHandle = std::unique_ptr<Arc, WriteCloser>;
using EntryHandle = std::unique_ptr<archive_entry, EntryCloser>;

std::string LibraryError(Arc* a) {
  const char* s = archive_error_string(a);
  return s ? s : "unknown error";
}

bool ValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size()) return false;
    for (size_t k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += len;
  }
  return true;
}

// A name as stored in the archive, made native: names the library could
// not convert (zip and LHA archives from Windows carry CP932 without
// saying so) are read as CP932; "\" separates folders either way.
std::string NativeEntryName(const char* raw) {
  if (!raw) return {};
  std::string name(raw);
  if (!ValidUtf8(name)) return ToNativeName(name);
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

// --- Reading from a descriptor at an offset --------------------------------

// The archive starts `base` bytes into the file (the payload of a
// self-extractor); seeking is relative to it.
struct FdSource {
  int Fd = -1;
  off_t Base = 0;
  std::vector<char> Buffer = std::vector<char>(size_t{1} << 18);
};

la_ssize_t ReadCallback(Arc* a, void* data, const void** out) {
  auto* s = static_cast<FdSource*>(data);
  for (;;) {
    ssize_t n = read(s->Fd, s->Buffer.data(), s->Buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) archive_set_error(a, errno, "read failed");
    *out = s->Buffer.data();
    return n;
  }
}
la_int64_t SkipCallback(Arc*, void* data, la_int64_t request) {
  auto* s = static_cast<FdSource*>(data);
  off_t from = lseek(s->Fd, 0, SEEK_CUR);
  if (from < 0 || lseek(s->Fd, static_cast<off_t>(request), SEEK_CUR) < 0) return 0;
  return request;
}
la_int64_t SeekCallback(Arc*, void* data, la_int64_t offset, int whence) {
  auto* s = static_cast<FdSource*>(data);
  off_t at = whence == SEEK_SET ? lseek(s->Fd, s->Base + static_cast<off_t>(offset), SEEK_SET)
                                : lseek(s->Fd, static_cast<off_t>(offset), whence);
  return at < 0 ? ARCHIVE_FATAL : static_cast<la_int64_t>(at - s->Base);
}

// Opens a reader over `source`: every format and filter, or (raw) the one
// decompressed stream of a lone .gz, .bz2 or .xz file.
// `rc`: how the opening went (the format is chosen while opening).
ReadHandle OpenReader(FdSource& source, bool raw, int& rc) {
  ReadHandle r(archive_read_new());
  if (!r) return r;
  archive_read_support_filter_all(r.get());
  if (raw)
    archive_read_support_format_raw(r.get());
  else
    // Every archive format but mtree, whose "archives" are lists of local
    // files to copy: extracting one would copy the reader's own files.
    for (int (*format)(Arc*) : {archive_read_support_format_7zip, archive_read_support_format_ar,
                                archive_read_support_format_cab, archive_read_support_format_cpio,
                                archive_read_support_format_iso9660, archive_read_support_format_lha,
                                archive_read_support_format_rar, archive_read_support_format_rar5,
                                archive_read_support_format_tar, archive_read_support_format_xar,
                                archive_read_support_format_zip})
      format(r.get());
  // LHA names are CP932 (the archives come from Windows); left to guess,
  // the library fails on every name that is not ASCII.
  archive_read_set_options(r.get(), "lha:hdrcharset=CP932");
  lseek(source.Fd, source.Base, SEEK_SET);
  archive_read_set_read_callback(r.get(), ReadCallback);
  archive_read_set_skip_callback(r.get(), SkipCallback);
  archive_read_set_seek_callback(r.get(), SeekCallback);
  archive_read_set_callback_data(r.get(), &source);
  rc = archive_read_open1(r.get());
  return r;
}

// The first line of our self-extractors, and where their payload starts.
constexpr char kStubMark[] = "#!/bin/sh\n# Self-extracting archive made by Nokari.";
constexpr char kOffsetMark[] = "tail -c +";
constexpr int kOffsetDigits = 10;

off_t SelfExtractorPayload(int fd) {
  char head[1024];
  ssize_t n = pread(fd, head, sizeof head, 0);
  if (n <= 0) return 0;
  std::string_view text(head, static_cast<size_t>(n));
  if (text.substr(0, sizeof kStubMark - 1) != kStubMark) return 0;
  size_t at = text.find(kOffsetMark);
  if (at == std::string_view::npos || at + sizeof kOffsetMark - 1 + kOffsetDigits > text.size()) return 0;
  off_t offset = 0;
  for (char c : text.substr(at + sizeof kOffsetMark - 1, kOffsetDigits)) {
    if (c < '0' || c > '9') return 0;
    offset = offset * 10 + (c - '0');
  }
  return offset > 0 ? offset - 1 : 0;  // tail counts from 1
}

// A reader positioned before the first entry, the format recognised; for
// a compressed stream that holds no archive, the raw stream itself.
struct OpenedArchive {
  ReadHandle Reader;
  archive_entry* First = nullptr;
  bool Raw = false;
  Result Failure;
};

OpenedArchive OpenArchive(FdSource& source) {
  OpenedArchive out;
  source.Base = SelfExtractorPayload(source.Fd);
  for (bool raw : {false, true}) {
    int rc = ARCHIVE_FATAL;
    out.Reader = OpenReader(source, raw, rc);
    if (!out.Reader) {
      out.Failure = {Error::Unrecognized, {}};
      return out;
    }
    if (rc == ARCHIVE_OK) rc = archive_read_next_header(out.Reader.get(), &out.First);
    int format = archive_format(out.Reader.get());
    if (format == 0 || (rc < ARCHIVE_WARN && format == ARCHIVE_FORMAT_RAW)) {
      // Nothing recognised: a compressed stream may still hold a lone
      // file; anything else is not an archive.
      if (!raw && archive_filter_count(out.Reader.get()) > 1) continue;
      out.Failure = {Error::Unrecognized, {}};
      return out;
    }
    if (rc == ARCHIVE_EOF) out.First = nullptr;
    else if (rc < ARCHIVE_WARN) out.Failure = {Error::Damaged, LibraryError(out.Reader.get())};
    out.Raw = raw;
    return out;
  }
  out.Failure = {Error::Unrecognized, {}};
  return out;
}

// The name of a lone compressed file: the archive's own name without its
// compression extension.
std::string RawEntryName(const std::string& archivePath) {
  std::string leaf = archivePath.substr(archivePath.rfind('/') + 1);
  for (std::string_view ext : {".gz", ".bz2", ".xz", ".lzma", ".z", ".zst", ".lz4", ".lz"})
    if (EndsWithNoCase(leaf, ext) && leaf.size() > ext.size()) return leaf.substr(0, leaf.size() - ext.size());
  return leaf + ".out";
}

bool IsSecurityIniName(std::string_view leaf) {
  return leaf.size() == 12 && EndsWithNoCase(leaf, "security.ini");
}

// A link's target that stays inside the tree it is extracted into: never
// absolute, and its ".." parts never climb above the top.
bool TargetStaysInside(const std::vector<std::string>& linkParts, std::string_view target) {
  if (target.empty() || target[0] == '/') return false;
  long depth = static_cast<long>(linkParts.size()) - 1;
  for (const std::string& part : SplitParts(target)) {
    if (part == ".") continue;
    depth += part == ".." ? -1 : 1;
    if (depth < 0) return false;
  }
  return true;
}

// The safe form of an entry name: parts split, "." and empty parts
// dropped; false for a name that climbs ("..") or names nothing. Leading
// "/" is dropped with the empty part.
bool SafeParts(const std::string& native, std::vector<std::string>& parts) {
  parts.clear();
  for (std::string& part : SplitParts(native)) {
    if (part == ".") continue;
    if (part == "..") return false;
    parts.push_back(std::move(part));
  }
  return !parts.empty();
}

// The working folder switched to the destination while the disk writer
// runs (it resolves every name against the working folder, so the
// destination is the descriptor the policy checked), and restored after.
class WorkingFolder {
 public:
  explicit WorkingFolder(int destination) {
    saved_ = open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    ok_ = saved_ >= 0 && fchdir(destination) == 0;
  }
  ~WorkingFolder() {
    if (saved_ >= 0) {
      if (fchdir(saved_) != 0) { /* the folder is gone; nothing better to go to */ }
      close(saved_);
    }
  }
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;
  bool Ok() const { return ok_; }

 private:
  int saved_ = -1;
  bool ok_ = false;
};

// Where entries go: the disk (extraction) or another archive (an LHA
// archive turned into a self-extractor). Both see entries already made safe.
class Sink {
 public:
  virtual ~Sink() = default;
  // ARCHIVE_OK: write the data; ARCHIVE_FAILED: entry refused, skip it;
  // ARCHIVE_FATAL: stop.
  virtual int Header(archive_entry* entry) = 0;
  virtual bool Data(const void* buf, size_t size, int64_t offset) = 0;
  virtual bool FinishEntry() = 0;
  // The entry written last is incomplete: take it away.
  virtual void Abandon(const std::string&) {}
  virtual std::string Why() = 0;
};

class DiskSink : public Sink {
 public:
  DiskSink() : w_(archive_write_disk_new()) {
    archive_write_disk_set_options(w_.get(), ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_UNLINK |
                                                 ARCHIVE_EXTRACT_SECURE_NODOTDOT |
                                                 ARCHIVE_EXTRACT_SECURE_SYMLINKS |
                                                 ARCHIVE_EXTRACT_SECURE_NOABSOLUTEPATHS);
  }
  int Header(archive_entry* entry) override {
    int rc = archive_write_header(w_.get(), entry);
    return rc >= ARCHIVE_WARN ? ARCHIVE_OK : rc;
  }
  bool Data(const void* buf, size_t size, int64_t offset) override {
    return archive_write_data_block(w_.get(), buf, size, offset) >= ARCHIVE_WARN;
  }
  bool FinishEntry() override { return archive_write_finish_entry(w_.get()) >= ARCHIVE_WARN; }
  void Abandon(const std::string& name) override {
    archive_write_finish_entry(w_.get());
    unlink(name.c_str());
  }
  std::string Why() override { return LibraryError(w_.get()); }
  bool Close() { return archive_write_close(w_.get()) >= ARCHIVE_WARN; }

 private:
  WriteHandle w_;
};

class ArchiveSink : public Sink {
 public:
  explicit ArchiveSink(Arc* w) : w_(w) {}
  int Header(archive_entry* entry) override {
    int rc = archive_write_header(w_, entry);
    return rc >= ARCHIVE_WARN ? ARCHIVE_OK : rc;
  }
  bool Data(const void* buf, size_t size, int64_t) override {
    return archive_write_data(w_, buf, size) >= 0;
  }
  bool FinishEntry() override { return archive_write_finish_entry(w_) >= ARCHIVE_WARN; }
  std::string Why() override { return LibraryError(w_); }

 private:
  Arc* w_;
};

// Copies every entry of an opened archive into `sink`, making each safe
// first and counting against the limits.
Result CopyEntries(OpenedArchive& in, const std::string& archivePath, Sink& sink, bool flatten,
                   const Limits& limits) {
  Result result;
  Arc* r = in.Reader.get();
  archive_entry* entry = in.First;
  uint64_t entries = 0, bytes = 0;
  std::vector<std::string> parts, linkParts;
  for (; entry; ) {
    if (++entries > limits.MaxEntries) return {Error::TooManyEntries, {}, result.Files, result.Skipped};
    std::string name = in.Raw ? RawEntryName(archivePath) : NativeEntryName(archive_entry_pathname(entry));
    mode_t type = archive_entry_filetype(entry);
    const char* hardlink = archive_entry_hardlink(entry);
    const char* symlink = archive_entry_symlink(entry);
    bool keep = SafeParts(name, parts) && !IsSecurityIniName(parts.back());
    if (keep && flatten) {
      keep = type != AE_IFDIR;
      parts = {parts.back()};
    }
    if (keep && type != AE_IFREG && type != AE_IFDIR && type != AE_IFLNK) keep = false;
    if (keep && hardlink) {
      keep = SafeParts(NativeEntryName(hardlink), linkParts);
      if (keep && flatten) linkParts = {linkParts.back()};
      if (keep) archive_entry_set_hardlink(entry, JoinParts(linkParts).c_str());
    }
    if (keep && type == AE_IFLNK) {
      std::string target = NativeEntryName(symlink);
      keep = !flatten && TargetStaysInside(parts, target);
      if (keep) archive_entry_set_symlink(entry, target.c_str());
    }
    int rc = ARCHIVE_FAILED;
    std::string stored = JoinParts(parts);
    if (keep) {
      archive_entry_set_pathname(entry, stored.c_str());
      // Owners and permissions of the archive are not ours to restore.
      archive_entry_set_perm(entry, type == AE_IFDIR ? 0777 : 0666);
      archive_entry_set_uid(entry, 0);
      archive_entry_set_gid(entry, 0);
      archive_entry_set_uname(entry, nullptr);
      archive_entry_set_gname(entry, nullptr);
      rc = sink.Header(entry);
      if (rc == ARCHIVE_FATAL) return {Error::CannotWrite, sink.Why(), result.Files, result.Skipped};
    }
    if (rc != ARCHIVE_OK) {
      ++result.Skipped;
    } else {
      uint64_t end = 0;
      for (;;) {
        const void* buf;
        size_t size;
        la_int64_t offset;
        int drc = archive_read_data_block(r, &buf, &size, &offset);
        if (drc == ARCHIVE_EOF) break;
        // A warning here is a CRC that does not match: the data is wrong,
        // and a wrong file must not pass for the archived one.
        if (drc != ARCHIVE_OK) {
          sink.Abandon(stored);
          return {Error::Damaged, LibraryError(r), result.Files, result.Skipped};
        }
        // A sparse entry counts by its length, not its stored blocks.
        end = std::max<uint64_t>(end, static_cast<uint64_t>(offset) + size);
        if (bytes + end > limits.MaxBytes) {
          sink.Abandon(stored);
          return {Error::TooLarge, {}, result.Files, result.Skipped};
        }
        if (size > 0 && !sink.Data(buf, size, offset))
          return {Error::CannotWrite, sink.Why(), result.Files, result.Skipped};
      }
      bytes += end;
      if (!sink.FinishEntry()) return {Error::CannotWrite, sink.Why(), result.Files, result.Skipped};
      ++result.Files;
    }
    int next = archive_read_next_header(r, &entry);
    if (next == ARCHIVE_EOF) break;
    if (next < ARCHIVE_WARN) return {Error::Damaged, LibraryError(r), result.Files, result.Skipped};
  }
  return result;
}

// --- Writing -----------------------------------------------------------------

std::time_t MTimeOf(const struct stat& st) { return st.st_mtim.tv_sec; }

void AddStat(Entry& e, const struct stat& st) {
  e.Size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
  e.Mode = st.st_mode & 07777;
  e.MTime = MTimeOf(st);
}

bool ReadLink(const std::string& path, std::string& target) {
  std::vector<char> buf(4096);
  ssize_t n = readlink(path.c_str(), buf.data(), buf.size());
  if (n < 0 || static_cast<size_t>(n) >= buf.size()) return false;
  target.assign(buf.data(), static_cast<size_t>(n));
  return true;
}

// The contents of a real folder, sorted by name, its sub-folders walked.
Result CollectFolder(const std::string& folder, const std::string& stored, std::vector<Entry>& out) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (!dir) return {Error::CannotRead, folder};
  std::vector<std::string> names;
  while (dirent* d = readdir(dir.get())) {
    std::string n = d->d_name;
    if (n != "." && n != "..") names.push_back(std::move(n));
  }
  std::sort(names.begin(), names.end());
  for (const std::string& n : names) {
    Entry e;
    e.Path = folder + "/" + n;
    e.Stored = stored.empty() ? n : stored + "/" + n;
    struct stat st;
    if (lstat(e.Path.c_str(), &st) != 0) return {Error::CannotRead, e.Path};
    AddStat(e, st);
    if (S_ISLNK(st.st_mode)) {
      e.Kind = Entry::Type::Link;
      if (!ReadLink(e.Path, e.LinkTarget)) return {Error::CannotRead, e.Path};
      out.push_back(std::move(e));
    } else if (S_ISDIR(st.st_mode)) {
      e.Kind = Entry::Type::Folder;
      std::string path = e.Path, name = e.Stored;
      out.push_back(std::move(e));
      Result sub = CollectFolder(path, name, out);
      if (!sub.Ok()) return sub;
    } else if (S_ISREG(st.st_mode)) {
      out.push_back(std::move(e));
    }  // devices, pipes and sockets hold nothing to store
  }
  return {};
}

Result Failed(Error code, std::string detail) { return {code, std::move(detail)}; }
std::string SystemError() { return std::strerror(errno); }

// A libarchive writer for a format, not yet opened.
WriteHandle MakeWriter(Kind kind) {
  WriteHandle w(archive_write_new());
  if (!w) return w;
  int rc = ARCHIVE_OK;
  switch (kind) {
    case Kind::Zip:
      rc = archive_write_set_format_zip(w.get());
      // Names as UTF-8 with the flag that says so, which unzip and Windows
      // read.
      if (rc == ARCHIVE_OK) rc = archive_write_set_options(w.get(), "zip:hdrcharset=UTF-8");
      break;
    case Kind::SevenZip: rc = archive_write_set_format_7zip(w.get()); break;
    case Kind::Tar:
    case Kind::TarGz:
    case Kind::TarBz2:
    case Kind::TarXz:
    case Kind::TarZ: rc = archive_write_set_format_pax_restricted(w.get()); break;
    default: return WriteHandle();
  }
  if (rc == ARCHIVE_OK && kind == Kind::TarGz) rc = archive_write_add_filter_gzip(w.get());
  if (rc == ARCHIVE_OK && kind == Kind::TarBz2) rc = archive_write_add_filter_bzip2(w.get());
  if (rc == ARCHIVE_OK && kind == Kind::TarXz) rc = archive_write_add_filter_xz(w.get());
  if (rc == ARCHIVE_OK && kind == Kind::TarZ) rc = archive_write_add_filter_compress(w.get());
  if (rc == ARCHIVE_OK) rc = archive_write_set_bytes_in_last_block(w.get(), 1);
  return rc == ARCHIVE_OK ? std::move(w) : WriteHandle();
}

Result WriteEntries(Arc* w, const std::vector<Entry>& entries) {
  Result result;
  EntryHandle ae(archive_entry_new());
  std::vector<char> buf(size_t{1} << 18);
  for (const Entry& e : entries) {
    archive_entry_clear(ae.get());
    archive_entry_set_pathname(ae.get(), e.Stored.c_str());
    archive_entry_set_mtime(ae.get(), e.MTime, 0);
    archive_entry_set_perm(ae.get(), e.Mode & 07777);
    int fd = -1;
    uint64_t size = e.Size;
    if (e.Kind == Entry::Type::Folder) {
      archive_entry_set_filetype(ae.get(), AE_IFDIR);
    } else if (e.Kind == Entry::Type::Link) {
      archive_entry_set_filetype(ae.get(), AE_IFLNK);
      archive_entry_set_symlink(ae.get(), e.LinkTarget.c_str());
    } else {
      fd = open(e.Path.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) return Failed(Error::CannotRead, e.Path);
      archive_entry_set_filetype(ae.get(), AE_IFREG);
      archive_entry_set_size(ae.get(), static_cast<la_int64_t>(size));
    }
    std::unique_ptr<int, void (*)(int*)> closer(&fd, [](int* f) { if (*f >= 0) close(*f); });
    if (archive_write_header(w, ae.get()) < ARCHIVE_WARN) return Failed(Error::CannotWrite, LibraryError(w));
    uint64_t left = fd >= 0 ? size : 0;
    while (left > 0) {
      ssize_t n = read(fd, buf.data(), static_cast<size_t>(std::min<uint64_t>(left, buf.size())));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return Failed(Error::CannotRead, e.Path);  // shrank since it was measured
      if (archive_write_data(w, buf.data(), static_cast<size_t>(n)) < 0)
        return Failed(Error::CannotWrite, LibraryError(w));
      left -= static_cast<uint64_t>(n);
    }
    if (archive_write_finish_entry(w) < ARCHIVE_WARN) return Failed(Error::CannotWrite, LibraryError(w));
    ++result.Files;
  }
  return result;
}

Result WriteLha(const std::vector<Entry>& entries, int fd) {
  Result result;
  lha::Writer writer(fd);
  for (const Entry& e : entries) {
    // Names as CP932, the way LHA tools on Windows read them.
    std::string name = FromNativeName(e.Stored);
    bool ok = true, readFailed = false;
    if (e.Kind == Entry::Type::Link) {
      ++result.Skipped;
      continue;
    }
    if (e.Kind == Entry::Type::Folder) {
      ok = writer.AddFolder(name, e.MTime);
    } else {
      if (e.Size > 0xFFFFFFFFu) return Failed(Error::TooBigForLha, e.Path);
      int src = open(e.Path.c_str(), O_RDONLY | O_CLOEXEC);
      if (src < 0) return Failed(Error::CannotRead, e.Path);
      ok = writer.AddFile(name, src, e.Size, e.MTime, readFailed);
      close(src);
    }
    if (!ok && readFailed) return Failed(Error::CannotRead, e.Path);
    if (!ok && errno == ENAMETOOLONG) return Failed(Error::TooBigForLha, e.Path);
    if (!ok) return Failed(Error::CannotWrite, SystemError());
    ++result.Files;
  }
  if (!writer.Finish()) return Failed(Error::CannotWrite, SystemError());
  return result;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// A self-extractor's stub, then a tar.gz writer appending to `fd`.
WriteHandle StartSelfExtractor(int fd, Result& failure) {
  if (!WriteAll(fd, SelfExtractorStub())) {
    failure = Failed(Error::CannotWrite, SystemError());
    return WriteHandle();
  }
  WriteHandle w = MakeWriter(Kind::TarGz);
  if (!w || archive_write_open_fd(w.get(), fd) != ARCHIVE_OK) {
    failure = Failed(Error::CannotWrite, w ? LibraryError(w.get()) : "");
    return WriteHandle();
  }
  return w;
}

}  // namespace

// --- Options and names ------------------------------------------------------

Options ParseOptions(std::string_view text) {
  static const char* const kSwitches[] = {
      "a",   "c",   "e",   "f",   "h",   "i",   "l",   "m",   "n",   "o",   "p",   "r",   "s",   "t",   "u",
      "x",   "y",   "z",   "jc",  "jd",  "je",  "jf",  "jh",  "ji",  "jm",  "jn",  "jp",  "jr",  "jsb", "jsc",
      "jsd", "jse", "jsf", "jsl", "jso", "jss", "jst", "jsv", "jsz", "jw",  "jyc", "jyd", "jyk", "jyn", "jyo",
      "ga",  "gd",  "ge",  "gf",  "gj",  "gm",  "gn",  "go",  "gp",  "gs",  "gu",  "gw"};
  Options out;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find(' ', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string token = TrimName(text.substr(pos, end - pos));
    pos = end + 1;
    if (!token.empty() && token[0] == '-') token.erase(0, 1);
    if (token.empty() || token.back() < '0' || token.back() > '9') continue;
    std::string name = token.substr(0, token.size() - 1);
    for (const char* known : kSwitches)
      if (name == known) out.Switches[name] = token.back() - '0';
  }
  return out;
}

std::string CommonFolder(const std::vector<std::string>& names) {
  if (names.empty()) return {};
  std::string common = FolderPart(names[0]);
  for (size_t i = 1; i < names.size() && !common.empty(); ++i) {
    std::string folder = FolderPart(names[i]);
    // Shorten to the longest prefix ending at a separator that both share
    // (separators "\" and "/" count as the same).
    size_t same = 0, lastSep = 0;
    while (same < common.size() && same < folder.size()) {
      size_t len = CharLenAt(common, same);
      bool sepA = len == 1 && IsSeparator(common[same]), sepB = IsSeparator(folder[same]);
      if (sepA != sepB || (!sepA && common.compare(same, len, folder, same, len) != 0)) break;
      same += len;
      if (sepA) lastSep = same;
    }
    common.resize(lastSep);
  }
  return common;
}

std::string StoredName(std::string_view name, std::string_view base) {
  // The base as CommonFolder found it: "\" and "/" alike.
  bool under = name.size() >= base.size();
  for (size_t i = 0; under && i < base.size(); ++i)
    under = name[i] == base[i] || (IsSeparator(name[i]) && IsSeparator(base[i]));
  if (under) name.remove_prefix(base.size());
  std::string native = ToNativeName(name);  // "\" -> "/" on character boundaries, UTF-8
  std::vector<std::string> parts;
  for (std::string& part : SplitParts(native)) {
    if (part == "." || part == "..") continue;
    if (parts.empty() && part.size() == 2 && part[1] == ':') continue;  // a drive
    parts.push_back(std::move(part));
  }
  return JoinParts(parts);
}

Kind KindForName(std::string_view name) {
  struct Row {
    const char* Ext;
    Kind K;
  };
  static const Row kRows[] = {
      {".tar.gz", Kind::TarGz},  {".tgz", Kind::TarGz},     {".gz", Kind::TarGz},
      {".tar.bz2", Kind::TarBz2}, {".tbz", Kind::TarBz2},   {".tbz2", Kind::TarBz2}, {".bz2", Kind::TarBz2},
      {".tar.xz", Kind::TarXz},  {".txz", Kind::TarXz},     {".xz", Kind::TarXz},
      {".tar.z", Kind::TarZ},    {".taz", Kind::TarZ},      {".z", Kind::TarZ},
      {".tar", Kind::Tar},       {".zip", Kind::Zip},       {".jar", Kind::Zip},
      {".7z", Kind::SevenZip},   {".lzh", Kind::Lha},       {".lha", Kind::Lha},
      {".rar", Kind::ReadOnly},  {".cab", Kind::ReadOnly},  {".arj", Kind::ReadOnly}, {".gza", Kind::ReadOnly},
      {".bza", Kind::ReadOnly},  {".iso", Kind::ReadOnly},  {".cpio", Kind::ReadOnly}, {".rpm", Kind::ReadOnly},
      {".deb", Kind::ReadOnly},  {".a", Kind::ReadOnly},    {".lib", Kind::ReadOnly}, {".xar", Kind::ReadOnly},
      {".exe", Kind::ReadOnly},  {".zst", Kind::ReadOnly},  {".lz4", Kind::ReadOnly}, {".lzma", Kind::ReadOnly},
  };
  for (const Row& row : kRows)
    if (EndsWithNoCase(name, row.Ext)) return row.K;
  return Kind::Unknown;
}

// --- Creating ----------------------------------------------------------------

Result CollectEntries(const std::vector<Source>& sources, bool recurse, std::vector<Entry>& out) {
  for (const Source& s : sources) {
    struct stat st;
    if (stat(s.Path.c_str(), &st) != 0) return Failed(Error::CannotRead, s.Path);
    Entry e;
    e.Path = s.Path;
    e.Stored = s.Stored;
    AddStat(e, st);
    if (S_ISDIR(st.st_mode)) {
      e.Kind = Entry::Type::Folder;
      // A folder listed as the shared folder itself stores only its
      // contents: it has no name of its own in the archive.
      if (!e.Stored.empty()) out.push_back(e);
      if (!recurse) continue;
      Result sub = CollectFolder(s.Path, s.Stored, out);
      if (!sub.Ok()) return sub;
    } else if (S_ISREG(st.st_mode) && !e.Stored.empty()) {
      out.push_back(std::move(e));
    }
  }
  if (out.empty()) return Failed(Error::NothingToStore, {});
  return {};
}

Result WriteArchive(Kind kind, const std::vector<Entry>& entries, int fd) {
  Utf8Locale locale;
  if (kind == Kind::Lha) return WriteLha(entries, fd);
  WriteHandle w = MakeWriter(kind);
  if (!w || archive_write_open_fd(w.get(), fd) != ARCHIVE_OK)
    return Failed(Error::CannotWrite, w ? LibraryError(w.get()) : "");
  Result result = WriteEntries(w.get(), entries);
  if (result.Ok() && archive_write_close(w.get()) != ARCHIVE_OK) return Failed(Error::CannotWrite, LibraryError(w.get()));
  return result;
}

std::string SelfExtractorStub() {
  std::string stub = std::string(kStubMark) +
                     "\n"
                     "# Extracts its files into the folder named by the first argument\n"
                     "# (made when missing), else into the current folder.\n"
                     "dest=${1:-.}\n"
                     "mkdir -p -- \"$dest\" || exit 1\n" +
                     kOffsetMark + "0000000000 -- \"$0\" | (cd -- \"$dest\" && tar -xozf -) || exit 1\n"
                     "exit 0\n";
  // tail counts bytes from 1: the payload starts right after the stub.
  std::string offset = std::to_string(stub.size() + 1);
  size_t at = stub.find(kOffsetMark) + sizeof kOffsetMark - 1;
  stub.replace(at + kOffsetDigits - offset.size(), offset.size(), offset);
  return stub;
}

Result WriteSelfExtractor(const std::vector<Entry>& entries, int fd) {
  Utf8Locale locale;
  Result result;
  WriteHandle w = StartSelfExtractor(fd, result);
  if (!w) return result;
  result = WriteEntries(w.get(), entries);
  if (result.Ok() && archive_write_close(w.get()) != ARCHIVE_OK) return Failed(Error::CannotWrite, LibraryError(w.get()));
  return result;
}

// --- Extracting ----------------------------------------------------------------

Result Extract(const std::string& archivePath, int destination, const ExtractSettings& settings) {
  Utf8Locale locale;
  FdSource source;
  source.Fd = open(archivePath.c_str(), O_RDONLY | O_CLOEXEC);
  if (source.Fd < 0) return Failed(Error::CannotRead, archivePath);
  std::unique_ptr<int, void (*)(int*)> closer(&source.Fd, [](int* f) { close(*f); });
  OpenedArchive in = OpenArchive(source);
  if (!in.Failure.Ok()) return in.Failure;
  WorkingFolder here(destination);
  if (!here.Ok()) return Failed(Error::CannotWrite, SystemError());
  DiskSink disk;
  Result result = CopyEntries(in, archivePath, disk, settings.Flatten, settings.Limit);
  // Folder times are set as the writer closes: still in the destination.
  if (!disk.Close() && result.Ok()) return Failed(Error::CannotWrite, disk.Why());
  return result;
}

Result ConvertToSelfExtractor(const std::string& archivePath, int fd, const Limits& limits) {
  Utf8Locale locale;
  FdSource source;
  source.Fd = open(archivePath.c_str(), O_RDONLY | O_CLOEXEC);
  if (source.Fd < 0) return Failed(Error::CannotRead, archivePath);
  std::unique_ptr<int, void (*)(int*)> closer(&source.Fd, [](int* f) { close(*f); });
  OpenedArchive in = OpenArchive(source);
  if (!in.Failure.Ok()) return in.Failure;
  Result result;
  WriteHandle w = StartSelfExtractor(fd, result);
  if (!w) return result;
  ArchiveSink sink(w.get());
  result = CopyEntries(in, archivePath, sink, false, limits);
  if (result.Ok() && archive_write_close(w.get()) != ARCHIVE_OK) return Failed(Error::CannotWrite, LibraryError(w.get()));
  return result;
}

// --- Files -----------------------------------------------------------------------

TempFile::TempFile(int folder, std::string leaf, unsigned mode) : folder_(folder), leaf_(std::move(leaf)) {
  std::random_device seed;
  std::mt19937 rng(seed());
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temp_ = "." + leaf_.substr(0, 64) + ".nokari-" + std::to_string(rng() % 1000000000u);
    fd_ = openat(folder_, temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd_ < 0 && errno != EEXIST) break;
  }
}

TempFile::~TempFile() {
  if (fd_ >= 0) close(fd_);
  if (!committed_ && !temp_.empty() && folder_ >= 0) unlinkat(folder_, temp_.c_str(), 0);
}

bool TempFile::Commit() {
  if (fd_ < 0) return false;
  int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) return false;
  if (renameat(folder_, temp_.c_str(), folder_, leaf_.c_str()) != 0) return false;
  committed_ = true;
  return true;
}

}  // namespace nokari::archive
