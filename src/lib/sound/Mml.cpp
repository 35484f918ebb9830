#include "lib/sound/Mml.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <map>

namespace nokari::sound {
namespace {

using MmlToMidi = int (*)(const char* mml, const char* midiPath, char* error);

// Each library looked for once: its entry, or null with why.
struct Loaded {
  MmlToMidi Fn = nullptr;
  MmlOutcome Why = MmlOutcome::Missing;
};

Loaded Load(const std::string& name) {
  static std::map<std::string, Loaded> loaded;
  auto it = loaded.find(name);
  if (it != loaded.end()) return it->second;
  Loaded result;
  if (void* lib = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    result.Fn = reinterpret_cast<MmlToMidi>(dlsym(lib, "MMLtoMIDI"));
    result.Why = result.Fn ? MmlOutcome::Converted : MmlOutcome::Broken;
    if (!result.Fn) dlclose(lib);
  }
  loaded[name] = result;
  return result;
}

}  // namespace

std::string MmlLibraryName() {
  const char* name = std::getenv("NOKARI_MML_LIBRARY");
  return name && *name ? name : "libdtorumo.so";
}

MmlResult ConvertMml(const std::string& mml, const std::string& midiPath) {
  Loaded lib = Load(MmlLibraryName());
  if (!lib.Fn) return {lib.Why, {}};
  // One byte more than the library is told of, so its text always ends.
  char error[1025] = {};
  lib.Fn(mml.c_str(), midiPath.c_str(), error);
  error[1024] = '\0';
  if (error[0]) return {MmlOutcome::Failed, error};
  return {};
}

}  // namespace nokari::sound
