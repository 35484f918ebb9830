// Program entry: reads the command line and runs the script in a window
// (Qt host) or in console mode.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/Run.h"
#include "host/Startup.h"

namespace {

#ifdef NOKARI_WITH_QT
// The window host lives in a module beside the program, so console runs
// never load Qt. Returns the module's exit status.
int RunWithWindow(int argc, char** argv, const nokari::StartOptions& options) {
  std::string exe = options.ExePath;
  std::string path = exe.substr(0, exe.find_last_of('/') + 1) + "libnokari-gui.so";
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    fprintf(stderr, "nokari: cannot open the window module: %s\n(run with -console to run without a window)\n",
            dlerror());
    return 1;
  }
  using Entry = int (*)(int, char**, const nokari::StartOptions*);
  auto entry = reinterpret_cast<Entry>(dlsym(module, "NokariRunWithQt"));
  if (!entry) {
    fprintf(stderr, "nokari: the window module has no entry: %s\n", dlerror());
    return 1;
  }
  return entry(argc, argv, &options);
}
#endif

}  // namespace

int main(int argc, char** argv) {
  using namespace nokari;
  StartOptions options = ParseCommandLine(argc, argv);
  if (options.Help) {
    fputs(UsageText().c_str(), stdout);
    return 0;
  }
  if (options.Version) {
    printf("nokari %s\n", NOKARI_VERSION);
    return 0;
  }
  if (options.ListWords) {
    PrintWordCoverage();
    return 0;
  }
  if (!options.BadOption.empty()) {
    fprintf(stderr, "nokari: unknown option %s\n%s", options.BadOption.c_str(), UsageText().c_str());
    return 2;
  }
  if (options.Script.empty()) return 0;  // nothing to run: close silently
#ifdef NOKARI_WITH_QT
  if (!options.Console) return RunWithWindow(argc, argv, options);
#endif
  return RunConsole(options);
}
