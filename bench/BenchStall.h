#pragma once
// The longest stall of a thread that should tick every millisecond, and how
// much of it the thread spent waiting for a CPU (the scheduler's run-queue
// delay, /proc/thread-self/schedstat): on a machine that other programs
// load, that part is theirs, the rest is the thread's own work.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

namespace galt::bench {

// Nanoseconds the calling thread has waited, runnable, for a CPU so far.
inline std::int64_t CpuWaitNs() {
  const int fd = ::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  char text[96];
  const ssize_t n = ::read(fd, text, sizeof text - 1);
  ::close(fd);
  long long ran = 0, waited = 0;
  if (n <= 0) return 0;
  text[n] = '\0';
  return std::sscanf(text, "%lld %lld", &ran, &waited) == 2 ? waited : 0;
}

class Stall {
 public:
  // One gap between the probe's 1 ms ticks, and the CPU wait within it.
  void Gap(std::int64_t gapNs, std::int64_t waitedNs) {
    if (gapNs > longestNs_) {
      longestNs_ = gapNs;
      longestWaitedNs_ = waitedNs;
    }
    ownNs_ = std::max(ownNs_, gapNs - waitedNs);
  }
  // The longest gap less the probe's own period and the CPU wait within it.
  double OwnMs() const { return std::max(0.0, static_cast<double>(ownNs_) / 1e6 - 1.0); }
  std::string Text() const {
    double load = 0;
    if (std::FILE* f = std::fopen("/proc/loadavg", "r")) {
      if (std::fscanf(f, "%lf", &load) != 1) load = 0;
      std::fclose(f);
    }
    char text[200];
    std::snprintf(text, sizeof text,
                  "longest event-thread stall %.2f ms, %.2f ms of it waiting for a CPU (load %.1f); "
                  "the loader's own %.2f ms",
                  std::max(0.0, static_cast<double>(longestNs_) / 1e6 - 1.0),
                  static_cast<double>(longestWaitedNs_) / 1e6, load, OwnMs());
    return text;
  }

 private:
  std::int64_t longestNs_ = 0, longestWaitedNs_ = 0, ownNs_ = 0;
};

}  // namespace galt::bench
