// What a part's widget reports becomes an event for the engine's queue
// (core/Events.h): the variables the event sets, the part's own default
// behaviour when it has no handler, and the handler's slot.
#include <string_view>
#include <vector>

#include "core/Cp932.h"
#include "core/Events.h"
#include "core/Scan.h"
#include "parts/ObjectModel.h"
#include "parts/PartValues.h"
#include "parts/kinds/TreePaths.h"

namespace nokari::parts {
namespace {

enum Slot : int {
  kClick = 1,
  kDoubleClick = 2,
  kMousePressed = 3,
  kMouseReleased = 4,
  kKeyPressed = 5,
  kKeyReleased = 6,
  kChange = 7,
  kMouseMoved = 8,
  kFilesDropped = 9,
};

EventVar Var(const char* nameUtf8, std::string value, const char* type = "s") {
  return EventVar{Sj(nameUtf8), std::move(value), type};
}

// The lines of a text (CR LF, LF or CR each ending one); a last empty line
// is no line.
std::vector<std::string> LinesOf(std::string_view text) {
  std::vector<std::string> lines;
  for (std::string_view line : nokari::SplitLines(text)) lines.emplace_back(line);
  return lines;
}

std::string TrimmedLines(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  return std::string(text);
}

// Files dropped on a part without a drop handler: the part takes them
// itself, as its kind holds text.
void TakeDroppedFiles(PartKind kind, PartHandle& control, const std::string& files) {
  switch (kind) {
    case PartKind::エディタ:
      control.SetText(files);
      break;
    case PartKind::リスト:
      control.SetItems(LinesOf(files));
      break;
    case PartKind::メモ: {
      std::string text;
      for (const std::string& line : LinesOf(files)) text += line + "\r\n";
      control.SetText(text);
      break;
    }
    default:
      break;
  }
}

bool NavigationAllowed(TNokaBase& e) { return NumberOf(VarValue(e, "ブラウザURL移動許可")) != 0; }

// A ブラウザ about to navigate: its click handler decides, through
// ブラウザURL移動許可. It must answer now, so the handler runs only when
// nothing else runs; while the script is busy the variable's present value
// answers.
bool Navigate(TNokaBase& e, TObjNode& node, const PartEvent& event) {
  if (!HasHandler(node, kClick) || e.RunDepth > 0) return NavigationAllowed(e);
  EngineEvent handler = EngineEvent::OfPart(node.Id, kClick, node.Name);
  handler.Vars.push_back(Var("ブラウザ移動先URL", event.Url));
  RunEventNow(e, std::move(handler));
  return NavigationAllowed(e);
}

}  // namespace

bool OnPartEvent(TNokaBase& e, int id, const PartEvent& event) {
  TObjNode* node = e.Objects.GetAt(id);
  if (!node || e.StopFlag || e.Closed) return true;
  const int slot = event.Slot;
  if (slot < 1 || slot >= TObjNode::kEventSlots) return true;
  PartHandle* control = ControlOf(e, *node);
  const PartKind kind = static_cast<PartKind>(node->Kind);
  if (kind == PartKind::ブラウザ && slot == kClick) return Navigate(e, *node, event);

  std::vector<EventVar> vars;
  // The mouse's place and the shift states are written at once, handler
  // or not; the snapshot writes them again before the handler runs.
  if (event.HasMouse) {
    vars.push_back(Var("マウスX", FormatInt(event.X), "e"));
    vars.push_back(Var("マウスY", FormatInt(event.Y), "e"));
    vars.push_back(Var("押された特殊キー", event.Shift));
    WriteEventVars(e, vars);
  }
  if (slot == kFilesDropped) {
    EventVar files = Var("イベントの値", TrimmedLines(event.Files));
    WriteEventVars(e, {files});
    vars.push_back(std::move(files));
    if (!HasHandler(*node, slot)) {
      if (control) TakeDroppedFiles(kind, *control, event.Files);
      return true;
    }
  }
  if (!HasHandler(*node, slot)) return true;
  if (slot == kKeyPressed || slot == kKeyReleased) {
    vars.push_back(Var("押されたキー", FormatInt(event.Key), "e"));
    vars.push_back(Var("押された特殊キー", event.Shift));
  }
  if (kind == PartKind::ツリー && (slot == kClick || slot == kChange) && control)
    vars.push_back(Var("イベントの値", TreePathAt(*control, control->SelectedTreeNode())));
  QueueEvent(e, EngineEvent::OfPart(id, slot, node->Name, std::move(vars)));
  return true;
}

void ConnectEvents(TNokaBase& e, TObjNode& node) {
  PartHandle* control = node.Control();
  if (!control) return;
  const int id = node.Id;
  control->SetEventSink([&e, id](const PartEvent& event) { return OnPartEvent(e, id, event); });
}

}  // namespace nokari::parts
