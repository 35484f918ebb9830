// Words that expression and call inputs can refer to: variables of each
// kind, a table, a label used as a value and a user function. Kept short:
// every input runs it once.
#pragma once
#include "FuzzCommon.h"

namespace nokari::fuzz {

// Runs the prelude in `f` (UTF-8 text converted to CP932); aborts when it
// fails, since then every input would test nothing.
void RunPrelude(FuzzEngine& f);

}  // namespace nokari::fuzz
