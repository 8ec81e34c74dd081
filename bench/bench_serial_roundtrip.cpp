// A 138-byte frame out through the component and a 138-byte reply back,
// timed from WriteText to the last reply byte read in OnRxChar. Timed
// harness: prints median and tail figures.
//
//   bench_serial_roundtrip          on Linux: over a pty whose far side, a
//                                   thread here, answers every frame
//   bench_serial_roundtrip PORT     over PORT, whose far side sends every
//                                   byte back (under Wine: COM20 of the rig,
//                                   tools/cross/wine-bench-roundtrip.sh)

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchReport.h"
#include "serial/SerComm.h"
#include "serial/SerEventLoop.h"

#ifndef _WIN32
#include <poll.h>
#include <unistd.h>

#include "bench/BenchPty.h"
#endif

using namespace galt;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kFrame = 138;

int main(int argc, char** argv) {
  std::string port = argc > 1 ? argv[1] : "";
  std::atomic<bool> stop{false};
  std::thread device;
#ifndef _WIN32
  // The device: answers every complete frame with a frame of the same size.
  galt::bench::BenchPty pty;
  if (port.empty()) {
    if (!pty.ok()) return 1;
    port = pty.name;
    device = std::thread([&stop, master = pty.master] {
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
  }
#endif
  if (port.empty()) {
    std::fprintf(stderr, "usage: bench_serial_roundtrip PORT (a port whose far side sends every byte back)\n");
    return 1;
  }

  TSerLoopThread window;
  TSerComm comm(&window.Loop());
  std::mutex m;
  std::condition_variable cv;
  std::size_t received = 0;
  Clock::time_point done;
  window.Invoke([&] {
    comm.SetBaudrate(br14400);
    comm.FlowControl().SetControlRts(rtsEnabled);
    comm.SetDeviceName(port);
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
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  window.Invoke([&] { comm.Close(); });
  stop = true;
  if (device.joinable()) device.join();

  const std::string what = "138-byte frame out + 138-byte reply back over " + port;
  return galt::bench::ReportLatency(what.c_str(), us, 2000.0);
}
