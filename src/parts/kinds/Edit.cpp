// エディタ: its own properties and its main value.
#include "parts/kinds/Shared.h"

namespace nokari::parts {
namespace {

constexpr auto kRows = JoinRows(kTextRows, kEditableRows, kBackColourRows, kFontRows, kImeRows, kSelectionRows);

}  // namespace

const KindBehaviour kEditBehaviour{kRows, ReadText, "s", AssignText};

}  // namespace nokari::parts
