// リッチエディタ: its own properties and its main value.
#include "parts/kinds/Shared.h"
#include "parts/specific/Rtf.h"

namespace nokari::parts {
namespace {

// A text that is an RTF file (「a.rtf」を読む into the part, or assigned)
// is shown as the rich text it describes; any other text is plain.
void ShowText(PartHandle& control, const std::string& value) {
  if (LooksLikeRtf(value))
    control.SetRichText(ReadRtf(value));
  else
    control.SetText(value);
}

void SetRichOrPlain(Part& part, const std::string& raw) {
  std::string value = Evaluated(part, raw);
  Store(part, value);
  ShowText(part.Control, value);
}

void AssignRichOrPlain(Part& part, const std::string& value) { ShowText(part.Control, value); }

constexpr PropertyRow kRichTextRows[] = {
    {Prop::テキスト, GetText, SetRichOrPlain, "s"},
    {Prop::タイトル, GetStored, SetRichOrPlain, "s"},
};

// As a メモ's, but for RTF: テキスト reads the plain text of the document.
constexpr auto kRows = JoinRows(kRichTextRows, kEditableRows, kBackColourRows, kFontRows, kScrollBarRows, kImeRows,
                                kSelectionRows, kCaretRows);

}  // namespace

const KindBehaviour kRichEditBehaviour{kRows, ReadText, "s", AssignRichOrPlain};

}  // namespace nokari::parts
