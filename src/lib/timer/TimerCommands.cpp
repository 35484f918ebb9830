// The script timer: タイマー設定 arms one single-shot timer that runs a
// label as an event (core/Events.h), タイマー解除 disarms it.
#include <climits>
#include <cmath>

#include "core/Errors.h"
#include "core/Events.h"
#include "core/Messages.h"
#include "words/Contract.h"
#include "words/Family.h"

namespace nokari {
namespace {

// The label as written: a name (with or without its mark), or a literal
// holding one.
std::string LabelName(TNokaBase& e, const std::string& raw) {
  std::string name = !raw.empty() && (raw[0] == '"' || raw[0] == '`') ? EvaluateText(e, raw) : raw;
  if (!name.empty() && name[0] == '*') name.erase(0, 1);
  return name;
}

// Seconds as whole milliseconds, cut towards zero: 0.0015 is 1 ms. What
// cannot be waited for (negative, not a number) fires at once; beyond what
// a timer can hold (24 days) it waits that long.
std::chrono::milliseconds Interval(long double seconds) {
  long double ms = std::trunc(seconds * 1000);
  if (!(ms > 0)) return std::chrono::milliseconds(0);
  if (ms > INT_MAX) ms = INT_MAX;
  return std::chrono::milliseconds(static_cast<int64_t>(ms));
}

void CmdSetTimer(TNokaBase& e) {
  std::string name = LabelName(e, PopArgText(e));
  long double seconds = PopArgNumber(e);
  if (name.empty()) {
    DisarmScriptTimer(e);
    e.Events.TimerEntry.Reset();
    return;
  }
  THashNode* label = FindWord(e, name);
  if (!label || label->Kind != kLabel) RaiseError(e, msg::kUndefinedLabel, {name});
  ArmScriptTimer(e, Interval(seconds), label->Ref, label->TypeTag);
}

// The label stays stored; only the timer stops.
void CmdStopTimer(TNokaBase& e) { DisarmScriptTimer(e); }

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::タイマー設定, CmdSetTimer},
    {Id::タイマー解除, CmdStopTimer},
};

}  // namespace

extern const Family kTimerFamily{"timer", kCommands, {}};

}  // namespace nokari
