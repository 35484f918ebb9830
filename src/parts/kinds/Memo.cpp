// メモ: its own properties and its main value.
#include "parts/kinds/Shared.h"

namespace nokari::parts {
namespace {

constexpr auto kRows = JoinRows(kTextRows, kEditableRows, kBackColourRows, kFontRows, kScrollBarRows, kImeRows,
                                kSelectionRows, kCaretRows);

}  // namespace

const KindBehaviour kMemoBehaviour{kRows, ReadText, "s", AssignText};

}  // namespace nokari::parts
