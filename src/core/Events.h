// Events reach the script through one queue. Whatever happens outside the
// script (a click, a key, a timer, the user closing the window) only
// notes what happened and queues it; the engine runs the handler later, at
// a place where that is safe:
//   - while a run loop is busy, at its next statement boundary (the word
//     stack empty, no evaluation in progress): an event frame is pushed and
//     the cursor moves into the handler, whose end (or 戻る) resumes the
//     interrupted place;
//   - while nothing runs, from a call the pump makes soon after (each event
//     in a run level of its own);
//   - during 待つ, each event in a run level of its own, like the idle case.
// Running the script inside a window system's own handler would break the
// widget that is reporting (a button missing its release), and running it
// in the middle of a statement would hand the handler the statement's
// phrases; hence the queue.
//
// A queued event is a snapshot: the language variables it sets are written
// just before its handler starts, so a second event queued meanwhile does
// not change what the first one sees.
//
// Handlers do not interrupt one another at statement boundaries: while a
// handler runs, window events wait until it ends or lets events run (待つ).
// A handler that runs long without waiting therefore holds the others back,
// as in any single-threaded window program; the main program, however, is
// interrupted at every boundary.
#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/TextPos.h"

namespace nokari {

struct TNokaBase;
class IEventPump;

// A language variable an event sets (CP932 name, value, type mark).
struct EventVar {
  std::string Name;
  std::string Value;
  std::string Type = "s";
};

struct EngineEvent {
  enum class Source : uint8_t {
    Window,  // a part, the tray, the script timer, a socket: waits for a free boundary
    Script,  // the script asked (「B1の、クリックした時」, reading イベント)
    Close,   // the user asked to close the main window
  };
  Source From = Source::Window;
  // The part whose handler runs: its record's id (the handler is looked up
  // when the event starts, so a handler set or cleared meanwhile counts,
  // and an event of a record destroyed meanwhile does nothing), or -1 for
  // an event that brings its own entry (the timer).
  int ObjectId = -1;
  int Slot = 0;            // the record's event slot (1 click ... 9 drop)
  std::string ObjectName;  // what イベントオブジェクト refers to ("": left as it is)
  TextPos Entry;           // ObjectId < 0: where the handler starts
  std::string FileName;    // ... and the file it belongs to
  std::vector<EventVar> Vars;
  int Level = 0;           // Script: the run level that asked

  // The event `slot` of the record `objectId`, named `objectName`.
  static EngineEvent OfPart(int objectId, int slot, std::string objectName, std::vector<EventVar> vars = {}) {
    EngineEvent event;
    event.ObjectId = objectId;
    event.Slot = slot;
    event.ObjectName = std::move(objectName);
    event.Vars = std::move(vars);
    return event;
  }
};

// The queue and the state of the script timer; one per engine. Only
// core/Events.cpp changes it; the run loop reads `empty()`.
struct EventQueue {
  EventQueue() = default;
  EventQueue(const EventQueue&) = delete;
  EventQueue& operator=(const EventQueue&) = delete;
  // The engine is going: no timer of it may fire into it.
  ~EventQueue();

  // The run loop's check at every step: nothing is queued. One flag, kept
  // by Recount after every change, so the check costs one load.
  bool empty() const { return !Any; }
  void Recount() { Any = !Window.empty() || !Script.empty() || CloseRequested; }
  size_t size() const { return Window.size() + Script.size(); }

  // Beyond this many waiting events, the oldest mouse moves go first, then
  // new events are refused: a flood (a stuck key, a handler that never
  // returns while the mouse moves) never grows without bound.
  static constexpr size_t kCapacity = 10000;

  std::deque<EngineEvent> Window;
  std::deque<EngineEvent> Script;
  bool CloseRequested = false;
  bool Any = false;
  size_t MouseMoves = 0;  // mouse moves among Window (a full queue drops them first)
  // The pump call that drains the queue while nothing runs (0: none armed).
  int DrainTimer = 0;
  // The script timer: armed on the pump (0: off), and what it runs.
  int ScriptTimer = 0;
  TextPos TimerEntry;
  std::string TimerFile;
  IEventPump* Pump = nullptr;  // the pump the timers above are armed on
  // When the busy run loop next lets the window system run.
  std::chrono::steady_clock::time_point NextPump{};
  size_t Dropped = 0;  // events refused or merged away
  // 待機 ran since the present wait (待つ) began: the level that waits
  // stops as well.
  bool Halted = false;
};

// A program starts: nothing of an earlier run's events or timer is left.
void ResetEvents(TNokaBase& e);

// Queues an event from outside the script (a part, the timer). False when
// it was refused: the queue is full, or it is a change event of a part
// whose change handler is running now (a handler that changes its own part
// would otherwise queue itself for ever). A mouse move replaces a mouse
// move of the same part queued just before it.
bool QueueEvent(TNokaBase& e, EngineEvent event);
// Queues a handler the script itself asked for; it runs at the next
// statement boundary of the level that asked (right after the asking
// statement), ahead of window events and also inside a handler. With
// nothing running it runs now.
void QueueScriptEvent(TNokaBase& e, EngineEvent event);
// The user asked to close the main window while the script runs: the close
// handler runs at the next boundary, and 待つ ends early.
void QueueCloseRequest(TNokaBase& e);

// Writes an event's variables now (マウスX as the mouse moves, whether or
// not a handler exists).
void WriteEventVars(TNokaBase& e, const std::vector<EventVar>& vars);
// Runs an event now, to its end, in a run level of its own (a ブラウザ's
// navigation, which must be answered at once; only while nothing runs).
void RunEventNow(TNokaBase& e, EngineEvent event);

// For the run loop: at a statement boundary, starts the first event that
// may start here (true when one did: the cursor is in its handler).
bool StartEventAtBoundary(TNokaBase& e);
// For the run loop: lets the window system run when 20 ms of run time
// have passed since it last did (cheap otherwise).
void LetWindowSystemRun(TNokaBase& e);
// For the outermost run loop as it returns: events still queued are
// drained from the pump.
void DrainLater(TNokaBase& e);

// 待つ: waits for `duration`, running the events that arrive meanwhile
// (when it stands as a statement of its own; inside an evaluation they
// wait for the next boundary); ends early on stop, close or a close
// request.
void WaitLettingEventsRun(TNokaBase& e, std::chrono::milliseconds duration);
// The same for a command waiting for something the pump brings (TCP接続 for
// its connection): ends early also once `done()` holds, checked after
// every round of events. True when `done()` ended it. A handler's 待機
// ends the wait and the waiting level (e.Events.Halted tells).
bool WaitLettingEventsRunUntil(TNokaBase& e, std::chrono::milliseconds duration,
                               const std::function<bool()>& done);
// 待機 ran. A handler that a wait (待つ) started runs in a level of its
// own; its 待機 stops the level that waits too, as it would have stopped
// a busy loop the handler interrupted.
void NoteHalt(TNokaBase& e);

// After the program's text ran out or 待機: lets events run while
// anything that could still bring one is armed on the pump (a timer, a
// watched socket, queued events), until the program ends. For hosts
// without an event loop of their own (the console, tests).
void RunWhileArmed(TNokaBase& e);

// The script timer (タイマー設定, タイマー解除): one single-shot timer.
// Arming replaces what was armed; `delay` ≤ 0 fires at the next chance.
void ArmScriptTimer(TNokaBase& e, std::chrono::milliseconds delay, TextPos entry, std::string fileName);
void DisarmScriptTimer(TNokaBase& e);

}  // namespace nokari
