// Source preparation and label collection on arbitrary bytes (taken as the
// CP932 text a script file holds).
#include "FuzzCommon.h"
#include "Targets.h"
#include "core/Prepare.h"

using namespace nokari;

int NokariFuzzPrepare(const uint8_t* data, size_t size) {
  fuzz::FuzzEngine f;
  std::string text(reinterpret_cast<const char*>(data), size);
  fuzz::IgnoringScriptErrors([&] {
    TextBuf prepared = MakeText(Prepare(f.E, text));
    CollectLabels(f.E, prepared, f.E.FileName);
  });
  return 0;
}
