// TCP clients and servers, and what the network says of this computer.
#include "words/Family.h"

namespace nokari {

extern const Family kTcpFamily{"tcp", {}, {}};

}  // namespace nokari
