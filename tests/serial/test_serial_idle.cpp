// A quiet line costs nothing and the device is still heard, also where the
// system cannot wait for the device's events (Wine on a pseudo-terminal
// without the rig's shim: every comm-event wait fails at once, and the event
// thread must look at the device now and then instead of spinning).

#include "SerialFixture.h"

namespace galt::test {
namespace {

using SerialIdle = SerialTest;

TEST_F(SerialIdle, QuietWhileNothingHappensAndStillHearsTheDevice) {
  ReadInHandler();
  int lost = 0;
  Comm.OnDeviceLost = [&](TSerCustomComm*) { ++lost; };
  Comm.Open();
  const double cpuStart = ProcessCpuSeconds();
  Loop.RunFor(500ms);
  EXPECT_LT(ProcessCpuSeconds() - cpuStart, 0.1);

  Far.Write("ping");
  EXPECT_TRUE(Pump([&] { return Received == "ping"; })) << Received;
  ASSERT_TRUE(Comm.WriteText("pong"));
  EXPECT_EQ(Far.Read(4, 2000ms), "pong");
  Far.HangUp();
  EXPECT_TRUE(Pump([&] { return lost == 1; }));
  EXPECT_TRUE(Shown.empty()) << Shown.front();
}

}  // namespace
}  // namespace galt::test
