// Program entry: reads the command line and runs the script in a window
// (Qt host) or in console mode.
#include <cstdio>
#include <cstdlib>

#include "host/Run.h"
#include "host/Startup.h"

#ifdef NOKARI_WITH_QT
namespace nokari {
int RunWithQt(int argc, char** argv, const StartOptions& options);
}
#endif

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
  if (!options.Console) return RunWithQt(argc, argv, options);
#endif
  return RunConsole(options);
}
