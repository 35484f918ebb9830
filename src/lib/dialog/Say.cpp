#include "lib/dialog/Say.h"

#include <algorithm>

#include "lib/dialog/DialogText.h"
#include "lib/draw/DrawSettings.h"
#include "lib/text/TextCore.h"
#include "words/Contract.h"

namespace nokari::dialog {

void SetOwnDialogFont(TNokaBase& e) {
  CanvasFont font = draw::CurrentFont(e);
  TextStyle style;
  style.Face = font.Font.Face;
  style.Points = font.Font.Points;
  ColorRef c = font.Color;
  style.Rgb = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
  e.Services.Dialogs->SetDialogFont(style, font.Font.Bold, font.Font.Italic, font.Font.Underline);
}

void Say(TNokaBase& e, const std::string& text) {
  SetOwnDialogFont(e);
  std::string shown = CutMessage(text);
  if (!e.Services.Console) {
    int64_t tab = ToInt64(ToNumber(VarValue(e, "タブ文字の個数")));
    shown = text::ExpandTabs(shown, static_cast<int>(std::clamp<int64_t>(tab, 0, 256)));
  }
  e.Services.Output->MessageBox(shown, Sj(msg::kAppTitle));
}

}  // namespace nokari::dialog
