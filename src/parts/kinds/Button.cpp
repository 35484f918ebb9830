// ボタン: its own properties and its main value.
#include "parts/kinds/Shared.h"

namespace nokari::parts {
namespace {

// The caption; a button too narrow for it grows to the text's width and a
// margin of 10 (measured in the button's own font). A wider button keeps
// its width: captions never shrink a layout.
void SetCaption(Part& part, const std::string& raw) {
  SetText(part, raw);
  int needed = part.Control.TextWidth(part.Control.Text()) + 10;
  PartRect r = part.Control.Geometry();
  if (r.W >= needed) return;
  r.W = needed;
  part.Control.SetGeometry(r);
}

constexpr PropertyRow kOwnRows[] = {
    {Prop::テキスト, GetText, SetCaption, "s"},
    {Prop::タイトル, GetStored, SetCaption, "s"},
};
// 画像 and フォント色 turn the push button into a bitmap button; the
// window layer does that when it is asked for either.
constexpr auto kRows = JoinRows(kOwnRows, kPictureRows, kFontRows);

}  // namespace

// Assigning to the button itself sets the caption only (no widening): the
// width rule belongs to the テキスト property.
const KindBehaviour kButtonBehaviour{kRows, ReadText, "s", AssignText};

}  // namespace nokari::parts
