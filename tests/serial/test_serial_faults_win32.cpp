// The Win32 backend under the component against a COM port the test plays
// (FaultyComPort): how drivers on real machines fail, which Wine's serial
// code never does. Each unplug code tells the device lost once; a driver that
// ends its comm-event waits at once does not make the event thread spin, nor
// one that aborts or refuses them or reports no bytes that came between two
// waits slow it down; a cancel that never ends does not hold Close.

#include <thread>

#include "FaultyComPort.h"
#include "SerialFixture.h"

namespace galt::test {
namespace {

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point Start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - Start).count();
}

class SerialFaults : public ::testing::Test {
 protected:
  SerialFaults() {
    UseLoaderSettings(Comm, "\\\\.\\COM77");
    Comm.SetExceptionDisplay([this](std::exception_ptr e) { Shown.push_back(MessageOf(e)); });
    Comm.OnDeviceLost = [this](TSerCustomComm*) { ++Lost; };
    Comm.OnRxChar = [this](TSerCustomComm* Sender, int) { Received += Sender->ReadText(); };
  }

  // Told once, with no error shown, and nothing more comes from the line.
  void ExpectLostOnce() {
    ASSERT_TRUE(Loop.RunUntil([&] { return Lost > 0; }, 2000ms));
    Loop.RunFor(300ms);
    EXPECT_EQ(Lost, 1);
    EXPECT_TRUE(Shown.empty()) << Shown.front();
    EXPECT_TRUE(Comm.IsDeviceLost());
  }

  FaultyComPort Port;  // outlives the component
  TSerEventLoop Loop;
  TSerComm Comm{&Loop};
  int Lost = 0;
  std::vector<std::string> Shown;
  std::string Received;
};

// Codes Windows drivers answer for a device that has gone: usbser and
// Bluetooth (2, 6, 121), newer Windows 10 (433), the FTDI and CP210x drivers
// and Wine (5, 21, 22, 31, 55, 1167, 1617), a call we did not cancel
// aborted (995).
class SerialUnplugCodes : public SerialFaults, public ::testing::WithParamInterface<DWORD> {};

TEST_P(SerialUnplugCodes, AFailedStatusCallIsTheDeviceLostOnce) {
  Comm.Open();
  Port.StatusError = GetParam();
  // The window's own status query sees the loss too, and shows no error.
  EXPECT_EQ(Comm.InQueueCount(), 0);
  ExpectLostOnce();
}

INSTANTIATE_TEST_SUITE_P(Codes, SerialUnplugCodes,
                         ::testing::Values(2, 5, 6, 21, 22, 31, 55, 121, 433, 995, 1167, 1617),
                         [](const auto& Info) { return "Error" + std::to_string(Info.param); });

TEST_F(SerialFaults, AFailedReadIsTheDeviceLost) {
  Comm.Open();
  Port.ReadError = ERROR_OPERATION_ABORTED;
  Port.Arrive("ab");
  ExpectLostOnce();
}

TEST_F(SerialFaults, AFailedWriteIsTheDeviceLost) {
  Comm.Open();
  Port.WriteError = 121;
  EXPECT_TRUE(Comm.WriteText("ping"));
  ExpectLostOnce();
}

TEST_F(SerialFaults, AFailedCommEventWaitIsTheDeviceLost) {
  Port.WaitError = 6;
  Comm.Open();
  ExpectLostOnce();
}

TEST_F(SerialFaults, APendingWaitEndingInAnUnplugCodeIsTheDeviceLost) {
  Comm.Open();
  ASSERT_TRUE(Port.PendingWithin(2000, true));
  Port.EndPendingWait(2);
  ExpectLostOnce();
}

TEST_F(SerialFaults, CodesThatSayNothingOfTheDeviceLeaveItOpen) {
  Comm.Open();
  for (const DWORD code : {ERROR_INVALID_PARAMETER, ERROR_NO_SYSTEM_RESOURCES}) {
    Port.StatusError = code;
    Loop.RunFor(250ms);  // the event thread looks at the device at least every 100 ms
  }
  Port.StatusError = 0;
  Port.Arrive("still here");
  EXPECT_TRUE(Loop.RunUntil([&] { return Received == "still here"; }, 2000ms)) << Received;
  EXPECT_EQ(Lost, 0);
  EXPECT_FALSE(Comm.IsDeviceLost());
}

TEST_F(SerialFaults, WaitsThatEndAtOnceWithNothingDoNotSpin) {
  Port.EndWaitsAtOnce = true;
  Comm.Open();
  const double start = ProcessCpuSeconds();
  std::this_thread::sleep_for(5s);
  const double used = ProcessCpuSeconds() - start;
  RecordProperty("processor_percent", std::to_string(used * 100 / 5));
  EXPECT_LT(used, 0.05) << "the event thread used " << used * 100 / 5 << " % of a processor";
  // It still notices what comes.
  Port.Arrive("x");
  EXPECT_TRUE(Loop.RunUntil([&] { return Received == "x"; }, 2000ms));
}

// Replies whose tail comes just as the next wait is armed, from drivers whose
// comm-event waits abort or end at once (Wine, Windows 11's CDC driver), are
// refused (CH340: 87) or report only arrivals while pending. Time stands still
// for the component: no piece may wait for a timer (100 ms a reply made the
// loader resend frames).
struct WaitDriver {
  const char* Name;
  void (*Make)(FaultyComPort&);
  friend void PrintTo(const WaitDriver& D, std::ostream* Out) { *Out << D.Name; }
};

class SerialWaitDrivers : public SerialFaults, public ::testing::WithParamInterface<WaitDriver> {};

TEST_P(SerialWaitDrivers, EveryPieceOfAReplyIsToldWithoutWaitingForTime) {
  GetParam().Make(Port);
  Port.TimeStandsStill = true;
  Comm.OnRxChar = [this](TSerCustomComm* Sender, int) {
    const std::string got = Sender->ReadText();
    if (got == "head") Port.ArriveWithNextWait("tail");
    Received += got;
  };
  Comm.Open();
  ASSERT_TRUE(Port.PendingWithin(2000, Port.ReportsArrivalsOnly));  // the others wait with a read
  for (int i = 1; i <= 20; ++i) {
    Port.Arrive("head");
    ASSERT_TRUE(Loop.RunUntil([&] { return Received.size() == 8u * i; }, 2000ms)) << i << ": " << Received;
  }
  EXPECT_EQ(Lost, 0);
  EXPECT_TRUE(Shown.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Drivers, SerialWaitDrivers,
    ::testing::Values(
        WaitDriver{"AbortingEveryWait", [](FaultyComPort& P) { P.WaitError = 995; }},
        WaitDriver{"EndingEveryWaitAtOnce", [](FaultyComPort& P) { P.EndWaitsAtOnce = true; }},
        WaitDriver{"RefusingEveryWait", [](FaultyComPort& P) { P.WaitError = 87; }},
        WaitDriver{"ReportingArrivalsOnly", [](FaultyComPort& P) { P.ReportsArrivalsOnly = true; }}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// A driver that never ends a cancelled comm-event wait: the handle is closed
// under it, which ends it; one that does not even then is left with it.
class SerialCancelNeverEnds : public SerialFaults, public ::testing::WithParamInterface<bool> {};

TEST_P(SerialCancelNeverEnds, CloseReturnsWithinThreeSeconds) {
  Comm.Open();
  Comm.Close();  // a first open starts what the process keeps (e.g. a sanitizer's thread)
  const int threadsBefore = CountThreads();
  Port.IgnoreCancels = true;
  Port.IgnoreClose = GetParam();
  Comm.Open();
  ASSERT_TRUE(Port.PendingWithin(2000, true));
  const auto start = Clock::now();
  Comm.Close();
  EXPECT_LT(MsSince(start), 3000);
  EXPECT_EQ(Port.Closes(), 2);
  EXPECT_EQ(CountThreads(), threadsBefore);
}

INSTANTIATE_TEST_SUITE_P(Close, SerialCancelNeverEnds, ::testing::Values(false, true),
                         [](const auto& Info) { return Info.param ? "EvenByClosing" : "ButByClosing"; });

TEST_F(SerialFaults, AWriteWhoseCancelNeverEndsDoesNotHoldClose) {
  Port.HoldWrites = true;
  Port.IgnoreCancels = true;
  Port.IgnoreClose = true;
  Comm.Open();
  ASSERT_TRUE(Comm.WriteText("stuck"));
  ASSERT_TRUE(Port.PendingWithin(2000, false));
  const auto start = Clock::now();
  Comm.Close();
  EXPECT_LT(MsSince(start), 3000);
}

TEST_F(SerialFaults, TheLossIsToldBeforeTheWaitOnTheDeviceHasEnded) {
  Port.IgnoreCancels = true;
  Port.IgnoreClose = true;
  Comm.Open();
  ASSERT_TRUE(Port.PendingWithin(2000, true));
  const auto start = Clock::now();
  Port.StatusError = 433;
  ASSERT_TRUE(Loop.RunUntil([&] { return Lost > 0; }, 5000ms));
  EXPECT_LT(MsSince(start), 500) << "told only once the cancel was given up";
}

}  // namespace
}  // namespace galt::test
