// リスト: its own properties and its main value.
#include "parts/kinds/Shared.h"

namespace nokari::parts {
namespace {

constexpr PropertyRow kOwnRows[] = {
    {Prop::選択文字列, GetSelectedItem, SetSelectedItem, nullptr},
};
constexpr auto kRows = JoinRows(kListRows, kOwnRows, kBackColourRows, kFontRows, kSortRows);

void AssignIndex(Part& part, const std::string& value) { SelectItem(part, NumberOf(value)); }

}  // namespace

const KindBehaviour kListBehaviour{kRows, ReadSelectedIndex, "e", AssignIndex};

}  // namespace nokari::parts
