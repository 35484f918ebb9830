// Loading shared libraries and calling their functions through libffi.
// No engine here: names are native (UTF-8) paths, arguments are machine
// values already checked against their C types.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace nokari::dll {

// The file names tried for a library, in order: the name itself and, for a
// Windows-style "x.dll", "x.so" and "libx.so" beside it.
std::vector<std::string> LibraryAlternatives(const std::string& name);
// Opens a library: a name with "/" as it stands; otherwise from each of
// `folders` in turn (the script's, this program's), then wherever the
// dynamic loader finds it. Null when nothing loads. Libraries stay loaded
// for the life of the process: a declared word may still point into one.
void* OpenLibrary(const std::string& name, std::span<const std::string> folders);

// One value passed: a pointer to a text buffer (p) or an integer (w, d, b, i).
struct CallArgument {
  char Letter = 'p';
  // The text with its terminating zero and 1 KiB of zeroed slack after it:
  // a function writing a little past what it was given stays inside.
  std::vector<char> Buffer;
  int64_t Integer = 0;
  static CallArgument Text(const std::string& text);
  static CallArgument Number(char letter, int64_t value);
};

struct CallResult {
  enum Outcome { kOk, kFault, kBadSignature };
  Outcome Status = kOk;
  uint64_t Integer = 0;  // w, d, b, i: the register as returned
  std::string Text;      // p: the text returned ("" for a null pointer)
};

// Calls `fn` with the platform's C convention (v arguments are never
// passed: leave them out). Standard output and error
// are flushed first, so what the script printed comes before anything the
// library prints. A fault inside the call (SIGSEGV, SIGBUS, SIGFPE,
// SIGILL) is caught, on a stack of its own, and reported as kFault; only
// for the length of the call and of reading a text result. This is a best effort: a wrong pointer can
// also corrupt memory silently, or leave the library in a broken state.
CallResult CallFunction(void* fn, char resultLetter, std::span<CallArgument> args);

}  // namespace nokari::dll
