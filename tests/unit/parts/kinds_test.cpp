// Each kind's own properties and main value, on in-memory parts.
#include <gtest/gtest.h>

#include <set>

#include "KindTesting.h"

namespace nokari::test {
namespace {

using parts::Prop;
using testing::TestEngine;

bool Owns(PartKind kind, Prop p) {
  for (const parts::PropertyRow& row : parts::KindInfo(kind).Behaviour->Properties)
    if (row.Id == p) return true;
  return false;
}

// --- the lists themselves ---------------------------------------------------

TEST(KindRows, EachPropertyOnceWithAKnownMark) {
  for (const parts::PartKindInfo& kind : parts::AllKinds()) {
    std::set<Prop> seen;
    for (const parts::PropertyRow& row : kind.Behaviour->Properties) {
      EXPECT_TRUE(seen.insert(row.Id).second) << kind.Name << " lists " << parts::PropName(row.Id) << " twice";
      EXPECT_TRUE(row.Get || row.Set) << kind.Name << " " << parts::PropName(row.Id);
      if (row.Mark) {
        EXPECT_TRUE(std::string(row.Mark) == "s" || std::string(row.Mark) == "e");
      }
    }
  }
}

TEST(KindRows, FontsBelongToTheTextBearingKinds) {
  const std::set<PartKind> textBearing = {PartKind::ボタン, PartKind::エディタ, PartKind::コンボ,
                                          PartKind::リスト, PartKind::メモ,     PartKind::グリッド,
                                          PartKind::ラベル, PartKind::チェック, PartKind::リッチエディタ};
  for (const parts::PartKindInfo& kind : parts::AllKinds()) {
    bool expected = textBearing.count(kind.Kind) > 0;
    for (Prop p : {Prop::フォント書体, Prop::フォントサイズ, Prop::フォント色})
      EXPECT_EQ(Owns(kind.Kind, p), expected) << kind.Name << " " << parts::PropName(p);
  }
}

TEST(KindRows, BackColourKinds) {
  const std::set<PartKind> withColour = {
      PartKind::エディタ, PartKind::コンボ,   PartKind::リスト,   PartKind::メモ,     PartKind::グリッド,
      PartKind::ラベル,   PartKind::チェック, PartKind::リッチエディタ, PartKind::パネル, PartKind::Tエディタ,
      PartKind::ラジオ,   PartKind::スクロール, PartKind::アニメ, PartKind::フォーム};
  for (const parts::PartKindInfo& kind : parts::AllKinds())
    EXPECT_EQ(Owns(kind.Kind, Prop::背景色), withColour.count(kind.Kind) > 0) << kind.Name;
}

TEST(KindRows, MainValues) {
  for (PartKind k : {PartKind::トラック, PartKind::アニメ, PartKind::ブラウザ, PartKind::スクロール,
                     PartKind::タブページ})
    EXPECT_EQ(parts::KindInfo(k).Behaviour->ReadValue, nullptr) << parts::KindInfo(k).Name;
  for (PartKind k : {PartKind::バー, PartKind::リスト, PartKind::チェック, PartKind::ラジオ})
    EXPECT_STREQ(parts::KindInfo(k).Behaviour->ValueMark, "e") << parts::KindInfo(k).Name;
  for (PartKind k : {PartKind::ボタン, PartKind::イメージ, PartKind::フォーム, PartKind::グリッド, PartKind::ツリー})
    EXPECT_STREQ(parts::KindInfo(k).Behaviour->ValueMark, "s") << parts::KindInfo(k).Name;
  EXPECT_EQ(parts::KindInfo(PartKind::ツリー).Behaviour->AssignValue, nullptr);
}

// --- shared rows --------------------------------------------------------------

TEST(SharedRows, FontsReadBackAsAsked) {
  TestEngine t;
  TestPart::Let(t, "文字サイズ", "20");
  for (PartKind k : {PartKind::ボタン, PartKind::グリッド, PartKind::チェック}) {
    TestPart p(t, k);
    p.Set(Prop::フォント書体, "「ＭＳ ゴシック|太字」");
    EXPECT_EQ(p.Get(Prop::フォント書体), "ＭＳ ゴシック");
    EXPECT_STREQ(p.Mark(), "s");
    EXPECT_TRUE(p.Fake().CurrentFont.Bold);
    EXPECT_EQ(p.Get(Prop::フォントサイズ), "20");  // no size given: 文字サイズ
    p.Set(Prop::フォント書体, "「Serif||14」");
    EXPECT_EQ(p.Get(Prop::フォントサイズ), "14");
    EXPECT_FALSE(p.Fake().CurrentFont.Bold);
    p.Set(Prop::フォントサイズ, "11");
    EXPECT_EQ(p.Get(Prop::フォントサイズ), "11");
    EXPECT_EQ(p.Get(Prop::フォント書体), "Serif");  // the size leaves the face
    p.Set(Prop::フォントサイズ, "「大」");
    EXPECT_EQ(p.Get(Prop::フォントサイズ), "9");
    p.Set(Prop::フォント色, "「#FF0000」");
    EXPECT_EQ(p.Get(Prop::フォント色), "255");
    p.Set(Prop::フォント色, "「赤」");
    EXPECT_EQ(p.Get(Prop::フォント色), "0");
  }
}

TEST(SharedRows, BackColour) {
  TestEngine t;
  TestPart p(t, PartKind::メモ);
  p.Set(Prop::背景色, "「#00FF00」");
  EXPECT_EQ(p.Get(Prop::背景色), "65280");
  EXPECT_STREQ(p.Mark(), "e");
  p.Set(Prop::背景色, "12345");
  EXPECT_EQ(p.Get(Prop::背景色), "12345");
  p.Set(Prop::背景色, "「なし」");
  EXPECT_EQ(p.Get(Prop::背景色), "-1");
}

TEST(SharedRows, SelectionCaretAndInputMethod) {
  TestEngine t;
  TestPart p(t, PartKind::エディタ);
  p.Set(Prop::テキスト, "「abcdef」");
  p.Set(Prop::選択文字数, "3");
  p.Set(Prop::選択位置, "2");  // moving the start empties the selection
  EXPECT_EQ(p.Get(Prop::選択文字数), "0");
  p.Set(Prop::選択文字数, "3");
  EXPECT_EQ(p.Get(Prop::選択位置), "2");
  EXPECT_EQ(p.Get(Prop::選択文字列), "cde");
  p.Set(Prop::選択文字列, "「X」");
  EXPECT_EQ(p.Get(Prop::テキスト), "abXf");
  p.Set(Prop::選択位置, "-5");
  EXPECT_EQ(p.Get(Prop::選択位置), "0");

  for (int mode = 1; mode <= 4; ++mode) {
    p.Set(Prop::IME, std::to_string(mode));
    EXPECT_EQ(p.Get(Prop::IME), std::to_string(mode));
    EXPECT_TRUE(p.Fake().Ime);
  }
  p.Set(Prop::IME, "5");
  EXPECT_EQ(p.Get(Prop::IME), "0");
  EXPECT_FALSE(p.Fake().Ime);

  TestPart memo(t, PartKind::メモ);
  memo.Set(Prop::列, "4");
  memo.Set(Prop::行, "2");
  EXPECT_EQ(memo.Get(Prop::列), "4");
  EXPECT_EQ(memo.Get(Prop::行), "2");
  EXPECT_FALSE(Owns(PartKind::エディタ, Prop::行));
}

TEST(SharedRows, EditingSwitch) {
  TestEngine t;
  for (PartKind k : {PartKind::エディタ, PartKind::メモ, PartKind::Tエディタ, PartKind::リッチエディタ,
                     PartKind::コンボ}) {
    TestPart p(t, k);
    EXPECT_EQ(p.Get(Prop::編集), "1");
    p.Set(Prop::編集, "0");
    EXPECT_EQ(p.Get(Prop::編集), "0");
    EXPECT_FALSE(p.Fake().IsEditable);
    p.Set(Prop::編集, "1");
    EXPECT_EQ(p.Get(Prop::編集), "1");
  }
}

// --- text kinds -----------------------------------------------------------------

TEST(ButtonKind, CaptionWidensANarrowButton) {
  TestEngine t;
  TestPart b(t, PartKind::ボタン);
  b.Set(Prop::テキスト, "「OK」");  // 16 + 10 pixels: narrower than 75
  EXPECT_EQ(b.Fake().Rect.W, 75);
  EXPECT_EQ(b.Get(Prop::テキスト), "OK");
  b.Set(Prop::テキスト, "「これは長いボタンの文字」");  // 22 bytes: 176 + 10
  EXPECT_EQ(b.Fake().Rect.W, 186);
  b.Set(Prop::テキスト, "「短い」");  // never shrinks
  EXPECT_EQ(b.Fake().Rect.W, 186);
  b.Set(Prop::タイトル, "「題」");
  EXPECT_EQ(b.Get(Prop::タイトル), "題");
  EXPECT_EQ(b.Get(Prop::テキスト), "題");
}

TEST(ButtonKind, MainValueIsTheCaption) {
  TestEngine t;
  TestPart b(t, PartKind::ボタン);
  b.Assign("押してください押してください");
  EXPECT_EQ(b.Read(), "押してください押してください");
  EXPECT_EQ(b.Fake().Rect.W, 75);  // assigning does not widen
}

TEST(TextKinds, TextIsStoredInTheWordAndShown) {
  TestEngine t;
  TestPart::Let(t, "氏名", "花子");
  for (PartKind k : {PartKind::エディタ, PartKind::コンボ, PartKind::メモ, PartKind::ラベル, PartKind::チェック,
                     PartKind::パネル, PartKind::リッチエディタ, PartKind::Tエディタ, PartKind::メニュー,
                     PartKind::フォーム}) {
    TestPart p(t, k);
    p.Set(Prop::テキスト, "氏名&「さん」");
    EXPECT_EQ(U(p.Fake().Caption), "花子さん") << parts::KindInfo(k).Name;
    EXPECT_EQ(U(p.Word().Value), "花子さん");
    EXPECT_EQ(p.Get(Prop::テキスト), "花子さん");
    EXPECT_STREQ(p.Mark(), "s");
    p.Fake().Caption = S("打ち直し");  // the user typed
    EXPECT_EQ(p.Get(Prop::テキスト), "打ち直し");
    // タイトル reads the stored text, but a フォーム's is its caption.
    EXPECT_EQ(p.Get(Prop::タイトル), k == PartKind::フォーム ? "打ち直し" : "花子さん");
    if (p.Behaviour().ReadValue == nullptr || k == PartKind::チェック) continue;
    p.Assign("直接");
    EXPECT_EQ(p.Read(), "直接");
  }
}

TEST(TextKinds, SettingTextBumpsTheWordVersion) {
  TestEngine t;
  TestPart p(t, PartKind::エディタ);
  uint64_t before = p.Word().Version;
  p.Set(Prop::テキスト, "「a」");
  EXPECT_GT(p.Word().Version, before);
}

TEST(MemoKind, TenMegabytesOfText) {
  TestEngine t;
  std::string big(10 * 1024 * 1024, 'x');
  for (size_t i = 100; i < big.size(); i += 101) big[i] = '\n';
  t.e.Words.Add(std::make_shared<THashNode>(S("本文"), big, 0, false));  // ASCII: the same in CP932
  TestPart memo(t, PartKind::メモ);
  memo.Set(Prop::テキスト, "本文");
  EXPECT_EQ(memo.Fake().Caption.size(), big.size());
  EXPECT_EQ(memo.Word().Value.size(), big.size());
  parts::Part part{t.e, memo.Word(), memo.Node(), memo.Fake()};
  EXPECT_EQ(memo.Behaviour().ReadValue(part), big);
}

TEST(MemoKind, ScrollBars) {
  TestEngine t;
  for (PartKind k : {PartKind::メモ, PartKind::リッチエディタ}) {
    TestPart memo(t, k);
    for (const char* mode : {"縦", "横", "両方"}) {
      memo.Set(Prop::スクロールバー, std::string("「") + mode + "」");
      EXPECT_EQ(memo.Get(Prop::スクロールバー), mode);
    }
    memo.Set(Prop::スクロールバー, "「なし」");
    EXPECT_EQ(memo.Get(Prop::スクロールバー), "");
    EXPECT_EQ(memo.Fake().Bars, ScrollBarMode::None);
  }
  EXPECT_FALSE(Owns(PartKind::エディタ, Prop::スクロールバー));
}

// --- lists ----------------------------------------------------------------------

TEST(ListKinds, ItemsIndexAndSelectedText) {
  TestEngine t;
  for (PartKind k : {PartKind::リスト, PartKind::ラジオ}) {
    TestPart p(t, k);
    p.SetTo(Prop::アイテム, "赤\n\n青");
    EXPECT_EQ(p.Fake().ItemList.size(), 3u);  // a list keeps empty lines
    EXPECT_EQ(p.Get(Prop::アイテム), "赤\r\n\r\n青\r\n");
    p.Fake().Number = -1;
    EXPECT_EQ(p.Get(Prop::値), "-1");
    EXPECT_EQ(p.Get(Prop::テキスト), "");
    p.Set(Prop::テキスト, "「黄」");  // nothing selected: no item changes
    EXPECT_EQ(p.Get(Prop::アイテム), "赤\r\n\r\n青\r\n");
    EXPECT_EQ(U(p.Word().Value), "黄");

    p.Set(Prop::値, "2");
    EXPECT_EQ(p.Get(Prop::値), "2");
    EXPECT_STREQ(p.Mark(), "e");
    for (const char* outside : {"3", "-1"}) {
      p.Set(Prop::値, outside);
      EXPECT_EQ(p.Get(Prop::値), "2") << outside;
    }
    EXPECT_EQ(p.Get(Prop::テキスト), "青");
    p.Set(Prop::テキスト, "「緑」");
    p.Set(Prop::値, "「x」");  // a text reads as 0
    EXPECT_EQ(p.Get(Prop::値), "0");
    p.Set(Prop::値, "2");
    EXPECT_EQ(p.Get(Prop::アイテム), "赤\r\n\r\n緑\r\n");

    EXPECT_EQ(p.Read(), "2");
    p.Assign("0");
    EXPECT_EQ(p.Read(), "0");
    p.Assign("7");
    EXPECT_EQ(p.Read(), "0");
  }
}

TEST(ListKinds, ListSelectionAndSorting) {
  TestEngine t;
  TestPart list(t, PartKind::リスト);
  list.SetTo(Prop::アイテム, "a\nb");
  list.Set(Prop::値, "1");
  EXPECT_EQ(list.Get(Prop::選択文字列), "b");
  list.Set(Prop::選択文字列, "「c」");
  EXPECT_EQ(list.Get(Prop::アイテム), "a\r\nc\r\n");
  list.Set(Prop::ソート, "1");
  EXPECT_TRUE(list.Fake().IsSorted);
  EXPECT_EQ(list.Get(Prop::ソート), "1");
  EXPECT_FALSE(Owns(PartKind::ラジオ, Prop::ソート));
}

TEST(ComboKind, EmptyItemsAreDropped) {
  TestEngine t;
  TestPart combo(t, PartKind::コンボ);
  combo.SetTo(Prop::アイテム, "東京\r\n\r\n大阪\n\n");
  EXPECT_EQ(combo.Get(Prop::アイテム), "東京\r\n大阪\r\n");
  combo.Set(Prop::値, "1");
  EXPECT_EQ(combo.Get(Prop::値), "1");
  combo.Set(Prop::値, "2");
  EXPECT_EQ(combo.Get(Prop::値), "1");
  combo.Set(Prop::テキスト, "「京都」");  // the edit field, not an item
  EXPECT_EQ(combo.Read(), "京都");
  EXPECT_EQ(combo.Get(Prop::アイテム), "東京\r\n大阪\r\n");
  combo.Set(Prop::ソート, "0");
  EXPECT_EQ(combo.Get(Prop::ソート), "0");
}

// --- numbers ----------------------------------------------------------------------

TEST(BarKind, PositionHeldInItsRange) {
  TestEngine t;
  TestPart bar(t, PartKind::バー);
  bar.Set(Prop::最小値, "10");
  bar.Set(Prop::最大値, "50");
  EXPECT_EQ(bar.Get(Prop::最小値), "10");
  EXPECT_EQ(bar.Get(Prop::最大値), "50");
  EXPECT_STREQ(bar.Mark(), "e");
  bar.Set(Prop::値, "30");
  EXPECT_EQ(bar.Get(Prop::値), "30");
  bar.Set(Prop::値, "80");
  EXPECT_EQ(bar.Get(Prop::値), "50");
  bar.Set(Prop::値, "3");
  EXPECT_EQ(bar.Get(Prop::値), "10");
  bar.Set(Prop::値, "-1");  // ignored
  EXPECT_EQ(bar.Get(Prop::値), "10");
  bar.Assign("99");
  EXPECT_EQ(bar.Read(), "50");
  bar.Assign("-4");
  EXPECT_EQ(bar.Read(), "50");
  bar.Set(Prop::最大値, "「多い」");  // int(0)
  EXPECT_EQ(bar.Get(Prop::最大値), "0");
}

TEST(BarKind, Direction) {
  TestEngine t;
  TestPart bar(t, PartKind::バー);
  EXPECT_EQ(bar.Get(Prop::向き), "横");
  bar.Set(Prop::向き, "「縦」");
  EXPECT_EQ(bar.Get(Prop::向き), "縦");
  EXPECT_TRUE(bar.Fake().IsVertical);
  bar.Set(Prop::向き, "「ななめ」");
  EXPECT_EQ(bar.Get(Prop::向き), "横");
}

TEST(CheckKind, CheckState) {
  TestEngine t;
  TestPart check(t, PartKind::チェック);
  check.Set(Prop::値, "1");
  EXPECT_EQ(check.Get(Prop::値), "1");
  EXPECT_EQ(check.Read(), "1");
  check.Set(Prop::値, "「はい」");  // not a number: int(0)
  EXPECT_EQ(check.Get(Prop::値), "0");
  check.Assign("5");
  EXPECT_EQ(check.Read(), "1");
  check.Assign("0.5");  // the number read and truncated
  EXPECT_EQ(check.Read(), "0");
}

// --- pictures -----------------------------------------------------------------------

TEST(PictureKinds, LoadedThenStored) {
  TestEngine t;
  for (PartKind k : {PartKind::ボタン, PartKind::イメージ, PartKind::フォーム, PartKind::メニュー}) {
    TestPart p(t, k);
    p.Set(Prop::画像, "「a.bmp」");
    EXPECT_EQ(p.Fake().Picture, "a.bmp");
    EXPECT_EQ(p.Get(Prop::画像), "a.bmp");
    std::string error = TestPart::ErrorOf([&] { p.Set(Prop::画像, "「missing.png」"); });
    EXPECT_NE(error.find("画像ファイル\"missing.png\"が読込めません。"), std::string::npos) << error;
    EXPECT_EQ(p.Get(Prop::画像), "a.bmp");  // a failed picture stores nothing
    p.Set(Prop::画像, "「」");
    EXPECT_EQ(p.Fake().Picture, "");
  }
}

TEST(ImageKind, MainValueLoadsAndSizes) {
  TestEngine t;
  TestPart image(t, PartKind::イメージ);
  image.Assign(" b.png ");
  EXPECT_EQ(image.Fake().Picture, "b.png");
  EXPECT_EQ(image.Fake().Rect, (PartRect{10, 10, 32, 16}));
  EXPECT_EQ(image.Read(), "b.png");
  image.Assign("");
  EXPECT_EQ(image.Fake().Rect, (PartRect{10, 10, 32, 16}));
  image.Set(Prop::拡大機能, "1");
  EXPECT_EQ(image.Get(Prop::拡大機能), "1");
  image.Set(Prop::拡大機能, "-1");
  EXPECT_EQ(image.Get(Prop::拡大機能), "0");
  image.Set(Prop::透過処理, "2");
  EXPECT_EQ(image.Get(Prop::透過処理), "1");
}

TEST(AnimeKind, FramesAndItsOwnSettings) {
  TestEngine t;
  TestPart anime(t, PartKind::アニメ);
  anime.SetTo(Prop::画像, "f1.bmp\nf2.bmp");
  EXPECT_EQ(anime.Fake().Frames, (std::vector<std::string>{"f1.bmp", "f2.bmp"}));
  anime.Set(Prop::追加画像, "「f3.bmp」");
  EXPECT_EQ(anime.Fake().Frames.size(), 3u);
  EXPECT_EQ(anime.Get(Prop::追加画像), "f1.bmp\nf2.bmp");  // the word keeps 画像 only
  std::string error = TestPart::ErrorOf([&] { anime.SetTo(Prop::画像, "f4.bmp\nmissing.bmp"); });
  EXPECT_NE(error.find("\"missing.bmp\""), std::string::npos) << error;
  anime.SetTo(Prop::追加画像, "\r\n");  // no file: nothing added
  EXPECT_EQ(anime.Fake().Frames.size(), 1u);
  anime.SetTo(Prop::画像, " \r\n");  // no file: no frames
  EXPECT_TRUE(anime.Fake().Frames.empty());

  anime.Set(Prop::値, "120");
  EXPECT_EQ(anime.Get(Prop::値), "120");
  EXPECT_EQ(anime.Get(Prop::繰り返し回数), "0");  // none given
  anime.Set(Prop::繰り返し回数, "3");
  EXPECT_EQ(anime.Get(Prop::繰り返し回数), "3");
  EXPECT_EQ(anime.Fake().Repeat, 3);
  anime.Set(Prop::ボタン機能, "2");
  EXPECT_EQ(anime.Get(Prop::ボタン機能), "2");
  EXPECT_EQ(anime.Fake().Mode, 2);
  anime.Set(Prop::ボタン機能, "9");
  EXPECT_EQ(anime.Get(Prop::ボタン機能), "0");
  anime.Set(Prop::効果音, "「鳴る.wav」");
  EXPECT_EQ(anime.Get(Prop::効果音), "鳴る.wav");
  anime.Set(Prop::背景色, "「#0000FF」");
  EXPECT_EQ(anime.Fake().Back, 0xFF0000u);
}

// --- the rest -------------------------------------------------------------------------

TEST(FormKind, FrameStyles) {
  TestEngine t;
  TestPart form(t, PartKind::フォーム);
  form.Set(Prop::リサイズ, "0");
  EXPECT_EQ(form.Fake().Style, 1);
  EXPECT_EQ(form.Get(Prop::リサイズ), "0");
  form.Set(Prop::リサイズ, "1");
  EXPECT_EQ(form.Get(Prop::リサイズ), "1");
  form.Set(Prop::スタイル, "3");
  EXPECT_EQ(form.Get(Prop::スタイル), "3");
  EXPECT_EQ(form.Get(Prop::リサイズ), "1");
  form.Set(Prop::スタイル, "4");
  EXPECT_EQ(form.Get(Prop::スタイル), "3");
  form.Assign("窓");
  EXPECT_EQ(form.Read(), "窓");
  EXPECT_EQ(form.Get(Prop::タイトル), "窓");
}

TEST(MenuKind, ShortcutAndCheck) {
  TestEngine t;
  TestPart menu(t, PartKind::メニュー, "保存メニュー");
  menu.Set(Prop::ショートカットキー, "「Ctrl+S」");
  EXPECT_EQ(menu.Get(Prop::ショートカットキー), "Ctrl+S");
  std::string error = TestPart::ErrorOf([&] { menu.Set(Prop::ショートカットキー, "「Ctrl+missing」"); });
  EXPECT_NE(error.find("\"Ctrl+missing\"のショートカットキーの割り当てに失敗"), std::string::npos) << error;
  menu.Set(Prop::値, "1");
  EXPECT_EQ(menu.Get(Prop::値), "1");
  menu.Set(Prop::値, "0");
  EXPECT_EQ(menu.Get(Prop::値), "0");
}

TEST(BrowserKind, TextIsTheLocation) {
  TestEngine t;
  TestPart browser(t, PartKind::ブラウザ, "案内");
  browser.Set(Prop::URL, "「https://example.com/」");
  EXPECT_EQ(browser.Get(Prop::URL), "https://example.com/");
  EXPECT_EQ(browser.Get(Prop::テキスト), "https://example.com/");
  std::string error = TestPart::ErrorOf([&] { browser.Set(Prop::テキスト, "「x」"); });
  EXPECT_NE(error.find("オブジェクト\"案内\"の設定は、未定義です。"), std::string::npos) << error;
  EXPECT_EQ(browser.Word().Value, "");
}

TEST(TabPageKind, OneTabPerLine) {
  TestEngine t;
  TestPart tabs(t, PartKind::タブページ);
  tabs.SetTo(Prop::テキスト, "一般\n詳細\n拡張");
  EXPECT_EQ(tabs.Fake().Tabs.size(), 3u);
  EXPECT_EQ(tabs.Get(Prop::テキスト), "一般\r\n詳細\r\n拡張\r\n");
  tabs.Set(Prop::テキスト, "「基本」");
  EXPECT_EQ(tabs.Get(Prop::テキスト), "基本\r\n");
  tabs.Set(Prop::値, "0");
  EXPECT_EQ(tabs.Get(Prop::値), "0");
  tabs.Set(Prop::値, "1");  // no second page
  EXPECT_EQ(tabs.Get(Prop::値), "0");
}

}  // namespace
}  // namespace nokari::test
