// Byte timing of a paced 14400-baud line.

#include <gtest/gtest.h>

#include "tools/galt-emulator/LineClock.h"

namespace galt::emucli {
namespace {

using namespace std::chrono_literals;

TEST(LineClock, ABurstKeepsTheLineRateWithoutDrift) {
  LineClock line;
  const Clock::time_point t0{};
  Clock::time_point last;
  for (int i = 0; i < 1440; ++i) last = line.Take(t0);
  EXPECT_EQ(last - t0, std::chrono::duration_cast<Clock::duration>(1s));  // 1440 bytes: exactly 1 s

  LineClock again;
  EXPECT_EQ(again.Take(t0) - t0, std::chrono::duration_cast<Clock::duration>(694444ns));
  // Bytes offered while the line is busy queue behind the earlier ones.
  const auto second = again.Take(t0 + 100us);
  EXPECT_EQ(second - t0, std::chrono::duration_cast<Clock::duration>(1388888ns));
}

TEST(LineClock, AnIdleLineStartsAtOnce) {
  LineClock line;
  const Clock::time_point t0{};
  line.Take(t0);
  const auto later = t0 + 50ms;
  EXPECT_EQ(line.Take(later) - later, std::chrono::duration_cast<Clock::duration>(694444ns));
  EXPECT_EQ(line.FreeAt() - later, std::chrono::duration_cast<Clock::duration>(694444ns));
}

}  // namespace
}  // namespace galt::emucli
