#include "host/Packed.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "core/Encoding.h"
#include "core/Errors.h"
#include "lib/cipher/FileMix.h"
#include "lib/cipher/Messages.h"
#include "lib/path/PackedContainer.h"
#include "lib/path/Path.h"

namespace nokari {
namespace {

// The start script's name inside a container.
constexpr char kScriptEntry[] = "nokari.nkr";

class Fd {
 public:
  explicit Fd(const std::string& path) : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  bool Ok() const { return fd_ >= 0; }
  uint64_t Size() const {
    struct stat st;
    return fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
  }
  // Exactly `n` bytes at `offset`, or false.
  bool Read(uint64_t offset, void* buf, size_t n) const { return cipher::ReadAt(fd_, offset, buf, n); }

 private:
  int fd_;
};

// The end of an ELF image: the furthest of the header tables and of every
// segment's and every stored section's bytes. Sizes come from the file, so
// each table is checked against the file's size before it is read.
template <class Ehdr, class Phdr, class Shdr>
std::optional<uint64_t> ElfEnd(const Fd& f, uint64_t fileSize) {
  Ehdr eh;
  if (!f.Read(0, &eh, sizeof eh)) return std::nullopt;
  uint64_t end = sizeof eh;
  auto within = [&](uint64_t off, uint64_t len) { return off <= fileSize && len <= fileSize - off; };
  if (eh.e_phnum) {
    if (eh.e_phentsize != sizeof(Phdr)) return std::nullopt;
    uint64_t len = static_cast<uint64_t>(eh.e_phnum) * sizeof(Phdr);
    if (!within(eh.e_phoff, len)) return std::nullopt;
    end = std::max<uint64_t>(end, eh.e_phoff + len);
    for (unsigned i = 0; i < eh.e_phnum; ++i) {
      Phdr ph;
      if (!f.Read(eh.e_phoff + i * sizeof(Phdr), &ph, sizeof ph)) return std::nullopt;
      if (!within(ph.p_offset, ph.p_filesz)) return std::nullopt;
      end = std::max<uint64_t>(end, ph.p_offset + ph.p_filesz);
    }
  }
  if (eh.e_shnum) {
    if (eh.e_shentsize != sizeof(Shdr)) return std::nullopt;
    uint64_t len = static_cast<uint64_t>(eh.e_shnum) * sizeof(Shdr);
    if (!within(eh.e_shoff, len)) return std::nullopt;
    end = std::max<uint64_t>(end, eh.e_shoff + len);
    for (unsigned i = 0; i < eh.e_shnum; ++i) {
      Shdr sh;
      if (!f.Read(eh.e_shoff + i * sizeof(Shdr), &sh, sizeof sh)) return std::nullopt;
      if (sh.sh_type == SHT_NOBITS) continue;
      if (!within(sh.sh_offset, sh.sh_size)) return std::nullopt;
      end = std::max<uint64_t>(end, sh.sh_offset + sh.sh_size);
    }
  }
  return end;
}

uint32_t Le(const unsigned char* p, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

// The end of a PE image: the furthest section's raw data. The section
// table follows the optional header, whose size is read from the file
// header (224 bytes for 32-bit programs, 240 for 64-bit ones).
std::optional<uint64_t> PeEnd(const Fd& f, uint64_t fileSize) {
  unsigned char dos[64];
  if (!f.Read(0, dos, sizeof dos)) return std::nullopt;
  uint64_t pe = Le(dos + 60, 4);
  unsigned char head[24];
  if (!f.Read(pe, head, sizeof head) || std::memcmp(head, "PE\0\0", 4) != 0) return std::nullopt;
  unsigned sections = Le(head + 6, 2);
  uint64_t table = pe + 24 + Le(head + 20, 2);
  uint64_t end = table + 40ull * sections;
  if (end > fileSize) return std::nullopt;
  for (unsigned i = 0; i < sections; ++i) {
    unsigned char s[40];
    if (!f.Read(table + 40ull * i, s, sizeof s)) return std::nullopt;
    uint64_t rawEnd = static_cast<uint64_t>(Le(s + 20, 4)) + Le(s + 16, 4);
    if (rawEnd > fileSize) return std::nullopt;
    end = std::max(end, rawEnd);
  }
  return end;
}

// The run's packed files: the open container and what was extracted.
struct PackedFiles {
  cipher::FileMixReader Reader;
  std::string Source;   // the file holding the container, native
  ContainerPlace Place;  // where in it (Size 0: the whole file)
  std::string Folder;                         // private folder, native; "" until needed
  std::map<std::string, std::string> Taken;  // upper-cased name → extracted CP932 path
  ~PackedFiles() {
    for (const auto& [name, path] : Taken) unlink(NativePath(path).c_str());
    if (!Folder.empty()) rmdir(Folder.c_str());
  }
};

std::unique_ptr<PackedFiles>& Packed() {
  static std::unique_ptr<PackedFiles> packed;
  return packed;
}

// The file name an entry is extracted under: separators and ":" become
// "__", so every entry lands in the private folder itself.
std::string ExtractedLeaf(const std::string& name) {
  std::string out;
  for (char c : name) {
    if (c == '/' || c == '\\' || c == ':')
      out += "__";
    else
      out += c;
  }
  return out;
}

bool MakePrivateFolder(PackedFiles& p) {
  if (!p.Folder.empty()) return true;
  const char* tmp = getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/nokari-XXXXXX";
  if (!mkdtemp(pattern.data())) return false;
  p.Folder = pattern;  // mkdtemp makes it 0700
  return true;
}

// The path module's hook: a packed name comes back as its extracted file.
bool ExtractPacked(TNokaBase& e, const std::string& name, std::string& extracted) {
  PackedFiles* p = Packed().get();
  if (!p || name.empty() || !p->Reader.Has(name)) return false;
  std::string key = cipher::MixName(name);
  if (auto it = p->Taken.find(key); it != p->Taken.end()) {
    extracted = it->second;
    return true;
  }
  std::string leaf = ExtractedLeaf(name);
  std::string data;
  bool ok = leaf != "." && leaf != ".." && MakePrivateFolder(*p) && p->Reader.Read(name, data);
  std::string path = FromUtf8(p->Folder) + "/" + leaf;
  if (ok) {
    int fd = open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    ok = fd >= 0 && write(fd, data.data(), data.size()) == static_cast<ssize_t>(data.size());
    if (fd >= 0 && close(fd) != 0) ok = false;
    if (fd >= 0) p->Taken[key] = path;  // removed at the end even when short
  }
  if (!ok) RaiseError(e, msg::kPackedFileFailed, {name});
  extracted = path;
  return true;
}

void CloseAtExit() { Packed().reset(); }

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool ReadAll(const std::string& path, std::string& out) {
  Fd f(path);
  uint64_t size = f.Ok() ? f.Size() : 0;
  if (!f.Ok()) return false;
  out.assign(size, '\0');
  return f.Read(0, out.data(), out.size());
}

// The container for a second Nokari (PackedContainer.h): copied into an
// anonymous file that the started program inherits. Nothing is left on
// disk, and the copy lives as long as the program that reads it, however
// soon this one ends.
int CopyContainer() {
  PackedFiles* p = Packed().get();
  if (!p) return -1;
  Fd source(p->Source);
  if (!source.Ok()) return -1;
  uint64_t size = p->Place.Size ? p->Place.Size : source.Size();
  int fd = memfd_create("TMP.TMP", 0);
  if (fd < 0) return -1;
  std::string chunk;
  for (uint64_t done = 0; done < size;) {
    chunk.resize(static_cast<size_t>(std::min<uint64_t>(size - done, 1 << 20)));
    if (!source.Read(p->Place.Start + done, chunk.data(), chunk.size()) || !WriteAll(fd, chunk)) {
      close(fd);
      return -1;
    }
    done += chunk.size();
  }
  return fd;
}

}  // namespace

std::optional<uint64_t> ImageEnd(const std::string& nativePath) {
  Fd f(nativePath);
  if (!f.Ok()) return std::nullopt;
  uint64_t size = f.Size();
  unsigned char ident[EI_NIDENT];
  if (size < sizeof ident || !f.Read(0, ident, sizeof ident)) return std::nullopt;
  if (std::memcmp(ident, ELFMAG, SELFMAG) == 0) {
    if (ident[EI_DATA] != ELFDATA2LSB) return std::nullopt;
    if (ident[EI_CLASS] == ELFCLASS64) return ElfEnd<Elf64_Ehdr, Elf64_Phdr, Elf64_Shdr>(f, size);
    if (ident[EI_CLASS] == ELFCLASS32) return ElfEnd<Elf32_Ehdr, Elf32_Phdr, Elf32_Shdr>(f, size);
    return std::nullopt;
  }
  if (ident[0] == 'M' || ident[0] == 'm') return PeEnd(f, size);
  return std::nullopt;
}

std::optional<ContainerPlace> FindAppendedContainer(const std::string& nativePath) {
  std::optional<uint64_t> end = ImageEnd(nativePath);
  if (!end) return std::nullopt;
  Fd f(nativePath);
  uint64_t size = f.Ok() ? f.Size() : 0;
  if (*end >= size || size - *end < cipher::kMixHeaderSize) return std::nullopt;
  char header[cipher::kMixHeaderSize];
  if (!f.Read(*end, header, sizeof header)) return std::nullopt;
  if (!cipher::LooksLikeMix(std::string_view(header, sizeof header), size - *end)) return std::nullopt;
  return ContainerPlace{*end, size - *end};
}

bool OpenPackedFiles(const std::string& nativePath, bool wholeFile) {
  ContainerPlace place;
  if (!wholeFile) {
    std::optional<ContainerPlace> found = FindAppendedContainer(nativePath);
    if (!found) return false;
    place = *found;
  }
  auto files = std::make_unique<PackedFiles>();
  if (files->Reader.Open(nativePath, place.Start, place.Size) != cipher::FileMixReader::OpenResult::Ok)
    RaisePlain(msg::kUnpackFailed, {});
  files->Source = nativePath;
  files->Place = place;
  Packed() = std::move(files);
  static bool registered = false;
  if (!registered) {
    registered = true;
    atexit(CloseAtExit);
  }
  SetPackedFileHook(ExtractPacked);
  SetPackedContainerHook(CopyContainer);
  return true;
}

std::optional<std::string> PackedScript() {
  std::string data;
  if (!Packed() || !Packed()->Reader.Read(kScriptEntry, data)) return std::nullopt;
  // The script is a text: it ends at its first zero byte.
  size_t nul = data.find('\0');
  if (nul != std::string::npos) data.resize(nul);
  return data;
}

void ClosePackedFiles() {
  Packed().reset();
  SetPackedFileHook(nullptr);
  SetPackedContainerHook(nullptr);
}

int PackProgram(const std::string& exePath, const std::vector<std::string>& args) {
  if (args.size() < 2) {
    fputs("usage: nokari --pack OUTPUT script.nkr [files...]\n", stderr);
    return 2;
  }
  const std::string& output = args[0];
  std::optional<uint64_t> end = ImageEnd(exePath);
  std::string program, script;
  if (!end || !ReadAll(exePath, program)) {
    fprintf(stderr, "nokari: cannot read this program (%s)\n", exePath.c_str());
    return 1;
  }
  program.resize(*end);  // a packed program packs from its bare image
  std::vector<cipher::MixInput> inputs;
  for (size_t i = 1; i < args.size(); ++i) {
    cipher::MixInput in;
    if (!ReadAll(args[i], in.Data)) {
      fprintf(stderr, "nokari: cannot read %s\n", args[i].c_str());
      return 1;
    }
    if (i == 1) {
      in.Name = kScriptEntry;
      in.Flag = 1;
    } else {
      size_t slash = args[i].find_last_of('/');
      in.Name = FromUtf8(slash == std::string::npos ? args[i] : args[i].substr(slash + 1));
    }
    inputs.push_back(std::move(in));
  }
  std::string container;
  if (!cipher::BuildMix(std::move(inputs), container)) {
    fputs("nokari: too many or too large files to pack\n", stderr);
    return 1;
  }
  std::string temp = output + ".XXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) {
    fprintf(stderr, "nokari: cannot write %s: %s\n", output.c_str(), strerror(errno));
    return 1;
  }
  bool ok = WriteAll(fd, program) && WriteAll(fd, container) && fchmod(fd, 0755) == 0 && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (!ok || rename(temp.c_str(), output.c_str()) != 0) {
    fprintf(stderr, "nokari: cannot write %s: %s\n", output.c_str(), strerror(errno));
    unlink(temp.c_str());
    return 1;
  }
  return 0;
}

}  // namespace nokari
