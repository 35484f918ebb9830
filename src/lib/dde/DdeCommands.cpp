// DDE conversations between programs over local sockets.
#include "words/Family.h"

namespace nokari {

extern const Family kDdeFamily{"dde", {}, {}};

}  // namespace nokari
