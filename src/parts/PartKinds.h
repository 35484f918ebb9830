// The kinds of GUI part and their properties, as lists.
//
// Each kind is one value (parts/kinds/<Kind>.cpp) listing the properties it
// has as rows {property, getter, setter, type mark}, the way a class lists
// its getters and setters; the properties every kind shares are one more
// list (parts/CommonProperties.cpp), searched after the kind's own. 設定,
// 得る and 「名前の項目」 all look a property up here, so adding a property
// to a kind is adding one row, and adding a kind is one file and one line
// of the kind table (parts/PartKinds.cpp), where its name, default size and
// default event slot stand.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/Parts.h"
#include "words/Contract.h"

namespace nokari::parts {

// The property vocabulary in its observable order. W and H are entries of
// their own that mean 幅 and 高さ.
enum class Prop : uint8_t {
  X, Y, 幅, 高さ, テキスト, アイテム, 値, 画像, 拡大機能, 最大値,
  最小値, タイトル, 向き, ボタン機能, 可視, イベント, クリックした時, ダブルクリックした時, マウス押した時, マウス離した時,
  キー押した時, キー離した時, 変更した時, 編集, 透過処理, 背景色, サイズ, 名前, スクロールバー, フォント書体,
  フォントサイズ, フォント色, ファイルドロップ, リサイズ, ショートカットキー, IME, 繰り返し回数, 効果音, マウス動かした時, 追加画像,
  選択文字列, ハンドル, 有効, 選択位置, 選択文字数, URL, 右側, 下側, ファイルドロップした時, スタイル,
  W, H, 位置, 列, 行, ソート, 種類,
};
inline constexpr int kPropCount = 57;

// A property named by a script: okurigana folded as word names are, first
// equal entry of the vocabulary; W and H come back as 幅 and 高さ. None
// when the name is not a property.
std::optional<Prop> FindProp(std::string_view cp932Name);
// The property's name as the vocabulary writes it (UTF-8).
const char* PropName(Prop p);
// The event slot a property sets (0 イベント ... 9 ファイルドロップした時),
// or -1 for a property that is no event.
int EventSlotOf(Prop p);

// What a property row works on: the engine, the object's word (whose Value
// keeps テキスト, タイトル and 画像 as the script gave them), its record and
// its widget.
struct Part {
  TNokaBase& E;
  THashNode& Word;
  TObjNode& Node;
  PartHandle& Control;
};

struct PropertyRow {
  Prop Id;
  // Reads the property. Null: reading it is the undefined-property error.
  std::string (*Get)(Part& part) = nullptr;
  // Sets it from the value text as the script wrote it, unevaluated (each
  // setter evaluates as its property needs; event properties keep it raw).
  // Null: setting it is the undefined-property error.
  void (*Set)(Part& part, const std::string& raw) = nullptr;
  // The type mark Get's result carries: "s", "e", or null to leave the
  // mark as it was.
  const char* Mark = nullptr;
};

// What makes one kind: its rows and its main value (the object's name used
// as a value, or assigned to with 名前は値).
struct KindBehaviour {
  std::span<const PropertyRow> Properties;
  // Null: "直接値を得ることは出来ません".
  std::string (*ReadValue)(Part& part) = nullptr;
  const char* ValueMark = "s";
  // Takes the evaluated value; null: assigning does nothing.
  void (*AssignValue)(Part& part, const std::string& value) = nullptr;
};

// One row of the kind table.
struct PartKindInfo {
  PartKind Kind;
  const char* Name;  // UTF-8, as 作成 and 種類 write it
  int Width, Height;     // the size a new part gets
  int DefaultEventSlot;  // the slot イベント also fills (-1: none)
  const KindBehaviour* Behaviour;
};

// The 22 kinds in table order.
std::span<const PartKindInfo> AllKinds();
const PartKindInfo& KindInfo(PartKind kind);
// The kind whose name (CP932) equals `name`; null when none.
const PartKindInfo* FindKind(std::string_view cp932Name);

// The properties every kind shares, searched after a kind's own.
std::span<const PropertyRow> CommonProperties();
// The row for a property: the kind's own first, then the common one; null
// when neither has it. A kind that lists a property decides both reading
// and writing it (a null getter or setter there is the undefined-property
// error, whatever the common row does).
const PropertyRow* FindRow(const PartKindInfo& kind, Prop p);

// The kinds' own lists (parts/kinds/*.cpp).
extern const KindBehaviour kButtonBehaviour, kEditBehaviour, kImageBehaviour, kBarBehaviour, kComboBehaviour,
    kListBehaviour, kMemoBehaviour, kFormBehaviour, kGridBehaviour, kLabelBehaviour, kCheckBehaviour,
    kTrackBehaviour, kAnimeBehaviour, kMenuBehaviour, kBrowserBehaviour, kPanelBehaviour, kTEditorBehaviour,
    kRadioBehaviour, kScrollBehaviour, kTabPageBehaviour, kTreeBehaviour, kRichEditBehaviour;

}  // namespace nokari::parts
