// The event pump of hosts without a window system: single-shot timers and
// file descriptor watches served by poll(). Waiting sleeps in poll(), so a
// console program waiting for a socket or a timer uses no processor time.
#pragma once
#include <chrono>
#include <map>

#include "core/Services.h"

namespace nokari {

class PollPump : public IEventPump {
 public:
  void ProcessEvents() override;
  void Wait(Millis duration, const std::function<bool()>& stop) override;
  int WatchFd(int fd, int directions, Callback ready) override;
  void Unwatch(int watchId) override;
  int StartTimer(Millis delay, Callback fired) override;
  void CancelTimer(int timerId) override;

  // Watches and timers still armed (for tests and for deciding whether a
  // console program has anything left to wait for).
  size_t Armed() const override { return watches_.size() - background_ + timers_.size(); }

 private:
  using Clock = std::chrono::steady_clock;
  struct Watch {
    int Fd;
    int Directions;
    Callback Ready;
  };
  struct Timer {
    Clock::time_point Due;
    Callback Fired;
  };
  // One round: polls for at most `timeout` (0 = no blocking) or until the
  // next timer is due, then runs the ready watches and the due timers.
  void RunRound(Clock::duration timeout);
  void FireDueTimers();

  std::map<int, Watch> watches_;  // by id, so rounds run in arming order
  std::map<int, Timer> timers_;
  int lastId_ = 0;
  size_t background_ = 0;  // watches marked Background
};

}  // namespace nokari
