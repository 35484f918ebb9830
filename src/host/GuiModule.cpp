#include "host/GuiModule.h"

#include <dlfcn.h>
#include <unistd.h>

namespace nokari {

std::string GuiModulePath(const std::string& exePath) {
  std::string exe = exePath;
  if (exe.empty()) {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n > 0) exe.assign(buf, n);
  }
  return exe.substr(0, exe.find_last_of('/') + 1) + "libnokari-gui.so";
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
