// Functions of shared libraries declared and called as commands.
#include "words/Family.h"

namespace nokari {

extern const Family kDllFamily{"dll", {}, {}};

}  // namespace nokari
