// The debug dialog's data and the engine's line stop (core/Debugger.h).
#include "core/Debugger.h"

#include <algorithm>

#include "core/Encoding.h"
#include "core/Engine.h"
#include "words/Contract.h"

namespace nokari {
namespace {

std::function<void(TNokaBase&)>& EditorSync() {
  static std::function<void(TNokaBase&)> sync;
  return sync;
}

// Where the last line stop was: the next stop waits for another line or
// another turn of a loop (a one-line loop body stops at every turn).
struct LineStopMark {
  int32_t Line = -1;
  uint64_t Turns = 0;
  bool Stopped = false;
};

bool Shown(const THashNode& w, const DebugFilter& f) {
  if (w.Kind != kVariable && w.Kind != kDictionary && !(f.Objects && w.Kind == kObject)) return false;
  if (!f.Search.empty() && w.Name.find(f.Search) == std::string::npos) return false;
  if (w.Name == Sj("それ")) return true;
  if (w.Level < 0) return f.SystemVariables;
  return w.Level >= f.MinLevel;
}

}  // namespace

std::vector<DebugVariable> DebugVariables(const TNokaBase& e, const DebugFilter& filter) {
  std::vector<DebugVariable> rows;
  for (const THashNode* w : e.Words.ToArray()) {
    if (!Shown(*w, filter)) continue;
    DebugVariable row;
    row.Name = w->Name;
    row.Value = w->Kind == kDictionary && w->Table ? w->Table->PairsText() : w->Value;
    row.Type = w->TypeTag;
    row.Level = w->Level;
    row.Kind = w->Kind;
    rows.push_back(std::move(row));
  }
  std::sort(rows.begin(), rows.end(), [](const DebugVariable& a, const DebugVariable& b) { return a.Name < b.Name; });
  return rows;
}

const char* FrameKindName(int kind) {
  switch (kind) {
    case 0: return "もし、ならば";
    case 1: return "もし、違えば";
    case 2: return "繰り返す";
    case 3: return "回";
    case 4: return "呼ぶ";
    case 5: return "イベント";
    case 6: return "反復";
    case 7: return "不明";
    case 8: return "条件分岐";
    default: return "その他";
  }
}

std::vector<std::string> DebugFrames(const TNokaBase& e) {
  std::vector<uint8_t> kinds;
  e.RunStack.AnyFrame([&kinds](const TRunControl& f) {
    kinds.push_back(f.Kind);
    return false;
  });
  // AnyFrame visits the current level first, then the saved ones from the
  // outermost: the current level's frames are the innermost.
  const size_t current = static_cast<size_t>(e.RunStack.Count());
  std::rotate(kinds.begin(), kinds.begin() + static_cast<std::ptrdiff_t>(std::min(current, kinds.size())), kinds.end());
  std::vector<std::string> lines;
  for (size_t i = 0; i < kinds.size(); ++i) lines.push_back(std::to_string(i + 1) + ":" + Sj(FrameKindName(kinds[i])));
  return lines;
}

std::string DebugProgramText(const TNokaBase& e) { return "0:" + (e.Source ? *e.Source : std::string()); }

std::string DebugLineText(const TNokaBase& e, int32_t line) {
  if (!e.Source || line < 0) return {};
  const std::string& text = *e.Source;
  size_t start = 0;
  for (int32_t i = 0; i < line; ++i) {
    size_t lf = text.find('\n', start);
    if (lf == std::string::npos) return {};
    start = lf + 1;
  }
  size_t end = text.find_first_of("\r\n", start);
  std::string out = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
  // The marker of every line but the first: digits and ":".
  size_t digits = 0;
  while (digits < out.size() && out[digits] >= '0' && out[digits] <= '9') ++digits;
  if (line > 0 && digits > 0 && digits < out.size() && out[digits] == ':') out.erase(0, digits + 1);
  return out;
}

void SetEditorSync(std::function<void(TNokaBase&)> sync) { EditorSync() = std::move(sync); }

void ShowDebugger(TNokaBase& e) {
  std::function<void()> sync;
  if (EditorSync()) sync = [&e] { EditorSync()(e); };
  switch (DebuggerOf(e.Services).ShowDebugDialog(e, sync)) {
    case DebugChoice::Continue:
      e.LineStop = false;
      break;
    case DebugChoice::StepLines:
      e.LineStop = true;
      break;
    case DebugChoice::Stop:
      // As the error dialog's quit: the run ends where it stands.
      e.LineStop = false;
      e.StopFlag = true;
      e.Services.Window->CloseMainWindow();
      break;
  }
}

void StopAtLine(TNokaBase& e) {
  if (e.ArgStack.Count() != 0 || !e.Cursor || e.StopFlag) return;
  LineStopMark& mark = FamilyState<LineStopMark>(e);
  if (mark.Stopped && mark.Line == e.LineNo && mark.Turns == e.LoopTurns) return;
  mark = {e.LineNo, e.LoopTurns, true};
  ShowDebugger(e);
}

}  // namespace nokari
