// Program entry: reads the command line and runs the script in a window
// (Qt host) or in console mode.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/Encoding.h"
#include "core/Messages.h"
#include "host/GuiModule.h"
#include "host/Packed.h"
#include "host/Repl.h"
#include "host/Run.h"
#include "host/Startup.h"
#include "host/WordHelp.h"

namespace {

#ifdef NOKARI_WITH_QT
// The window host lives in a module beside the program, so console runs
// load Qt only if the script makes a GUI part (host/LazyParts). Returns
// the module's exit status.
int RunWithWindow(int argc, char** argv, const nokari::StartOptions& options) {
  using Entry = int (*)(int, char**, const nokari::StartOptions*);
  std::string error;
  auto entry = reinterpret_cast<Entry>(nokari::GuiModuleEntry(options.ExePath, "NokariRunWithQt", error));
  if (!entry) {
    fprintf(stderr, "nokari: cannot open the window module: %s\n(run with -console to run without a window)\n",
            error.c_str());
    return 1;
  }
  return entry(argc, argv, &options);
}

// A display to open the window on, or a platform asked for by name
// (QT_QPA_PLATFORM=offscreen, as the tests run windowed programs).
bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = getenv(name);
    if (value && *value) return true;
  }
  return false;
}

// No display (ssh, a server): a window there is drawn where nobody sees
// it, and its first message box waits for ever. Said, with the way to
// run in the terminal; a start file that cannot be read says that first.
int NoDisplay(const nokari::StartOptions& options) {
  using namespace nokari;
  std::string problem = StartFileProblem(options);
  fprintf(stderr, "%s\n", ToUtf8(problem.empty() ? Sj(msg::kNoDisplayForWindow) : problem).c_str());
  return 1;
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
  if (options.PackAsked) return PackProgram(options.ExePath, options.PackArgs);
  if (!options.StartFailure.empty()) {
    fprintf(stderr, "nokari: %s\n", options.StartFailure.c_str());
    return 1;
  }
  if (!options.OptionSlip.empty()) {
    fprintf(stderr, "nokari: %s\n", options.OptionSlip.c_str());
    return 2;
  }
  if (!options.BadOption.empty()) {
    fprintf(stderr, "nokari: unknown option %s\n%s", options.BadOption.c_str(), UsageText().c_str());
    return 2;
  }
  fputs(options.OptionNotes.c_str(), stderr);
  // -e and the prompt run in console mode: they have no window to show.
  if (options.EvalAsked) return RunConsoleText(options);
  if (options.Interactive || (options.Script.empty() && isatty(STDIN_FILENO))) return RunRepl(options);
  if (options.Script.empty()) return 0;  // nothing to run and nobody to ask: close silently
#ifdef NOKARI_WITH_QT
  if (!options.Console) return HasDisplay() ? RunWithWindow(argc, argv, options) : NoDisplay(options);
#endif
  return RunConsole(options);
}
