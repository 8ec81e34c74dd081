// CPU used by the component with the port open and nothing happening, over
// 10 s (GALT_IDLE_SECONDS overrides). Timed harness: prints the share of one
// core.

#include <pty.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "bench/BenchPty.h"
#include "serial/SerComm.h"
#include "serial/SerEventLoop.h"

using namespace galt;

static double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

int main() {
  galt::bench::BenchPty pty;
  if (!pty.ok()) return 1;
  const char* env = std::getenv("GALT_IDLE_SECONDS");
  const int seconds = env != nullptr ? std::atoi(env) : 10;

  TSerLoopThread window;
  TSerComm comm(&window.Loop());
  window.Invoke([&] {
    comm.SetBaudrate(br14400);
    comm.FlowControl().SetControlRts(rtsEnabled);
    comm.SetDeviceName(pty.name);
    comm.OnRxChar = [](TSerCustomComm* Sender, int) { Sender->ReadText(); };
    comm.Open();
  });
  // Settle after opening, then measure.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const double cpu0 = CpuSeconds();
  const auto wall0 = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const double cpu = CpuSeconds() - cpu0;
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
  window.Invoke([&] { comm.Close(); });

  const double share = 100.0 * cpu / wall;
  std::printf("idle with the port open: %.3f ms CPU over %.1f s = %.4f%% of one core\n", cpu * 1e3,
              wall, share);
  std::printf("  target: < 0.5%% -> %s\n", share < 0.5 ? "met" : "NOT MET");
  return share < 0.5 ? 0 : 2;
}
