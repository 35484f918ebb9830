// Bracket calls name(…): the first input byte picks the callee (a built-in
// command from the registry, or the prelude's user function or label), the
// rest is the bracketed argument text (CP932, prepared like a script line).
// Changes to files are refused and statements run under a step budget.
#include <vector>

#include "FuzzCommon.h"
#include "Prelude.h"
#include "Targets.h"
#include "core/Encoding.h"
#include "core/Prepare.h"
#include "words/Calls.h"
#include "words/Registry.h"

using namespace nokari;

namespace {

// Commands whose bracket form only waits or ends the run: nothing to find.
bool Skipped(const std::string& nameUtf8) { return nameUtf8 == "待機" || nameUtf8 == "おわり"; }

const std::vector<std::string>& Callees() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> out = {FromUtf8("足す"), FromUtf8("値")};
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
  fuzz::FuzzEngine f;
  fuzz::RunPrelude(f);
  f.E.StepBudget = 5000;
  std::string args;
  fuzz::IgnoringScriptErrors(
      [&] { args = Prepare(f.E, std::string(reinterpret_cast<const char*>(data) + 1, size - 1)); });
  // The prepared text ends in a line marker; the call reads only up to ")".
  std::string text = "(" + args + ")";
  fuzz::IgnoringScriptErrors([&] {
    const char* p = text.c_str();
    CallBracketed(f.E, name, p, true);
  });
  f.E.ArgStack.Clear();
  fuzz::IgnoringScriptErrors([&] { PushBracketArgs(f.E, args); });
  return 0;
}
