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

#include "serial/SerComm.h"
#include "serial/SerEventLoop.h"

using namespace galt;
using Clock = std::chrono::steady_clock;

int main() {
  int master = -1, slave = -1;
  char name[128];
  termios raw{};
  cfmakeraw(&raw);
  if (openpty(&master, &slave, name, &raw, nullptr) != 0) {
    std::perror("openpty");
    return 1;
  }

  TSerLoopThread window;
  TSerComm comm(&window.Loop());
  std::mutex m;
  std::condition_variable cv;
  Clock::time_point arrived;
  bool got = false;
  window.Invoke([&] {
    comm.SetBaudrate(br14400);
    comm.FlowControl().SetControlRts(rtsEnabled);
    comm.SetDeviceName(name);
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
  close(master);
  close(slave);

  std::sort(us.begin(), us.end());
  auto at = [&](double q) { return us[static_cast<std::size_t>(q * static_cast<double>(us.size() - 1))]; };
  std::printf("far-side write -> OnRxChar on the event thread, %d rounds\n", rounds);
  std::printf("  median %.1f us   p90 %.1f us   p99 %.1f us   max %.1f us\n", at(0.5), at(0.9),
              at(0.99), us.back());
  std::printf("  target: median < 1000 us -> %s\n", at(0.5) < 1000.0 ? "met" : "NOT MET");
  return at(0.5) < 1000.0 ? 0 : 2;
}
