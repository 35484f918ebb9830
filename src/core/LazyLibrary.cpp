// Libraries opened on first use (see LazyLibrary.h).
#include "core/LazyLibrary.h"

#include <dlfcn.h>

#include "core/Errors.h"
#include "core/Messages.h"

namespace nokari {

void* LazyLibrary::Function(const char* name) {
  if (!handle_) {
    // Its symbols are its own: a library loaded later (the window module, a
    // script's DLL) must not bind to them by accident.
    handle_ = dlopen(soname_, RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
      const char* why = dlerror();
      RaisePlain(msg::kLibraryUnavailable, {soname_, why ? why : ""});
    }
  }
  dlerror();
  void* address = dlsym(handle_, name);
  if (!address) {
    const char* why = dlerror();
    RaisePlain(msg::kLibraryUnavailable, {soname_, why ? why : name});
  }
  return address;
}

}  // namespace nokari
