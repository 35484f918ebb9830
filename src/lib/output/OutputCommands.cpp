// 表示, 言う and 待つ: output through the host's services.
#include <chrono>

#include "core/Events.h"
#include "core/Services.h"
#include "lib/dialog/Say.h"
#include "lib/file/DisplayTarget.h"
#include "words/Contract.h"
#include "words/Family.h"

namespace nokari {
namespace {

// A colour as scripts write it: "#RRGGBB" (or "#RGB"), else a Windows
// colour number 0x00BBGGRR. Anything else draws black.
uint32_t RgbFromValue(const std::string& v) {
  if (!v.empty() && v[0] == '#') {
    std::string hex = v.substr(1);
    if (hex.size() == 3) hex = {hex[0], hex[0], hex[1], hex[1], hex[2], hex[2]};
    if (hex.size() != 6 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return 0;
    return static_cast<uint32_t>(std::stoul(hex, nullptr, 16));
  }
  long double x = ToNumber(v);
  if (!(x > -1e15L && x < 1e15L)) return 0;
  auto n = static_cast<long long>(x);
  return static_cast<uint32_t>(((n & 0xFF) << 16) | (n & 0xFF00) | ((n >> 16) & 0xFF));
}

// The style 表示 draws in, from the script's variables.
TextStyle CurrentTextStyle(TNokaBase& e) {
  TextStyle style;
  style.Face = VarValue(e, "文字書体");
  int points = static_cast<int>(ToNumber(VarValue(e, "文字サイズ")));
  if (points > 0) style.Points = points;
  style.Rgb = RgbFromValue(VarValue(e, "文字色"));
  return style;
}

void CmdShowText(TNokaBase& e) {
  std::string text = PopArgValue(e);
  if (WriteToDisplayTarget(e, text)) return;
  e.Services.Output->WriteText(text, CurrentTextStyle(e));
}

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
    {Id::表示, CmdShowText},
    {Id::言う, CmdSay},
    {Id::待つ, CmdWaitSeconds},
};

}  // namespace

extern const Family kOutputFamily{"output", kCommands, {}};

}  // namespace nokari
