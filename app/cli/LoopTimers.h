#pragma once
// Timers for a program without a GUI toolkit: a TimerSource whose timers
// tick on the thread that runs a TSerEventLoop through RunLoop below, the
// thread the serial component hands its deliveries to. They keep the window's
// semantics: a timer ticks only while enabled, enabling an enabled timer
// changes nothing, a new interval restarts an enabled timer's countdown.
// Ticks keep their period on the monotonic clock instead of drifting by the
// time their handlers take; a loop that fell behind ticks once, not in a
// burst.
//
// Everything here belongs to the loop's thread; only TSerEventLoop::Post may
// be called from others.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "sequences/Timer.h"
#include "serial/SerEventLoop.h"

namespace galt {

class LoopTimers : public TimerSource {
 public:
  using Clock = std::chrono::steady_clock;
  using NowFn = std::function<Clock::time_point()>;

  // `now` reads the clock; tests give their own.
  explicit LoopTimers(NowFn now = Clock::now);
  ~LoopTimers() override;
  LoopTimers(const LoopTimers&) = delete;
  LoopTimers& operator=(const LoopTimers&) = delete;

  std::unique_ptr<Timer> CreateTimer(int interval_ms) override;

  Clock::time_point Now() const { return now_(); }

  // When the earliest enabled timer is due; nothing while none is enabled.
  std::optional<Clock::time_point> NextDue() const;
  // Ticks every timer that is due now, earliest first (ties in the order
  // they were scheduled), each at most once; answers how many ticked. A timer
  // that an earlier handler stops or restarts does not tick.
  int FireDue();
  // Counts every change of a schedule (enable, disable, new interval,
  // a tick); a waiting loop compares it to know when to look again.
  std::uint64_t Changes() const { return changes_; }

 private:
  class LoopTimer;
  friend class LoopTimer;

  NowFn now_;
  std::vector<LoopTimer*> timers_;
  std::uint64_t seq_ = 0;
  std::uint64_t changes_ = 0;
};

// Runs the calls posted to `loop` and the ticks of `timers` on this thread
// until `done()` holds or `limit` has passed; answers `done()`. Waits without
// spinning: until the next tick is due or a call is posted.
bool RunLoop(TSerEventLoop& loop, LoopTimers& timers, const std::function<bool()>& done,
             std::chrono::milliseconds limit);

}  // namespace galt
