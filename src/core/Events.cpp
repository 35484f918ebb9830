// The engine's event queue: where handlers start, and how the engine waits
// for events (core/Events.h says why it is a queue).
#include "core/Events.h"

#include <optional>

#include "core/Encoding.h"
#include "core/Engine.h"
#include "core/EngineCaches.h"
#include "core/Errors.h"
#include "core/Prepare.h"

namespace nokari {

EventQueue::~EventQueue() {
  if (!Pump) return;
  if (DrainTimer) Pump->CancelTimer(DrainTimer);
  if (ScriptTimer) Pump->CancelTimer(ScriptTimer);
}

namespace {

using Millis = std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// How often a busy run lets the window system run: often enough that a
// window repaints and answers while a long loop runs.
constexpr Millis kPumpInterval{20};
constexpr int kChangeSlot = 7;
constexpr int kMouseMoveSlot = 8;

// Whether a handler runs now, on any level: window events wait until it
// ends (or lets events run).
bool HandlerRunning(const TNokaBase& e) {
  return e.RunStack.AnyFrame([](const TRunControl& f) { return f.Kind == kEventFrame; });
}

bool ChangeHandlerRunning(const TNokaBase& e, int objectId) {
  return e.RunStack.AnyFrame([objectId](const TRunControl& f) {
    return f.Kind == kEventFrame && f.Counter == objectId && f.Limit == kChangeSlot;
  });
}

// A full queue makes room by dropping its oldest mouse move: a later move
// says where the mouse is better than an old one does.
bool IsMouseMove(const EngineEvent& event) { return event.Slot == kMouseMoveSlot && event.ObjectId >= 0; }

bool DropOldestMouseMove(EventQueue& q) {
  if (q.MouseMoves == 0) return false;  // no scan of a queue full of clicks
  for (auto it = q.Window.begin(); it != q.Window.end(); ++it)
    if (IsMouseMove(*it)) {
      q.Window.erase(it);
      --q.MouseMoves;
      ++q.Dropped;
      return true;
    }
  return false;
}

void DrainWhenIdle(TNokaBase& e);

// Asks the pump for a call soon, which runs what is queued once nothing
// runs any more.
void ArmDrain(TNokaBase& e) {
  EventQueue& q = e.Events;
  if (q.DrainTimer || !e.Services.Pump) return;
  q.Pump = e.Services.Pump;
  q.DrainTimer = q.Pump->StartTimer(Millis(0), [&e] {
    e.Events.DrainTimer = 0;
    DrainWhenIdle(e);
  });
}

// イベントオブジェクト refers to the object whose handler runs, as そ does: a
// copy of its word, still the reserved built-in.
void MarkEventObject(TNokaBase& e, const std::string& objectName) {
  if (objectName.empty()) return;
  THashNode* mark = e.Words.Find(Sj("イベントオブジェクト"));
  THashNode* object = e.Words.Find(objectName);
  if (!mark || !object || object->Kind != kObject) return;
  mark->CopyAttributes(*object);
  mark->Reserved = true;
  mark->Level = -1;
}

struct Handler {
  TextPos Entry;
  std::string FileName;
};

// Where an event's handler starts, looked up now; none when its record was
// destroyed or its slot emptied meanwhile. An inline handler is prepared
// into a text of its own, which the cursor and the frames keep alive: the
// record may be given another handler, or freed, while this one runs.
std::optional<Handler> HandlerOf(TNokaBase& e, const EngineEvent& event) {
  if (event.ObjectId < 0) {
    if (!event.Entry) return std::nullopt;
    return Handler{event.Entry, event.FileName};
  }
  TObjNode* node = e.Objects.GetAt(event.ObjectId);
  if (!node || event.Slot < 0 || event.Slot >= TObjNode::kEventSlots) return std::nullopt;
  if (!event.ObjectName.empty() && node->Name != event.ObjectName) return std::nullopt;
  const TextPos& entry = node->EventEntries[event.Slot];
  const std::string& text = node->EventLabels[event.Slot];
  if (entry) {
    THashNode* label = e.Words.Find(text);
    return Handler{entry, label && label->Kind == kLabel ? label->TypeTag : e.FileName};
  }
  if (text.empty()) return std::nullopt;
  std::string statements = text;
  if (statements.back() != '\n' && statements.back() != '\r') statements += "\r\n";
  // Named after its part, so an error in it (a mistyped label run as a
  // statement) says whose event it was, not line 1 of the program.
  return Handler{TextPos::StartOf(MakeText(Prepare(e, statements))),
                 e.FileName + Sj("の") + node->Name + Sj("のイベント")};
}

// What every handler start does first: the snapshot's variables, then
// イベントオブジェクト.
void EnterHandler(TNokaBase& e, const EngineEvent& event) {
  WriteEventVars(e, event.Vars);
  MarkEventObject(e, event.ObjectName);
}

TRunControl EventFrame(const EngineEvent& event) {
  TRunControl frame;
  frame.Kind = kEventFrame;
  frame.Counter = event.ObjectId;
  frame.Limit = event.Slot;
  return frame;
}

// Starts an event where the cursor stands (a statement boundary): the
// handler runs next, and its end returns here.
bool StartHere(TNokaBase& e, const EngineEvent& event) {
  if (event.From == EngineEvent::Source::Close) {
    RequestClose(e);
    return true;
  }
  std::optional<Handler> handler = HandlerOf(e, event);
  if (!handler) return false;
  SpoilPlan(e);
  EnterHandler(e, event);
  TRunControl& frame = e.RunStack.PushNew();
  frame = EventFrame(event);
  frame.ReturnPos = e.Cursor;
  frame.ExitPos = handler->Entry;
  frame.SavedFileName = SharedFileName(e);
  e.Cursor = std::move(handler->Entry);
  e.FileName = std::move(handler->FileName);
  return true;
}

EngineEvent PopFront(EventQueue& q, std::deque<EngineEvent>& queue) {
  EngineEvent event = std::move(queue.front());
  queue.pop_front();
  if (&queue == &q.Window && IsMouseMove(event)) --q.MouseMoves;
  q.Recount();
  return event;
}

// Runs one event in a level of its own; an error that escapes the run
// (the nesting guard, a handler text that cannot be prepared) is reported
// as a run's error would be.
void RunGuarded(TNokaBase& e, EngineEvent event) {
  try {
    RunEventNow(e, std::move(event));
  } catch (ENoka&) {
    if (ShowErrorLog(e) == ErrorChoice::Quit) {
      e.StopFlag = true;
      e.Cursor.Reset();
      e.Services.Window->CloseMainWindow();
    }
  }
}

bool Ending(const TNokaBase& e) { return e.StopFlag || e.Closed; }

// A handler run during a wait ended with 待機: the level that waits stops
// where it stands, as 待機 stops the level it runs in (the flag stays set,
// so a wait further out stops its level too).
void HaltWaitingLevel(TNokaBase& e) {
  e.RunStack.Clear();
  e.Cursor.Reset();
}

// Runs the queued events one after another, each to its end, while the
// program goes on.
void RunQueued(TNokaBase& e) {
  EventQueue& q = e.Events;
  while (!Ending(e)) {
    if (q.CloseRequested) {
      q.CloseRequested = false;
      q.Recount();
      RequestClose(e);
    } else if (!q.Script.empty()) {
      RunGuarded(e, PopFront(q, q.Script));
    } else if (!q.Window.empty()) {
      RunGuarded(e, PopFront(q, q.Window));
    } else {
      break;
    }
  }
}

void DrainWhenIdle(TNokaBase& e) {
  // A run is on (the pump was asked to run from inside it): its next
  // boundary takes the events, and its end asks for this call again.
  if (e.RunDepth > 0) return;
  RunQueued(e);
}

void FireScriptTimer(TNokaBase& e) {
  EventQueue& q = e.Events;
  q.ScriptTimer = 0;  // one shot: off until set again
  if (!q.TimerEntry) return;
  EngineEvent event;
  event.Entry = q.TimerEntry;
  event.FileName = q.TimerFile;
  QueueEvent(e, std::move(event));
}

}  // namespace

void ResetEvents(TNokaBase& e) {
  EventQueue& q = e.Events;
  DisarmScriptTimer(e);
  q.TimerEntry.Reset();
  q.TimerFile.clear();
  q.Window.clear();
  q.Script.clear();
  q.CloseRequested = false;
  q.MouseMoves = 0;
  q.Recount();
}

bool QueueEvent(TNokaBase& e, EngineEvent event) {
  EventQueue& q = e.Events;
  if (Ending(e)) return false;
  event.From = EngineEvent::Source::Window;
  if (event.ObjectId >= 0 && event.Slot == kChangeSlot && ChangeHandlerRunning(e, event.ObjectId)) {
    ++q.Dropped;
    return false;
  }
  if (IsMouseMove(event) && !q.Window.empty()) {
    EngineEvent& last = q.Window.back();
    if (IsMouseMove(last) && last.ObjectId == event.ObjectId) {
      last = std::move(event);
      ++q.Dropped;
      return true;
    }
  }
  if (q.size() >= EventQueue::kCapacity && !DropOldestMouseMove(q)) {
    ++q.Dropped;
    return false;
  }
  if (IsMouseMove(event)) ++q.MouseMoves;
  q.Window.push_back(std::move(event));
  q.Recount();
  ArmDrain(e);
  return true;
}

void QueueScriptEvent(TNokaBase& e, EngineEvent event) {
  EventQueue& q = e.Events;
  if (Ending(e)) return;
  event.From = EngineEvent::Source::Script;
  if (e.RunDepth == 0) {
    RunEventNow(e, std::move(event));
    return;
  }
  if (q.size() >= EventQueue::kCapacity) {
    ++q.Dropped;
    return;
  }
  event.Level = e.RunStack.Levels();
  q.Script.push_back(std::move(event));
  q.Recount();
}

void QueueCloseRequest(TNokaBase& e) {
  if (Ending(e)) return;
  e.Events.CloseRequested = true;
  e.Events.Recount();
  ArmDrain(e);
}

void WriteEventVars(TNokaBase& e, const std::vector<EventVar>& vars) {
  for (const EventVar& v : vars) {
    THashNode* word = e.Words.Find(v.Name);
    if (word && word->Kind == kVariable) word->SetValue(v.Value, v.Type);
  }
}

void RunEventNow(TNokaBase& e, EngineEvent event) {
  if (Ending(e)) return;
  if (event.From == EngineEvent::Source::Close) {
    RequestClose(e);
    return;
  }
  std::optional<Handler> handler = HandlerOf(e, event);
  if (!handler) return;
  EnterHandler(e, event);
  // The frame returns to no place: the handler's end (or 戻る) ends the
  // level. Phrases of a statement that is waiting (待つ) are kept aside.
  TRunControl frame = EventFrame(event);
  frame.ExitPos = handler->Entry;
  frame.SavedFileName = SharedFileName(e);
  std::vector<std::string> waiting;
  waiting.swap(e.ArgStack.Items);
  struct PutBack {
    TNokaBase& e;
    std::vector<std::string>& items;
    ~PutBack() { items.swap(e.ArgStack.Items); }
  } putBack{e, waiting};
  RunNested(e, std::move(handler->Entry), handler->FileName, &frame);
}

bool StartEventAtBoundary(TNokaBase& e) {
  EventQueue& q = e.Events;
  if (e.ArgStack.Count() != 0 || !e.Cursor || Ending(e)) return false;
  if (q.CloseRequested) {
    q.CloseRequested = false;
    q.Recount();
    EngineEvent close;
    close.From = EngineEvent::Source::Close;
    return StartHere(e, close);
  }
  // What the script asked for runs right after the asking statement, in
  // the level that asked (or the one it returned to).
  const int level = e.RunStack.Levels();
  for (auto it = q.Script.begin(); it != q.Script.end();) {
    if (it->Level < level) {
      ++it;
      continue;
    }
    EngineEvent event = std::move(*it);
    it = q.Script.erase(it);
    q.Recount();
    if (StartHere(e, event)) return true;
  }
  // Window events: never inside an evaluation, nor inside a handler.
  if (q.Window.empty() || e.NestDepth != 0 || HandlerRunning(e)) return false;
  while (!q.Window.empty()) {
    EngineEvent event = PopFront(q, q.Window);
    if (StartHere(e, event)) return true;
  }
  return false;
}

void LetWindowSystemRun(TNokaBase& e) {
  Clock::time_point now = Clock::now();
  if (now < e.Events.NextPump) return;
  e.Events.NextPump = now + kPumpInterval;
  if (e.Services.Pump) e.Services.Pump->ProcessEvents();
}

void DrainLater(TNokaBase& e) {
  if (!e.Events.empty() && !Ending(e)) ArmDrain(e);
}

void WaitLettingEventsRun(TNokaBase& e, Millis duration) {
  WaitLettingEventsRunUntil(e, duration, [] { return false; });
}

bool WaitLettingEventsRunUntil(TNokaBase& e, Millis duration, const std::function<bool()>& done) {
  EventQueue& q = e.Events;
  IEventPump* pump = e.Services.Pump;
  if (!pump) return done();
  const Clock::time_point until = Clock::now() + duration;
  // Handlers run during the wait only when 待つ is a statement of its own:
  // inside an evaluation they wait for the next boundary.
  const bool mayRun = e.NestDepth == 0 && e.ArgStack.Count() == 0;
  auto interrupted = [&] { return Ending(e) || q.CloseRequested; };
  q.Halted = false;
  for (;;) {
    while (mayRun && !q.Window.empty() && !interrupted()) {
      RunGuarded(e, PopFront(q, q.Window));
      if (q.Halted) {
        HaltWaitingLevel(e);
        return false;
      }
    }
    if (done()) return true;
    if (interrupted()) return false;
    Clock::time_point now = Clock::now();
    if (now >= until) return false;
    pump->Wait(std::chrono::ceil<Millis>(until - now),
               [&] { return interrupted() || (mayRun && !q.Window.empty()) || done(); });
  }
}

void NoteHalt(TNokaBase& e) { e.Events.Halted = true; }

void RunWhileArmed(TNokaBase& e) {
  IEventPump* pump = e.Services.Pump;
  if (!pump) return;
  while (!Ending(e)) {
    if (!e.Events.empty()) {
      RunQueued(e);
      continue;
    }
    if (pump->Armed() == 0) return;
    pump->Wait(std::chrono::hours(24), [&] { return Ending(e) || !e.Events.empty() || pump->Armed() == 0; });
  }
}

void ArmScriptTimer(TNokaBase& e, Millis delay, TextPos entry, std::string fileName) {
  EventQueue& q = e.Events;
  DisarmScriptTimer(e);
  q.TimerEntry = std::move(entry);
  q.TimerFile = std::move(fileName);
  if (!e.Services.Pump) return;
  q.Pump = e.Services.Pump;
  q.ScriptTimer = q.Pump->StartTimer(std::max(delay, Millis(0)), [&e] { FireScriptTimer(e); });
}

void DisarmScriptTimer(TNokaBase& e) {
  EventQueue& q = e.Events;
  if (q.ScriptTimer && q.Pump) q.Pump->CancelTimer(q.ScriptTimer);
  q.ScriptTimer = 0;
}

}  // namespace nokari
