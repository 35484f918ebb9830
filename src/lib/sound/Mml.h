// The text-music library: MML text in, a MIDI file out, through one
// export of a shared library loaded at run time:
//
//   int MMLtoMIDI(const char* mml, const char* midiPath, char* error);
//
// `mml` is the text as the script holds it (CP932), `midiPath` where to
// write the MIDI file, `error` a buffer of 1024 bytes the library fills
// with a text when the conversion fails (the return value is not read).
// The library is NOKARI_MML_LIBRARY when that is set, else
// "libdtorumo.so" looked up as the system finds libraries.
#pragma once
#include <string>

namespace nokari::sound {

enum class MmlOutcome { Converted, Missing, Broken, Failed };

struct MmlResult {
  MmlOutcome Outcome = MmlOutcome::Converted;
  std::string Error;  // Failed: the library's text (CP932)
};

// The library's name as it is looked for.
std::string MmlLibraryName();
// Converts with the library (loaded once, kept for the program's life).
MmlResult ConvertMml(const std::string& mml, const std::string& midiPath);

}  // namespace nokari::sound
