// 表示, 言う and 待つ: output through the host.
#include <chrono>
#include <thread>

#include "host/Host.h"
#include "lib/file/DisplayTarget.h"
#include "words/Contract.h"
#include "words/Registry.h"

namespace nokari {
namespace {

void CmdShowText(TNokaBase& e) {
  std::string text = PopArgValue(e);
  if (WriteToDisplayTarget(e, text)) return;
  e.Host->WriteText(text);
}

void CmdSay(TNokaBase& e) {
  std::string text = PopArgValue(e);
  e.Host->MessageBox(text, Sj(msg::kAppTitle));
}

// Waits while letting events run, so timers and windows stay alive.
void CmdWaitSeconds(TNokaBase& e) {
  long double seconds = PopArgNumber(e);
  if (!(seconds > 0)) return;
  if (seconds > 86400 * 365) seconds = 86400 * 365;
  auto until = std::chrono::steady_clock::now() +
               std::chrono::microseconds(static_cast<int64_t>(seconds * 1e6L));
  while (!e.StopFlag && std::chrono::steady_clock::now() < until) {
    e.Host->ProcessEvents();
    auto left = until - std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(left, std::chrono::milliseconds(10)));
  }
}

}  // namespace

std::span<const CommandImpl> OutputCommands() {
  static const CommandImpl table[] = {{0, CmdShowText}, {12, CmdSay}, {21, CmdWaitSeconds}};
  return table;
}

}  // namespace nokari
