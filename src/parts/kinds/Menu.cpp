// メニュー: its own properties and its main value.
#include "core/Errors.h"
#include "parts/Messages.h"
#include "parts/kinds/Shared.h"

namespace nokari::parts {
namespace {

// 値 is the check mark.
std::string GetChecked(Part& part) { return FlagText(part.Control.Value() != 0); }
void SetChecked(Part& part, const std::string& raw) { part.Control.SetValue(FlagOf(Evaluated(part, raw)) ? 1 : 0); }

// The key as the window layer spells it ("Ctrl+S"); an empty text removes
// the shortcut.
std::string GetShortcut(Part& part) { return part.Control.Shortcut(); }
void SetShortcut(Part& part, const std::string& raw) {
  std::string keys = Evaluated(part, raw);
  if (!part.Control.SetShortcut(keys)) RaiseError(part.E, msg::kShortcutFailed, {keys});
}

constexpr PropertyRow kOwnRows[] = {
    {Prop::値, GetChecked, SetChecked, "e"},
    {Prop::ショートカットキー, GetShortcut, SetShortcut, nullptr},
};
// 画像 is the item's bitmap; an empty name removes it.
constexpr auto kRows = JoinRows(kTextRows, kOwnRows, kPictureRows);

}  // namespace

const KindBehaviour kMenuBehaviour{kRows, ReadText, "s", AssignText};

}  // namespace nokari::parts
