// The short soak: 20 installs with seeded faults through the real window and
// serial component (bench/bench_soak runs the long one).

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/soak/Soak.h"

namespace galt::testing {
namespace {

TEST(Soak, TwentyInstallsEachEndInTheBoxTheirFaultCallsForWithNothingLeftBehind) {
  Soak soak;
  const auto plan = SoakPlan(20261207, 20);
  SoakSample start;
  for (std::size_t i = 0; i < plan.size(); ++i) {
    const SoakOutcome out = soak.Run(plan[i]);
    EXPECT_TRUE(out.passed) << "run " << i << " (" << FaultName(plan[i].fault) << " " << plan[i].value
                            << "): expected \"" << out.expected << "\", got \"" << out.got << "\"";
    if (i == 0) start = SampleProcess();  // after a first run has warmed everything up
  }
  const SoakSample end = SampleProcess();
  std::printf("RSS %ld -> %ld kB, descriptors %d -> %d, threads %d -> %d\n", start.rssKb, end.rssKb, start.fds,
              end.fds, start.threads, end.threads);
  EXPECT_EQ(end.fds, start.fds);
  EXPECT_EQ(end.threads, start.threads);
#if defined(__SANITIZE_ADDRESS__)
  // AddressSanitizer keeps freed memory in quarantine: resident memory grows
  // by design there; the leak check at exit covers it instead.
#else
  EXPECT_LT(end.rssKb - start.rssKb, 1024);
#endif
}

}  // namespace
}  // namespace galt::testing
