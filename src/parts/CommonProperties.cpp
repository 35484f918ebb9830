// The properties every kind shares (a kind's own row for the same property
// comes first): geometry, visibility, names, the event slots, and what a
// kind without its own row reads and writes for the rest of the
// vocabulary. A property that has no row here and none in the kind is the
// undefined-property error both ways (拡大機能, 向き, 編集, 列 ...).
#include "parts/Messages.h"
#include "parts/ObjectModel.h"
#include "parts/PartValues.h"

namespace nokari::parts {

namespace {

std::string Int(int64_t n) { return FormatInt(n); }
bool Is(const Part& p, PartKind k) { return p.Node.Kind == static_cast<int>(k); }
int ValueOf(Part& p, const std::string& raw) { return NumberOf(Evaluated(p, raw)); }

// Values a kind without its own row reads.
std::string GetEmpty(Part&) { return {}; }
std::string GetZero(Part&) { return "0"; }
// テキスト, タイトル, 画像: what the script last gave, kept in the word.
std::string GetStored(Part& p) { return p.Word.Value; }
// テキスト, タイトル, 値, 画像 on a kind that has no such thing.
void SetNothing(Part& p, const std::string&) { RaiseSettingUndefined(p); }
template <Prop P>
void SetReadOnly(Part& p, const std::string&) {
  RaiseError(p.E, msg::kReadOnly, {Sj(PropName(P))});
}
// Menu items have no place of their own.
void RefuseMenu(Part& p) {
  if (Is(p, PartKind::メニュー)) RaiseSettingUndefined(p);
}

// --- geometry ----------------------------------------------------------------

std::string GetX(Part& p) { return Int(p.Control.Geometry().X); }
std::string GetY(Part& p) { return Int(p.Control.Geometry().Y); }
// A フォーム's geometry is its client size already (PartHandle).
std::string GetWidth(Part& p) { return Int(p.Control.Geometry().W); }
std::string GetHeight(Part& p) { return Int(p.Control.Geometry().H); }

void SetX(Part& p, const std::string& raw) {
  RefuseMenu(p);
  PartRect r = p.Control.Geometry();
  r.X = ValueOf(p, raw);
  p.Control.SetGeometry(r);
}

void SetY(Part& p, const std::string& raw) {
  RefuseMenu(p);
  PartRect r = p.Control.Geometry();
  r.Y = ValueOf(p, raw);
  p.Control.SetGeometry(r);
}

// With センタリング on, a part keeps centred as it widens. A フォーム is
// centred on the screen when made, not in a parent.
void SetWidth(Part& p, const std::string& raw) {
  RefuseMenu(p);
  PartRect r = p.Control.Geometry();
  r.W = ValueOf(p, raw);
  p.Control.SetGeometry(r);
  if (Layout(p.E).Centring && !Is(p, PartKind::フォーム)) CentreHorizontally(p.Control);
}

// The next automatic part goes below the part's new bottom.
void SetHeight(Part& p, const std::string& raw) {
  RefuseMenu(p);
  PartRect r = p.Control.Geometry();
  r.H = ValueOf(p, raw);
  p.Control.SetGeometry(r);
  if (Is(p, PartKind::フォーム)) return;
  Layout(p.E) = {r.X, r.Y + r.H + PlacementGap(p.E), Layout(p.E).Centring};
}

std::string GetSize(Part& p) {
  if (Is(p, PartKind::メニュー)) RaiseUndefinedProperty(p, Prop::サイズ);
  PartRect r = p.Control.Geometry();
  return RectText(r.X, r.Y, r.X + r.W, r.Y + r.H);
}

void SetSize(Part& p, const std::string& raw) {
  RefuseMenu(p);
  std::optional<std::vector<int>> c = CoordinatesOf(p.E, raw, 4);
  if (!c) RaiseError(p.E, msg::kCoordinateError);
  const std::vector<int>& v = *c;
  p.Control.SetGeometry({v[0], v[1], v[2] - v[0], v[3] - v[1]});
  if (Is(p, PartKind::フォーム)) return;
  PartLayout& layout = Layout(p.E);
  if (layout.Centring) CentreHorizontally(p.Control);
  layout.X = v[0];
  layout.Y = v[3] + PlacementGap(p.E);
}

std::string GetPosition(Part& p) {
  if (Is(p, PartKind::メニュー)) RaiseUndefinedProperty(p, Prop::位置);
  PartRect r = p.Control.Geometry();
  return PointText(r.X, r.Y);
}

void SetPosition(Part& p, const std::string& raw) {
  RefuseMenu(p);
  std::optional<std::vector<int>> c = CoordinatesOf(p.E, raw, 2);
  if (!c) RaiseUndefinedProperty(p, Prop::位置);
  PartRect r = p.Control.Geometry();
  r.X = (*c)[0];
  r.Y = (*c)[1];
  p.Control.SetGeometry(r);
}

// Where a part placed to the right of this one, or below it, goes.
std::string GetRightSide(Part& p) {
  PartRect r = p.Control.Geometry();
  return PointText(r.X + r.W + PlacementGap(p.E), r.Y);
}

std::string GetBottomSide(Part& p) {
  PartRect r = p.Control.Geometry();
  return PointText(r.X, r.Y + r.H + PlacementGap(p.E));
}

// --- state and names ---------------------------------------------------------

std::string GetVisible(Part& p) { return p.Control.Visible() ? "1" : "0"; }
void SetVisible(Part& p, const std::string& raw) { p.Control.SetVisible(FlagOf(Evaluated(p, raw))); }
std::string GetEnabled(Part& p) { return p.Control.Enabled() ? "1" : "0"; }
void SetEnabled(Part& p, const std::string& raw) { p.Control.SetEnabled(FlagOf(Evaluated(p, raw))); }

std::string GetName(Part& p) { return p.Node.Name; }
std::string GetKind(Part& p) { return KindNameOf(p); }
// Scripts only compare and pass the handle on: a number of the part's own,
// never a window system's id (which would let a script address windows
// the interpreter does not own).
std::string GetHandle(Part& p) { return Int(0x10000 + int64_t{p.Node.Id}); }

void SetFileDrop(Part& p, const std::string& raw) {
  bool on = Evaluated(p, raw) != "0";
  p.Node.AcceptsDrops = on;
  p.Control.SetAcceptDrops(on);
}

// --- containers ----------------------------------------------------------------

bool IsContainer(const Part& p) {
  return Is(p, PartKind::フォーム) || Is(p, PartKind::パネル) || Is(p, PartKind::スクロール) ||
         Is(p, PartKind::タブページ);
}

// アイテム of a container: the names of the parts standing on it (a
// タブページ: on its active page), in the order they were made.
std::string GetPlacedParts(Part& p) {
  if (!IsContainer(p)) return {};
  std::vector<std::string> names;
  for (int id = 0; id < p.E.Objects.Count(); ++id) {
    TObjNode* node = p.E.Objects.GetAt(id);
    if (!node || node == &p.Node) continue;
    if (PartHandle* c = ControlOf(p.E, *node); c && p.Control.Holds(*c)) names.push_back(node->Name);
  }
  return JoinItems(names);
}

// Each line names a part that moves onto the container, as 乗せる moves it.
void SetPlacedParts(Part& p, const std::string& raw) {
  if (!IsContainer(p)) RaiseUndefinedProperty(p, Prop::アイテム);
  for (const std::string& name : SplitItems(Evaluated(p, raw))) {
    if (name.empty()) continue;
    THashNode* w = FindWord(p.E, name);
    if (!w || w->Kind != kObject) RaiseError(p.E, msg::kNotAnObject, {name});
    TObjNode& part = RecordOf(p.E, *w);
    RequireControl(p.E, part);
    if (!MovePartOnto(p.E, part, p.Node)) RaiseError(p.E, msg::kReparentFailed, {name, p.Node.Name});
  }
}

// --- events ------------------------------------------------------------------

template <int Slot>
void SetEvent(Part& p, const std::string& raw) {
  SetEventSlot(p, Slot, raw);
}

// Reading イベント performs the object's generic event.
std::string GetGenericEvent(Part& p) {
  RunEventSlot(p.E, p.Node, 0);
  return {};
}

template <Prop P>
std::string GetEventWarning(Part& p) {
  Warn(p.E, msg::kEventPropertyRead, {p.Node.Name, Sj(PropName(P))});
  return {};
}

template <Prop P, int Slot>
constexpr PropertyRow EventRow() {
  return {P, GetEventWarning<P>, SetEvent<Slot>, nullptr};
}

const PropertyRow kCommonRows[] = {
    {Prop::X, GetX, SetX, "e"},
    {Prop::Y, GetY, SetY, "e"},
    {Prop::幅, GetWidth, SetWidth, "e"},
    {Prop::高さ, GetHeight, SetHeight, "e"},
    {Prop::サイズ, GetSize, SetSize, "s"},
    {Prop::位置, GetPosition, SetPosition, "s"},
    {Prop::右側, GetRightSide, SetReadOnly<Prop::右側>, "s"},
    {Prop::下側, GetBottomSide, SetReadOnly<Prop::下側>, "s"},
    {Prop::可視, GetVisible, SetVisible, "e"},
    {Prop::有効, GetEnabled, SetEnabled, "e"},
    {Prop::名前, GetName, SetReadOnly<Prop::名前>, nullptr},
    {Prop::種類, GetKind, SetReadOnly<Prop::種類>, nullptr},
    {Prop::ハンドル, GetHandle, SetReadOnly<Prop::ハンドル>, nullptr},
    {Prop::ファイルドロップ, GetEmpty, SetFileDrop, nullptr},
    {Prop::イベント, GetGenericEvent, SetEvent<0>, nullptr},
    EventRow<Prop::クリックした時, 1>(),
    EventRow<Prop::ダブルクリックした時, 2>(),
    EventRow<Prop::マウス押した時, 3>(),
    EventRow<Prop::マウス離した時, 4>(),
    EventRow<Prop::キー押した時, 5>(),
    EventRow<Prop::キー離した時, 6>(),
    EventRow<Prop::変更した時, 7>(),
    EventRow<Prop::マウス動かした時, 8>(),
    EventRow<Prop::ファイルドロップした時, 9>(),
    // What kinds without their own row read; setting the first four is
    // the "設定は、未定義です" error, the rest the undefined-property one.
    {Prop::テキスト, GetStored, SetNothing, "s"},
    {Prop::タイトル, GetStored, SetNothing, "s"},
    {Prop::値, GetZero, SetNothing, "e"},
    {Prop::画像, GetStored, SetNothing, "s"},
    {Prop::追加画像, GetStored, nullptr, "s"},
    {Prop::アイテム, GetPlacedParts, SetPlacedParts, "s"},
    {Prop::最大値, GetZero, nullptr, "e"},
    {Prop::最小値, GetZero, nullptr, "e"},
    {Prop::透過処理, GetZero, nullptr, "e"},
    {Prop::背景色, GetZero, nullptr, "e"},
    {Prop::フォント書体, GetEmpty, nullptr, "s"},
    {Prop::フォントサイズ, GetZero, nullptr, nullptr},
    {Prop::フォント色, GetZero, nullptr, nullptr},
    {Prop::リサイズ, GetZero, nullptr, nullptr},
    {Prop::ショートカットキー, GetEmpty, nullptr, nullptr},
    {Prop::IME, GetZero, nullptr, nullptr},
    {Prop::繰り返し回数, GetZero, nullptr, nullptr},
    {Prop::効果音, GetEmpty, nullptr, nullptr},
    {Prop::選択文字列, GetEmpty, nullptr, nullptr},
    {Prop::選択位置, GetZero, nullptr, nullptr},
    {Prop::選択文字数, GetZero, nullptr, nullptr},
    {Prop::URL, GetEmpty, nullptr, nullptr},
    {Prop::スタイル, GetZero, nullptr, nullptr},
};

}  // namespace

std::span<const PropertyRow> CommonProperties() { return kCommonRows; }

}  // namespace nokari::parts
