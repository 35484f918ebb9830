// Packed programs: this executable (or another, named by -runtime) followed
// by a merged file (lib/cipher/FileMix.h) holding the start script as
// "nokari.nkr" and the files the program needs.
//
// The container starts exactly where the executable's image ends (read
// from its ELF headers, or PE headers for -runtime) and its size field
// counts every byte after that; anything else means "no container", never
// an error, so an ordinary build or a stripped one starts as usual.
//
// Packed files are handed to the commands that read files (取り込む, 読む,
// the image loaders ...) through the path module's hook: each is written
// once per run into a private folder (mode 0700, files 0600, created
// exclusively), removed when the program ends.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nokari {

struct ContainerPlace {
  uint64_t Start = 0, Size = 0;
};

// Where the image of the executable at `nativePath` ends (ELF or PE);
// nothing when it is neither or its headers do not fit the file.
std::optional<uint64_t> ImageEnd(const std::string& nativePath);
// The appended container of an executable, when there is one.
std::optional<ContainerPlace> FindAppendedContainer(const std::string& nativePath);

// Opens the container of `nativePath` (an executable with one appended,
// or, with `wholeFile`, a merged file by itself: -resource) as the run's
// packed files, installing the path module's hook. False when there is
// no container. Raises "ファイルの展開に失敗しました。" when one is there
// but damaged.
bool OpenPackedFiles(const std::string& nativePath, bool wholeFile = false);
// The packed start script (CP932 bytes as stored), when the open
// container has one.
std::optional<std::string> PackedScript();
// Removes what was extracted and closes the container (also done at exit).
void ClosePackedFiles();

// nokari --pack OUTPUT SCRIPT [FILES...]: this executable followed by a
// container holding SCRIPT as "nokari.nkr" (scrambled) and each file under
// its own name. Written through a temporary file, mode 0755. Returns the
// exit status, reporting on standard error.
int PackProgram(const std::string& exePath, const std::vector<std::string>& args);

}  // namespace nokari
