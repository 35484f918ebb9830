// Menu items: メニュー作成, メニュー追加 and メニューパス作成 (names,
// captions, where each item hangs, separators, the name rules) and the
// properties of an item.
#include "PartsTest.h"

namespace nokari::test {
namespace {

class MenusTest : public PartsTest {
 protected:
  // The item a name stands for hangs under this parent item (null: the
  // menu bar).
  FakePart* ParentOf(const std::string& utf8) {
    FakePart* item = Widget(utf8);
    return item ? item->ParentPart : nullptr;
  }
};

TEST_F(MenusTest, ItemsTakeTheirCaptionsFromTheirNames) {
  Run("「ファイルメニュー」を、メニュー作成\n"
      "「ファイルメニュー」に、「ファイル_開くメニュー」を、メニュー追加\n"
      "「ファイルメニュー」に、「開く_ファイルメニュー」を、メニュー追加\n"  // no prefix to remove
      "「ファイルメニュー」に、「項目A」を、メニュー追加\n"                  // no メニュー to remove
      "「編集」を、メニュー作成\n"
      "「編集」に、「編集_元に戻すメニュー」を、メニュー追加\n"             // parent without メニュー
      // そ names the last item made; 種類 reads メニュー.
      "(その(名前))を、表示\n(項目Aの(種類))を、表示");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(Caption("ファイルメニュー"), "ファイル");
  EXPECT_EQ(Caption("ファイル_開くメニュー"), "開く");
  EXPECT_EQ(Caption("開く_ファイルメニュー"), "開く_ファイル");
  EXPECT_EQ(Caption("項目A"), "項目A");
  EXPECT_EQ(Caption("編集_元に戻すメニュー"), "編集_元に戻す");

  // Records, words and where the items hang.
  TObjNode* file = Record("ファイルメニュー");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Kind, static_cast<int>(PartKind::メニュー));
  EXPECT_EQ(file->ParentId, 0);
  EXPECT_EQ(Record("ファイル_開くメニュー")->ParentId, file->Id);
  EXPECT_EQ(ToUtf8(Word("ファイル_開くメニュー")->TypeTag), "メニュー");
  EXPECT_EQ(ParentOf("ファイルメニュー"), nullptr);
  EXPECT_EQ(ParentOf("ファイル_開くメニュー"), Widget("ファイルメニュー"));
  EXPECT_EQ(ParentOf("編集_元に戻すメニュー"), Widget("編集"));
  EXPECT_TRUE(Widget("項目A")->IsVisible);
  EXPECT_EQ(fake.MenuItems.size(), 6u);
  EXPECT_EQ(t.host.Output, "編集_元に戻すメニュー\nメニュー\n");
}

TEST_F(MenusTest, SeparatorsUnderOneParentGetNamesOfTheirOwn) {
  Run("「ファイルメニュー」を、メニュー作成\n"
      "「ファイルメニュー」に、「-」を、メニュー追加\n"
      "「ファイルメニュー」に、「ファイル_-メニュー」を、メニュー追加\n"  // "-" once its prefix is gone
      "「ファイルメニュー」に、「-」を、メニュー追加\n"
      "(その(名前))を、表示");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(t.host.Output, "split4メニュー\n");
  ASSERT_EQ(fake.MenuItems.size(), 4u);
  for (int id : {2, 3, 4}) {
    std::string name = "split" + std::to_string(id) + "メニュー";
    ASSERT_NE(Record(name), nullptr) << name;
    EXPECT_EQ(Record(name)->Id, id);
    EXPECT_EQ(Caption(name), "-");
    EXPECT_EQ(ParentOf(name), Widget("ファイルメニュー"));
  }
  EXPECT_EQ(Word("-"), nullptr);
}

TEST_F(MenusTest, PathsShareTheirFirstParts) {
  Run("`ファイル\\開く\nファイル\\最近\\a.txt\n\nファイル\\最近\\b.txt\n編集`を、メニューパス作成\n");
  ASSERT_EQ(Error(), "");
  // ファイル and ファイル_最近 once each; the blank line makes nothing.
  EXPECT_EQ(fake.MenuItems.size(), 6u);
  EXPECT_EQ(Caption("ファイルメニュー"), "ファイル");
  EXPECT_EQ(Caption("ファイル_開くメニュー"), "開く");
  EXPECT_EQ(Caption("ファイル_最近メニュー"), "最近");
  EXPECT_EQ(Caption("ファイル_最近_a.txtメニュー"), "a.txt");
  EXPECT_EQ(Caption("編集メニュー"), "編集");
  EXPECT_EQ(ParentOf("ファイル_最近_b.txtメニュー"), Widget("ファイル_最近メニュー"));
  EXPECT_EQ(ParentOf("ファイル_最近メニュー"), Widget("ファイルメニュー"));
  EXPECT_EQ(ParentOf("編集メニュー"), nullptr);
  // A path made again makes nothing new.
  Run("`ファイル\\開く\nファイル\\開く`を、メニューパス作成");
  EXPECT_EQ(fake.MenuItems.size(), 8u);  // 6 before, 2 of this run
}

// 表 and ソ end in the byte of "\": only a "\" of its own splits a path.
TEST_F(MenusTest, PathsSplitOnlyAtABackslashCharacter) {
  Run("`表示\\ソース`を、メニューパス作成");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(fake.MenuItems.size(), 2u);
  EXPECT_EQ(Caption("表示_ソースメニュー"), "ソース");
  EXPECT_EQ(ParentOf("表示_ソースメニュー"), Widget("表示メニュー"));
}

TEST_F(MenusTest, NameRulesAndAMissingParentLeaveNoTrace) {
  struct Case {
    const char* program;
    const char* error;
  };
  const Case cases[] = {
      {"「B1」を、ボタンとして、作成\n「B1」を、メニュー作成", "オブジェクト\"B1\"は、既に存在するので、作成できません。"},
      {"「母艦」を、メニュー作成", "\"母艦\"は、読取専用です。"},
      {"「無いメニュー」に、「子メニュー」を、メニュー追加", "オブジェクト\"無いメニュー\"は、作成されていません。"},
      {"「B2」を、ボタンとして、作成\n「B2」に、「子メニュー」を、メニュー追加",
       "オブジェクト\"B2\"は、\"メニュー\"ではありません。"},
      // The first part exists, but as no item.
      {"aメニュー=1\n`a\\b`を、メニューパス作成", "オブジェクト\"aメニュー\"は、作成されていません。"},
      {"「」を、メニュー作成", "\"メニュー作成\"命令の引数に誤りがあります。オブジェクト名がありません。"},
  };
  for (const Case& c : cases) {
    t.host.Errors.clear();
    size_t itemsBefore = fake.MenuItems.size();
    Run(c.program);
    EXPECT_TRUE(ErrorHas(c.error)) << c.program << "\n" << Error();
    EXPECT_EQ(fake.MenuItems.size(), itemsBefore) << c.program;
    EXPECT_EQ(Word("子メニュー"), nullptr) << c.program;
  }
  // A variable of the name gives way to the item.
  t.host.Errors.clear();
  EXPECT_EQ(Run("終了メニュー=5\n「終了メニュー」を、メニュー作成\n(終了メニューの(種類))を、表示"), "メニュー\n");
  EXPECT_EQ(Error(), "");
}

TEST_F(MenusTest, MakeOfANameEndingInMenuMakesAnItem) {
  Run("「終了メニュー」を、作る\n「実行メニュー」を、作る\n「実行メニュー」に、「実行_開始メニュー」を、メニュー追加\n");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(Caption("終了メニュー"), "終了");
  EXPECT_EQ(ParentOf("終了メニュー"), nullptr);
  EXPECT_EQ(Caption("実行_開始メニュー"), "開始");
}

TEST_F(MenusTest, PropertiesWorkOnTheItem) {
  std::string out = Run(
      "「ファイルメニュー」を、メニュー作成\n"
      "ファイルメニューの、テキストは、「ファイル(&F)」\n"
      "(ファイルメニューの(テキスト))を、表示\n"
      "ファイルメニューを、表示\n"
      "ファイルメニューの、値は、1\n"
      "(ファイルメニューの(値))を、表示\n"
      "ファイルメニューの、ショートカットキーは、「Ctrl+O」\n"
      "(ファイルメニューの(ショートカットキー))を、表示\n"
      "ファイルメニューの、可視は、0\n"
      "ファイルメニューの、有効は、0\n"
      "(ファイルメニューの(可視))を、表示\n"
      "ファイルメニューの、画像は、「開く.png」\n"
      "ファイルメニューは、「ファイル」\n"
      "(ファイルメニューの(テキスト))を、表示\n");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(out, "ファイル(&F)\nファイル(&F)\n1\nCtrl+O\n0\nファイル\n");
  FakePart* item = Widget("ファイルメニュー");
  EXPECT_EQ(item->Number, 1);
  EXPECT_FALSE(item->IsEnabled);
  EXPECT_EQ(ToUtf8(item->Picture), "開く.png");
  // A menu item has no place of its own.
  Run("「ファイルメニュー」を、メニュー作成\nファイルメニューの、Xは、10");
  EXPECT_TRUE(ErrorHas("オブジェクト\"ファイルメニュー\"の設定は、未定義です。")) << Error();
}

TEST_F(MenusTest, DestroyingAnItemLetsItsNameBeMadeAgain) {
  Run("`ファイル\\開く`を、メニューパス作成\nファイルメニューを、オブジェクト破壊\n"
      "「ファイルメニュー」を、メニュー作成\n");
  ASSERT_EQ(Error(), "");
  EXPECT_EQ(Record("ファイルメニュー")->Id, 3);
  EXPECT_EQ(Record("ファイル_開くメニュー")->ParentId, 0);  // its parent went
}

}  // namespace
}  // namespace nokari::test
