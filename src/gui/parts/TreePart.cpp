// ツリー: a tree of captions. Nodes are addressed by their index in a
// pre-order walk (a parent before its children, children in order), the
// way the script counts them.
#include <QHeaderView>
#include <QTreeWidget>
#include <functional>

#include "gui/QtText.h"
#include "gui/parts/PartKinds.h"

namespace nokari {
namespace {

class TreePart : public QtPart<QTreeWidget> {
 public:
  TreePart() : QtPart(new QTreeWidget) {
    w()->resize(121, 97);
    w()->setHeaderHidden(true);
    w()->setColumnCount(1);
    SetEditable(false);
    QObject::connect(w(), &QTreeWidget::itemSelectionChanged, Context(), [this] { ReportChange(); });
  }

  std::vector<TreeNode> TreeNodes() const override {
    std::vector<TreeNode> nodes;
    Walk([&](QTreeWidgetItem* item, int depth) {
      nodes.push_back(TreeNode{depth, FromQ(item->text(0))});
      return false;
    });
    return nodes;
  }
  // A parent that is no node adds nothing.
  void AddTreeNode(int parent, const std::string& caption) override {
    auto* item = new QTreeWidgetItem(QStringList{Q(caption)});
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    if (parent < 0) {
      w()->addTopLevelItem(item);
    } else if (QTreeWidgetItem* owner = At(parent)) {
      owner->addChild(item);
    } else {
      delete item;
    }
  }
  void DeleteTreeNode(int index) override { delete At(index); }  // with its children
  void ClearTree() override { w()->clear(); }
  void ExpandTreeNode(int index, bool expand) override {
    if (QTreeWidgetItem* item = At(index)) ExpandAll(item, expand);
  }
  bool TreeNodeExpanded(int index) const override {
    QTreeWidgetItem* item = At(index);
    return item && item->isExpanded();
  }
  int SelectedTreeNode() const override {
    QTreeWidgetItem* selected = Selected();
    return selected ? IndexOf(selected) : -1;
  }
  void SelectTreeNode(int index) override {
    QTreeWidgetItem* item = At(index);
    w()->setCurrentItem(item);
    if (!item) w()->clearSelection();
  }
  void SetTreeNodeCaption(int index, const std::string& caption) override {
    if (QTreeWidgetItem* item = At(index)) item->setText(0, Q(caption));
  }
  // The selected node's caption.
  std::string SelectedText() const override { return Selected() ? FromQ(Selected()->text(0)) : std::string(); }
  void ReplaceSelection(const std::string& text) override {
    if (Selected()) Selected()->setText(0, Q(text));
  }
  bool Editable() const override { return w()->editTriggers() != QAbstractItemView::NoEditTriggers; }
  void SetEditable(bool on) override {
    w()->setEditTriggers(on ? QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed
                            : QAbstractItemView::NoEditTriggers);
  }

 private:
  using Visit = std::function<bool(QTreeWidgetItem*, int)>;
  // Pre-order over every node; stops when `visit` returns true.
  void Walk(const Visit& visit) const {
    std::function<bool(QTreeWidgetItem*, int)> down = [&](QTreeWidgetItem* item, int depth) {
      if (visit(item, depth)) return true;
      for (int i = 0; i < item->childCount(); ++i)
        if (down(item->child(i), depth + 1)) return true;
      return false;
    };
    for (int i = 0; i < w()->topLevelItemCount(); ++i)
      if (down(w()->topLevelItem(i), 0)) return;
  }
  QTreeWidgetItem* At(int index) const {
    QTreeWidgetItem* found = nullptr;
    int n = 0;
    if (index >= 0) Walk([&](QTreeWidgetItem* item, int) { return n++ == index ? (found = item, true) : false; });
    return found;
  }
  int IndexOf(QTreeWidgetItem* wanted) const {
    int n = 0, found = -1;
    Walk([&](QTreeWidgetItem* item, int) { return item == wanted ? (found = n, true) : (++n, false); });
    return found;
  }
  QTreeWidgetItem* Selected() const {
    QTreeWidgetItem* item = w()->currentItem();
    return item && item->isSelected() ? item : nullptr;
  }
  static void ExpandAll(QTreeWidgetItem* item, bool expand) {
    item->setExpanded(expand);
    for (int i = 0; i < item->childCount(); ++i) ExpandAll(item->child(i), expand);
  }
};

}  // namespace

std::unique_ptr<QtPartBase> MakeTreePart() { return std::make_unique<TreePart>(); }

}  // namespace nokari
