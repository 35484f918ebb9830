// リッチエディタ: its own properties and its main value.
#include "parts/kinds/Shared.h"

namespace nokari::parts {
namespace {

// The same as a メモ's: the text is the plain text of the document.
constexpr auto kRows = JoinRows(kTextRows, kEditableRows, kBackColourRows, kFontRows, kScrollBarRows, kImeRows,
                                kSelectionRows, kCaretRows);

}  // namespace

const KindBehaviour kRichEditBehaviour{kRows, ReadText, "s", AssignText};

}  // namespace nokari::parts
