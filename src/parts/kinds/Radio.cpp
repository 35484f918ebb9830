// ラジオ: its own properties and its main value.
#include "parts/kinds/Shared.h"

namespace nokari::parts {
namespace {

constexpr auto kRows = JoinRows(kListRows, kBackColourRows);

void AssignIndex(Part& part, const std::string& value) { SelectItem(part, NumberOf(value)); }

}  // namespace

const KindBehaviour kRadioBehaviour{kRows, ReadSelectedIndex, "e", AssignIndex};

}  // namespace nokari::parts
