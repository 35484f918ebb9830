// バー: its own properties and its main value.
#include <algorithm>

#include "parts/kinds/Shared.h"

namespace nokari::parts {
namespace {

// A position is held inside the bar's range; a negative one is ignored
// (scripts use -1 for "no position").
void MoveTo(Part& part, int n) {
  if (n < 0) return;
  n = std::max(n, part.Control.Minimum());
  n = std::min(n, part.Control.Maximum());
  part.Control.SetValue(n);
}

std::string GetPosition(Part& part) { return FormatInt(part.Control.Value()); }
void SetPosition(Part& part, const std::string& raw) { MoveTo(part, NumberOf(Evaluated(part, raw))); }

std::string GetMaximum(Part& part) { return FormatInt(part.Control.Maximum()); }
void SetMaximum(Part& part, const std::string& raw) {
  part.Control.SetRange(part.Control.Minimum(), IntOr(Evaluated(part, raw), 0));
}

std::string GetMinimum(Part& part) { return FormatInt(part.Control.Minimum()); }
void SetMinimum(Part& part, const std::string& raw) {
  part.Control.SetRange(IntOr(Evaluated(part, raw), 0), part.Control.Maximum());
}

std::string GetDirection(Part& part) { return Sj(part.Control.Vertical() ? "縦" : "横"); }
void SetDirection(Part& part, const std::string& raw) { part.Control.SetVertical(Evaluated(part, raw) == Sj("縦")); }

constexpr PropertyRow kRows[] = {
    {Prop::値, GetPosition, SetPosition, "e"},
    {Prop::最大値, GetMaximum, SetMaximum, "e"},
    {Prop::最小値, GetMinimum, SetMinimum, "e"},
    {Prop::向き, GetDirection, SetDirection, "s"},
};

// Assigning to the bar itself follows the 値 rule (range, negatives), so
// both ways of moving it agree.
void AssignPosition(Part& part, const std::string& value) { MoveTo(part, NumberOf(value)); }

}  // namespace

const KindBehaviour kBarBehaviour{kRows, GetPosition, "e", AssignPosition};

}  // namespace nokari::parts
