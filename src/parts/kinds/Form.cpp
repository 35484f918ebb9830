// フォーム: its own properties and its main value. (アイテム, the objects
// placed on it, is every container's and stands with the common rows.)
#include "parts/kinds/Shared.h"

namespace nokari::parts {
namespace {

// Frame styles as the window layer numbers them.
constexpr int kFrameNone = 0, kFrameSingle = 1, kFrameSizeable = 2, kFrameDialog = 3;

// リサイズ: a sizeable frame, or a fixed single one; anything but the
// fixed single frame reads as resizable.
std::string GetResizable(Part& part) { return FlagText(part.Control.FrameStyle() != kFrameSingle); }
void SetResizable(Part& part, const std::string& raw) {
  part.Control.SetFrameStyle(NumberOf(Evaluated(part, raw)) >= 1 ? kFrameSizeable : kFrameSingle);
}

// スタイル: 0 none ... 3 dialog; a number that is no style is ignored.
std::string GetFrameStyle(Part& part) { return FormatInt(part.Control.FrameStyle()); }
void SetFrameStyle(Part& part, const std::string& raw) {
  int style = NumberOf(Evaluated(part, raw));
  if (style >= kFrameNone && style <= kFrameDialog) part.Control.SetFrameStyle(style);
}

// The window layer puts 画像 into the form's "img" and sizes the img to
// the picture; 背景色 clears the img and fills it with the colour; the
// main window's caption is the application's title as well.
constexpr PropertyRow kOwnRows[] = {
    {Prop::テキスト, GetText, SetText, "s"},
    {Prop::タイトル, GetText, SetText, "s"},
    {Prop::リサイズ, GetResizable, SetResizable, nullptr},
    {Prop::スタイル, GetFrameStyle, SetFrameStyle, nullptr},
};
constexpr auto kRows = JoinRows(kOwnRows, kPictureRows, kStretchRows, kTransparentRows, kBackColourRows);

}  // namespace

const KindBehaviour kFormBehaviour{kRows, ReadText, "s", AssignText};

}  // namespace nokari::parts
