// Whole scripts through the statement engine: preparation, labels, the run
// loop with errors continued past, then the close request (close handler).
// Every change to files is refused (security level high) and the run stops
// after a fixed number of steps, so no script can write outside the private
// folder or hang the fuzzer through the engine.
#include "FuzzCommon.h"
#include "Targets.h"

using namespace nokari;

namespace {
constexpr uint64_t kStepBudget = 3000;
}

int NokariFuzzEngine(const uint8_t* data, size_t size) {
  fuzz::FuzzEngine f;
  f.Host.OnError = ErrorChoice::Continue;
  std::string text(reinterpret_cast<const char*>(data), size);
  fuzz::IgnoringScriptErrors([&] {
    StartProgram(f.E, text);
    f.E.StepBudget = kStepBudget;
    RunLoop(f.E);
  });
  // The close handler gets a budget of its own; the run may have spent it.
  fuzz::IgnoringScriptErrors([&] {
    f.E.StopFlag = false;
    f.E.StepBudget = kStepBudget;
    RequestClose(f.E);
  });
  return 0;
}
