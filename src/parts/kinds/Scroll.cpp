// スクロール: its own properties. (アイテム, the objects placed on it, is
// every container's and stands with the common rows.) It has no value of
// its own.
#include "parts/kinds/Shared.h"

namespace nokari::parts {

const KindBehaviour kScrollBehaviour{kBackColourRows, nullptr, "s", nullptr};

}  // namespace nokari::parts
