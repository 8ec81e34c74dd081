// Lifetime under load: many open/traffic/close cycles with the far side busy
// on its own thread (run under ThreadSanitizer too). A device that hangs up
// while the port is open: test_serial_hangup.cpp.

#include <atomic>
#include <thread>

#include "SerialFixture.h"

namespace galt::test {
namespace {

class SerialStress : public SerialTest {};

TEST_F(SerialStress, ManyCyclesWithTrafficBothWaysLeakNothing) {
  // One cycle first: a sanitizer starts a helper thread with the first thread.
  Comm.Open();
  Comm.Close();
  const int fdsBefore = CountOpenHandles();
  const int threadsBefore = CountThreads();
  {
    // The far side echoes everything and adds bytes of its own.
    std::atomic<bool> stop{false};
    std::thread farSide([&] {
      int tick = 0;
      while (!stop) {
        const std::string got = Far.Drain(1ms);
        if (!got.empty()) Far.Write(got);
        if (++tick % 3 == 0) Far.Write("far");
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
    // After all that the line still works (where the system is slow to
    // report arrivals, few deliveries make it into the short cycles).
    Comm.Open();
    ASSERT_TRUE(Comm.WriteText(frame));
    EXPECT_TRUE(Pump([&] { return !Received.empty() && txEmpty > 0; }));
    Comm.Close();
    Loop.ProcessPending();  // a delivery still queued holds its completion event
    stop = true;
    farSide.join();
    for (int count : RxCounts) EXPECT_GT(count, 0);
  }
  EXPECT_EQ(CountOpenHandles(), fdsBefore);
  // Wine ends threads of its own a little later.
  for (int i = 0; i < 100 && CountThreads() != threadsBefore; ++i) std::this_thread::sleep_for(10ms);
  EXPECT_EQ(CountThreads(), threadsBefore);
}

}  // namespace
}  // namespace galt::test
