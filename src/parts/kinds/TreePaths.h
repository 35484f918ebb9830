// Tree items named by paths: the captions from the top down to a node
// joined by "\" (「動物\犬」), no trailing "\". A ツリー's handle only
// knows its nodes in pre-order; the paths are rebuilt from them before
// each lookup, so they never disagree with what the tree shows. The ツリー
// properties, the tree commands and the tree event value share these.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "core/Parts.h"

namespace nokari {
struct TNokaBase;
}

namespace nokari::parts {

// The path of every node, in the nodes' pre-order.
std::vector<std::string> TreePaths(const std::vector<TreeNode>& nodes);
// The captions of a path: split at the backslashes that are characters of
// their own (not the second byte of a double-byte one); empty parts, a
// trailing "\" among them, are dropped.
std::vector<std::string> TreePathParts(std::string_view path);
// The pre-order index of the first node with that path; -1 when none.
int FindTreePath(const PartHandle& tree, std::string_view path);
// The path of the node at a pre-order index; "" when there is none.
std::string TreePathAt(const PartHandle& tree, int index);
// Adds each line of `text` as a path: the nodes missing along it are added
// as last children, existing ones are reused. Pending window events run
// once per line, and adding stops when the program is ending.
void AddTreePaths(TNokaBase& e, PartHandle& tree, std::string_view text);

}  // namespace nokari::parts
