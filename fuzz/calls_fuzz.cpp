// Bracket calls name(…): the first input byte picks the callee (a built-in
// command from the registry, or the prelude's user function or label), the
// rest is the argument text inside the brackets (CP932). Changes to files
// are refused and statements run under a step budget.
#include <vector>

#include "FuzzCommon.h"
#include "Prelude.h"
#include "Targets.h"
#include "core/Encoding.h"
#include "core/Prepare.h"
#include "words/Registry.h"

using namespace nokari;

namespace {

// Commands whose bracket form only waits or ends the run: nothing to find.
bool Skipped(const std::string& nameUtf8) { return nameUtf8 == "待機" || nameUtf8 == "おわり"; }

const std::vector<std::string>& Callees() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> out = {FromUtf8("加算器"), FromUtf8("値")};
    for (const RegistryRow& row : RegistryTable())
      if (row.Kind == RowKind::Command && !Skipped(row.Name)) out.push_back(FromUtf8(row.Name));
    return out;
  }();
  return names;
}

}  // namespace

int NokariFuzzCalls(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::string& name = Callees()[data[0] % Callees().size()];
  std::string args(reinterpret_cast<const char*>(data) + 1, size - 1);
  fuzz::FuzzEngine f;
  fuzz::RunPrelude(f);
  // The call is read by the engine as a statement of its own, as in a
  // script: commands called in bracket form may read the text around the
  // cursor (a block after もし), so the cursor must stand in a running text.
  fuzz::IgnoringScriptErrors([&] {
    TextBuf text = MakeText(Prepare(f.E, name + "(" + args + ")\n"));
    f.E.SourceSlots.push_back(text);
    CollectLabels(f.E, text, f.E.FileName);
    f.E.Cursor = TextPos::StartOf(text);
    f.E.StepBudget = 5000;
    RunLoop(f.E);
  });
  return 0;
}
