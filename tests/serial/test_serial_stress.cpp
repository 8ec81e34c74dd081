// Lifetime under load: many open/traffic/close cycles with the far side busy
// on its own thread (run under ThreadSanitizer too), and a device that hangs
// up while the port is open.

#include <sys/resource.h>
#include <time.h>

#include <atomic>
#include <thread>

#include "SerialFixture.h"

namespace galt::test {
namespace {

double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

class SerialStress : public SerialTest {};

TEST_F(SerialStress, ManyCyclesWithTrafficBothWaysLeakNothing) {
  // One cycle first: a sanitizer starts a helper thread with the first thread.
  Comm.Open();
  Comm.Close();
  const int fdsBefore = CountOpenFds();
  const int threadsBefore = CountThreads();
  {
    // The far side echoes everything and adds bytes of its own.
    std::atomic<bool> stop{false};
    std::thread farSide([&] {
      int tick = 0;
      while (!stop) {
        const std::string got = Pty.DrainFar(1ms);
        if (!got.empty()) Pty.WriteFar(got);
        if (++tick % 3 == 0) Pty.WriteFar("far");
      }
    });

    ReadInHandler();
    Comm.Buffers().SetWriteTimeout(50);
    int txEmpty = 0;
    Comm.OnTxEmpty = [&](TSerCustomComm*) { ++txEmpty; };
    const std::string frame(138, '\x5A');
    for (int cycle = 0; cycle < 200; ++cycle) {
      Comm.Open();
      for (int i = 0; i < cycle % 4; ++i) {
        try {
          Comm.WriteText(frame);
        } catch (const ESerCommError&) {
          // A full queue is fine here: the far side may lag.
        }
        Loop.ProcessPending();
      }
      // Every other cycle closes right in the middle of the traffic.
      if (cycle % 2 == 0) Loop.RunFor(std::chrono::milliseconds(cycle % 5));
      Comm.Close();
      Loop.ProcessPending();
    }
    stop = true;
    farSide.join();
    EXPECT_FALSE(Received.empty());
    EXPECT_GT(txEmpty, 0);
    for (int count : RxCounts) EXPECT_GT(count, 0);
  }
  EXPECT_EQ(CountOpenFds(), fdsBefore);
  EXPECT_EQ(CountThreads(), threadsBefore);
}

TEST_F(SerialStress, HangUpDoesNotSpinAndCloseStillWorks) {
  ReadInHandler();
  Comm.Buffers().SetWriteTimeout(50);
  Comm.Open();
  Pty.WriteFar("before");
  ASSERT_TRUE(Pump([&] { return Received == "before"; }));

  Pty.HangUp();
  // Bytes queued for a device that has gone: the write thread keeps failing.
  EXPECT_TRUE(Comm.WriteText("after"));
  const double cpuStart = ProcessCpuSeconds();
  const auto wallStart = std::chrono::steady_clock::now();
  Loop.RunFor(1000ms);
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
  const double cpu = ProcessCpuSeconds() - cpuStart;
  EXPECT_LT(cpu / wall, 0.20) << "cpu " << cpu << " s over " << wall << " s";

  // Each failed write was reported as a line-error check, which finds the
  // device gone; a few per second at most.
  ASSERT_FALSE(Shown.empty());
  EXPECT_EQ(Shown[0], "Error retrieving statistics (5), Input/output error");
  EXPECT_LE(Shown.size(), 15u);

  Comm.Close();
  EXPECT_FALSE(Comm.IsOpen());
}

}  // namespace
}  // namespace galt::test
