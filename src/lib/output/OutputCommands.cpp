// 言う and 待つ: output through the host's services. (表示 draws, and
// belongs to the drawing family, lib/draw.)
#include <chrono>

#include "core/Events.h"
#include "core/Services.h"
#include "lib/dialog/Say.h"
#include "words/Contract.h"
#include "words/Family.h"

namespace nokari {
namespace {

// 言う: the message box belongs with the dialogs (lib/dialog/Say.h).
void CmdSay(TNokaBase& e) { dialog::Say(e, PopArgValue(e)); }

// Waits while letting events run, so timers and windows stay alive and
// their handlers run meanwhile (core/Events.h); a stop (おわり, the window
// closed or asked to close) ends the wait early.
void CmdWaitSeconds(TNokaBase& e) {
  long double seconds = PopArgNumber(e);
  if (!(seconds > 0)) return;
  if (seconds > 86400 * 365) seconds = 86400 * 365;
  auto duration = std::chrono::ceil<std::chrono::milliseconds>(
      std::chrono::microseconds(static_cast<int64_t>(seconds * 1e6L)));
  WaitLettingEventsRun(e, duration);
}

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::言う, CmdSay},
    {Id::待つ, CmdWaitSeconds},
};

}  // namespace

extern const Family kOutputFamily{"output", kCommands, {}};

}  // namespace nokari
