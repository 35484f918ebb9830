#include "parts/ObjectModel.h"

#include <chrono>
#include <vector>

#include "core/Cp932.h"
#include "core/Errors.h"
#include "core/Events.h"
#include "core/Keywords.h"
#include "parts/Messages.h"
#include "parts/PartValues.h"

namespace nokari::parts {
namespace {

// The family's state in one engine: the layout and the records destroyed
// but not yet freed, with the timer that frees them.
struct PartsState {
  PartLayout Layout;
  std::vector<std::unique_ptr<TObjNode>> Deferred;
  IEventPump* Pump = nullptr;
  int TimerId = 0;

  PartsState() = default;
  PartsState(const PartsState&) = delete;
  PartsState& operator=(const PartsState&) = delete;
  // The engine is going: its timer must not fire into it.
  ~PartsState() {
    if (TimerId && Pump) Pump->CancelTimer(TimerId);
  }
};

PartsState& State(TNokaBase& e) { return FamilyState<PartsState>(e); }

const PartKindInfo& KindOf(const TObjNode& node) {
  int k = node.Kind >= 0 && node.Kind < kPartKindCount ? node.Kind : static_cast<int>(PartKind::フォーム);
  return KindInfo(static_cast<PartKind>(k));
}

Part PartOf(TNokaBase& e, THashNode& word, TObjNode& node) {
  return Part{e, OwnWordOf(e, word, node), node, RequireControl(e, node)};
}

// The undefined-property error for a name that is no property at all (the
// name as the script wrote it).
[[noreturn]] void RaiseUnknownProperty(TNokaBase& e, const TObjNode& node, const std::string& property) {
  RaiseError(e, msg::kPropertyUndefined, {node.Name, Sj(KindOf(node).Name), property});
}

const PropertyRow& RowFor(TNokaBase& e, const TObjNode& node, const std::string& property) {
  std::optional<Prop> p = FindProp(property);
  if (!p) RaiseUnknownProperty(e, node, property);
  const PropertyRow* row = FindRow(KindOf(node), *p);
  if (!row) RaiseUnknownProperty(e, node, property);
  return *row;
}

// The control is emptied as its kind holds contents, so a handler still
// running on it sees nothing left, then hidden.
void EmptyControl(PartKind kind, PartHandle& c) {
  switch (kind) {
    case PartKind::エディタ:
    case PartKind::メモ:
    case PartKind::Tエディタ:
    case PartKind::ラベル:
    case PartKind::チェック:
      c.SetText("");
      break;
    case PartKind::イメージ:
      c.LoadPicture("");
      break;
    case PartKind::コンボ:
    case PartKind::リスト:
      c.SetItems({});
      break;
    case PartKind::フォーム:
      c.Close();
      break;
    case PartKind::グリッド:
      c.SetCells({});
      break;
    case PartKind::アニメ:
      c.LoadFrames({}, false);
      break;
    default:
      break;
  }
  c.SetVisible(false);
}

// Parts sitting on a container that goes are moved onto 母艦, hidden (a
// part whose container is gone is not seen); and the destroyed part itself
// leaves its container. A widget then never holds another part's widget
// when it is freed, whatever order the records are freed in.
void Detach(TNokaBase& e, TObjNode& node) {
  TObjNode* mothership = e.Objects.GetAt(0);
  PartHandle* main = mothership ? ControlOf(e, *mothership) : nullptr;
  if (!main) return;
  for (int id = 1; id < e.Objects.Count(); ++id) {
    TObjNode* child = e.Objects.GetAt(id);
    if (!child || child == &node || child->ParentId != node.Id) continue;
    if (PartHandle* c = child->Control()) {
      c->SetVisible(false);
      c->SetParent(*main);
    }
    child->ParentId = 0;
  }
  if (node.Kind != static_cast<int>(PartKind::フォーム) && node.Control()) node.Control()->SetParent(*main);
}

// Frees the deferred records once the script is between statements again.
// The decision: one waiting record is enough (not "more than one"), so a
// program that destroys one part at a time does not keep it for the run.
void ScheduleFree(TNokaBase& e) {
  PartsState& s = State(e);
  if (s.TimerId || s.Deferred.empty() || !e.Services.Pump) return;
  s.Pump = e.Services.Pump;
  s.TimerId = s.Pump->StartTimer(std::chrono::milliseconds(0), [&e] { FreeDeferredParts(e); });
}

void DestroyRecord(TNokaBase& e, int id) {
  TObjNode* node = e.Objects.GetAt(id);
  if (!node || id == 0) return;
  PartHandle* c = ControlOf(e, *node);
  if (!c) RaiseError(e, msg::kDestroyNoRecord, {node->Name});
  EmptyControl(static_cast<PartKind>(KindOf(*node).Kind), *c);
  Detach(e, *node);
  // Nothing it reports any more reaches the script.
  c->SetEventSink(nullptr);
  std::unique_ptr<TObjNode> record = e.Objects.Take(id);
  std::string name = std::move(record->Name);
  record->Name.clear();
  State(e).Deferred.push_back(std::move(record));
  THashNode* own = FindWord(e, name);
  if (own && own->Kind == kObject && own->ObjectIndex == id) RemoveWord(e, name);
  ScheduleFree(e);
}

class ObjectModel final : public IObjectModel {
 public:
  bool IsProperty(std::string_view name) override { return FindProp(name).has_value(); }
  std::string ReadObject(TNokaBase& e, THashNode& word) override {
    TObjNode& node = RecordOf(e, word);
    const KindBehaviour& kind = *KindOf(node).Behaviour;
    if (!kind.ReadValue) RaiseError(e, msg::kNoDirectValue, {node.Name});
    Part part = PartOf(e, word, node);
    std::string value = kind.ReadValue(part);
    SetTag(e.CurrentType, kind.ValueMark ? kind.ValueMark : "s");
    return value;
  }

  void AssignObject(TNokaBase& e, THashNode& word, const std::string& value) override {
    TObjNode& node = RecordOf(e, word);
    ReferToWord(e, OwnWordOf(e, word, node));
    const KindBehaviour& kind = *KindOf(node).Behaviour;
    if (!kind.AssignValue) return;
    Part part = PartOf(e, word, node);
    kind.AssignValue(part, value);
  }

  std::string ReadProperty(TNokaBase& e, THashNode& word, const std::string& property) override {
    return ReadPartProperty(e, word, property);
  }

  void AssignProperty(TNokaBase& e, THashNode& word, const std::string& property,
                      const std::string& rawValue) override {
    AssignPartProperty(e, word, property, rawValue);
  }

  // 「B1の、クリックした時」 does what the event would: the slot's handler
  // runs, right after this statement (RunEventSlot). Events from the window
  // system arrive through the part's sink (parts/PartEvents.cpp); this is
  // the statement form only. ファイルドロップした時 is no statement: a drop
  // carries its files, a statement has none to give.
  bool PerformEventStatement(TNokaBase& e, const std::string& objectPhrase, const std::string& verb) override {
    std::optional<Prop> p = FindProp(verb);
    int slot = p ? EventSlotOf(*p) : -1;
    if (slot < 0 || *p == Prop::ファイルドロップした時) return false;
    const std::string& no = Kw().No;
    if (!EndsWithChar(objectPhrase, no)) return false;
    std::string name = objectPhrase.substr(0, objectPhrase.size() - no.size());
    THashNode* word = FindWord(e, name);
    if (!word || word->Kind != kObject) return false;
    // A destroyed object's events do nothing.
    if (TObjNode* node = e.Objects.GetAt(word->ObjectIndex)) RunEventSlot(e, *node, slot);
    return true;
  }
};

}  // namespace

void InstallObjectModel(TNokaBase& e) {
  static ObjectModel model;
  e.ObjectModel = &model;
  PartsState& s = State(e);
  s.Layout = PartLayout{};
  // Parts of an earlier run in this engine: their words are gone with the
  // word table, so they go too (freed now: no handler of theirs can run).
  std::vector<std::unique_ptr<TObjNode>> old;
  for (int id = 1; id < e.Objects.Count(); ++id)
    if (TObjNode* node = e.Objects.GetAt(id)) {
      Detach(e, *node);
      old.push_back(e.Objects.Take(id));
    }
  old.clear();
  s.Deferred.clear();
  if (e.Objects.Count() > 1) {
    std::unique_ptr<TObjNode> mothership = e.Objects.Take(0);
    e.Objects.Clear();
    e.Objects.Add(std::move(mothership));
  }
  if (TObjNode* mothership = e.Objects.GetAt(0)) {
    mothership->Kind = static_cast<int>(PartKind::フォーム);
    mothership->ParentId = -1;
    // 母艦's widget is lent now when the service has its windows already
    // (the window host), so the window's events reach the script from the
    // start; a service that loads its window system on demand (the
    // console's) lends it on first use (ControlOf), so a script without
    // parts never loads it.
    if (!mothership->Control() && e.Services.Parts)
      if (PartHandle* main = e.Services.Parts->MainWindowIfMade()) {
        mothership->Lend(main);
        ConnectEvents(e, *mothership);
      }
  }
}

PartLayout& Layout(TNokaBase& e) { return State(e).Layout; }

int PlacementGap(TNokaBase& e) {
  std::string gap = VarValue(e, "部品配置間隔");
  return gap.empty() ? 8 : NumberOf(gap);
}

PartHandle* ControlOf(TNokaBase& e, TObjNode& node) {
  if (!node.Control() && node.Id == 0 && e.Services.Parts) {
    node.Lend(&e.Services.Parts->MainWindow());
    ConnectEvents(e, node);
  }
  return node.Control();
}

PartHandle& RequireControl(TNokaBase& e, TObjNode& node) {
  PartHandle* c = ControlOf(e, node);
  if (!c) RaiseError(e, msg::kNoPartService);
  return *c;
}

TObjNode& RecordOf(TNokaBase& e, const THashNode& word) {
  TObjNode* node = e.Objects.GetAt(word.ObjectIndex);
  if (!node) RaiseError(e, msg::kObjectNotCreated, {word.Name});
  return *node;
}

THashNode& OwnWordOf(TNokaBase& e, THashNode& word, const TObjNode& node) {
  if (word.Name == node.Name) return word;
  THashNode* own = FindWord(e, node.Name);
  return own && own->Kind == kObject && own->ObjectIndex == node.Id ? *own : word;
}

void ReferToWord(TNokaBase& e, const THashNode& word) {
  THashNode* sono = e.SonoVar.get();
  if (!sono || sono == &word) return;
  sono->CopyAttributes(word);
  // Still the built-in: a later 「そは…」 and the end of a function leave
  // it alone.
  sono->Reserved = false;
  sono->Level = -1;
}

namespace {

bool Enclosed(std::string_view s, char open, char close) {
  return s.size() >= 2 && s.front() == open && s.back() == close;
}

// The inside of a leading bracketed group: "(表示)" -> "表示".
std::string InsideBracket(std::string_view s) {
  int depth = 0;
  for (size_t i = 0; i < s.size(); i += CharLenAt(s, i)) {
    if (s[i] == '(') ++depth;
    if (s[i] == ')' && --depth == 0) return std::string(s.substr(1, i - 1));
  }
  return std::string(s.substr(1));
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

namespace {

// The mark of a property whose row gives none. Leaving the mark of
// whatever was evaluated before would make a text such as 「ボタン」 read
// as the number 0 after a numeric statement (the evaluator goes by the
// mark), so a whole number is "e" and anything else "s".
const char* MarkOfText(std::string_view value) {
  size_t i = !value.empty() && value[0] == '-' ? 1 : 0;
  if (i == value.size() || value.size() > 18) return "s";
  for (; i < value.size(); ++i)
    if (value[i] < '0' || value[i] > '9') return "s";
  return "e";
}

// A property name as the statement forms hand it over: 「B1の(テキスト)は」
// and 「B1の「テキスト」」 give it with its bracket or quotes.
std::string PropertyName(const std::string& written) {
  std::string_view s = Trimmed(written);
  if (Enclosed(s, '(', ')') || Enclosed(s, '`', '`') || Enclosed(s, '"', '"')) s = Trimmed(s.substr(1, s.size() - 2));
  return std::string(s);
}

}  // namespace

std::string ReadPartProperty(TNokaBase& e, THashNode& word, const std::string& written) {
  const std::string property = PropertyName(written);
  TObjNode& node = RecordOf(e, word);
  const PropertyRow& row = RowFor(e, node, property);
  if (!row.Get) RaiseUnknownProperty(e, node, property);
  Part part = PartOf(e, word, node);
  std::string value = row.Get(part);
  SetTag(e.CurrentType, row.Mark ? row.Mark : MarkOfText(value));
  return value;
}

void AssignPartProperty(TNokaBase& e, THashNode& word, const std::string& written, const std::string& raw) {
  const std::string property = PropertyName(written);
  TObjNode& node = RecordOf(e, word);
  ReferToWord(e, OwnWordOf(e, word, node));
  const PropertyRow& row = RowFor(e, node, property);
  if (!row.Set) RaiseUnknownProperty(e, node, property);
  Part part = PartOf(e, word, node);
  row.Set(part, raw);
}

bool HasHandler(const TObjNode& node, int slot) {
  if (slot < 0 || slot >= TObjNode::kEventSlots) return false;
  return static_cast<bool>(node.EventEntries[slot]) || !node.EventLabels[slot].empty();
}


// A name alone: no phrase, bracket, literal or separator in it.
static bool IsOneName(std::string_view text) {
  if (text.empty()) return false;
  static const std::string comma = Sj("、");
  if (text.find(comma) != std::string_view::npos) return false;
  for (size_t i = 0; i < text.size(); i += CharLenAt(text, i))
    if (std::string_view(",;()\"` \t\r\n").find(text[i]) != std::string_view::npos) return false;
  return true;
}

void SetEventSlot(Part& part, int slot, const std::string& raw) {
  TObjNode& node = part.Node;
  std::string_view v = Trimmed(raw);
  std::string label;
  TextPos entry;
  if (!(v.empty() || v == "\"\"" || v == "``")) {
    std::string text;
    if (Enclosed(v, '`', '`')) {
      text = UnquoteLiteral(v);
    } else if (Enclosed(v, '"', '"')) {
      // Decision: 「ラベル名」 (a string literal) means its text, as a
      // backquoted one does; stored raw it would be a handler of one
      // literal that does nothing.
      text = EvaluateText(part.E, std::string(v));
    } else {
      text = std::string(v);
    }
    // A label may be written with its mark, as it stands in the program.
    std::string name = !text.empty() && text[0] == '*' ? text.substr(1) : text;
    THashNode* w = FindWord(part.E, name);
    if (w && w->Kind == kLabel) {
      label = name;
      entry = w->Ref;
    } else if (w && w->Kind == kVariable) {
      RaiseError(part.E, msg::kEventIsVariable);
    } else {
      label = !text.empty() && text[0] == '(' ? InsideBracket(text) : text;
      // One word that names nothing is most likely a label mistyped; run
      // as a statement it fails only when the event comes.
      if (!w && part.E.DebugMode && IsOneName(name) && FirstDebugWarning(part.E))
        Warn(part.E, msg::kEventNotALabel, {name});
    }
  }
  node.EventLabels[slot] = label;
  node.EventEntries[slot] = entry;
  if (slot != 0) return;
  int d = KindOf(node).DefaultEventSlot;
  if (d <= 0) return;
  node.EventLabels[d] = node.EventLabels[0];
  node.EventEntries[d] = node.EventEntries[0];
}

void RunEventSlot(TNokaBase& e, TObjNode& node, int slot) {
  if (!HasHandler(node, slot)) return;
  QueueScriptEvent(e, EngineEvent::OfPart(node.Id, slot, node.Name));
}

void DestroyObject(TNokaBase& e, THashNode& word, const std::string& nameAsWritten) {
  if (word.Kind != kObject) RaiseError(e, msg::kNotAnObject, {nameAsWritten});
  const int id = word.ObjectIndex;
  if (!e.Objects.GetAt(id)) {
    // Only the word was left; そ keeps naming what it named.
    if (&word != e.SonoVar.get() && !word.Reserved) RemoveWord(e, word.Name);
    return;
  }
  DestroyRecord(e, id);
}

void DestroyAllObjects(TNokaBase& e) {
  for (int id = 1; id < e.Objects.Count(); ++id) DestroyRecord(e, id);
}

void FreeDeferredParts(TNokaBase& e) {
  PartsState& s = State(e);
  s.TimerId = 0;
  std::vector<std::unique_ptr<TObjNode>> freed = std::move(s.Deferred);
  s.Deferred.clear();
}

size_t DeferredPartCount(TNokaBase& e) { return State(e).Deferred.size(); }

bool MovePartOnto(TNokaBase& e, TObjNode& part, TObjNode& container) {
  // Not into itself, nor into a part sitting on it.
  for (TObjNode* c = &container; c; c = c->ParentId > 0 ? e.Objects.GetAt(c->ParentId) : nullptr)
    if (c == &part) return false;
  PartHandle* target = ControlOf(e, container);
  PartHandle* moved = ControlOf(e, part);
  if (!target || !moved || part.Id == 0 || !moved->SetParent(*target)) return false;
  part.ParentId = container.Id;
  return true;
}

std::optional<std::vector<int>> CoordinatesOf(TNokaBase& e, const std::string& raw, size_t count) {
  std::optional<std::vector<int>> c = ReadCoordinates(e, raw, count);
  if (c) return c;
  std::string_view word = Trimmed(raw);
  bool literal = Enclosed(word, '"', '"');
  if (!literal && (word.empty() || word.find(',') != std::string_view::npos || word.front() == '(' || word.front() == '`'))
    return std::nullopt;
  return ReadCoordinates(e, EvaluateText(e, std::string(word)), count);
}

std::string DisplayName(std::string_view name, std::string_view kindName) {
  if (!kindName.empty() && EndsWithChar(name, kindName)) return std::string(name.substr(0, name.size() - kindName.size()));
  return std::string(name);
}

void CentreHorizontally(PartHandle& control) {
  PartRect r = control.Geometry();
  r.X = (control.ParentClient().W - r.W) / 2;
  control.SetGeometry(r);
}

}  // namespace nokari::parts
