#pragma once
// Elapsed time for the progress shown while an operation runs, behind an
// interface: the program reads the steady clock, tests read virtual time.

#include <chrono>
#include <cstdint>

namespace galt {

class MonotonicClock {
 public:
  virtual ~MonotonicClock() = default;
  // Milliseconds from an arbitrary start; never goes back.
  virtual std::int64_t NowMs() const = 0;
};

class SteadyClock : public MonotonicClock {
 public:
  std::int64_t NowMs() const override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  // One for every core that is not given a clock of its own.
  static const SteadyClock& Instance() {
    static const SteadyClock clock;
    return clock;
  }
};

}  // namespace galt
