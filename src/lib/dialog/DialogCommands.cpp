// Dialog commands that ask through the host: 尋ねる, 二択, 三択.
#include "core/Services.h"
#include "words/Contract.h"
#include "words/Family.h"

namespace nokari {
namespace {

void SetCancelled(TNokaBase& e) {
  THashNode* cancel = FindWord(e, Sj("ダイアログキャンセルの値"));
  if (cancel)
    e.SoreVar->SetValue(cancel->Value, cancel->TypeTag);
  else
    e.SoreVar->SetValue(std::string(), "s");
}

void CmdAsk(TNokaBase& e) {
  std::string prompt = FirstArgOmitted(e) ? (PopArgText(e), Sj("入力してください。")) : PopArgValue(e);
  std::optional<std::string> given = e.Services.Dialogs->Input(prompt, VarValue(e, "ダイアログ初期値"));
  if (!given) {
    SetCancelled(e);
    return;
  }
  std::string& answer = *given;
  if (answer.empty()) {
    e.SoreVar->SetValue(answer);
    return;
  }
  bool numeric = answer[0] == '$' || (answer[0] >= '0' && answer[0] <= '9');
  SetSoreTyped(e, answer, numeric ? "e" : "s");
}

void CmdYesNo(TNokaBase& e) {
  std::string question = PopArgValue(e);
  SetSoreTyped(e, e.Services.Dialogs->YesNo(question, Sj(msg::kAppTitle)) ? "1" : "0", "e");
}

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::尋ねる, CmdAsk},
    {Id::二択, CmdYesNo},
    {Id::三択, CmdYesNo},
};

}  // namespace

extern const Family kDialogFamily{"dialog", kCommands, {}};

}  // namespace nokari
