// Other programs' windows on the X display: their titles, bringing one to
// the front, and typing keys into it through XTest. No engine here (the
// waiting between steps is the caller's, so events can run meanwhile);
// nothing of Xlib shows outside the .cpp.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "lib/programs/KeyText.h"

namespace nokari::programs {

// The window a title names among `titles` (CP932, in the system's order):
// one whose title is exactly it, else the first whose title begins with it
// (bytes compared). -1 when none.
int PickWindow(const std::vector<std::string>& titles, std::string_view wanted);

class X11Desktop {
 public:
  // Null without a display to talk to: DISPLAY unset (a Wayland session
  // without X, a console), the display unreachable, or no XTest on it.
  static std::unique_ptr<X11Desktop> Connect();
  ~X11Desktop();
  X11Desktop(const X11Desktop&) = delete;
  X11Desktop& operator=(const X11Desktop&) = delete;

  struct TopWindow {
    unsigned long Id;
    std::string Title;  // CP932, at most 255 bytes
  };
  // The top-level windows that are shown and have a title, the topmost
  // first: the window manager's client list, or without one the root's
  // mapped children.
  std::vector<TopWindow> Windows();
  // Asks for the window to become the active one (through the window
  // manager when there is one, else raised and given the focus).
  // `insist`: also raise and focus it directly, for a manager that ignored
  // the request.
  void RequestActivation(unsigned long window, bool insist);
  bool IsActive(unsigned long window);
  // Types the keys into whatever has the focus. A character the keyboard
  // map does not have is typed on a spare key mapped to it for the moment.
  void Type(const std::vector<KeyAction>& keys);

 private:
  struct Impl;
  explicit X11Desktop(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace nokari::programs
