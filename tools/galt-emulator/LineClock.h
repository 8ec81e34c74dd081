#pragma once
// The timing of one direction of a serial line: when each byte handed to it
// has fully crossed. Deadlines are computed from the start of the current
// burst, so long transfers do not drift.

#include <chrono>
#include <cstdint>

namespace galt::emucli {

using Clock = std::chrono::steady_clock;

class LineClock {
 public:
  explicit LineClock(int baud = 14400, int bitsPerByte = 10);

  // A byte offered at `now` starts when the line is free (at once if it is
  // idle) and is through 1 byte time later; returns that moment.
  Clock::time_point Take(Clock::time_point now);

  // When the last byte taken is through.
  Clock::time_point FreeAt() const { return freeAt_; }

 private:
  std::int64_t bitNanos_;  // numerator: bits per byte * 1e9
  std::int64_t baud_;
  Clock::time_point burstStart_{};
  std::int64_t burstBytes_ = 0;
  Clock::time_point freeAt_{};
};

}  // namespace galt::emucli
