// タブページ: its own properties. (アイテム, the objects on the active
// page, is every container's and stands with the common rows.) It has no
// value of its own.
#include "parts/kinds/Shared.h"

namespace nokari::parts {
namespace {

// One tab per line: the widget re-captions the tabs it has in order, adds
// the missing ones and removes the surplus, so pages keep what is on them.
std::string GetCaptions(Part& part) { return JoinItems(part.Control.TabCaptions()); }
void SetCaptions(Part& part, const std::string& raw) {
  std::string value = Evaluated(part, raw);
  Store(part, value);
  part.Control.SetTabCaptions(SplitItems(value));
}

// 値 is the active page; a number that is no page is ignored.
std::string GetActivePage(Part& part) { return FormatInt(part.Control.Value()); }
void SetActivePage(Part& part, const std::string& raw) {
  int n = NumberOf(Evaluated(part, raw));
  if (n >= 0 && n < static_cast<int>(part.Control.TabCaptions().size())) part.Control.SetValue(n);
}

constexpr PropertyRow kRows[] = {
    {Prop::テキスト, GetCaptions, SetCaptions, "s"},
    {Prop::タイトル, GetStored, SetCaptions, "s"},
    {Prop::値, GetActivePage, SetActivePage, "e"},
};

}  // namespace

const KindBehaviour kTabPageBehaviour{kRows, nullptr, "s", nullptr};

}  // namespace nokari::parts
