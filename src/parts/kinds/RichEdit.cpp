// リッチエディタ: its own properties and its main value.
#include "parts/PartValues.h"

namespace nokari::parts {

const KindBehaviour kRichEditBehaviour{};

}  // namespace nokari::parts
