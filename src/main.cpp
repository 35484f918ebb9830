// Program entry: reads the command line and runs the script in a window
// (Qt host) or in console mode.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/Run.h"
#include "host/Startup.h"
#include "host/WordHelp.h"

namespace {

#ifdef NOKARI_WITH_QT
// Where the window module is: beside the program (a build tree), else in
// ../lib/nokari/ from the program's real location (an installed tree,
// /usr/bin/nokari with /usr/lib/nokari/libnokari-gui.so; the real path, so
// a link to the program elsewhere still finds it). When neither holds it
// the path beside the program, so the error names the first place looked.
std::string WindowModulePath(const std::string& exe) {
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

// The window host lives in a module of its own, so console runs
// never load Qt. Returns the module's exit status.
int RunWithWindow(int argc, char** argv, const nokari::StartOptions& options) {
  std::string path = WindowModulePath(options.ExePath);
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
  if (options.HelpWordAsked) return PrintWordHelp(options.HelpWord);
  if (options.ListWordsMarkdown) {
    fputs(WordsMarkdown().c_str(), stdout);
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
