#include "app/cli/LoopTimers.h"

#include <algorithm>

namespace galt {

class LoopTimers::LoopTimer : public CountdownTimer {
 public:
  LoopTimer(LoopTimers& owner, int interval) : CountdownTimer(interval), owner_(owner) {
    owner_.timers_.push_back(this);
  }
  ~LoopTimer() override {
    auto& v = owner_.timers_;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
    ++owner_.changes_;
  }

  // The next tick keeps the period; one that would already be late starts a
  // fresh countdown instead, so a stalled loop does not tick in a burst.
  void Tick(Clock::time_point now) {
    Clock::time_point next = due_ + Every();
    if (next <= now) next = now + Every();
    Schedule(next);
    if (OnTimer) OnTimer();
  }

  Clock::time_point due_{};
  std::uint64_t seq_ = 0;

 private:
  void StartCountdown() override { Schedule(owner_.Now() + Every()); }
  void StopCountdown() override { ++owner_.changes_; }

  Clock::duration Every() const { return std::chrono::milliseconds(Period()); }

  void Schedule(Clock::time_point due) {
    due_ = due;
    seq_ = ++owner_.seq_;
    ++owner_.changes_;
  }

  LoopTimers& owner_;
};

LoopTimers::LoopTimers(NowFn now) : now_(std::move(now)) {}

LoopTimers::~LoopTimers() = default;

std::unique_ptr<Timer> LoopTimers::CreateTimer(int interval_ms) {
  return std::make_unique<LoopTimer>(*this, interval_ms);
}

std::optional<LoopTimers::Clock::time_point> LoopTimers::NextDue() const {
  std::optional<Clock::time_point> next;
  for (const LoopTimer* t : timers_) {
    if (t->Enabled() && (!next || t->due_ < *next)) next = t->due_;
  }
  return next;
}

int LoopTimers::FireDue() {
  const Clock::time_point now = Now();
  struct Due {
    LoopTimer* timer;
    Clock::time_point at;
    std::uint64_t seq;
  };
  std::vector<Due> due;
  for (LoopTimer* t : timers_) {
    if (t->Enabled() && t->due_ <= now) due.push_back({t, t->due_, t->seq_});
  }
  std::sort(due.begin(), due.end(),
            [](const Due& a, const Due& b) { return a.at != b.at ? a.at < b.at : a.seq < b.seq; });
  int ticked = 0;
  for (const Due& d : due) {
    // An earlier handler may have stopped, restarted or destroyed it.
    const bool alive = std::find(timers_.begin(), timers_.end(), d.timer) != timers_.end();
    if (!alive || !d.timer->Enabled() || d.timer->seq_ != d.seq) continue;
    d.timer->Tick(now);
    ++ticked;
  }
  return ticked;
}

bool RunLoop(TSerEventLoop& loop, LoopTimers& timers, const std::function<bool()>& done,
             std::chrono::milliseconds limit) {
  using namespace std::chrono;
  const LoopTimers::Clock::time_point end = timers.Now() + limit;
  for (;;) {
    loop.ProcessPending();
    timers.FireDue();
    if (done()) return true;
    const LoopTimers::Clock::time_point now = timers.Now();
    if (now >= end) return false;
    LoopTimers::Clock::time_point wake = end;
    if (const auto next = timers.NextDue()) wake = std::min(wake, *next);
    // Rounded up: waking a little late ticks on time, waking early spins.
    const milliseconds wait = ceil<milliseconds>(wake - now);
    const std::uint64_t changes = timers.Changes();
    loop.RunUntil([&] { return done() || timers.Changes() != changes; }, wait);
  }
}

}  // namespace galt
