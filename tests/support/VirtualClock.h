#pragma once
// Virtual time for the sequences: timers and one-shot events fire in time
// order when the test advances the clock, so the 10-second deactivation, the
// watchdog and the confirmation ladder run in microseconds without sleeping.
//
// Timer semantics follow the window's: enabling an enabled timer changes
// nothing, changing the interval of an enabled timer restarts its countdown,
// and a tick is followed by the next one an interval later.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "sequences/MonotonicClock.h"
#include "sequences/Timer.h"

namespace galt::testing {

class VirtualClock : public TimerSource, public MonotonicClock {
 public:
  VirtualClock();
  ~VirtualClock() override;

  std::unique_ptr<Timer> CreateTimer(int interval_ms) override;

  std::int64_t Now() const { return now_; }
  std::int64_t NowMs() const override { return now_; }

  // Runs `fn` once, `delay_ms` from now (after anything already due then).
  void Post(std::int64_t delay_ms, std::function<void()> fn);

  // Moves time forward by `ms`, firing everything due on the way. May be
  // called again from inside a tick (a box that stays open for a while).
  void Advance(std::int64_t ms);

  // Advances until `done()` holds or `limit_ms` has passed; true if it held.
  bool RunUntil(const std::function<bool()>& done, std::int64_t limit_ms);

 private:
  class VTimer;
  struct Event {
    std::int64_t at;
    std::uint64_t seq;
    std::function<void()> fn;
  };
  bool FireNext(std::int64_t limit);

  std::int64_t now_ = 0;
  std::uint64_t seq_ = 0;
  std::vector<VTimer*> timers_;
  std::vector<Event> events_;
  friend class VTimer;
};

}  // namespace galt::testing
