// Tエディタ: its own properties and its main value.
#include "parts/kinds/Shared.h"

namespace nokari::parts {
namespace {

// No font rows: the editor's fonts are its own settings (Tエディタ設定).
constexpr auto kRows = JoinRows(kTextRows, kEditableRows, kBackColourRows, kImeRows, kSelectionRows, kCaretRows);

}  // namespace

const KindBehaviour kTEditorBehaviour{kRows, ReadText, "s", AssignText};

}  // namespace nokari::parts
