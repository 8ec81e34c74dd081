#include "tests/support/VirtualClock.h"

#include <algorithm>
#include <limits>

namespace galt::testing {

class VirtualClock::VTimer : public CountdownTimer {
 public:
  VTimer(VirtualClock& clock, int interval) : CountdownTimer(interval), clock_(clock) {
    clock_.timers_.push_back(this);
  }
  ~VTimer() override {
    auto& v = clock_.timers_;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }

  void StartCountdown() override {
    due_ = clock_.now_ + Period();
    seq_ = ++clock_.seq_;
  }
  void StopCountdown() override {}

  VirtualClock& clock_;
  std::int64_t due_ = 0;
  std::uint64_t seq_ = 0;
};

VirtualClock::VirtualClock() = default;
VirtualClock::~VirtualClock() = default;

std::unique_ptr<Timer> VirtualClock::CreateTimer(int interval_ms) {
  return std::make_unique<VTimer>(*this, interval_ms);
}

void VirtualClock::Post(std::int64_t delay_ms, std::function<void()> fn) {
  events_.push_back(Event{now_ + std::max<std::int64_t>(delay_ms, 0), ++seq_, std::move(fn)});
}

bool VirtualClock::FireNext(std::int64_t limit) {
  // The earliest of the enabled timers and the posted events; ties go to
  // whatever was scheduled first.
  VTimer* timer = nullptr;
  for (VTimer* t : timers_) {
    if (!t->Enabled() || t->due_ > limit) continue;
    if (!timer || t->due_ < timer->due_ || (t->due_ == timer->due_ && t->seq_ < timer->seq_)) timer = t;
  }
  auto event = events_.end();
  for (auto it = events_.begin(); it != events_.end(); ++it) {
    if (it->at > limit) continue;
    if (event == events_.end() || it->at < event->at || (it->at == event->at && it->seq < event->seq)) event = it;
  }
  const bool take_event =
      event != events_.end() &&
      (!timer || event->at < timer->due_ || (event->at == timer->due_ && event->seq < timer->seq_));
  if (take_event) {
    now_ = std::max(now_, event->at);
    auto fn = std::move(event->fn);
    events_.erase(event);
    fn();
    return true;
  }
  if (!timer) return false;
  now_ = std::max(now_, timer->due_);
  // The next tick is an interval after this one unless the handler restarts
  // or stops the timer.
  timer->StartCountdown();
  if (timer->OnTimer) timer->OnTimer();
  return true;
}

void VirtualClock::Advance(std::int64_t ms) {
  const std::int64_t target = now_ + ms;
  while (FireNext(target)) {
  }
  now_ = std::max(now_, target);
}

bool VirtualClock::RunUntil(const std::function<bool()>& done, std::int64_t limit_ms) {
  const std::int64_t end = now_ + limit_ms;
  while (!done()) {
    if (!FireNext(end)) {
      now_ = std::max(now_, end);
      return done();
    }
  }
  return true;
}

}  // namespace galt::testing
