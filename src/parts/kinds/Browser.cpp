// ブラウザ: its own properties. It has no value of its own.
#include "parts/kinds/Shared.h"

namespace nokari::parts {
namespace {

std::string GetLocation(Part& part) { return part.Control.Url(); }
void Navigate(Part& part, const std::string& raw) { part.Control.Navigate(Evaluated(part, raw)); }

// テキスト reads where the browser is; going somewhere is URL's job.
constexpr PropertyRow kRows[] = {
    {Prop::テキスト, GetLocation, RefuseSetting, "s"},
    {Prop::URL, GetLocation, Navigate, nullptr},
};

}  // namespace

const KindBehaviour kBrowserBehaviour{kRows, nullptr, "s", nullptr};

}  // namespace nokari::parts
