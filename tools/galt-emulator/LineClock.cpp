#include "tools/galt-emulator/LineClock.h"

namespace galt::emucli {

LineClock::LineClock(int baud, int bitsPerByte)
    : bitNanos_(std::int64_t{bitsPerByte} * 1'000'000'000), baud_(baud) {}

Clock::time_point LineClock::Take(Clock::time_point now) {
  if (burstBytes_ == 0 || now > freeAt_) {
    burstStart_ = now;
    burstBytes_ = 0;
  }
  ++burstBytes_;
  freeAt_ = burstStart_ + std::chrono::duration_cast<Clock::duration>(
                              std::chrono::nanoseconds(burstBytes_ * bitNanos_ / baud_));
  return freeAt_;
}

}  // namespace galt::emucli
