#include "lib/dialog/Say.h"

#include <algorithm>

#include "lib/dialog/DialogText.h"
#include "lib/text/TextCore.h"
#include "words/Contract.h"

namespace nokari::dialog {

void Say(TNokaBase& e, const std::string& text) {
  std::string shown = CutMessage(text);
  if (!e.Services.Console) {
    int64_t tab = ToInt64(ToNumber(VarValue(e, "タブ文字の個数")));
    shown = text::ExpandTabs(shown, static_cast<int>(std::clamp<int64_t>(tab, 0, 256)));
  }
  e.Services.Output->MessageBox(shown, Sj(msg::kAppTitle));
}

}  // namespace nokari::dialog
