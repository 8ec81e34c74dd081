#pragma once
// What the serial benchmarks share: a raw pseudo-terminal pair, and the
// report of a latency series.

#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace galt::bench {

// A raw pty pair; the slave's name is what the component opens.
struct BenchPty {
  BenchPty() {
    char path[128];
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&master, &slave, path, &raw, nullptr) != 0) {
      std::perror("openpty");
      return;
    }
    name = path;
  }
  ~BenchPty() {
    if (master >= 0) close(master);
    if (slave >= 0) close(slave);
  }
  bool ok() const { return master >= 0; }

  int master = -1;
  int slave = -1;
  std::string name;
};

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
