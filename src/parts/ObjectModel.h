// The object model: how object words (kind 4) reach their records and
// widgets, the layout state automatic placement shares with text output,
// そ, event slots, and the object list's lifecycle (deferred destruction).
// The parts family installs it as the engine's IObjectModel; its commands
// (parts/PartCommands.cpp) and the common property rows use the rest.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "parts/PartKinds.h"

namespace nokari::parts {

// Installed by the family's Install hook, at the start of every run: the
// object model, 母艦's widget, a fresh layout, and an object list holding
// 母艦 alone (the word table was just emptied, so parts of an earlier run
// could no longer be named).
void InstallObjectModel(TNokaBase& e);

// Where the next automatically placed part (or text) goes, and the
// centring flag. Kept here because no drawing state holds them yet; 表示,
// 移動, センタリング and 画面クリア share this one copy.
struct PartLayout {
  int X = 10, Y = 10;
  bool Centring = false;
};
PartLayout& Layout(TNokaBase& e);
// 部品配置間隔 read as a number (8 when empty).
int PlacementGap(TNokaBase& e);

// The widget of a record; 母艦's is lent by the part service on first use.
// Null when the record has none (an engine without a window layer).
PartHandle* ControlOf(TNokaBase& e, TObjNode& node);
// The same, raising "ウィンドウ部品を使えません" when there is none.
PartHandle& RequireControl(TNokaBase& e, TObjNode& node);

// The record an object word names; "作成されていません" when its slot is
// empty (the object was destroyed; そ may still name it).
TObjNode& RecordOf(TNokaBase& e, const THashNode& word);
// The object's own word for a word that names it (そ and イベントオブジェクト
// are copies): where テキスト, タイトル and 画像 are stored.
THashNode& OwnWordOf(TNokaBase& e, THashNode& word, const TObjNode& node);

// そ refers to the word: そ takes the word's kind and value (so そのテキスト
// reads the object's property), staying an unreserved built-in.
void ReferToWord(TNokaBase& e, const THashNode& word);

// Property access by the name a script wrote (okurigana folded), with the
// errors every form shares. そ is set to the object before assigning.
std::string ReadPartProperty(TNokaBase& e, THashNode& word, const std::string& property);
void AssignPartProperty(TNokaBase& e, THashNode& word, const std::string& property, const std::string& raw);

// Attaches a handler to event slot `slot` from the value text as written
// (a label name, inline statements, or empty to clear); イベント (slot 0)
// also fills the kind's default slot.
void SetEventSlot(Part& part, int slot, const std::string& raw);
// Whether the slot holds a handler.
bool HasHandler(const TObjNode& node, int slot);
// Runs the handler of a slot as the script asked (「B1の、クリックした時」,
// reading イベント): at the next statement boundary, which for the
// statement form is right after it; now when nothing runs. The handler is
// looked up when it starts; the record may be destroyed by then (nothing
// runs) or by the handler itself.
void RunEventSlot(TNokaBase& e, TObjNode& node, int slot);

// Connects a record's widget to the engine's event queue (parts made by
// 作成, menu items, 母艦 when its widget is lent): what the widget reports
// reaches OnPartEvent for the record's id. Destroying the record
// disconnects it.
void ConnectEvents(TNokaBase& e, TObjNode& node);
// What a widget reported for the record `id` (a destroyed record: nothing):
// the event variables, the part's default behaviour for a file drop
// without a handler, and the handler's slot queued (core/Events.h). The
// answer matters for a ブラウザ's navigation only (false cancels it).
bool OnPartEvent(TNokaBase& e, int id, const PartEvent& event);

// Destroys the object a word names (the word is removed; 母艦 stays); the
// record and its widget are freed later (FreeDeferredParts), since a
// handler of that very object may be running.
void DestroyObject(TNokaBase& e, THashNode& word, const std::string& nameAsWritten);
void DestroyAllObjects(TNokaBase& e);
// Frees the records destroyed so far; the pump's timer calls it, and the
// engine's end frees whatever is left.
void FreeDeferredParts(TNokaBase& e);
// How many destroyed records wait to be freed.
size_t DeferredPartCount(TNokaBase& e);

// Moves a part onto a container (フォーム, パネル, スクロール, タブページ);
// false when the window system refuses or the move would put a container
// inside itself.
bool MovePartOnto(TNokaBase& e, TObjNode& part, TObjNode& container);

// Coordinates as 作成, 位置 and サイズ take them: the text as written
// ("(10,20)"), or, when that is a single word, what it evaluates to (a
// variable holding "(10,20)"). None when neither gives `count` values.
std::optional<std::vector<int>> CoordinatesOf(TNokaBase& e, const std::string& raw, size_t count);

// The caption of a new button, label, check box or form: the name without
// a trailing kind name (「OKボタン」 -> 「OK」).
std::string DisplayName(std::string_view name, std::string_view kindName);

// A part is centred horizontally in the area it sits in (作成 with
// センタリング, 幅 and サイズ later).
void CentreHorizontally(PartHandle& control);

}  // namespace nokari::parts
