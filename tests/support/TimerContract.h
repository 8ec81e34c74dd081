#pragma once
// The contract every timer keeps (sequences/Timer.h), one suite for Qt's,
// Windows', the command line's loop and virtual time. Each instantiates it
// with a time type: TimerSource& Source(); Run(ms), time passing with ticks
// handled; RunUntil(done, ms), done() asked every few milliseconds;
// Stall(ms), time passing with nothing handled (virtual time cannot). Real
// time is checked for the order of events only, with wide margins.

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "sequences/Timer.h"

namespace galt::testing {

template <typename Time>
class TimerContract : public ::testing::Test {
 protected:
  struct Counted {
    std::unique_ptr<Timer> timer;
    int ticks = 0;
  };
  std::unique_ptr<Counted> Make(int interval_ms) {
    auto counted = std::make_unique<Counted>();
    counted->timer = time.Source().CreateTimer(interval_ms);
    counted->timer->OnTimer = [c = counted.get()] { ++c->ticks; };
    return counted;
  }
  Time time;
};

TYPED_TEST_SUITE_P(TimerContract);

TYPED_TEST_P(TimerContract, TicksOnlyWhileEnabled) {
  auto t = this->Make(20);
  EXPECT_FALSE(t->timer->Enabled());
  EXPECT_EQ(t->timer->Interval(), 20);
  this->time.Run(100);
  EXPECT_EQ(t->ticks, 0) << "created disabled";

  t->timer->SetEnabled(true);
  EXPECT_TRUE(t->timer->Enabled());
  EXPECT_TRUE(this->time.RunUntil([&] { return t->ticks >= 3; }, 5000)) << "ticks repeat";
  t->timer->SetEnabled(false);
  const int ticks = t->ticks;
  this->time.Run(100);
  EXPECT_EQ(t->ticks, ticks);
}

TYPED_TEST_P(TimerContract, EnablingAnEnabledTimerKeepsItsCountdown) {
  // Enabled again every few milliseconds: a restarting timer would never tick.
  auto t = this->Make(300);
  t->timer->SetEnabled(true);
  EXPECT_TRUE(this->time.RunUntil(
      [&] {
        t->timer->SetEnabled(true);
        return t->ticks > 0;
      },
      3000));
}

TYPED_TEST_P(TimerContract, ANewIntervalRestartsTheCountdownAndDoesNotEnable) {
  // An interval set again every 20 ms keeps the tick away. It is long beside
  // the steps, so a loaded machine's pause between two of them cannot pass
  // for a tick on the timers that run in real time.
  auto t = this->Make(1500);
  t->timer->SetEnabled(true);
  for (int elapsed = 0; elapsed < 1200; elapsed += 20) {
    t->timer->SetInterval(1500);
    this->time.Run(20);
  }
  EXPECT_EQ(t->ticks, 0);
  EXPECT_TRUE(this->time.RunUntil([&] { return t->ticks > 0; }, 5000)) << "and ticks when left alone";

  auto off = this->Make(20);
  off->timer->SetInterval(30);
  EXPECT_FALSE(off->timer->Enabled()) << "a new interval does not enable a disabled timer";
  EXPECT_EQ(off->timer->Interval(), 30);
}

TYPED_TEST_P(TimerContract, ACountdownThatRanOutBeforeTheStopDoesNotTick) {
  // Its tick is due, or already queued, while the thread is busy.
  auto stopped = this->Make(15);
  stopped->timer->SetEnabled(true);
  this->time.Stall(60);
  stopped->timer->SetEnabled(false);
  this->time.Run(50);
  EXPECT_EQ(stopped->ticks, 0);

  auto restarted = this->Make(15);
  restarted->timer->SetEnabled(true);
  this->time.Stall(60);
  restarted->timer->SetInterval(400);
  this->time.Run(50);
  EXPECT_EQ(restarted->ticks, 0);
}

REGISTER_TYPED_TEST_SUITE_P(TimerContract, TicksOnlyWhileEnabled, EnablingAnEnabledTimerKeepsItsCountdown,
                            ANewIntervalRestartsTheCountdownAndDoesNotEnable,
                            ACountdownThatRanOutBeforeTheStopDoesNotTick);

}  // namespace galt::testing
