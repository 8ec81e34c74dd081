// Writing through the queue, reading in OnRxChar, and event delivery on the
// window's event thread (the test thread here).

#include <thread>

#include "SerialFixture.h"

namespace galt::test {
namespace {

class SerialTransfer : public SerialTest {
 protected:
  std::string ExpectQueueFull(const std::string& Text) {
    try {
      Comm.WriteText(Text);
    } catch (const ESerCommError& e) {
      return e.what();
    }
    return "(accepted)";
  }
};

TEST_F(SerialTransfer, BytesTravelBothWaysInOrder) {
  std::thread::id handlerThread;
  Comm.OnRxChar = [&](TSerCustomComm* Sender, int Count) {
    handlerThread = std::this_thread::get_id();
    RxCounts.push_back(Count);
    Received += Sender->ReadText();
  };
  Comm.Open();
  std::string sent, expected;
  for (int i = 0; i < 40; ++i) {
    std::string frame(138, '\0');
    for (std::size_t k = 0; k < frame.size(); ++k) frame[k] = static_cast<char>(i * 7 + k);
    ASSERT_TRUE(Comm.WriteText(frame));  // a burst, without returning to the loop
    sent += frame;
    const std::string reply = "reply-" + std::to_string(i) + std::string(1, '\0') + "\xAA";
    Far.Write(reply);
    expected += reply;
  }
  EXPECT_EQ(Far.Read(sent.size(), 3000ms), sent);
  ASSERT_TRUE(Pump([&] { return Received.size() >= expected.size(); }));
  EXPECT_EQ(Received, expected);
  EXPECT_EQ(handlerThread, std::this_thread::get_id());
  for (int count : RxCounts) EXPECT_GT(count, 0);
}

TEST_F(SerialTransfer, UnreadBytesAreAnnouncedAgainOnlyWhenMoreArrive) {
  Comm.OnRxChar = [&](TSerCustomComm*, int Count) { RxCounts.push_back(Count); };
  Comm.Open();
  Far.Write("abc");
  ASSERT_TRUE(Pump([&] { return !RxCounts.empty(); }));
  EXPECT_EQ(RxCounts.back(), 3);
  Loop.RunFor(200ms);
  EXPECT_EQ(RxCounts.size(), 1u);  // nothing new: no further event
  Far.Write("de");
  ASSERT_TRUE(Pump([&] { return RxCounts.size() >= 2; }));
  EXPECT_EQ(RxCounts[1], 5);  // counted afresh, the unread bytes included
  EXPECT_EQ(Comm.ReadText(), "abcde");
  EXPECT_EQ(Comm.ReadText(), "");
}

TEST_F(SerialTransfer, EmptyStringsAndClosedPorts) {
  EXPECT_EQ(Comm.ReadText(), "");
  EXPECT_TRUE(Comm.WriteText(""));
  EXPECT_FALSE(Comm.WriteText("x"));
  std::uint32_t errors = 1;
  TSerComStat stat{1, 2, 3};
  Comm.GetCommStatus(errors, stat);
  EXPECT_EQ(errors + stat.cbInQue + stat.cbOutQue + stat.Flags, 0u);
  Comm.Open();
  EXPECT_TRUE(Comm.WriteText(""));
  EXPECT_EQ(Comm.ReadText(), "");
  EXPECT_EQ(Far.Drain(50ms), "");
}

TEST_F(SerialTransfer, ExactlyWriteSizeIsAcceptedMoreIsRefusedAfterWriteTimeout) {
  Comm.Open();
  EXPECT_TRUE(Comm.WriteText(std::string(2048, 'a')));
  EXPECT_EQ(Far.Read(2048, 3000ms).size(), 2048u);
  const std::string full = "Output buffer is full. Please check comm status.";
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ExpectQueueFull(std::string(2049, 'b')), full);  // the default 1000 ms
  EXPECT_GE(std::chrono::steady_clock::now() - start, 1000ms);
  Comm.Buffers().SetWriteTimeout(100);
  start = std::chrono::steady_clock::now();
  EXPECT_EQ(ExpectQueueFull(std::string(2049, 'c')), full);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 100ms);
  EXPECT_TRUE(Comm.IsOpen());
  EXPECT_EQ(Far.Drain(50ms), "");  // nothing of either was queued
}

TEST_F(SerialTransfer, FullQueueAcceptsAgainOnceTheDeviceDrains) {
  const std::size_t filler = Far.Fill();
  Comm.Buffers().SetWriteTimeout(100);
  Comm.Open();
  const std::string first(2048, 'q'), second(1024, 'r');
  ASSERT_TRUE(Comm.WriteText(first));
  EXPECT_EQ(ExpectQueueFull(second), "Output buffer is full. Please check comm status.");

  std::string far;
  std::thread reader([&] {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (far.size() < filler + first.size() + second.size() &&
           std::chrono::steady_clock::now() < deadline) {
      far += Far.Drain(20ms);
    }
  });
  Comm.Buffers().SetWriteTimeout(3000);
  EXPECT_EQ(ExpectQueueFull(second), "(accepted)");
  reader.join();
  // Nothing lost or reordered while the queue waited.
  EXPECT_EQ(far, std::string(filler, 'p') + first + second);
}

TEST_F(SerialTransfer, CloseWhileAWriteIsPendingDropsTheRestAndReopensEmpty) {
  const std::size_t filler = Far.Fill();
  Comm.Open();
  ASSERT_TRUE(Comm.WriteText(std::string(2048, 'q')));
  std::this_thread::sleep_for(50ms);  // the write thread now waits for room
  const auto start = std::chrono::steady_clock::now();
  Comm.Close();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
  const std::string far = Far.Drain(100ms);
  EXPECT_GE(far.size(), filler);
  EXPECT_LT(far.size(), filler + 2048);
  Comm.Open();
  ASSERT_TRUE(Comm.WriteText("tail"));
  EXPECT_EQ(Far.Read(4, 2000ms), "tail");
}

TEST_F(SerialTransfer, CloseWhileADeliveryIsQueuedRaisesNothingLater) {
  ReadInHandler();
  Comm.Open();
  Far.Write("late");
  // The event thread has handed over a delivery that has not run yet.
  for (int i = 0; i < 200 && Loop.PendingCount() == 0; ++i) std::this_thread::sleep_for(5ms);
  ASSERT_EQ(Loop.PendingCount(), 1u);
  Comm.Close();
  EXPECT_EQ(Loop.ProcessPending(), 1u);
  EXPECT_TRUE(RxCounts.empty());
  EXPECT_TRUE(Shown.empty());
  // Reopened, what the old open left unread is gone: only new bytes arrive.
  Comm.Open();
  Far.Write("next");
  EXPECT_TRUE(Pump([&] { return Received == "next"; })) << Received;
}

TEST_F(SerialTransfer, InputWaitingBeforeOpenNeverReachesTheHandler) {
  ReadInHandler();
  Far.Write("stale");
  int waiting = 0;
  for (int i = 0; i < 400 && waiting < 5; ++i, std::this_thread::sleep_for(5ms)) waiting = Far.Waiting();
  ASSERT_EQ(waiting, 5) << "the bytes wait in the device";
  Comm.Open();
  Far.Write("new");
  ASSERT_TRUE(Pump([&] { return Received.size() >= 3; }));
  EXPECT_EQ(Received, "new");
  EXPECT_LE(RxCounts.front(), 3);
}

TEST_F(SerialTransfer, CloseWhileTheWriteThreadWaitsForItsTxEmptyDelivery) {
  int txEmpty = 0;
  Comm.OnTxEmpty = [&](TSerCustomComm*) { ++txEmpty; };
  Comm.Open();
  ASSERT_TRUE(Comm.WriteText("frame"));
  for (int i = 0; i < 200 && Loop.PendingCount() == 0; ++i) std::this_thread::sleep_for(5ms);
  ASSERT_EQ(Loop.PendingCount(), 1u);
  Comm.Close();
  Loop.ProcessPending();
  EXPECT_EQ(txEmpty, 0);
  EXPECT_EQ(Far.Read(5, 1000ms), "frame");
}

TEST_F(SerialTransfer, TxEmptyFollowsEachDrainedQueue) {
  int txEmpty = 0;
  Comm.OnTxEmpty = [&](TSerCustomComm*) { ++txEmpty; };
  Comm.Open();
  ASSERT_TRUE(Comm.WriteText("one"));
  ASSERT_TRUE(Pump([&] { return txEmpty == 1; }));
  ASSERT_TRUE(Comm.WriteText("two"));
  ASSERT_TRUE(Pump([&] { return txEmpty == 2; }));
  EXPECT_EQ(Far.Read(6, 1000ms), "onetwo");
}

TEST_F(SerialTransfer, HandlerExceptionsAreShownAndDeliveryGoesOn) {
  int calls = 0;
  Comm.OnRxChar = [&](TSerCustomComm* Sender, int) {
    ++calls;
    Received += Sender->ReadText();
    if (calls == 1) throw ESerCommError("first handler failed");
  };
  Comm.Open();
  Far.Write("1");
  ASSERT_TRUE(Pump([&] { return calls == 1; }));
  Far.Write("2");
  ASSERT_TRUE(Pump([&] { return calls == 2; }));
  EXPECT_EQ(Received, "12");
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_EQ(Shown[0], "first handler failed");
}

TEST_F(SerialTransfer, CloseInsideTheHandlerDoesNotDeadlock) {
  Comm.OnRxChar = [&](TSerCustomComm* Sender, int) {
    Received += Sender->ReadText();
    Sender->Close();
  };
  Comm.Open();
  Far.Write("bye");
  ASSERT_TRUE(Pump([&] { return !Comm.IsOpen(); }));
  EXPECT_EQ(Received, "bye");
}

TEST_F(SerialTransfer, DeliveryOfADestroyedComponentDoesNothing) {
  int calls = 0;
  {
    TSerComm doomed(&Loop);
    UseLoaderSettings(doomed, Far.Path());
    doomed.OnRxChar = [&](TSerCustomComm*, int) { ++calls; };
    doomed.Open();
    Far.Write("x");
    for (int i = 0; i < 200 && Loop.PendingCount() == 0; ++i) std::this_thread::sleep_for(5ms);
    ASSERT_EQ(Loop.PendingCount(), 1u);
  }
  EXPECT_EQ(Loop.ProcessPending(), 1u);
  EXPECT_EQ(calls, 0);
}

TEST_F(SerialTransfer, NoEventThreadWithoutMonitorEvents) {
  Comm.SetMonitorEvents({});
  ReadInHandler();
  Comm.Open();
  Far.Write("quiet");
  Loop.RunFor(100ms);
  EXPECT_TRUE(RxCounts.empty());
  ASSERT_TRUE(Comm.WriteText("still writes"));
  EXPECT_EQ(Far.Read(12, 1000ms), "still writes");
  EXPECT_EQ(Comm.ReadText(), "quiet");
}

TEST_F(SerialTransfer, DirectWriteSendsAtOnceAndGivesUpAfterReadTimeout) {
  Comm.SetDirectWrite(true);
  Comm.SetMonitorEvents({ceRxChar, ceTxEmpty});
  Comm.Buffers().SetReadTimeout(100);
  int txEmpty = 0;
  Comm.OnTxEmpty = [&](TSerCustomComm*) { ++txEmpty; };
  Comm.Open();
  EXPECT_EQ(Comm.WriteData("direct", 6), 6);
  EXPECT_EQ(Far.Read(6, 1000ms), "direct");
  EXPECT_TRUE(Pump([&] { return txEmpty == 1; }));
  // More than the line holds: the part that went out is what is reported.
  const std::string big(256 * 1024, 'd');
  const std::int32_t n = Comm.WriteData(big.data(), static_cast<std::int32_t>(big.size()));
  EXPECT_GT(n, 0);
  EXPECT_LT(n, static_cast<std::int32_t>(big.size()));
  EXPECT_EQ(Far.Drain(100ms).size(), static_cast<std::size_t>(n));
}

}  // namespace
}  // namespace galt::test
