// パネル: its own properties and its main value. (アイテム, the objects
// placed on it, is every container's and stands with the common rows.)
#include "parts/kinds/Shared.h"

namespace nokari::parts {
namespace {

constexpr auto kRows = JoinRows(kTextRows, kBackColourRows);

}  // namespace

const KindBehaviour kPanelBehaviour{kRows, ReadText, "s", AssignText};

}  // namespace nokari::parts
