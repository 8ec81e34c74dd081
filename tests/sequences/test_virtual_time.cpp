// Virtual time's timers keep the contract of the program's own, so the
// sequences' tests in virtual time hold for the program.

#include "tests/support/TimerContract.h"
#include "tests/support/VirtualClock.h"

namespace galt::testing {
namespace {

struct VirtualTime {
  TimerSource& Source() { return clock; }
  void Run(int ms) { clock.Advance(ms); }
  bool RunUntil(const std::function<bool()>& done, int ms) {
    for (int waited = 0; waited < ms; waited += 5) {
      if (done()) return true;
      clock.Advance(5);
    }
    return done();
  }
  // Virtual time passes only by running what is due.
  void Stall(int) {}
  VirtualClock clock;
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Virtual, TimerContract, VirtualTime);

}  // namespace galt::testing
