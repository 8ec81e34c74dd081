#pragma once
// The longest stall of a thread that should tick every millisecond, taken
// apart with the scheduler's own account of the thread
// (/proc/thread-self/schedstat): how long it ran, how long it waited,
// runnable, for a CPU that other programs held, and how long it slept past
// its timer (a virtual machine's CPU not running at all shows there). Only
// the running is the thread's own doing.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

namespace galt::bench {

// Nanoseconds the calling thread has run and waited for a CPU so far.
struct SchedTimes {
  std::int64_t ran = 0, waited = 0;
};

inline SchedTimes ThreadSchedTimes() {
  SchedTimes t;
  const int fd = ::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return t;
  char text[96];
  const ssize_t n = ::read(fd, text, sizeof text - 1);
  ::close(fd);
  long long ran = 0, waited = 0;
  if (n > 0) {
    text[n] = '\0';
    if (std::sscanf(text, "%lld %lld", &ran, &waited) == 2) t = {ran, waited};
  }
  return t;
}

class Stall {
 public:
  // One gap between the probe's 1 ms ticks, and the thread's times over it.
  void Gap(std::int64_t gapNs, SchedTimes spent) {
    if (gapNs > longest_.gap) longest_ = {gapNs, spent};
    ranNs_ = std::max(ranNs_, spent.ran);
  }
  // The longest the thread ran between two ticks.
  double OwnMs() const { return static_cast<double>(ranNs_) / 1e6; }
  std::string Text() const {
    double load = 0;
    if (std::FILE* f = std::fopen("/proc/loadavg", "r")) {
      if (std::fscanf(f, "%lf", &load) != 1) load = 0;
      std::fclose(f);
    }
    const auto ms = [](std::int64_t ns) { return static_cast<double>(ns) / 1e6; };
    char text[240];
    std::snprintf(text, sizeof text,
                  "longest event-thread stall %.2f ms: ran %.2f, waited for a CPU %.2f, slept past its tick %.2f "
                  "(load %.1f); longest run between ticks %.2f ms",
                  std::max(0.0, ms(longest_.gap) - 1.0), ms(longest_.spent.ran), ms(longest_.spent.waited),
                  std::max(0.0, ms(longest_.gap - longest_.spent.ran - longest_.spent.waited) - 1.0), load, OwnMs());
    return text;
  }

 private:
  struct Worst {
    std::int64_t gap = 0;
    SchedTimes spent;
  };
  Worst longest_;
  std::int64_t ranNs_ = 0;
};

}  // namespace galt::bench
