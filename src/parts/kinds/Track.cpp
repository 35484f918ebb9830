// トラック: nothing of its own. Its position is not a property (値 of a
// トラック reads "0" and cannot be set, as for kinds without a value) and
// it has no value of its own.
#include "parts/kinds/Shared.h"

namespace nokari::parts {

const KindBehaviour kTrackBehaviour{{}, nullptr, "s", nullptr};

}  // namespace nokari::parts
