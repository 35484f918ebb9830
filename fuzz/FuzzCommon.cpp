#include "FuzzCommon.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "core/Encoding.h"
#include "host/Security.h"

namespace nokari::fuzz {

namespace {

void RemovePrivateFolder() {
  std::error_code ec;
  std::filesystem::remove_all(PrivateFolder(), ec);
}

}  // namespace

const std::string& PrivateFolder() {
  static const std::string folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "nokari-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
      perror("mkdtemp");
      abort();
    }
    // The canonical form: the containment checks compare canonical paths.
    std::string real = std::filesystem::canonical(pattern).string();
    std::filesystem::create_directory(real + "/prog");
    return real;
  }();
  static const bool cleanup = (atexit(RemovePrivateFolder), true);
  (void)cleanup;
  return folder;
}

std::string ProgramFolder() { return PrivateFolder() + "/prog"; }

void EnterProgramFolder() {
  if (chdir(ProgramFolder().c_str()) != 0) {
    perror("chdir");
    abort();
  }
}

FuzzEngine::FuzzEngine(int securityLevel) {
  EnterProgramFolder();
  Host.Engine = &E;
  E.Services = Host.Services();
  E.Services.Changes = &HostSecurityPolicy();  // the level below decides
  E.FileName = "fuzz.nkr";
  E.Args = {"/nonexistent/nokari", ProgramFolder() + "/fuzz.nkr"};
  E.ScriptArgIndex = 1;
  E.MainFilePath = E.Args[1];
  E.SecurityLevel = securityLevel;
  StartProgram(E, "");
}

}  // namespace nokari::fuzz
