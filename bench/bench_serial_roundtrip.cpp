// A 138-byte frame out through the component and a 138-byte reply back over
// a pty, timed from WriteText to the last reply byte read in OnRxChar.
// Timed harness: prints median and tail figures.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchPty.h"
#include "serial/SerComm.h"
#include "serial/SerEventLoop.h"

using namespace galt;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kFrame = 138;

int main() {
  galt::bench::BenchPty pty;
  if (!pty.ok()) return 1;
  const int master = pty.master;

  // The device: answers every complete frame with a frame of the same size.
  std::atomic<bool> stop{false};
  std::thread device([&] {
    std::string in;
    char buf[512];
    const std::string reply(kFrame, '\x55');
    while (!stop) {
      pollfd p{master, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      const ssize_t n = read(master, buf, sizeof buf);
      if (n <= 0) continue;
      in.append(buf, static_cast<std::size_t>(n));
      while (in.size() >= kFrame) {
        in.erase(0, kFrame);
        if (write(master, reply.data(), reply.size()) != static_cast<ssize_t>(reply.size())) return;
      }
    }
  });

  TSerLoopThread window;
  TSerComm comm(&window.Loop());
  std::mutex m;
  std::condition_variable cv;
  std::size_t received = 0;
  Clock::time_point done;
  window.Invoke([&] {
    comm.SetBaudrate(br14400);
    comm.FlowControl().SetControlRts(rtsEnabled);
    comm.SetDeviceName(pty.name);
    comm.OnRxChar = [&](TSerCustomComm* Sender, int) {
      const std::size_t n = Sender->ReadText().size();
      std::lock_guard<std::mutex> lock(m);
      received += n;
      if (received >= kFrame) {
        done = Clock::now();
        cv.notify_one();
      }
    };
    comm.Open();
  });

  const std::string frame(kFrame, '\xAA');
  const int rounds = 1000;
  std::vector<double> us;
  us.reserve(rounds);
  for (int i = 0; i < rounds + 20; ++i) {
    Clock::time_point sent;
    {
      std::lock_guard<std::mutex> lock(m);
      received = 0;
    }
    // The window sends the frame from its own thread, as the loader does.
    window.Loop().Post([&] {
      sent = Clock::now();
      comm.WriteText(frame);
    });
    std::unique_lock<std::mutex> lock(m);
    if (!cv.wait_for(lock, std::chrono::seconds(2), [&] { return received >= kFrame; })) {
      std::fprintf(stderr, "no reply within 2 s\n");
      return 1;
    }
    if (i >= 20) us.push_back(std::chrono::duration<double, std::micro>(done - sent).count());
    lock.unlock();
    usleep(500);
  }
  window.Invoke([&] { comm.Close(); });
  stop = true;
  device.join();

  return galt::bench::ReportLatency("138-byte frame out + 138-byte reply back over a pty", us, 2000.0);
}
