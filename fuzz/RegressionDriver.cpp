// Runs saved fuzz inputs through the targets' entry functions without
// libFuzzer, so every input that once crashed stays a test of the normal
// build: regression_driver <target> <file or folder>...
// A crash or a failed property aborts, which fails the test.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "Targets.h"

namespace {

using Entry = int (*)(const uint8_t*, size_t);

Entry FindEntry(const char* name) {
#define NOKARI_MATCH_FUZZ_ENTRY(target, fn) \
  if (strcmp(name, #target) == 0) return fn;
  NOKARI_FUZZ_TARGETS(NOKARI_MATCH_FUZZ_ENTRY)
#undef NOKARI_MATCH_FUZZ_ENTRY
  return nullptr;
}

int RunFile(Entry entry, const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    fprintf(stderr, "cannot read %s\n", file.c_str());
    exit(2);
  }
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  printf("%s\n", file.c_str());
  fflush(stdout);
  entry(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: %s TARGET [FILE|FOLDER]...\n", argv[0]);
    return 2;
  }
  Entry entry = FindEntry(argv[1]);
  if (!entry) {
    fprintf(stderr, "unknown target: %s\n", argv[1]);
    return 2;
  }
  // Absolute first: the targets move the current folder into their own.
  std::vector<std::filesystem::path> args;
  for (int i = 2; i < argc; ++i) args.push_back(std::filesystem::absolute(argv[i]));
  int count = 0;
  for (const auto& arg : args) {
    if (!std::filesystem::exists(arg)) continue;  // a target with no saved inputs yet
    if (!std::filesystem::is_directory(arg)) {
      count += RunFile(entry, arg);
      continue;
    }
    std::vector<std::filesystem::path> files;
    for (const auto& item : std::filesystem::directory_iterator(arg))
      if (item.is_regular_file()) files.push_back(item.path());
    std::sort(files.begin(), files.end());
    for (const auto& f : files) count += RunFile(entry, f);
  }
  printf("%s: %d inputs ran\n", argv[1], count);
  return 0;
}
