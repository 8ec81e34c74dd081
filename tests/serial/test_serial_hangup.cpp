// A device that hangs up while the port is open (the far side of the pty
// closes, as an unplugged adapter does).

#include <thread>

#include "SerialFixture.h"

namespace galt::test {
namespace {

enum class Moment { Idle, Streaming, WaitingForRoom };

std::string MomentName(const ::testing::TestParamInfo<Moment>& Info) {
  static const char* const kNames[] = {"Idle", "Streaming", "WaitingForRoom"};
  return kNames[static_cast<int>(Info.param)];
}

class SerialDeviceLost : public SerialTest, public ::testing::WithParamInterface<Moment> {};

TEST_P(SerialDeviceLost, ReportedOnceThenQuietUntilClosed) {
  Comm.Open();  // a sanitizer starts its helper thread with the first thread
  Comm.Close();
  const int threadsBefore = CountThreads();
  int lost = 0;
  Comm.OnDeviceLost = [&](TSerCustomComm*) { ++lost; };
  // A write that waits for room instead of failing is caught by ctest's timeout.
  Comm.Buffers().SetWriteTimeout(24 * 3600 * 1000);
  if (GetParam() == Moment::WaitingForRoom) Far.Fill();
  Comm.Open();
  std::thread farSide;
  if (GetParam() == Moment::Idle) Far.HangUp();
  if (GetParam() == Moment::Streaming) {
    farSide = std::thread([&] {
      for (std::size_t taken = 0; taken < 20000;) taken += Far.Read(4096, 20ms).size();
      Far.HangUp();
    });
  }
  if (GetParam() == Moment::WaitingForRoom) {
    ASSERT_TRUE(Comm.WriteText(std::string(2048, 'q')));  // stuck behind the full device
    farSide = std::thread([&] {
      std::this_thread::sleep_for(50ms);
      Far.HangUp();
    });
  }
  int accepted = 0;
  while (accepted < 100000 && Comm.WriteText(std::string(138, 'w'))) {
    ++accepted;
    Loop.ProcessPending();
  }
  if (farSide.joinable()) farSide.join();
  EXPECT_LT(accepted, 100000) << "writes are refused once the device has gone";
  if (GetParam() == Moment::WaitingForRoom) {
    EXPECT_EQ(accepted, 0) << "the wait for room ends refused";
  }
  ASSERT_TRUE(Pump([&] { return lost > 0; }));

  // Nobody keeps trying the dead device or reporting into the window.
  const double cpuStart = ProcessCpuSeconds();
  std::this_thread::sleep_for(500ms);
  EXPECT_LT(ProcessCpuSeconds() - cpuStart, 0.1);
  EXPECT_EQ(Loop.ProcessPending(), 0u);
  EXPECT_EQ(lost, 1);
  EXPECT_TRUE(Shown.empty()) << Shown.front();
  EXPECT_TRUE(Comm.IsOpen() && Comm.IsDeviceLost());
  EXPECT_EQ(Comm.ReadText(), "");
  std::uint32_t errors = 1;
  TSerComStat stat{1, 2, 3};
  Comm.GetCommStatus(errors, stat);
  EXPECT_EQ(errors + stat.Flags + stat.cbInQue + stat.cbOutQue, 0u);
  Comm.Close();
  EXPECT_EQ(CountThreads(), threadsBefore);
}

INSTANTIATE_TEST_SUITE_P(Moments, SerialDeviceLost,
                         ::testing::Values(Moment::Idle, Moment::Streaming, Moment::WaitingForRoom),
                         MomentName);

using SerialDeviceLostAndBack = SerialTest;

TEST_F(SerialDeviceLostAndBack, HandlerMayCloseAndTheNextOpenStartsAfresh) {
  int lost = 0;
  Comm.OnDeviceLost = [&](TSerCustomComm* Sender) {
    ++lost;
    Sender->Close();
  };
  Comm.Open();
  Far.HangUp();
  ASSERT_TRUE(Pump([&] { return !Comm.IsOpen(); }));
  FarSide again;  // the adapter is back, here under another name
  Comm.SetDeviceName(again.Path());
  ReadInHandler();
  Comm.Open();
  EXPECT_FALSE(Comm.IsDeviceLost());
  again.Write("pong");
  ASSERT_TRUE(Pump([&] { return Received == "pong"; }));
  again.HangUp();
  EXPECT_TRUE(Pump([&] { return lost == 2; }));
  EXPECT_TRUE(Shown.empty());
}

}  // namespace
}  // namespace galt::test
