// The commands of the GUI object model: making parts (作成, 作る),
// destroying them, reading and writing properties (設定, 得る), and moving,
// ordering, focusing and messaging parts. The rules live here and in the
// property rows; the widgets only perform (core/Parts.h).
#include <algorithm>
#include <optional>

#include "core/Cp932.h"
#include "lib/text/TextCore.h"
#include "parts/Messages.h"
#include "parts/ObjectModel.h"
#include "parts/PartValues.h"
#include "words/Family.h"

namespace nokari {
namespace {

using parts::Layout;
using parts::PartKindInfo;
using parts::PartLayout;
using parts::RecordOf;
using parts::RequireControl;

bool IsQuoted(std::string_view raw) { return !raw.empty() && (raw[0] == '"' || raw[0] == '`'); }

// A name as a command takes it: written plainly it is the name; a quoted
// one is evaluated (「B1」, or a name built in a literal).
std::string NameOf(TNokaBase& e, const std::string& raw) { return IsQuoted(raw) ? EvaluateText(e, raw) : raw; }

// A value given as a name or as a variable holding one (the kind of 作成).
// Only literals and variables are evaluated: evaluating a label's name
// would run it.
std::string NameOrVariable(TNokaBase& e, const std::string& raw) {
  if (IsQuoted(raw)) return EvaluateText(e, raw);
  const THashNode* w = FindWord(e, raw);
  return w && w->Kind == kVariable ? EvaluateText(e, raw) : raw;
}

// The object a command's argument names: the name itself, or the object a
// variable of that name holds the name of; "作成されていません" otherwise.
THashNode& ObjectArg(TNokaBase& e, const std::string& raw) {
  std::string name = NameOf(e, raw);
  THashNode* w = FindWord(e, name);
  if (!w || w->Kind == kVariable) {
    std::string named = NameOrVariable(e, name);
    if (THashNode* held = FindWord(e, named); held && held->Kind == kObject) w = held;
  }
  if (!w || w->Kind != kObject || !e.Objects.GetAt(w->ObjectIndex)) RaiseError(e, msg::kObjectNotCreated, {name});
  return *w;
}

PartKind KindOf(const TObjNode& node) { return static_cast<PartKind>(node.Kind); }

// A variable to write a result into, made when missing.
THashNode& VariableNamed(TNokaBase& e, const std::string& name) {
  if (THashNode* w = FindWord(e, name)) return *w;
  if (name.empty()) RaiseCommandError(e, msg::kArgError);
  AddWord(e, std::make_shared<THashNode>(name, "", e.RunStack.Count(), false));
  return *FindWord(e, name);
}

// `name` as a raw literal, so a name with blanks or particles in it
// stays one phrase of the statement that 作る runs.
std::string Backquoted(std::string_view name) {
  std::string out = "`";
  for (char c : name) {
    out += c;
    if (c == '`') out += '`';
  }
  return out + "`";
}

// Re-raises an error with a note appended, in the log too.
[[noreturn]] void RaiseWithSuffix(TNokaBase& e, const ENoka& err, const std::string& suffix) {
  std::string line = err.Message;
  const std::string logged = line + "\r\n";
  if (e.ErrorLog.size() >= logged.size() && e.ErrorLog.compare(e.ErrorLog.size() - logged.size(), logged.size(), logged) == 0)
    e.ErrorLog.insert(e.ErrorLog.size() - 2, suffix);
  throw ENoka(line + suffix);
}

// --- 作成 ----------------------------------------------------------------------

bool HasFont(PartKind k) {
  switch (k) {
    case PartKind::ボタン: case PartKind::エディタ: case PartKind::コンボ: case PartKind::リスト:
    case PartKind::メモ: case PartKind::グリッド: case PartKind::ラベル: case PartKind::チェック:
    case PartKind::リッチエディタ:
      return true;
    default:
      return false;
  }
}

// The text settings 表示 uses are what a new part's text looks like.
void ApplyTextSettings(TNokaBase& e, PartKind kind, PartHandle& control) {
  int points = parts::IntOr(VarValue(e, "文字サイズ"), 12);
  if (HasFont(kind)) control.SetFont(parts::ReadFontSpec(VarValue(e, "文字書体"), points));
  if (kind == PartKind::ラベル || kind == PartKind::チェック || kind == PartKind::フォーム)
    control.SetTextColor(parts::ColourOf(VarValue(e, "文字色"), 0));
}

// A フォーム is a window of its own, centred on the screen.
void PlaceForm(TNokaBase& e, const PartKindInfo& kind, PartHandle& form, const std::string& caption) {
  ScreenSize screen = e.Services.Screen->PrimaryScreenSize();
  form.SetText(caption);
  form.SetBackColor(0xFFFFFF);
  form.SetGeometry({(screen.Width - kind.Width) / 2, (screen.Height - kind.Height) / 2, kind.Width, kind.Height});
  form.SetVisible(true);
}

// Any other part sits on 母艦 at (x, y), or centred across it; the next
// automatic one goes below it.
void PlacePart(TNokaBase& e, const PartKindInfo& kind, PartHandle& control, PartHandle& main, int x, int y,
               const std::string& caption) {
  PartLayout& layout = Layout(e);
  int left = layout.Centring ? (control.ParentClient().W - kind.Width) / 2 : x;
  control.SetGeometry({left, y, kind.Width, kind.Height});
  control.SetVisible(true);
  layout.Y = y + kind.Height + parts::PlacementGap(e);
  if (kind.Kind == PartKind::ボタン) {
    control.SetText(caption);
    // Wide enough for the caption in the main window's font, by the
    // width of its widest letter per byte.
    int wide = main.TextWidth("W") * static_cast<int>(caption.size());
    if (wide > kind.Width) control.SetGeometry({left, y, wide, kind.Height});
  } else if (kind.Kind == PartKind::ラベル || kind.Kind == PartKind::チェック) {
    control.SetText(caption);
  }
}

// Makes the part `name` of the kind named `kindText` at `position` (none:
// the current position). Everything that can fail is checked before the
// first thing is registered, so a failed 作成 leaves no trace.
void CreatePart(TNokaBase& e, const std::string& name, const std::string& kindText,
                const std::optional<std::string>& position) {
  if (name.empty()) RaiseCommandError(e, msg::kMakeNoName);
  if (FindWord(e, name)) RaiseError(e, msg::kObjectExists, {name});
  int x = Layout(e).X, y = Layout(e).Y;
  if (position) {
    std::optional<std::vector<int>> at = parts::CoordinatesOf(e, *position, 2);
    if (!at) RaiseError(e, msg::kPartBadPosition, {name, *position});
    x = (*at)[0];
    y = (*at)[1];
  }
  std::string kindName = NameOrVariable(e, kindText);
  const PartKindInfo* kind = parts::FindKind(kindName);
  // Menu items are made by the menu commands, under a menu.
  if (!kind || kind->Kind == PartKind::メニュー) RaiseError(e, msg::kPartUnknownKind, {kindName});
  TObjNode* mothership = e.Objects.GetAt(0);
  if (!e.Services.Parts || !mothership) RaiseError(e, msg::kNoPartService);
  PartHandle& main = RequireControl(e, *mothership);

  std::unique_ptr<PartHandle> control = e.Services.Parts->Create(kind->Kind, main);
  const std::string kindSj = Sj(kind->Name);
  const std::string caption = parts::DisplayName(name, kindSj);
  ApplyTextSettings(e, kind->Kind, *control);
  if (kind->Kind == PartKind::フォーム)
    PlaceForm(e, *kind, *control, caption);
  else
    PlacePart(e, *kind, *control, main, x, y, caption);

  auto node = std::make_unique<TObjNode>();
  node->Name = name;
  node->Kind = static_cast<int>(kind->Kind);
  node->ParentId = kind->Kind == PartKind::フォーム ? -1 : 0;
  node->Own(std::move(control));
  const int id = e.Objects.Add(std::move(node));
  parts::ConnectEvents(e, *e.Objects.GetAt(id));
  auto word = std::make_shared<THashNode>();
  word->Name = name;
  word->Kind = kObject;
  word->ObjectIndex = id;
  word->Ref = e.Cursor;
  word->TypeTag = kindSj;
  AddWord(e, std::move(word));
  // A new part is the one the next その… line means, as a new menu item is.
  parts::ReferToWord(e, *FindWord(e, name));
}

void CmdCreate(TNokaBase& e) {
  std::string kindText = PopArgText(e);
  std::string name = NameOf(e, PopArgText(e));
  std::optional<std::string> position;
  if (FirstArgOmitted(e))
    PopArgText(e);
  else
    position = PopArgText(e);
  CreatePart(e, name, kindText, position);
}

// 作る: the kind is the first whose name ends the object's name (so
// 「本文リッチエディタ」 is an エディタ), a ボタン when none does.
//
// Decision: the part is made by calling 作成's own code rather than by
// running the statement 「名前を,種類として,作成;」 as text. The result is
// the same part; but an error inside text run that way is reported inside
// it, where 「("作る"命令にて)」 could not be added. Menu items still go
// through the statement, since メニュー作成 is not this family's.
void CmdMake(TNokaBase& e) {
  std::string name = text::TrimBlanks(PopArgValue(e));
  if (name.empty()) RaiseCommandError(e, msg::kMakeNoName);
  const PartKindInfo* kind = nullptr;
  for (const PartKindInfo& k : parts::AllKinds())
    if (EndsWithChar(name, Sj(k.Name))) {
      kind = &k;
      break;
    }
  if (const THashNode* w = FindWord(e, name); w && w->Kind != kVariable)
    RaiseCommandError(e, msg::kMakeNameUsed, {name});
  bool menu = kind ? kind->Kind == PartKind::メニュー : EndsWithChar(name, Sj("メニュー"));
  if (menu) {
    RunProgramText(e, Backquoted(name) + Sj("を,メニュー作成;"));
    return;
  }
  try {
    CreatePart(e, name, Sj(kind ? kind->Name : "ボタン"), std::nullopt);
  } catch (ENoka& err) {
    RaiseWithSuffix(e, err, Sj(msg::kMakeSuffix));
  }
}

// --- 設定, 得る --------------------------------------------------------------

void CmdSetProperty(TNokaBase& e) {
  std::string raw = PopArgText(e);
  std::string property = NameOf(e, PopArgText(e));
  std::string name = NameOf(e, PopArgText(e));
  THashNode* w = FindWord(e, name);
  if (!w) RaiseError(e, msg::kObjectNotCreated, {name});
  if (w->Kind != kObject) RaiseError(e, msg::kNotAnObject, {name});
  parts::AssignPartProperty(e, *w, property, raw);
}

void CmdGetProperty(TNokaBase& e) {
  std::string target = NameOf(e, PopArgText(e));
  std::string property = NameOf(e, PopArgText(e));
  std::string name = NameOf(e, PopArgText(e));
  THashNode* w = FindWord(e, name);
  if (!w) RaiseError(e, msg::kWordUndefined, {name});
  if (w->Kind != kObject) RaiseError(e, msg::kNotAnObject, {name});
  std::string value = parts::ReadPartProperty(e, *w, property);
  std::string type = e.CurrentType;
  THashNode& var = VariableNamed(e, target);
  if (var.Kind != kVariable || var.Reserved) RaiseError(e, msg::kReadOnly, {target});
  var.SetValue(std::move(value), std::move(type));
}

// --- destroying ----------------------------------------------------------------

void CmdDestroy(TNokaBase& e) {
  std::string name = NameOf(e, PopArgText(e));
  THashNode* w = FindWord(e, name);
  if (!w) RaiseError(e, msg::kObjectNotFound, {name});
  parts::DestroyObject(e, *w, name);
}

void CmdDestroyAll(TNokaBase& e) { parts::DestroyAllObjects(e); }

// --- placing, ordering, focus ----------------------------------------------------

void CmdReferToWord(TNokaBase& e) {
  std::string name = NameOf(e, PopArgText(e));
  THashNode* w = FindWord(e, name);
  if (!w) RaiseError(e, msg::kObjectNotCreated, {name});
  parts::ReferToWord(e, *w);
}

void CmdRoundCorners(TNokaBase& e) {
  THashNode& w = ObjectArg(e, PopArgText(e));
  int radius = ToInt32(PopArgNumber(e));
  RequireControl(e, RecordOf(e, w)).SetRoundedCorners(radius);
}

// A フォーム is centred on the screen; another part in its parent, when the
// parent is a パネル (by its whole size) or a フォーム (by its client area).
void CmdCentre(TNokaBase& e) {
  TObjNode& node = RecordOf(e, ObjectArg(e, PopArgText(e)));
  PartHandle& c = RequireControl(e, node);
  PartRect r = c.Geometry();
  PartRect area;
  if (KindOf(node) == PartKind::フォーム) {
    ScreenSize screen = e.Services.Screen->PrimaryScreenSize();
    area = {0, 0, screen.Width, screen.Height};
  } else {
    TObjNode* parent = e.Objects.GetAt(node.ParentId);
    PartHandle* pc = parent ? parts::ControlOf(e, *parent) : nullptr;
    if (!pc) return;
    if (KindOf(*parent) == PartKind::パネル)
      area = pc->Geometry();
    else if (KindOf(*parent) == PartKind::フォーム)
      area = c.ParentClient();
    else
      return;
  }
  r.X = (area.W - r.W) / 2;
  r.Y = (area.H - r.H) / 2;
  c.SetGeometry(r);
}

void CmdFocus(TNokaBase& e) {
  THashNode& w = ObjectArg(e, PopArgText(e));
  TObjNode& node = RecordOf(e, w);
  if (!RequireControl(e, node).Focus()) RaiseError(e, msg::kCannotFocus, {node.Name});
}

void CmdBringToFront(TNokaBase& e) {
  TObjNode& node = RecordOf(e, ObjectArg(e, PopArgText(e)));
  PartHandle& c = RequireControl(e, node);
  if (KindOf(node) == PartKind::フォーム)
    c.SetStayOnTop(true);
  else
    c.Raise();
}

void CmdSendToBack(TNokaBase& e) {
  TObjNode& node = RecordOf(e, ObjectArg(e, PopArgText(e)));
  PartHandle& c = RequireControl(e, node);
  if (KindOf(node) == PartKind::フォーム) c.SetStayOnTop(false);
  c.Lower();
}

template <WindowState State>
void CmdWindowState(TNokaBase& e) {
  TObjNode& node = RecordOf(e, ObjectArg(e, PopArgText(e)));
  if (KindOf(node) != PartKind::フォーム) RaiseError(e, msg::kNotKind, {node.Name, Sj("フォーム")});
  RequireControl(e, node).SetWindowState(State);
}

bool IsContainer(PartKind k) {
  return k == PartKind::フォーム || k == PartKind::パネル || k == PartKind::スクロール || k == PartKind::タブページ;
}

// 乗せる / 乗せ換える: the part moves onto a container, its position kept
// relative to the new parent.
void CmdPutOnto(TNokaBase& e) {
  std::string containerName = NameOf(e, PopArgText(e));
  std::string partName = NameOf(e, PopArgText(e));
  THashNode* cw = FindWord(e, containerName);
  THashNode* pw = FindWord(e, partName);
  if (!cw || !pw) RaiseCommandError(e, msg::kArgError);
  if (pw->Kind != kObject) RaiseError(e, msg::kNotAnObject, {partName});
  if (cw->Kind != kObject) RaiseError(e, msg::kNotAnObject, {containerName});
  TObjNode& part = RecordOf(e, *pw);
  TObjNode& container = RecordOf(e, *cw);
  if (!IsContainer(KindOf(container))) RaiseCommandError(e, msg::kNotAContainer);
  RequireControl(e, part);
  RequireControl(e, container);
  if (!parts::MovePartOnto(e, part, container)) RaiseError(e, msg::kReparentFailed, {partName, containerName});
}

// --- メッセージ送信 ------------------------------------------------------------

// Window messages a script may send: a fixed few, each done by the part
// itself. Nothing is passed to the window system, so no address a script
// makes up is ever read or written; any other message answers 0.
enum : int64_t {
  kWmEnable = 0x0A,
  kWmSetText = 0x0C,
  kWmGetText = 0x0D,
  kWmGetTextLength = 0x0E,
  kWmClose = 0x10,
  kWmShowWindow = 0x18,
};

// The first `max` bytes of a text, not splitting a character.
std::string Prefix(const std::string& text, int64_t max) {
  size_t end = 0;
  while (end < text.size() && static_cast<int64_t>(end + CharLenAt(text, end)) <= max) end += CharLenAt(text, end);
  return text.substr(0, end);
}

void CmdSendMessage(TNokaBase& e) {
  std::string spec = PopArgValue(e);
  std::string name = NameOf(e, PopArgText(e));
  THashNode* w = FindWord(e, name);
  TObjNode* node = w && w->Kind == kObject ? e.Objects.GetAt(w->ObjectIndex) : nullptr;
  if (!node) RaiseError(e, msg::kObjectNotFound, {name});
  std::vector<std::string> fields;
  for (size_t from = 0;;) {
    size_t comma = spec.find(',', from);
    fields.push_back(text::TrimBlanks(std::string_view(spec).substr(from, comma - from)));
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  fields.resize(std::max<size_t>(fields.size(), 3));
  long double number = ToNumber(fields[0]);
  if (number < 0) RaiseCommandError(e, msg::kArgError);
  const int64_t message = ToInt64(number);
  const int64_t wparam = IntDefault(fields[1], 0);
  // lparam: a number ("$" hexadecimal), or the name of a variable whose
  // value is the text passed (and, for WM_GETTEXT, the buffer).
  const std::string& lparam = fields[2];
  bool numeric = lparam.empty() || lparam[0] == '$' || (lparam[0] >= '0' && lparam[0] <= '9');
  THashNode* buffer = numeric ? nullptr : &VariableNamed(e, lparam);
  PartHandle& c = RequireControl(e, *node);
  int64_t result = 0;
  switch (message) {
    case kWmSetText:
      if (buffer) {
        c.SetText(buffer->Value);
        result = 1;
      }
      break;
    case kWmGetText:
      if (buffer && wparam > 0) {
        std::string text = Prefix(c.Text(), wparam - 1);
        result = static_cast<int64_t>(text.size());
        buffer->SetValue(std::move(text));
      }
      break;
    case kWmGetTextLength:
      result = static_cast<int64_t>(c.Text().size());
      break;
    case kWmClose:
      // 母艦 closes as its close box does: the close handler may refuse.
      if (node->Id == 0)
        RequestClose(e);
      else if (KindOf(*node) == PartKind::フォーム)
        c.Close();
      break;
    case kWmEnable:
      c.SetEnabled(wparam != 0);
      break;
    case kWmShowWindow:
      c.SetVisible(wparam != 0);
      break;
    default:
      break;
  }
  SetSoreTyped(e, FormatInt(result), "e");
}

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::作成, CmdCreate},
    {Id::作る, CmdMake},
    {Id::設定, CmdSetProperty},
    {Id::得る, CmdGetProperty},
    {Id::オブジェクト破壊, CmdDestroy},
    {Id::オブジェクト全破壊, CmdDestroyAll},
    {Id::オブジェクト丸く, CmdRoundCorners},
    {Id::その単語に特定, CmdReferToWord},
    {Id::中央へ移動, CmdCentre},
    {Id::注目, CmdFocus},
    {Id::最前面, CmdBringToFront},
    {Id::最背面, CmdSendToBack},
    {Id::最大化, CmdWindowState<WindowState::Maximized>},
    {Id::最小化, CmdWindowState<WindowState::Minimized>},
    {Id::フォーム元のサイズ, CmdWindowState<WindowState::Normal>},
    {Id::メッセージ送信, CmdSendMessage},
    {Id::乗せ換える, CmdPutOnto},
};

constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "parts/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kPartsFamily{"parts", kCommands, kMessages, parts::InstallObjectModel};

}  // namespace nokari
