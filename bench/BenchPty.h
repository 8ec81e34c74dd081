#pragma once
// What the serial benchmarks share: a raw pseudo-terminal pair, and the
// report of a latency series (BenchReport.h).

#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "bench/BenchReport.h"

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

}  // namespace galt::bench
