#pragma once
// The report of a latency series, shared by the serial benchmarks.

#include <algorithm>
#include <cstdio>
#include <vector>

namespace galt::bench {

// Prints median and tail of `us` (microseconds); exit code 0 when the median
// meets the target, 2 when it does not.
inline int ReportLatency(const char* what, std::vector<double> us, double target_us) {
  if (us.empty()) return 1;
  std::sort(us.begin(), us.end());
  auto at = [&](double q) { return us[static_cast<std::size_t>(q * static_cast<double>(us.size() - 1))]; };
  std::printf("%s, %zu rounds\n", what, us.size());
  std::printf("  median %.1f us   p90 %.1f us   p99 %.1f us   max %.1f us\n", at(0.5), at(0.9), at(0.99), us.back());
  const bool met = at(0.5) < target_us;
  std::printf("  target: median < %.0f us -> %s\n", target_us, met ? "met" : "NOT MET");
  return met ? 0 : 2;
}

}  // namespace galt::bench
