#include "parts/PartKinds.h"

#include <array>

#include "core/Encoding.h"

namespace nokari::parts {
namespace {

constexpr std::array<const char*, kPropCount> kPropNames = {
    "X", "Y", "幅", "高さ", "テキスト", "アイテム", "値", "画像", "拡大機能", "最大値",
    "最小値", "タイトル", "向き", "ボタン機能", "可視", "イベント", "クリックした時", "ダブルクリックした時", "マウス押した時", "マウス離した時",
    "キー押した時", "キー離した時", "変更した時", "編集", "透過処理", "背景色", "サイズ", "名前", "スクロールバー", "フォント書体",
    "フォントサイズ", "フォント色", "ファイルドロップ", "リサイズ", "ショートカットキー", "IME", "繰り返し回数", "効果音", "マウス動かした時", "追加画像",
    "選択文字列", "ハンドル", "有効", "選択位置", "選択文字数", "URL", "右側", "下側", "ファイルドロップした時", "スタイル",
    "W", "H", "位置", "列", "行", "ソート", "種類",
};

// The vocabulary folded once, as script names are folded before comparing.
const std::array<std::string, kPropCount>& FoldedNames() {
  static const std::array<std::string, kPropCount> folded = [] {
    std::array<std::string, kPropCount> out;
    for (int i = 0; i < kPropCount; ++i) out[i] = StripOkurigana(Sj(kPropNames[i]));
    return out;
  }();
  return folded;
}

// The kind table. Width and height are what a new part gets: the kinds
// that must have a size (スクロール 300 × 200, アニメ 100 × 100) have it;
// the rest are the sizes these controls commonly have on a desktop, big
// enough for one line of the default 9-point text (an エディタ or コンボ
// one text line high, a ボタン its caption and a margin, a リスト or ツリー
// some six lines). Automatic placement puts the next part below this
// height, and 右側/下側 read it, so a script that never sets a size gets a
// predictable layout. A ボタン still widens to its caption (the width
// rule of 作成). メニュー has no size: menu items are not placed.
//
// The default event slot is the one イベント also fills: 1 click, 7
// change, 3 mouse pressed, -1 none (the generic slot only).
constexpr int kClick = 1, kChange = 7, kPressed = 3, kNone = -1;
const PartKindInfo kKinds[kPartKindCount] = {
    {PartKind::ボタン, "ボタン", 75, 25, kClick, &kButtonBehaviour},
    {PartKind::エディタ, "エディタ", 121, 21, kChange, &kEditBehaviour},
    {PartKind::イメージ, "イメージ", 105, 105, kPressed, &kImageBehaviour},
    {PartKind::バー, "バー", 121, 17, kChange, &kBarBehaviour},
    {PartKind::コンボ, "コンボ", 145, 21, kClick, &kComboBehaviour},
    {PartKind::リスト, "リスト", 121, 97, kClick, &kListBehaviour},
    {PartKind::メモ, "メモ", 185, 89, kNone, &kMemoBehaviour},
    {PartKind::フォーム, "フォーム", 320, 240, kPressed, &kFormBehaviour},
    {PartKind::グリッド, "グリッド", 320, 120, kNone, &kGridBehaviour},
    {PartKind::ラベル, "ラベル", 65, 17, kClick, &kLabelBehaviour},
    {PartKind::チェック, "チェック", 97, 17, kClick, &kCheckBehaviour},
    {PartKind::トラック, "トラック", 150, 45, kChange, &kTrackBehaviour},
    {PartKind::アニメ, "アニメ", 100, 100, kClick, &kAnimeBehaviour},
    {PartKind::メニュー, "メニュー", 0, 0, kClick, &kMenuBehaviour},
    {PartKind::ブラウザ, "ブラウザ", 300, 150, kClick, &kBrowserBehaviour},
    {PartKind::パネル, "パネル", 185, 41, kClick, &kPanelBehaviour},
    {PartKind::Tエディタ, "Tエディタ", 320, 240, kChange, &kTEditorBehaviour},
    {PartKind::ラジオ, "ラジオ", 185, 105, kClick, &kRadioBehaviour},
    {PartKind::スクロール, "スクロール", 300, 200, kNone, &kScrollBehaviour},
    {PartKind::タブページ, "タブページ", 289, 193, kChange, &kTabPageBehaviour},
    {PartKind::ツリー, "ツリー", 121, 97, kClick, &kTreeBehaviour},
    {PartKind::リッチエディタ, "リッチエディタ", 185, 89, kChange, &kRichEditBehaviour},
};

}  // namespace

std::optional<Prop> FindProp(std::string_view cp932Name) {
  std::string folded = StripOkurigana(cp932Name);
  const auto& names = FoldedNames();
  for (int i = 0; i < kPropCount; ++i) {
    if (names[i] != folded) continue;
    Prop p = static_cast<Prop>(i);
    if (p == Prop::W) return Prop::幅;
    if (p == Prop::H) return Prop::高さ;
    return p;
  }
  return std::nullopt;
}

const char* PropName(Prop p) { return kPropNames[static_cast<int>(p)]; }

int EventSlotOf(Prop p) {
  switch (p) {
    case Prop::イベント: return 0;
    case Prop::クリックした時: return 1;
    case Prop::ダブルクリックした時: return 2;
    case Prop::マウス押した時: return 3;
    case Prop::マウス離した時: return 4;
    case Prop::キー押した時: return 5;
    case Prop::キー離した時: return 6;
    case Prop::変更した時: return 7;
    case Prop::マウス動かした時: return 8;
    case Prop::ファイルドロップした時: return 9;
    default: return -1;
  }
}

std::span<const PartKindInfo> AllKinds() { return kKinds; }

const PartKindInfo& KindInfo(PartKind kind) { return kKinds[static_cast<int>(kind)]; }

const PartKindInfo* FindKind(std::string_view cp932Name) {
  for (const PartKindInfo& k : kKinds)
    if (Sj(k.Name) == cp932Name) return &k;
  return nullptr;
}

const PropertyRow* FindRow(const PartKindInfo& kind, Prop p) {
  for (const PropertyRow& row : kind.Behaviour->Properties)
    if (row.Id == p) return &row;
  for (const PropertyRow& row : CommonProperties())
    if (row.Id == p) return &row;
  return nullptr;
}

}  // namespace nokari::parts
