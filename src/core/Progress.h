// The progress window of network transfers (進行度表示): a bar, a one-line
// label and a stop button. Commands that wait on the network show it, move
// its bar as bytes arrive and close it on every way out; the host decides
// what it looks like (a small dialog in window mode, a line on a terminal's
// standard error in console mode, nothing at all when nobody watches).
//
// Texts are CP932, as everywhere across the host services.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "core/Services.h"

namespace nokari {

class IProgressService {
 public:
  virtual ~IProgressService() = default;
  // Shows the window with `label`, the bar at 0 of 100. `stop` is the
  // action of the stop button (null: the button is disabled); the host
  // calls it from its event loop, never from inside one of these calls.
  virtual void Open(const std::string& label, std::function<void()> stop) = 0;
  virtual void SetLabel(const std::string& label) = 0;
  // The bar: `done` of `total` (total 0: unknown, the bar stays where it is).
  virtual void SetPosition(int64_t done, int64_t total) = 0;
  // Harmless when nothing is open.
  virtual void Close() = 0;
};

// A progress window nobody sees: engines without a host, and console runs
// whose standard error is not a terminal.
class QuietProgress : public IProgressService {
 public:
  void Open(const std::string&, std::function<void()>) override {}
  void SetLabel(const std::string&) override {}
  void SetPosition(int64_t, int64_t) override {}
  void Close() override {}
};

// The progress window to use: the installed one, or a quiet one.
inline IProgressService& ProgressOf(const HostServices& s) {
  static QuietProgress quiet;
  return s.Progress ? *s.Progress : quiet;
}

}  // namespace nokari
