// ラベル: its own properties and its main value.
#include "parts/kinds/Shared.h"

namespace nokari::parts {
namespace {

constexpr auto kRows = JoinRows(kTextRows, kTransparentRows, kBackColourRows, kFontRows);

}  // namespace

const KindBehaviour kLabelBehaviour{kRows, ReadText, "s", AssignText};

}  // namespace nokari::parts
