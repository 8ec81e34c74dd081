// galt-loader-cli's install over a pseudo-terminal, with the device emulator
// pacing its line as a 14400-baud line does (10 bits a byte, both
// directions). The time from the start of the run to its exit is compared
// with the wire-time bound: every frame byte both ways at 10 bits / 14400
// baud, plus the fixed 1.5 s before the first status query.

#include <chrono>
#include <cstdio>

#include "app/cli/CommandLine.h"
#include "tests/support/VirtualDevice.h"

int main() {
  galt::testing::VirtualDevice device(/*pace=*/true);
  device.Start();
  std::FILE* sink = std::tmpfile();
  galt::cli::ConsoleOutput console(sink, stderr, false);

  const auto start = std::chrono::steady_clock::now();
  const int code = galt::cli::RunCommandLine("galt-loader-cli", {"--port", device.Path(), "--serial", "237"},
                                             console, galt::TSerPortTable::System());
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  device.Stop();
  std::fclose(sink);

  if (code != 0 || device.emulator.SerialFromFlash() != 237) {
    std::fprintf(stderr, "the install did not succeed (exit %d)\n", code);
    return 1;
  }
  const auto& c = device.emulator.counters;
  const double bytes = c.deactivations * 20.0 + c.writes * 276.0 + c.activations * 20.0 + c.queries * 18.0;
  const double bound = bytes * 10.0 / 14400.0 + 1.5;
  const double ratio = seconds / bound;
  std::printf("galt-loader-cli install over a paced pty: %.3f s, wire-time bound %.3f s, ratio %.4f (target <= 1.01)\n",
              seconds, bound, ratio);
  std::printf("frames: %d deactivation, %d write, %d activation, %d query\n", c.deactivations, c.writes,
              c.activations, c.queries);
  return ratio <= 1.01 ? 0 : 2;
}
