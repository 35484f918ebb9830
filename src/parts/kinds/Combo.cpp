// コンボ: its own properties and its main value.
#include "parts/kinds/Shared.h"

namespace nokari::parts {
namespace {

// A drop-down list has no use for empty entries: they are left out.
void SetComboItems(Part& part, const std::string& raw) {
  std::vector<std::string> items = SplitItems(Evaluated(part, raw));
  std::erase_if(items, [](const std::string& item) { return item.empty(); });
  part.Control.SetItems(items);
}

constexpr PropertyRow kOwnRows[] = {
    {Prop::アイテム, GetItems, SetComboItems, "s"},
    {Prop::値, GetListValue, SetListValue, "e"},
};
// 編集 on: an editable drop-down; off: a drop-down list.
constexpr auto kRows = JoinRows(kTextRows, kOwnRows, kEditableRows, kBackColourRows, kFontRows, kImeRows,
                                kSelectionRows, kSortRows);

}  // namespace

const KindBehaviour kComboBehaviour{kRows, ReadText, "s", AssignText};

}  // namespace nokari::parts
