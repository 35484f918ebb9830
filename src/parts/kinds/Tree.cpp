// ツリー: its own properties and its main value. Items are paths
// (parts/kinds/TreePaths.h).
#include "parts/kinds/Shared.h"
#include "parts/kinds/TreePaths.h"

namespace nokari::parts {
namespace {

std::string GetPaths(Part& part) { return JoinItems(TreePaths(part.Control.TreeNodes())); }
void SetPaths(Part& part, const std::string& raw) {
  std::string value = Evaluated(part, raw);
  part.Control.ClearTree();
  AddTreePaths(part.E, part.Control, value);
}

void SetLabelEditing(Part& part, const std::string& raw) {
  part.Control.SetEditable(NumberOf(Evaluated(part, raw)) >= 1);
}

// The selected node's caption ("" when none is selected).
std::string GetSelectedCaption(Part& part) {
  int n = part.Control.SelectedTreeNode();
  std::vector<TreeNode> nodes = part.Control.TreeNodes();
  return n >= 0 && n < static_cast<int>(nodes.size()) ? nodes[n].Caption : std::string();
}
void SetSelectedCaption(Part& part, const std::string& raw) {
  std::string caption = Evaluated(part, raw);
  int n = part.Control.SelectedTreeNode();
  if (n >= 0 && n < static_cast<int>(part.Control.TreeNodes().size())) part.Control.SetTreeNodeCaption(n, caption);
}

// 選択位置 is a node's index in the whole tree's order; -1 when none.
std::string GetSelectedIndex(Part& part) { return FormatInt(part.Control.SelectedTreeNode()); }
void SetSelectedIndex(Part& part, const std::string& raw) {
  int n = NumberOf(Evaluated(part, raw));
  if (n >= 0 && n < static_cast<int>(part.Control.TreeNodes().size())) part.Control.SelectTreeNode(n);
}

constexpr PropertyRow kRows[] = {
    {Prop::アイテム, GetPaths, SetPaths, "s"},
    {Prop::編集, GetEditable, SetLabelEditing, "e"},
    {Prop::選択文字列, GetSelectedCaption, SetSelectedCaption, nullptr},
    {Prop::選択位置, GetSelectedIndex, SetSelectedIndex, nullptr},
};

}  // namespace

// Assigning to the tree itself does nothing.
const KindBehaviour kTreeBehaviour{kRows, GetSelectedCaption, "s", nullptr};

}  // namespace nokari::parts
