// チェック: its own properties and its main value.
#include "parts/kinds/Shared.h"

namespace nokari::parts {
namespace {

std::string GetChecked(Part& part) { return FlagText(part.Control.Value() != 0); }
void SetChecked(Part& part, const std::string& raw) { part.Control.SetValue(FlagOf(Evaluated(part, raw)) ? 1 : 0); }

constexpr PropertyRow kOwnRows[] = {
    {Prop::値, GetChecked, SetChecked, "e"},
};
constexpr auto kRows = JoinRows(kTextRows, kOwnRows, kBackColourRows, kFontRows);

// Assigning to the box itself reads the value as a number (0.5 is 0).
void AssignChecked(Part& part, const std::string& value) { part.Control.SetValue(NumberOf(value) != 0 ? 1 : 0); }

}  // namespace

const KindBehaviour kCheckBehaviour{kRows, GetChecked, "e", AssignChecked};

}  // namespace nokari::parts
