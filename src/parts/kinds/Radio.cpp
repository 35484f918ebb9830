// ラジオ: its own properties and its main value.
#include "parts/PartValues.h"

namespace nokari::parts {

const KindBehaviour kRadioBehaviour{};

}  // namespace nokari::parts
