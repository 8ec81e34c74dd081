// The timers of the plain event loop: the contract every timer keeps, on the
// loop that runs them with the serial component's calls; their period and
// order on a clock the test moves.

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "app/cli/LoopTimers.h"
#include "tests/support/TimerContract.h"

namespace galt::testing {
namespace {

struct LoopTime {
  TimerSource& Source() { return timers; }
  void Run(int ms) {
    RunLoop(loop, timers, [] { return false; }, std::chrono::milliseconds(ms));
  }
  bool RunUntil(const std::function<bool()>& done, int ms) {
    for (int waited = 0; waited < ms; waited += 5) {
      if (RunLoop(loop, timers, done, std::chrono::milliseconds(5))) return true;
    }
    return done();
  }
  void Stall(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  TSerEventLoop loop;
  LoopTimers timers;
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Loop, TimerContract, LoopTime);

}  // namespace galt::testing

namespace galt {
namespace {

using namespace std::chrono_literals;
using Clock = LoopTimers::Clock;

struct ManualTime {
  Clock::time_point now{};
  LoopTimers timers{[this] { return now; }};
  // Moves to `ms` after the start and ticks whatever is due.
  int At(int ms) {
    now = Clock::time_point{} + std::chrono::milliseconds(ms);
    return timers.FireDue();
  }
  std::chrono::milliseconds NextDue() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(*timers.NextDue() - Clock::time_point{});
  }
};

TEST(LoopTimers, TickOnlyWhileEnabledKeepingTheirPeriodWithoutBursts) {
  ManualTime t;
  auto timer = t.timers.CreateTimer(100);
  int ticks = 0;
  timer->OnTimer = [&] { ++ticks; };
  EXPECT_EQ(t.At(500), 0);
  EXPECT_FALSE(t.timers.NextDue());

  timer->SetEnabled(true);  // at 500
  EXPECT_EQ(t.At(599), 0);
  EXPECT_EQ(t.At(630), 1);  // due at 600, handled late
  EXPECT_EQ(t.NextDue(), 700ms) << "the period holds";
  EXPECT_EQ(t.At(1050), 1) << "a loop that fell behind ticks once";
  EXPECT_EQ(t.NextDue(), 1150ms);
  timer->SetEnabled(false);
  EXPECT_EQ(t.At(5000), 0);
  EXPECT_EQ(ticks, 2);
}

TEST(LoopTimers, DueTimersTickEarliestFirstAndOnlyIfNoHandlerStoppedThem) {
  ManualTime t;
  std::string order;
  auto a = t.timers.CreateTimer(50);
  auto b = t.timers.CreateTimer(30);
  auto c = t.timers.CreateTimer(40);
  auto d = t.timers.CreateTimer(45);
  a->OnTimer = [&] { order += 'a'; };
  b->OnTimer = [&] { order += 'b'; };
  c->OnTimer = [&, first = true]() mutable {
    order += 'c';
    if (!first) return;
    first = false;
    d.reset();           // gone before its turn
    a->SetInterval(50);  // restarted: due again at 110
  };
  for (auto* timer : {a.get(), b.get(), c.get(), d.get()}) timer->SetEnabled(true);
  EXPECT_EQ(t.At(60), 2);
  EXPECT_EQ(order, "bc");
  EXPECT_EQ(t.At(110), 3);  // c at 80, b at 90 and a at 110 are all due now
  EXPECT_EQ(order, "bccba");
}

TEST(RunLoop, RunsPostedCallsAndTicksOnItsOwnThreadWithoutWaitingOutATick) {
  TSerEventLoop loop;
  LoopTimers timers;
  auto distant = timers.CreateTimer(60000);
  distant->SetEnabled(true);
  auto soon = timers.CreateTimer(20);
  std::thread::id tickedOn;
  soon->OnTimer = [&] {
    tickedOn = std::this_thread::get_id();
    soon->SetEnabled(false);
  };
  // Another thread posts a call that enables a timer due long before the
  // one the loop waits for.
  std::thread poster([&] {
    std::this_thread::sleep_for(20ms);
    loop.Post([&] { soon->SetEnabled(true); });
  });
  EXPECT_TRUE(RunLoop(loop, timers, [&] { return tickedOn != std::thread::id(); }, 20000ms));
  poster.join();
  EXPECT_EQ(tickedOn, std::this_thread::get_id());
  EXPECT_TRUE(distant->Enabled());

  EXPECT_FALSE(RunLoop(loop, timers, [] { return false; }, 30ms)) << "ends at its limit";
}

}  // namespace
}  // namespace galt
