// チェック: its own properties and its main value.
#include "parts/PartValues.h"

namespace nokari::parts {

const KindBehaviour kCheckBehaviour{};

}  // namespace nokari::parts
