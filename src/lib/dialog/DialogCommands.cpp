// The dialog commands. Each asks the host one question (core/Services.h)
// and turns the answer into それ; what the choices are, how a filter is
// built, what a cancel leaves and which type mark a result gets are decided
// here, so every host (window, console, answers file) behaves alike.
#include <string>
#include <vector>

#include "core/Services.h"
#include "lib/dialog/DialogText.h"
#include "lib/dialog/Say.h"
#include "lib/dialog/Messages.h"
#include "lib/path/Path.h"
#include "lib/text/TextCore.h"
#include "words/Contract.h"
#include "words/Family.h"

namespace nokari {
namespace {

// The platform dialogs remember what was chosen last and start from it.
struct DialogMemory {
  uint32_t Color = 0;
  FontChoice Font;
};

IDialogService& Dialogs(TNokaBase& e) { return *e.Services.Dialogs; }

// The program's own dialog windows show their labels and fields in the
// text settings of the moment (文字書体, 文字サイズ, 文字色).
IDialogService& OwnDialogs(TNokaBase& e) {
  dialog::SetOwnDialogFont(e);
  return Dialogs(e);
}

// A cancel copies ダイアログキャンセルの値 into それ, type mark and all.
void SetCancelled(TNokaBase& e) {
  THashNode* cancel = FindWord(e, Sj("ダイアログキャンセルの値"));
  if (cancel)
    e.SoreVar->SetValue(cancel->Value, cancel->TypeTag);
  else
    e.SoreVar->SetValue(std::string(), "s");
}

// The cancel of the commands whose result is always text: the value only.
void SetCancelledText(TNokaBase& e) {
  THashNode* cancel = FindWord(e, Sj("ダイアログキャンセルの値"));
  SetSoreTyped(e, cancel ? cancel->Value : std::string(), "s");
}

// The dialogs answer file names as typed or as the platform gives them;
// それ always holds the full path.
std::string FullName(const std::string& name) {
  return FromNativeName(AbsoluteNative(ToNativeName(name)));
}

std::vector<FileFilter> FiltersOf(const std::string& filter) { return dialog::ParseFilter(filter); }

void CmdAsk(TNokaBase& e) {
  std::string prompt = FirstArgOmitted(e) ? (PopArgText(e), Sj("入力してください。")) : PopArgValue(e);
  std::optional<std::string> given = OwnDialogs(e).Input(prompt, VarValue(e, "ダイアログ初期値"));
  if (!given) {
    SetCancelled(e);
    return;
  }
  std::string& answer = *given;
  // An empty answer keeps それ's mark: there is nothing to judge it by.
  if (answer.empty()) {
    e.SoreVar->SetValue(answer);
    return;
  }
  bool numeric = answer[0] == '$' || (answer[0] >= '0' && answer[0] <= '9');
  SetSoreTyped(e, answer, numeric ? "e" : "s");
}

void CmdYesNo(TNokaBase& e) {
  std::string question = PopArgValue(e);
  SetSoreTyped(e, Dialogs(e).YesNo(question, Sj(msg::kAppTitle)) ? "1" : "0", "e");
}

void CmdYesNoCancel(TNokaBase& e) {
  std::string question = PopArgValue(e);
  YesNoAnswer answer = Dialogs(e).YesNoCancel(question, Sj(msg::kAppTitle));
  SetSoreTyped(e, answer == YesNoAnswer::Yes ? "1" : answer == YesNoAnswer::No ? "0" : "2", "e");
}

// どれか尋ねる and リストから選択: the answer keeps それ's mark.
template <bool Editable>
void CmdChooseFromList(TNokaBase& e) {
  std::vector<std::string> items = dialog::SplitChoices(PopArgValue(e));
  std::string prompt = PopArgValue(e);
  std::optional<std::string> answer = OwnDialogs(e).Choose(prompt, items, VarValue(e, "ダイアログ初期値"), Editable);
  if (answer)
    SetSoreValue(e, *answer);
  else
    SetCancelled(e);
}

void CmdChooseButton(TNokaBase& e) {
  std::vector<std::string> items = dialog::SplitButtonChoices(PopArgValue(e));
  std::string prompt = PopArgValue(e);
  if (items.size() > dialog::kMaxButtons) RaiseCommandError(e, msg::kTooManyButtons, {FormatInt(items.size())});
  std::optional<std::string> answer = OwnDialogs(e).ChooseButton(prompt, items);
  if (answer)
    SetSoreTyped(e, *answer, "s");
  else
    SetCancelledText(e);
}

void CmdMemo(TNokaBase& e) {
  std::string initial = PopArgValue(e);
  std::optional<std::string> answer = OwnDialogs(e).Memo(initial);
  if (answer)
    SetSoreTyped(e, *answer, "s");
  else
    SetCancelledText(e);
}

void CmdChooseColor(TNokaBase& e) {
  DialogMemory& memory = FamilyState<DialogMemory>(e);
  std::optional<uint32_t> rgb = Dialogs(e).Color(memory.Color);
  if (!rgb) {
    SetCancelled(e);
    return;
  }
  memory.Color = *rgb & 0xFFFFFF;
  SetSoreTyped(e, FormatInt(dialog::ColorNumber(memory.Color)), "e");
}

void CmdChooseFont(TNokaBase& e) {
  DialogMemory& memory = FamilyState<DialogMemory>(e);
  std::optional<FontChoice> font = Dialogs(e).Font(memory.Font);
  if (!font) {
    SetCancelled(e);
    return;
  }
  memory.Font = *font;
  SetSoreTyped(e, dialog::FontResult(*font), "s");
}

void CmdChooseOpenFiles(TNokaBase& e) {
  std::string filter = dialog::BuildFilter(PopArgValue(e));
  std::optional<std::vector<std::string>> files = Dialogs(e).OpenFiles(FiltersOf(filter), VarValue(e, "ダイアログ初期値"));
  if (!files || files->empty()) {
    SetCancelled(e);
    return;
  }
  std::string out;
  for (const std::string& f : *files) out += FullName(f) + "\r\n";
  SetSoreTyped(e, text::TrimBlanks(out), "s");
}

void CmdChooseSaveFile(TNokaBase& e) {
  std::string filter = dialog::BuildFilter(PopArgValue(e));
  std::string ext = dialog::DefaultExtension(filter);
  std::optional<std::string> name = Dialogs(e).SaveFile(FiltersOf(filter), ext, VarValue(e, "ダイアログ初期値"));
  if (!name || name->empty()) {
    SetCancelled(e);
    return;
  }
  SetSoreTyped(e, FullName(dialog::WithDefaultExtension(*name, ext)), "s");
}

void SetFolderResult(TNokaBase& e, const std::optional<std::string>& folder) {
  if (!folder || folder->empty()) {
    SetCancelled(e);
    return;
  }
  std::string full = FullName(*folder);
  if (full.empty() || full.back() != '/') full += '/';
  SetSoreTyped(e, full, "s");
}

void CmdChooseFolder(TNokaBase& e) {
  SetFolderResult(e, Dialogs(e).Folder(FromNativeName(CurrentFolderNative())));
}

// The root given (empty: the host's top, the user's home).
void CmdChooseFolderUnder(TNokaBase& e) {
  std::string root = PopArgValue(e);
  SetFolderResult(e, Dialogs(e).Folder(root.empty() ? root : FullName(root)));
}

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::尋ねる, CmdAsk},
    {Id::二択, CmdYesNo},
    {Id::三択, CmdYesNoCancel},
    {Id::どれか尋ねる, CmdChooseFromList<true>},
    {Id::リストから選択, CmdChooseFromList<false>},
    {Id::ボタンで選択, CmdChooseButton},
    {Id::メモ記入, CmdMemo},
    {Id::色選択, CmdChooseColor},
    {Id::フォント選択, CmdChooseFont},
    {Id::読込ファイル選択, CmdChooseOpenFiles},
    {Id::書込ファイル選択, CmdChooseSaveFile},
    {Id::フォルダ選択, CmdChooseFolder},
    {Id::フォルダ拡張選択, CmdChooseFolderUnder},
};
constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/dialog/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kDialogFamily{"dialog", kCommands, kMessages};

}  // namespace nokari
