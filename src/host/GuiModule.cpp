#include "host/GuiModule.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

namespace nokari {

std::string GuiModulePath(const std::string& exePath) {
  std::string exe = exePath;
  if (exe.empty()) {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n > 0) exe.assign(buf, n);
  }
  // Beside the program (a build tree), else in ../lib/nokari/ from the
  // program's real location (an installed tree: /usr/bin/nokari with
  // /usr/lib/nokari/libnokari-gui.so; the real path, so a link to the
  // program elsewhere still finds it). When neither holds it, the path
  // beside the program, so an error names the first place looked.
  const std::string name = "libnokari-gui.so";
  std::string beside = exe.substr(0, exe.find_last_of('/') + 1) + name;
  if (access(beside.c_str(), R_OK) == 0) return beside;
  char real[PATH_MAX];
  if (!realpath(exe.c_str(), real)) return beside;
  std::string folder(real);
  folder.erase(folder.find_last_of('/') + 1);
  std::string installed = folder + "../lib/nokari/" + name;
  return access(installed.c_str(), R_OK) == 0 ? installed : beside;
}

void* GuiModuleEntry(const std::string& exePath, const char* entry, std::string& error) {
  // Never closed: Qt does not survive being unloaded, and dlopen counts
  // the later opens of the same file.
  void* module = dlopen(GuiModulePath(exePath).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    error = dlerror();
    return nullptr;
  }
  void* found = dlsym(module, entry);
  if (!found) error = dlerror();
  return found;
}

}  // namespace nokari
