// 言う: a message box with the text and an OK button.
#pragma once
#include <string>

#include "core/Engine.h"

namespace nokari::dialog {

// Shows at most 4095 bytes of the text and "..." (CutMessage). A window
// lays the text out with tabs at タブ文字の個数; a console writes it as
// given, tabs and all, so a pipe gets the script's own bytes.
void Say(TNokaBase& e, const std::string& text);

// Hands the text settings (文字書体, 文字サイズ, 文字色) to the dialog
// service as the font of the program's own dialog windows.
void SetOwnDialogFont(TNokaBase& e);

}  // namespace nokari::dialog
