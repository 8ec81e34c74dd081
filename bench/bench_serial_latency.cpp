// Latency from bytes written on the far side of a pty to OnRxChar running on
// the event thread. Timed harness: prints median and tail figures.

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <vector>

#include "bench/BenchPty.h"
#include "serial/SerComm.h"
#include "serial/SerEventLoop.h"

using namespace galt;
using Clock = std::chrono::steady_clock;

int main() {
  galt::bench::BenchPty pty;
  if (!pty.ok()) return 1;
  const int master = pty.master;

  TSerLoopThread window;
  TSerComm comm(&window.Loop());
  std::mutex m;
  std::condition_variable cv;
  Clock::time_point arrived;
  bool got = false;
  window.Invoke([&] {
    comm.SetBaudrate(br14400);
    comm.FlowControl().SetControlRts(rtsEnabled);
    comm.SetDeviceName(pty.name);
    comm.OnRxChar = [&](TSerCustomComm* Sender, int) {
      const auto now = Clock::now();
      Sender->ReadText();
      std::lock_guard<std::mutex> lock(m);
      arrived = now;
      got = true;
      cv.notify_one();
    };
    comm.Open();
  });

  const int rounds = 1000;
  std::vector<double> us;
  us.reserve(rounds);
  const char reply[8] = {'\xAA', 6, 0, 100, 0, 0, 0, 0};
  for (int i = 0; i < rounds + 20; ++i) {
    std::unique_lock<std::mutex> lock(m);
    got = false;
    lock.unlock();
    const auto sent = Clock::now();
    if (write(master, reply, sizeof reply) != static_cast<ssize_t>(sizeof reply)) return 1;
    lock.lock();
    if (!cv.wait_for(lock, std::chrono::seconds(2), [&] { return got; })) {
      std::fprintf(stderr, "no OnRxChar within 2 s\n");
      return 1;
    }
    if (i >= 20) us.push_back(std::chrono::duration<double, std::micro>(arrived - sent).count());
    lock.unlock();
    usleep(1000);
  }
  window.Invoke([&] { comm.Close(); });

  return galt::bench::ReportLatency("far-side write -> OnRxChar on the event thread", us, 1000.0);
}
