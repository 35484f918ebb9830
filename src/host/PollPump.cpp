#include "host/PollPump.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <vector>

namespace nokari {

void PollPump::ProcessEvents() { RunRound(Clock::duration::zero()); }

void PollPump::Wait(Millis duration, const std::function<bool()>& stop) {
  Clock::time_point until = Clock::now() + duration;
  while (!stop()) {
    Clock::time_point now = Clock::now();
    if (now >= until) return;
    RunRound(until - now);
  }
}

int PollPump::WatchFd(int fd, int directions, Callback ready) {
  watches_[++lastId_] = Watch{fd, directions, std::move(ready)};
  if (directions & Background) ++background_;
  return lastId_;
}

void PollPump::Unwatch(int watchId) {
  auto it = watches_.find(watchId);
  if (it == watches_.end()) return;
  if (it->second.Directions & Background) --background_;
  watches_.erase(it);
}

int PollPump::StartTimer(Millis delay, Callback fired) {
  timers_[++lastId_] = Timer{Clock::now() + std::max(delay, Millis(0)), std::move(fired)};
  return lastId_;
}

void PollPump::CancelTimer(int timerId) { timers_.erase(timerId); }

void PollPump::RunRound(Clock::duration timeout) {
  for (const auto& [id, timer] : timers_) timeout = std::min(timeout, timer.Due - Clock::now());
  timeout = std::max(timeout, Clock::duration::zero());
  // poll() counts whole milliseconds: round up, so a wait never ends
  // before what it waits for is due and then spins.
  auto ms = std::chrono::ceil<Millis>(timeout).count();
  int pollMs = static_cast<int>(std::min<decltype(ms)>(ms, INT_MAX));

  std::vector<pollfd> fds;
  std::vector<int> ids;
  for (const auto& [id, watch] : watches_) {
    short events = 0;
    if (watch.Directions & Readable) events |= POLLIN;
    if (watch.Directions & Writable) events |= POLLOUT;
    fds.push_back(pollfd{watch.Fd, events, 0});
    ids.push_back(id);
  }
  // About to sleep: what the program printed so far is shown first (the
  // console buffers standard output in blocks), so a server waiting for
  // its peers is seen answering them as it goes, also through a pipe.
  if (pollMs > 0) fflush(stdout);
  int n = poll(fds.data(), fds.size(), pollMs);
  if (n > 0) {
    for (size_t i = 0; i < fds.size(); ++i) {
      if (!fds[i].revents) continue;
      // A callback may unwatch this or any other watch: look each one up
      // again, and copy the callback, which may replace its own entry.
      auto it = watches_.find(ids[i]);
      if (it == watches_.end()) continue;
      // A closed descriptor never becomes ready again; keeping its watch
      // would turn every wait into a spin. (A hang-up or an error is
      // reported: the reader sees the end or the error.)
      if (fds[i].revents & POLLNVAL) {
        Unwatch(ids[i]);
        continue;
      }
      Callback ready = it->second.Ready;
      ready();
    }
  } else if (n < 0 && errno != EINTR) {
    // Only a bad descriptor set gets here; the watches stay, and the wait
    // goes on without them rather than spinning on the error.
    if (pollMs > 0) poll(nullptr, 0, pollMs);
  }
  FireDueTimers();
}

void PollPump::FireDueTimers() {
  // Timers armed by a callback wait for the next round, even with no delay,
  // so a timer that re-arms itself cannot hold the pump forever.
  Clock::time_point now = Clock::now();
  std::vector<int> due;
  for (const auto& [id, timer] : timers_)
    if (timer.Due <= now) due.push_back(id);
  std::sort(due.begin(), due.end(), [this](int a, int b) {
    return timers_[a].Due != timers_[b].Due ? timers_[a].Due < timers_[b].Due : a < b;
  });
  for (int id : due) {
    auto it = timers_.find(id);
    if (it == timers_.end()) continue;  // cancelled by an earlier callback
    Callback fired = std::move(it->second.Fired);
    timers_.erase(it);
    fired();
  }
}

}  // namespace nokari
