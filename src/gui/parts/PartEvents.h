// What parts report (PartEvent, core/Parts.h): which slots each kind has,
// the shift names, and the application-wide filter that sees the mouse,
// the keys and dropped files before any widget does.
//
// Everything here only notes and hands the event to the part's sink; the
// sink queues it for the engine, which runs the handler later, at a
// statement boundary (running it inside a widget's handler loses the
// widget's own work, such as a button's release).
#pragma once
#include <Qt>
#include <string>

#include "core/Parts.h"

namespace nokari {

enum EventSlot : int {
  kClickSlot = 1,
  kDoubleClickSlot = 2,
  kPressSlot = 3,
  kReleaseSlot = 4,
  kKeyDownSlot = 5,
  kKeyUpSlot = 6,
  kChangeSlot = 7,
  kMoveSlot = 8,
  kDropSlot = 9,
};

using SlotSet = unsigned;  // bit n set: slot n is reported
constexpr SlotSet SlotBit(int slot) { return 1u << slot; }

// The slots a kind reports (the main window reports as a フォーム). Files
// dropped (slot 9) come to every kind once it accepts them.
SlotSet EventSlotsOf(PartKind kind);

// "Shift", "Alt", "Ctrl", "Left", "Right", "Middle", "Double": the active
// ones in that order, one a line (CR LF), no final line end.
std::string ShiftNames(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons, bool doubleClick);

// Installs the application's event filter (once per application).
void RouteEvents();

}  // namespace nokari
