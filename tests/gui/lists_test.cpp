// The kinds that hold lists: コンボ, リスト, ラジオ, グリッド, ツリー,
// タブページ.
#include <QHeaderView>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>

#include "PartsFixture.h"

namespace nokari::testing {
namespace {

using Lists = PartsTest;
using Items = std::vector<std::string>;

TEST_F(Lists, ComboStartsEmptyAndUnselectedAndStaysSoWhenItemsArrive) {
  auto c = Make(PartKind::コンボ);
  EXPECT_TRUE(c->Editable());
  EXPECT_EQ(c->Text(), "");
  EXPECT_EQ(c->Value(), -1);
  c->SetItems({S("りんご"), "b", "a"});
  EXPECT_EQ(c->Value(), -1);
  EXPECT_EQ(c->Text(), "");
  EXPECT_EQ(c->Items(), (Items{S("りんご"), "b", "a"}));
  c->SetValue(1);
  EXPECT_EQ(c->Text(), "b");
  c->SetText(S("自由入力"));
  EXPECT_EQ(c->Text(), S("自由入力"));
  c->SetItemText(0, "z");
  c->SetSorted(true);
  EXPECT_TRUE(c->Sorted());
  EXPECT_EQ(c->Items(), (Items{"a", "b", "z"}));
  c->SetItems({"q", "p"});
  EXPECT_EQ(c->Items(), (Items{"p", "q"}));
}

TEST_F(Lists, ComboSelectionAndDropDownList) {
  auto c = Make(PartKind::コンボ);
  c->SetText(S("あいうえお"));
  c->SetSelection(1, 2);
  EXPECT_EQ(c->SelStart(), 1);
  EXPECT_EQ(c->SelLength(), 2);
  EXPECT_EQ(c->SelectedText(), S("いう"));
  c->ReplaceSelection("X");
  EXPECT_EQ(c->Text(), S("あXえお"));
  c->SetItems({"one", "two"});
  c->SetEditable(false);
  EXPECT_FALSE(c->Editable());
  c->SetText("two");  // a list picks the item with that text
  EXPECT_EQ(c->Value(), 1);
  EXPECT_EQ(c->SelLength(), 0);  // no field, no selection
}

TEST_F(Lists, ListSelectionTextAndSorting) {
  auto l = Make(PartKind::リスト);
  l->SetItems({"c", S("あ"), "a"});
  EXPECT_EQ(l->Value(), -1);
  EXPECT_EQ(l->Text(), "");
  l->SetValue(1);
  EXPECT_EQ(l->Value(), 1);
  EXPECT_EQ(l->Text(), S("あ"));
  l->SetText("b");  // replaces the selected line
  EXPECT_EQ(l->Items(), (Items{"c", "b", "a"}));
  l->SetValue(-1);
  EXPECT_EQ(l->Value(), -1);
  l->SetItemText(2, "d");
  EXPECT_EQ(l->Items(), (Items{"c", "b", "d"}));
  l->SetSorted(true);
  EXPECT_EQ(l->Items(), (Items{"b", "c", "d"}));
}

TEST_F(Lists, RadioItemsAreButtonsAndValueTheCheckedOne) {
  auto r = Make(PartKind::ラジオ);
  r->SetText(S("色"));
  EXPECT_EQ(r->Text(), S("色"));
  r->SetItems({S("赤"), S("青"), S("緑")});
  EXPECT_EQ(r->Items(), (Items{S("赤"), S("青"), S("緑")}));
  EXPECT_EQ(r->Value(), -1);
  r->SetValue(2);
  EXPECT_EQ(r->Value(), 2);
  r->SetItemText(2, S("黄"));
  EXPECT_EQ(r->Items()[2], S("黄"));
  r->SetValue(-1);
  EXPECT_EQ(r->Value(), -1);
  r->SetItems({"x"});
  EXPECT_EQ(r->Items(), (Items{"x"}));
  EXPECT_EQ(WidgetOf(*r)->findChildren<QWidget*>().size(), 1);  // the old buttons are gone
}

TEST_F(Lists, GridRowZeroIsTheTitleRow) {
  auto g = Make(PartKind::グリッド);
  EXPECT_EQ(g->RowCount(), 5);  // a new grid: titles and four rows
  EXPECT_EQ(g->Value(), 1);
  std::vector<std::vector<std::string>> cells{{S("名前"), S("年")}, {S("太郎"), "20"}, {"b", "30", "extra"}};
  g->SetCells(cells);
  EXPECT_EQ(g->RowCount(), 3);
  auto back = g->Cells();
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(back[0], (Items{S("名前"), S("年"), ""}));
  EXPECT_EQ(back[1], (Items{S("太郎"), "20", ""}));
  EXPECT_EQ(back[2], (Items{"b", "30", "extra"}));
  g->SetValue(2);
  EXPECT_EQ(g->Value(), 2);
  EXPECT_EQ(g->Line(), 2);
  g->SetColumn(1);
  EXPECT_EQ(g->Column(), 1);
  EXPECT_EQ(g->Line(), 2);
  g->SetEditable(true);
  EXPECT_TRUE(g->Editable());
  g->SetEditable(false);
  EXPECT_FALSE(g->Editable());
}

TEST_F(Lists, GridSortsDataRowsOnTitleClickOnlyWhenAsked) {
  auto g = Make(PartKind::グリッド);
  g->SetCells({{"k"}, {"b"}, {"a"}});
  auto* table = As<QTableWidget>(*g);
  emit table->horizontalHeader()->sectionClicked(0);
  EXPECT_EQ(g->Cells()[1][0], "b");
  g->SetSortOnTitleClick(true);
  emit table->horizontalHeader()->sectionClicked(0);
  EXPECT_EQ(g->Cells(), (std::vector<Items>{{"k"}, {"a"}, {"b"}}));
}

TEST_F(Lists, TreeNodesInPreOrder) {
  auto t = Make(PartKind::ツリー);
  t->AddTreeNode(-1, "A");   // 0
  t->AddTreeNode(0, "A1");   // 1
  t->AddTreeNode(-1, "B");   // A, A1, B
  t->AddTreeNode(1, "A1x");  // A, A1, A1x, B
  t->AddTreeNode(0, "A2");   // A, A1, A1x, A2, B
  t->AddTreeNode(99, "none");
  std::vector<TreeNode> want{{0, "A"}, {1, "A1"}, {2, "A1x"}, {1, "A2"}, {0, "B"}};
  EXPECT_EQ(t->TreeNodes(), want);

  EXPECT_EQ(t->SelectedTreeNode(), -1);
  t->SelectTreeNode(3);
  EXPECT_EQ(t->SelectedTreeNode(), 3);
  EXPECT_EQ(t->SelectedText(), "A2");
  t->ReplaceSelection(S("二"));
  t->SetTreeNodeCaption(4, "BB");
  EXPECT_EQ(t->TreeNodes()[3].Caption, S("二"));
  EXPECT_EQ(t->TreeNodes()[4].Caption, "BB");

  t->ExpandTreeNode(0, true);
  auto* tree = As<QTreeWidget>(*t);
  EXPECT_TRUE(tree->topLevelItem(0)->isExpanded());
  EXPECT_TRUE(tree->topLevelItem(0)->child(0)->isExpanded());  // all the way down
  t->ExpandTreeNode(0, false);
  EXPECT_FALSE(tree->topLevelItem(0)->child(0)->isExpanded());

  t->DeleteTreeNode(1);  // A1 with A1x
  EXPECT_EQ(t->TreeNodes(), (std::vector<TreeNode>{{0, "A"}, {1, S("二")}, {0, "BB"}}));
  t->SelectTreeNode(-1);
  EXPECT_EQ(t->SelectedTreeNode(), -1);
  t->ClearTree();
  EXPECT_TRUE(t->TreeNodes().empty());
}

TEST_F(Lists, TreeLabelsEditableOnRequest) {
  auto t = Make(PartKind::ツリー);
  EXPECT_FALSE(t->Editable());
  t->SetEditable(true);
  EXPECT_TRUE(t->Editable());
}

// Pages are re-captioned in order, added and removed, so a part on a
// removed page survives, taken off it.
TEST_F(Lists, TabCaptionsRule) {
  auto tab = Make(PartKind::タブページ);
  EXPECT_TRUE(tab->TabCaptions().empty());
  tab->SetTabCaptions({"a", "b", "c"});
  EXPECT_EQ(tab->TabCaptions(), (Items{"a", "b", "c"}));
  tab->SetValue(2);
  EXPECT_EQ(tab->Value(), 2);
  auto b = Make(PartKind::ボタン, *tab);  // onto the current page, c
  QWidget* oldFirst = As<QTabWidget>(*tab)->widget(0);
  tab->SetTabCaptions({S("一"), S("二")});
  EXPECT_EQ(tab->TabCaptions(), (Items{S("一"), S("二")}));
  EXPECT_EQ(As<QTabWidget>(*tab)->widget(0), oldFirst);  // re-captioned, not replaced
  EXPECT_EQ(WidgetOf(*b)->parentWidget(), nullptr);
  b->SetText("ok");
  EXPECT_EQ(b->Text(), "ok");
  tab->SetTabCaptions({});
  EXPECT_EQ(tab->Value(), -1);
}

}  // namespace
}  // namespace nokari::testing
