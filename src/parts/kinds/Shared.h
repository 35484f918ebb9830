// Property rows and readings that several kinds share: the object word's
// stored text, captions, fonts, background colour, selection, caret,
// input method, editing, pictures, list selection. A kind file joins the
// groups it has with its own rows (JoinRows), so a shared property reads
// and writes alike on every kind that has it.
#pragma once
#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "parts/PartValues.h"

namespace nokari::parts {

// --- values -----------------------------------------------------------------

// "1" / "0".
std::string FlagText(bool on);
// The object word's value: the テキスト, タイトル or 画像 last given.
std::string GetStored(Part& part);
void Store(Part& part, const std::string& value);
// For a kind that lists a property only to read it: setting it is
// "オブジェクト"%s"の設定は、未定義です。".
void RefuseSetting(Part& part, const std::string& raw);

// The caption or contents (text-bearing kinds, フォーム, メニュー, パネル,
// Tエディタ): the main value of most kinds.
std::string ReadText(Part& part);
void AssignText(Part& part, const std::string& value);

// The selected index of a list (コンボ, リスト, ラジオ) becomes n when
// 0 <= n < item count; any other n is ignored.
void SelectItem(Part& part, int n);
std::string ReadSelectedIndex(Part& part);
// The selected item's text ("" when none is selected) and replacing it.
std::string SelectedItemText(const PartHandle& control);
void ReplaceSelectedItem(PartHandle& control, const std::string& text);

// A picture file for a part: "" removes the picture, クリップボード goes
// to the window layer as it is, any other name is looked up with the
// script's search rules. A picture that cannot be read raises
// "画像ファイル"%s"が読込めません。".
void LoadPictureOf(Part& part, const std::string& name);
// アニメ frames, one file per line, replacing the frames or added to them.
void LoadFramesOf(Part& part, const std::string& names, bool append);

// --- rows ---------------------------------------------------------------------

// テキスト and タイトル for the kinds whose text is the control's text:
// the value is evaluated, kept in the object word, and shown.
std::string GetText(Part& part);
void SetText(Part& part, const std::string& raw);
inline constexpr PropertyRow kTextRows[] = {
    {Prop::テキスト, GetText, SetText, "s"},
    {Prop::タイトル, GetStored, SetText, "s"},
};

// フォント書体, フォントサイズ, フォント色: the text-bearing kinds.
std::string GetFontFace(Part& part);
void SetFontFace(Part& part, const std::string& raw);
std::string GetFontSize(Part& part);
void SetFontSize(Part& part, const std::string& raw);
std::string GetFontColour(Part& part);
void SetFontColour(Part& part, const std::string& raw);
inline constexpr PropertyRow kFontRows[] = {
    {Prop::フォント書体, GetFontFace, SetFontFace, "s"},
    {Prop::フォントサイズ, GetFontSize, SetFontSize, nullptr},
    {Prop::フォント色, GetFontColour, SetFontColour, nullptr},
};

// 背景色.
std::string GetBackColour(Part& part);
void SetBackColour(Part& part, const std::string& raw);
inline constexpr PropertyRow kBackColourRows[] = {
    {Prop::背景色, GetBackColour, SetBackColour, "e"},
};

// 選択文字列, 選択位置, 選択文字数: the editable kinds and コンボ.
std::string GetSelText(Part& part);
void SetSelText(Part& part, const std::string& raw);
std::string GetSelStart(Part& part);
void SetSelStart(Part& part, const std::string& raw);
std::string GetSelLength(Part& part);
void SetSelLength(Part& part, const std::string& raw);
inline constexpr PropertyRow kSelectionRows[] = {
    {Prop::選択文字列, GetSelText, SetSelText, nullptr},
    {Prop::選択位置, GetSelStart, SetSelStart, nullptr},
    {Prop::選択文字数, GetSelLength, SetSelLength, nullptr},
};

// 列, 行: the caret (メモ, リッチエディタ, Tエディタ) or the current cell
// (グリッド).
std::string GetColumn(Part& part);
void SetColumn(Part& part, const std::string& raw);
std::string GetLine(Part& part);
void SetLine(Part& part, const std::string& raw);
inline constexpr PropertyRow kCaretRows[] = {
    {Prop::列, GetColumn, SetColumn, nullptr},
    {Prop::行, GetLine, SetLine, nullptr},
};

// IME: 1 open, 2 hiragana, 3 full-width katakana, 4 half-width katakana,
// anything else closed.
std::string GetIme(Part& part);
void SetIme(Part& part, const std::string& raw);
inline constexpr PropertyRow kImeRows[] = {
    {Prop::IME, GetIme, SetIme, nullptr},
};

// 編集 as a read-only switch (1 makes the part editable).
std::string GetEditable(Part& part);
void SetEditable(Part& part, const std::string& raw);
inline constexpr PropertyRow kEditableRows[] = {
    {Prop::編集, GetEditable, SetEditable, "e"},
};

// スクロールバー: "縦", "横", "両方" or none (メモ, リッチエディタ).
std::string GetScrollBars(Part& part);
void SetScrollBars(Part& part, const std::string& raw);
inline constexpr PropertyRow kScrollBarRows[] = {
    {Prop::スクロールバー, GetScrollBars, SetScrollBars, "s"},
};

// 拡大機能 and 透過処理 (イメージ, フォーム, アニメ; 透過処理 also ラベル).
std::string GetStretch(Part& part);
void SetStretch(Part& part, const std::string& raw);
std::string GetTransparent(Part& part);
void SetTransparent(Part& part, const std::string& raw);
inline constexpr PropertyRow kStretchRows[] = {
    {Prop::拡大機能, GetStretch, SetStretch, "e"},
};
inline constexpr PropertyRow kTransparentRows[] = {
    {Prop::透過処理, GetTransparent, SetTransparent, "e"},
};

// 画像 of the kinds that load one picture (ボタン, イメージ, フォーム,
// メニュー): loaded, then kept in the object word.
void SetPicture(Part& part, const std::string& raw);
inline constexpr PropertyRow kPictureRows[] = {
    {Prop::画像, GetStored, SetPicture, "s"},
};

// アイテム, 値 and ソート of the list kinds (コンボ's アイテム drops
// empty lines and is its own).
std::string GetItems(Part& part);
void SetItems(Part& part, const std::string& raw);
std::string GetListValue(Part& part);
void SetListValue(Part& part, const std::string& raw);
std::string GetSorted(Part& part);
void SetSorted(Part& part, const std::string& raw);
// リスト and ラジオ: テキスト is the selected item's text (setting it
// replaces that item's text, when one is selected), アイテム the items, 値
// the selected index.
std::string GetSelectedItem(Part& part);
void SetSelectedItem(Part& part, const std::string& raw);
inline constexpr PropertyRow kListRows[] = {
    {Prop::テキスト, GetSelectedItem, SetSelectedItem, "s"},
    {Prop::タイトル, GetStored, SetSelectedItem, "s"},
    {Prop::アイテム, GetItems, SetItems, "s"},
    {Prop::値, GetListValue, SetListValue, "e"},
};
// ソート reads back as 1/0 as well.
inline constexpr PropertyRow kSortRows[] = {
    {Prop::ソート, GetSorted, SetSorted, "e"},
};

// The rows of several lists as one, in order: a kind's own rows first,
// then the groups it shares.
template <size_t... N>
constexpr auto JoinRows(const PropertyRow (&... lists)[N]) {
  std::array<PropertyRow, (N + ...)> out{};
  size_t at = 0;
  auto append = [&](const auto& list) {
    for (const PropertyRow& row : list) out[at++] = row;
  };
  (append(lists), ...);
  return out;
}

}  // namespace nokari::parts
