// フォーム: its own properties and its main value.
#include "parts/PartValues.h"

namespace nokari::parts {

const KindBehaviour kFormBehaviour{};

}  // namespace nokari::parts
