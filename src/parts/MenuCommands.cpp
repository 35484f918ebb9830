#include "parts/MenuCommands.h"

#include "core/Cp932.h"
#include "parts/Messages.h"
#include "parts/ObjectModel.h"
#include "parts/PartValues.h"

namespace nokari::parts {
namespace {

const std::string& MenuSuffix() { return Sj("メニュー"); }

// A name as the menu commands take it: written plainly it is the name; a
// quoted one is evaluated (作る hands its name over backquoted).
std::string NameArg(TNokaBase& e) {
  std::string raw = PopArgText(e);
  bool quoted = !raw.empty() && (raw[0] == '"' || raw[0] == '`');
  return quoted ? EvaluateText(e, raw) : raw;
}

// The caption of an item: its name without メニュー, and without the
// parent's base and "_" in front (ファイル_開くメニュー under ファイルメニュー
// reads 開く), which is how path-made items get their short captions.
std::string CaptionOf(const std::string& name, const std::string& parentName) {
  std::string caption = DisplayName(name, MenuSuffix());
  if (!EndsWithChar(parentName, MenuSuffix())) return caption;
  std::string prefix = parentName.substr(0, parentName.size() - MenuSuffix().size()) + "_";
  if (StartsWith(caption, prefix)) caption.erase(0, prefix.size());
  return caption;
}

// The parent item's record: an existing メニュー.
TObjNode& ParentItem(TNokaBase& e, const std::string& parentName) {
  THashNode* w = FindWord(e, parentName);
  TObjNode* node = w && w->Kind == kObject ? e.Objects.GetAt(w->ObjectIndex) : nullptr;
  if (!node) RaiseError(e, msg::kObjectNotCreated, {parentName});
  if (node->Kind != static_cast<int>(PartKind::メニュー)) RaiseError(e, msg::kNotKind, {parentName, MenuSuffix()});
  return *node;
}

// The lines of a path list, each split at "\" standing as a character of
// its own (never the second byte of a double-byte one).
std::vector<std::string> PathParts(std::string_view line) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < line.size(); i += CharLenAt(line, i)) {
    if (line[i] == '\\' && CharLenAt(line, i) == 1)
      parts.emplace_back();
    else
      parts.back().append(line.substr(i, CharLenAt(line, i)));
  }
  return parts;
}

}  // namespace

void MakeMenuItem(TNokaBase& e, const std::string& parentName, const std::string& givenName) {
  const int id = e.Objects.Count();
  std::string caption = CaptionOf(givenName, parentName);
  // Separators get names of their own, so any number of them can stand
  // under one parent.
  const bool separator = caption == "-";
  const std::string name = separator ? "split" + FormatInt(id) + MenuSuffix() : givenName;
  if (const THashNode* w = FindWord(e, name)) {
    if (w->Reserved) RaiseError(e, msg::kReadOnly, {name});
    if (w->Kind != kVariable) RaiseError(e, msg::kObjectExists, {name});
  }
  TObjNode* parent = parentName.empty() ? nullptr : &ParentItem(e, parentName);
  if (!e.Services.Parts) RaiseError(e, msg::kNoPartService);
  PartHandle* parentControl = parent ? &RequireControl(e, *parent) : nullptr;

  std::unique_ptr<PartHandle> item = e.Services.Parts->CreateMenuItem(parentControl, caption);
  item->SetVisible(true);
  auto node = std::make_unique<TObjNode>();
  node->Name = name;
  node->Kind = static_cast<int>(PartKind::メニュー);
  node->ParentId = parent ? parent->Id : 0;
  node->Own(std::move(item));
  // The user's clicks on the item reach its handler, as any part's do.
  ConnectEvents(e, *e.Objects.GetAt(e.Objects.Add(std::move(node))));
  // A variable of that name gives way to the item (replaced in place).
  auto word = std::make_shared<THashNode>();
  word->Name = name;
  word->Kind = kObject;
  word->ObjectIndex = id;
  word->Ref = e.Cursor;
  word->TypeTag = MenuSuffix();
  AddWord(e, std::move(word));
  ReferToWord(e, *FindWord(e, name));
}

void MakeMenuPaths(TNokaBase& e, const std::string& paths) {
  for (const std::string& line : SplitItems(paths)) {
    // A blank line (a list's last line end, say) names no item.
    if (line.empty()) continue;
    std::string prefix;
    for (const std::string& part : PathParts(line)) {
      std::string name = prefix + part + MenuSuffix();
      if (!FindWord(e, name)) {
        std::string parent = prefix.empty() ? std::string() : prefix.substr(0, prefix.size() - 1) + MenuSuffix();
        MakeMenuItem(e, parent, name);
      }
      prefix += part + "_";
    }
  }
}

void CmdMenuCreate(TNokaBase& e) {
  std::string name = NameArg(e);
  if (name.empty()) RaiseCommandError(e, msg::kMakeNoName);
  MakeMenuItem(e, "", name);
}

void CmdMenuAdd(TNokaBase& e) {
  std::string name = NameArg(e);
  std::string parent = NameArg(e);
  if (name.empty()) RaiseCommandError(e, msg::kMakeNoName);
  if (parent.empty()) RaiseError(e, msg::kObjectNotCreated, {parent});
  MakeMenuItem(e, parent, name);
}

void CmdMenuPathCreate(TNokaBase& e) { MakeMenuPaths(e, PopArgValue(e)); }

}  // namespace nokari::parts
