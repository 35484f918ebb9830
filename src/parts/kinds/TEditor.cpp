// Tエディタ: its own properties and its main value.
#include "parts/PartValues.h"

namespace nokari::parts {

const KindBehaviour kTEditorBehaviour{};

}  // namespace nokari::parts
