// The グリッド's CSV contents and the ツリー's paths.
#include <gtest/gtest.h>

#include "KindTesting.h"
#include "parts/kinds/TreePaths.h"

namespace nokari::test {
namespace {

using parts::Prop;
using testing::TestEngine;

using Rows = std::vector<std::vector<std::string>>;

TEST(GridKind, CsvWithTheTitleRowFirst) {
  TestEngine t;
  TestPart grid(t, PartKind::グリッド);
  grid.SetTo(Prop::テキスト, "名前,年\r\n太郎,20\r\n\"山田, 花子\",31,東京\r\n");
  EXPECT_EQ(grid.Fake().Grid, (Rows{{S("名前"), S("年"), ""},
                                    {S("太郎"), "20", ""},
                                    {S("山田, 花子"), "31", S("東京")}}));
  EXPECT_EQ(grid.Get(Prop::テキスト), "名前,年,\r\n太郎,20,\r\n\"山田, 花子\",31,東京\r\n");
  EXPECT_EQ(grid.Get(Prop::アイテム), grid.Get(Prop::テキスト));
  EXPECT_EQ(grid.Read(), grid.Get(Prop::テキスト));
  EXPECT_EQ(U(grid.Word().Value), "名前,年\r\n太郎,20\r\n\"山田, 花子\",31,東京\r\n");

  grid.SetTo(Prop::アイテム, "a,b\r\nc,d\r\n");
  EXPECT_EQ(grid.Fake().Grid, (Rows{{"a", "b"}, {"c", "d"}}));
  EXPECT_EQ(U(grid.Word().Value), "名前,年\r\n太郎,20\r\n\"山田, 花子\",31,東京\r\n");  // アイテム keeps no text
  grid.Assign("x\r\ny\r\nz\r\n");
  EXPECT_EQ(grid.Fake().Grid, (Rows{{"x"}, {"y"}, {"z"}}));
}

TEST(GridKind, CurrentRowIsNeverTheTitle) {
  TestEngine t;
  TestPart grid(t, PartKind::グリッド);
  grid.SetTo(Prop::テキスト, "h\r\n1\r\n2\r\n");
  grid.Set(Prop::値, "2");
  EXPECT_EQ(grid.Get(Prop::値), "2");
  grid.Set(Prop::値, "0");
  EXPECT_EQ(grid.Get(Prop::値), "1");
  grid.Set(Prop::値, "2");
  grid.Set(Prop::値, "3");  // beyond the last row: ignored
  EXPECT_EQ(grid.Get(Prop::値), "2");
  grid.Set(Prop::値, "-1");
  EXPECT_EQ(grid.Get(Prop::値), "2");
}

TEST(GridKind, EditingSortingAndTheCurrentCell) {
  TestEngine t;
  TestPart grid(t, PartKind::グリッド, "表1");
  grid.Set(Prop::編集, "1");
  EXPECT_TRUE(grid.Fake().IsEditable);
  EXPECT_FALSE(grid.Fake().RowSelect);
  EXPECT_EQ(grid.Get(Prop::編集), "1");
  grid.Set(Prop::編集, "0");
  EXPECT_FALSE(grid.Fake().IsEditable);
  EXPECT_TRUE(grid.Fake().RowSelect);
  grid.Set(Prop::ソート, "1");
  EXPECT_TRUE(grid.Fake().TitleSort);
  std::string error = TestPart::ErrorOf([&] { grid.Get(Prop::ソート); });
  EXPECT_NE(error.find("オブジェクト\"表1\"(\"グリッド\")の設定項目\"ソート\"は未定義です。"), std::string::npos)
      << error;
  grid.Set(Prop::列, "2");
  grid.Set(Prop::行, "3");
  EXPECT_EQ(grid.Get(Prop::列), "2");
  EXPECT_EQ(grid.Get(Prop::行), "3");
}

// --- tree paths -------------------------------------------------------------------

std::vector<TreeNode> Nodes(std::initializer_list<std::pair<int, const char*>> list) {
  std::vector<TreeNode> nodes;
  for (auto [depth, caption] : list) nodes.push_back({depth, Sj(caption)});
  return nodes;
}

TEST(TreePaths, FromPreOrderNodes) {
  auto nodes = Nodes({{0, "動物"}, {1, "犬"}, {2, "柴"}, {1, "猫"}, {0, "植物"}, {1, "木"}});
  std::vector<std::string> paths;
  for (const std::string& p : parts::TreePaths(nodes)) paths.push_back(U(p));
  EXPECT_EQ(paths, (std::vector<std::string>{"動物", "動物\\犬", "動物\\犬\\柴", "動物\\猫", "植物", "植物\\木"}));
}

TEST(TreePaths, PartsSplitOnlyAtRealBackslashes) {
  // 表 and ソ end in the byte of "\": they are characters, not separators.
  auto parts = parts::TreePathParts(S("表示\\ソフト\\"));
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(U(parts[0]), "表示");
  EXPECT_EQ(U(parts[1]), "ソフト");
  EXPECT_TRUE(parts::TreePathParts("").empty());
  EXPECT_EQ(parts::TreePathParts("a\\\\b").size(), 2u);
}

TEST(TreeKind, PathsAddOneNodePerName) {
  TestEngine t;
  TestPart tree(t, PartKind::ツリー);
  parts::AddTreePaths(t.e, tree.Fake(), S("動物\\犬"));
  parts::AddTreePaths(t.e, tree.Fake(), S("動物\\猫"));
  EXPECT_EQ(tree.Fake().Nodes, Nodes({{0, "動物"}, {1, "犬"}, {1, "猫"}}));
  parts::AddTreePaths(t.e, tree.Fake(), S("植物\r\n動物\\犬\\柴\r\n動物\\"));
  EXPECT_EQ(tree.Fake().Nodes, Nodes({{0, "動物"}, {1, "犬"}, {2, "柴"}, {1, "猫"}, {0, "植物"}}));
  EXPECT_EQ(parts::FindTreePath(tree.Fake(), S("動物\\猫")), 3);
  EXPECT_EQ(parts::FindTreePath(tree.Fake(), S("動物\\猫\\")), 3);
  EXPECT_EQ(parts::FindTreePath(tree.Fake(), S("動物\\鳥")), -1);
  EXPECT_EQ(U(parts::TreePathAt(tree.Fake(), 2)), "動物\\犬\\柴");
  EXPECT_EQ(parts::TreePathAt(tree.Fake(), 9), "");
}

TEST(TreeKind, ItemsReplaceTheWholeTree) {
  TestEngine t;
  TestPart tree(t, PartKind::ツリー);
  tree.SetTo(Prop::アイテム, "動物\\犬\r\n動物\\猫\r\n植物\\木\r\n");
  EXPECT_EQ(tree.Get(Prop::アイテム), "動物\r\n動物\\犬\r\n動物\\猫\r\n植物\r\n植物\\木\r\n");
  tree.SetTo(Prop::アイテム, "鳥");
  EXPECT_EQ(tree.Get(Prop::アイテム), "鳥\r\n");
}

TEST(TreeKind, SelectionAndValue) {
  TestEngine t;
  TestPart tree(t, PartKind::ツリー);
  tree.SetTo(Prop::アイテム, "a\\b\r\nc");
  EXPECT_EQ(tree.Get(Prop::選択位置), "-1");
  EXPECT_EQ(tree.Read(), "");
  tree.Set(Prop::選択位置, "1");
  EXPECT_EQ(tree.Get(Prop::選択位置), "1");
  EXPECT_EQ(tree.Get(Prop::選択文字列), "b");
  EXPECT_EQ(tree.Read(), "b");
  tree.Set(Prop::選択位置, "3");  // no fourth node
  EXPECT_EQ(tree.Get(Prop::選択位置), "1");
  tree.Set(Prop::選択文字列, "「B」");
  EXPECT_EQ(tree.Get(Prop::アイテム), "a\r\na\\B\r\nc\r\n");
  tree.Set(Prop::編集, "1");
  EXPECT_EQ(tree.Get(Prop::編集), "1");
  tree.Set(Prop::編集, "0");
  EXPECT_EQ(tree.Get(Prop::編集), "0");
}

TEST(TreeKind, AddingStopsWhenTheProgramEnds) {
  TestEngine t;
  TestPart tree(t, PartKind::ツリー);
  t.e.StopFlag = true;
  parts::AddTreePaths(t.e, tree.Fake(), "a\r\nb");
  EXPECT_TRUE(tree.Fake().Nodes.empty());
}

}  // namespace
}  // namespace nokari::test
