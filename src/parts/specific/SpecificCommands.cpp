// Commands that act on one kind of part: tab pages, trees, grids, the
// rich editor, the browser and the Tエディタ's settings. Each names its
// part first; the rules (paths, which text means what, files and the
// security policy) are here, the widget only performs (core/Parts.h).
#include "core/Cp932.h"
#include "lib/file/FileCommon.h"
#include "lib/file/FileOps.h"
#include "parts/ObjectModel.h"
#include "parts/PartValues.h"
#include "parts/kinds/TreePaths.h"
#include "parts/specific/EditorIni.h"
#include "parts/specific/Messages.h"
#include "parts/specific/Rtf.h"
#include "words/Family.h"

namespace nokari {
namespace {

// The part a command names and what it is.
struct Named {
  THashNode& Word;
  TObjNode& Node;
  PartHandle& Control;
};

// A part of another kind: the argument error, followed by what the
// command wants when it says so (tree and editor commands do not).
[[noreturn]] void RaiseWrongKind(TNokaBase& e, const char* request) {
  if (!request) RaiseCommandError(e, msg::kArgError);
  RaiseErrorText(e, FormatMessage(Sj(msg::kArgError), {RunningWordName(e)}) + Sj(request));
}

// The part named by the raw argument: the name as written, a literal
// holding it, or a variable holding it (as そ does). Not an object: "…は、
// オブジェクトではありません。"; no name at all: the argument error.
Named PartArg(TNokaBase& e, const std::string& raw, PartKind kind, const char* request) {
  bool quoted = !raw.empty() && (raw[0] == '"' || raw[0] == '`');
  std::string name = quoted ? EvaluateText(e, raw) : raw;
  if (name.empty()) RaiseCommandError(e, msg::kArgError);
  THashNode* w = FindWord(e, name);
  if (w && w->Kind == kVariable) {
    THashNode* held = FindWord(e, w->Value);
    if (held && held->Kind == kObject) w = held;
  }
  if (!w || w->Kind != kObject) RaiseError(e, msg::kNotAnObject, {name});
  TObjNode& node = parts::RecordOf(e, *w);
  if (node.Kind != static_cast<int>(kind)) RaiseWrongKind(e, request);
  return {*w, node, parts::RequireControl(e, node)};
}

// --- タブページ ------------------------------------------------------------------

// タブ追加: page control, caption.
void CmdAddTab(TNokaBase& e) {
  std::string caption = PopArgValue(e);
  PartArg(e, PopArgText(e), PartKind::タブページ, msg::kNeedTabPage).Control.AddTab(caption);
}

// タブ有効変更: page control, number; 1 enables the whole control.
void CmdEnableTabs(TNokaBase& e) {
  long double n = PopArgNumber(e);
  PartArg(e, PopArgText(e), PartKind::タブページ, msg::kNeedTabPage).Control.SetEnabled(n == 1);
}

// タブ位置変更: page control, side. 上, 下, 右 and 左 put the tabs there
// (左 as well: the window system has the place); another text changes
// nothing.
void CmdTabPosition(TNokaBase& e) {
  std::string side = PopArgValue(e);
  PartHandle& tabs = PartArg(e, PopArgText(e), PartKind::タブページ, msg::kNeedTabPage).Control;
  if (side == Sj("上"))
    tabs.SetTabPosition(TabSide::Top);
  else if (side == Sj("下"))
    tabs.SetTabPosition(TabSide::Bottom);
  else if (side == Sj("右"))
    tabs.SetTabPosition(TabSide::Right);
  else if (side == Sj("左"))
    tabs.SetTabPosition(TabSide::Left);
}

// --- ツリー ----------------------------------------------------------------------

// ツリーアイテム追加: tree, paths (one a line).
void CmdAddTreeItems(TNokaBase& e) {
  std::string text = PopArgValue(e);
  PartHandle& tree = PartArg(e, PopArgText(e), PartKind::ツリー, nullptr).Control;
  parts::AddTreePaths(e, tree, text);
}

// ツリーアイテム削除: tree, path; a path that names no node does nothing.
void CmdDeleteTreeItem(TNokaBase& e) {
  std::string path = PopArgValue(e);
  PartHandle& tree = PartArg(e, PopArgText(e), PartKind::ツリー, nullptr).Control;
  int index = parts::FindTreePath(tree, path);
  if (index >= 0) tree.DeleteTreeNode(index);
}

// ツリー展開, ツリー折りたたむ: the node and everything below it; an empty
// path: every top-level node.
template <bool Expand>
void CmdExpandTree(TNokaBase& e) {
  std::string path = PopArgValue(e);
  PartHandle& tree = PartArg(e, PopArgText(e), PartKind::ツリー, nullptr).Control;
  if (parts::TreePathParts(path).empty()) {
    std::vector<TreeNode> nodes = tree.TreeNodes();
    for (size_t i = 0; i < nodes.size(); ++i)
      if (nodes[i].Depth == 0) tree.ExpandTreeNode(static_cast<int>(i), Expand);
    return;
  }
  int index = parts::FindTreePath(tree, path);
  if (index >= 0) tree.ExpandTreeNode(index, Expand);
}

// --- グリッド --------------------------------------------------------------------

// グリッド一行選択変更: grid, "1" selects whole rows, anything else cells.
void CmdGridRowSelect(TNokaBase& e) {
  std::string value = PopArgValue(e);
  PartArg(e, PopArgText(e), PartKind::グリッド, msg::kNeedGrid).Control.SetRowSelect(value == "1");
}

// --- リッチエディタ -------------------------------------------------------------

// リッチエディタ選択属性変更: the selection takes the text settings 表示
// uses (文字書体 with its style words, 文字サイズ, 文字色).
void CmdRichSelectionFormat(TNokaBase& e) {
  PartHandle& rich = PartArg(e, PopArgText(e), PartKind::リッチエディタ, msg::kNeedRichEdit).Control;
  int points = parts::IntOr(VarValue(e, "文字サイズ"), 12);
  PartFont font = parts::ReadFontSpec(VarValue(e, "文字書体"), points);
  rich.SetSelectionFormat(font, parts::ColourOf(VarValue(e, "文字色"), 0));
}

// リッチエディタ保存: rich editor, file; the document as RTF, written
// whole or not at all (a temporary file renamed over the old one).
void CmdSaveRichText(TNokaBase& e) {
  std::string file = PopArgValue(e);
  PartHandle& rich = PartArg(e, PopArgText(e), PartKind::リッチエディタ, msg::kNeedRichEdit).Control;
  std::string rtf = parts::WriteRtf(rich.RichText());
  CheckedTarget target = TargetOf(file);
  if (Refused(e, msg::kAskSaveRichText, {file}, {&target})) return;
  if (!Usable(target) || !WriteEntry(target.Folder(), target.Leaf(), rtf)) RaiseReadWrite(e, file);
}

// --- ブラウザ ---------------------------------------------------------------------

template <bool Forward>
void CmdBrowserHistory(TNokaBase& e) {
  PartHandle& browser = PartArg(e, PopArgText(e), PartKind::ブラウザ, msg::kNeedBrowser).Control;
  if (Forward)
    browser.GoForward();
  else
    browser.GoBack();
}

// --- Tエディタ ----------------------------------------------------------------------

// Tエディタ設定: the editor's settings dialog. A console run has nobody
// to show it to, and its parts are offscreen: there the dialog counts as
// cancelled, as every question does that finds no one to answer it.
void CmdEditorSettingsDialog(TNokaBase& e) {
  PartHandle& editor = PartArg(e, PopArgText(e), PartKind::Tエディタ, nullptr).Control;
  if (e.Services.Console) return;
  editor.EditSettings();
}

// Tエディタ設定を保存: editor, file. The settings go into the section
// named after the object; the rest of the file stays as it was.
void CmdSaveEditorSettings(TNokaBase& e) {
  std::string file = PopArgValue(e);
  Named editor = PartArg(e, PopArgText(e), PartKind::Tエディタ, nullptr);
  CheckedTarget target = TargetOf(file);
  if (Refused(e, msg::kAskSaveEditorSettings, {file}, {&target})) return;
  if (!Usable(target)) RaiseReadWrite(e, file);
  std::string old;
  if (AttributesOf(target.Native()) >= 0 && !ReadWholeFile(target.Native(), old)) RaiseReadWrite(e, file);
  settings::IniFile ini(old);
  for (const auto& [key, value] : parts::EditorSettingsEntries(editor.Control.Settings()))
    ini.Set(editor.Node.Name, key, value);
  if (!WriteEntry(target.Folder(), target.Leaf(), ini.Text())) RaiseReadWrite(e, file);
}

// Tエディタ設定を読込: editor, file; a missing file changes nothing.
void CmdLoadEditorSettings(TNokaBase& e) {
  std::string file = PopArgValue(e);
  Named editor = PartArg(e, PopArgText(e), PartKind::Tエディタ, nullptr);
  std::string ini;
  std::string resolved = ResolveReadName(e, file);
  if (resolved.empty() || !ReadWholeFile(NativePath(resolved), ini)) return;
  parts::IniPairs entries = settings::IniFile(ini).Section(editor.Node.Name);
  editor.Control.ApplySettings(parts::EditorSettingsFrom(entries, editor.Control.Settings()));
}

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::タブ追加, CmdAddTab},
    {Id::タブ有効変更, CmdEnableTabs},
    {Id::タブ位置変更, CmdTabPosition},
    {Id::ツリーアイテム追加, CmdAddTreeItems},
    {Id::ツリーアイテム削除, CmdDeleteTreeItem},
    {Id::ツリー展開, CmdExpandTree<true>},
    {Id::ツリー折りたたむ, CmdExpandTree<false>},
    {Id::グリッド一行選択変更, CmdGridRowSelect},
    {Id::リッチエディタ選択属性変更, CmdRichSelectionFormat},
    {Id::リッチエディタ保存, CmdSaveRichText},
    {Id::ブラウザ進む, CmdBrowserHistory<true>},
    {Id::ブラウザ戻る, CmdBrowserHistory<false>},
    {Id::Tエディタ設定, CmdEditorSettingsDialog},
    {Id::Tエディタ設定を保存, CmdSaveEditorSettings},
    {Id::Tエディタ設定を読込, CmdLoadEditorSettings},
};
constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "parts/specific/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kSpecificFamily{"specific", kCommands, kMessages};

}  // namespace nokari
