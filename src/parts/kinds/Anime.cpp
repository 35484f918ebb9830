// アニメ: its own properties. It has no value of its own.
#include <algorithm>

#include "parts/kinds/Shared.h"

namespace nokari::parts {
namespace {

// 値 is the frame interval in milliseconds; 0 holds the frames still, as
// a timer of no interval does, and a negative interval is 0.
std::string GetInterval(Part& part) { return FormatInt(part.Control.Value()); }
void SetInterval(Part& part, const std::string& raw) {
  part.Control.SetValue(std::max(NumberOf(Evaluated(part, raw)), 0));
}

// 画像: the frames, one file per line, replacing those shown; kept in the
// object word once loaded. 追加画像 adds frames and keeps nothing.
void SetFrames(Part& part, const std::string& raw) {
  std::string value = Evaluated(part, raw);
  LoadFramesOf(part, value, false);
  Store(part, value);
}
void AddFrames(Part& part, const std::string& raw) { LoadFramesOf(part, Evaluated(part, raw), true); }

// ボタン機能: 0 none, 1 button look, 2 hover animation; any other number
// is none.
std::string GetButtonMode(Part& part) { return FormatInt(part.Node.ButtonMode); }
void SetButtonMode(Part& part, const std::string& raw) {
  int mode = NumberOf(Evaluated(part, raw));
  part.Node.ButtonMode = mode >= 0 && mode <= 2 ? mode : 0;
  part.Control.SetButtonMode(part.Node.ButtonMode);
}

// 繰り返し回数: the record keeps the count (the box counts it down). A
// count never given is the box's unlimited −1, which reads as "0" like
// any negative count: no count was set.
std::string GetRepeat(Part& part) { return FormatInt(std::max(part.Node.RepeatCount, 0)); }
void SetRepeat(Part& part, const std::string& raw) {
  part.Node.RepeatCount = IntOr(Evaluated(part, raw), 0);
  part.Control.SetRepeatCount(part.Node.RepeatCount);
}

// 効果音: the sound played while the mouse is over the box; the window
// layer's mouse events read it from the record.
std::string GetSound(Part& part) { return part.Node.Sound; }
void SetSound(Part& part, const std::string& raw) { part.Node.Sound = Evaluated(part, raw); }

constexpr PropertyRow kOwnRows[] = {
    {Prop::値, GetInterval, SetInterval, "e"},
    {Prop::画像, GetStored, SetFrames, "s"},
    {Prop::追加画像, GetStored, AddFrames, "s"},
    {Prop::ボタン機能, GetButtonMode, SetButtonMode, nullptr},
    {Prop::繰り返し回数, GetRepeat, SetRepeat, nullptr},
    {Prop::効果音, GetSound, SetSound, nullptr},
};
// 背景色 is the box's colour.
constexpr auto kRows = JoinRows(kOwnRows, kStretchRows, kTransparentRows, kBackColourRows);

}  // namespace

const KindBehaviour kAnimeBehaviour{kRows, nullptr, "s", nullptr};

}  // namespace nokari::parts
