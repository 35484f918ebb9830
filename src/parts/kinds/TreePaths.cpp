#include "parts/kinds/TreePaths.h"

#include <algorithm>

#include "core/Cp932.h"
#include "core/Engine.h"
#include "core/Scan.h"

namespace nokari::parts {

std::vector<std::string> TreePaths(const std::vector<TreeNode>& nodes) {
  std::vector<std::string> paths;
  paths.reserve(nodes.size());
  // The path of the latest node at each depth: a node's parent is the
  // latest node one level up (a depth that skips a level hangs under the
  // deepest one known).
  std::vector<std::string> above;
  for (const TreeNode& node : nodes) {
    size_t depth = std::min(static_cast<size_t>(std::max(node.Depth, 0)), above.size());
    std::string path = depth == 0 ? node.Caption : above[depth - 1] + "\\" + node.Caption;
    above.resize(depth);
    above.push_back(path);
    paths.push_back(std::move(path));
  }
  return paths;
}

std::vector<std::string> TreePathParts(std::string_view path) {
  std::vector<std::string> parts;
  std::string current;
  for (size_t i = 0; i < path.size();) {
    size_t len = CharLenAt(path, i);
    if (len == 1 && path[i] == '\\') {
      if (!current.empty()) parts.push_back(std::move(current));
      current.clear();
    } else {
      current.append(path.substr(i, len));
    }
    i += len;
  }
  if (!current.empty()) parts.push_back(std::move(current));
  return parts;
}

namespace {

std::string JoinParts(const std::vector<std::string>& parts) {
  std::string path;
  for (const std::string& part : parts) {
    if (!path.empty()) path += '\\';
    path += part;
  }
  return path;
}

int IndexOf(const std::vector<std::string>& paths, const std::string& path) {
  for (size_t i = 0; i < paths.size(); ++i)
    if (paths[i] == path) return static_cast<int>(i);
  return -1;
}

// The tree as paths and nodes side by side, kept in step with the handle
// while nodes are added (a new node is its parent's last child, so it
// goes after the parent's last descendant, as the handle puts it).
struct TreeLists {
  std::vector<TreeNode> Nodes;
  std::vector<std::string> Paths;

  explicit TreeLists(const PartHandle& tree) : Nodes(tree.TreeNodes()), Paths(TreePaths(Nodes)) {}

  int Add(PartHandle& tree, int parent, const std::string& caption, std::string path) {
    size_t at = Nodes.size();
    int depth = 0;
    if (parent >= 0) {
      depth = Nodes[parent].Depth + 1;
      at = parent + 1;
      while (at < Nodes.size() && Nodes[at].Depth >= depth) ++at;
    }
    tree.AddTreeNode(parent, caption);
    Nodes.insert(Nodes.begin() + at, TreeNode{depth, caption});
    Paths.insert(Paths.begin() + at, std::move(path));
    return static_cast<int>(at);
  }

  void AddPath(PartHandle& tree, std::string_view line) {
    int node = -1;
    std::string prefix;
    for (const std::string& part : TreePathParts(line)) {
      std::string path = prefix + part;
      int found = IndexOf(Paths, path);
      node = found >= 0 ? found : Add(tree, node, part, path);
      prefix = path + "\\";
    }
  }
};

}  // namespace

int FindTreePath(const PartHandle& tree, std::string_view path) {
  return IndexOf(TreePaths(tree.TreeNodes()), JoinParts(TreePathParts(path)));
}

std::string TreePathAt(const PartHandle& tree, int index) {
  std::vector<std::string> paths = TreePaths(tree.TreeNodes());
  return index >= 0 && index < static_cast<int>(paths.size()) ? paths[index] : std::string();
}

void AddTreePaths(TNokaBase& e, PartHandle& tree, std::string_view text) {
  TreeLists lists(tree);
  for (std::string_view line : SplitLines(text)) {
    if (e.Closed || e.StopFlag) return;
    lists.AddPath(tree, line);
    if (e.Services.Pump) e.Services.Pump->ProcessEvents();
  }
}

}  // namespace nokari::parts
