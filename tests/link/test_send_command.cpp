// Command frames: the worked examples byte for byte, and the effects of a send.

#include <gtest/gtest.h>

#include "tests/support/Frames.h"
#include "tests/support/RecordingHost.h"

namespace galt {
namespace {

using testing::Bytes;
using testing::RecordingHost;

class SendCommandTest : public ::testing::Test {
 protected:
  SendCommandTest() { host.link = &link; }
  std::string Send(std::uint8_t command) {
    link.CurrentCommand = command;
    link.SendCommand();
    return host.written.empty() ? std::string() : host.written.back();
  }
  RecordingHost host;
  Link link{host};
};

TEST_F(SendCommandTest, WorkedExamples) {
  EXPECT_EQ(Send(cmdQuery), Bytes("AA 06 00 64 00 00 01 14"));
  EXPECT_EQ(Send(cmdDeactivate), Bytes("AA 06 00 64 F4 02 A5 5A 03 09"));
  host.serial = 300;
  EXPECT_EQ(Send(cmdActivate), Bytes("AA 06 01 2C F1 02 5A A5 02 CF"));
  host.block = 232;
  EXPECT_EQ(Send(cmdReadBlock), Bytes("AA 06 01 2C F2 02 00 E8 02 B9"));
  EXPECT_EQ(host.framesSent, 4);
  EXPECT_EQ(host.watchdogArms, 0);
}

TEST_F(SendCommandTest, WriteBlockOfFfBytes) {
  FillBlankImage(host.image, 16);
  host.block = 0;
  const std::string frame = Send(cmdWriteBlock);
  const std::string expected = Bytes("AA 06 00 64 F3 82 00 00") + std::string(128, '\xFF') + Bytes("82 09");
  EXPECT_EQ(frame, expected);
  EXPECT_EQ(frame.size(), 138u);
  EXPECT_EQ(host.watchdogArms, 1);
  EXPECT_EQ(host.framesSent, 1);
}

TEST_F(SendCommandTest, WriteBlockTakesItsEightLinesInOrder) {
  for (int i = 0; i < 16; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, " %02X", i);
    std::string s(line);
    for (int k = 1; k < 16; ++k) s += " 00";
    host.image.Append(s);
  }
  host.block = 1;
  const std::string frame = Send(cmdWriteBlock);
  ASSERT_EQ(frame.size(), 138u);
  EXPECT_EQ(static_cast<std::uint8_t>(frame[7]), 1);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(static_cast<std::uint8_t>(frame[8 + 16 * i]), 8 + i);
}

TEST_F(SendCommandTest, BlockWithAnEmptyLineSendsNothingAndKeepsTheReceiver) {
  FillBlankImage(host.image, 16);
  host.image.Delete(3);
  host.image.Insert(3, "");
  link.RxCount = 7;
  link.RxFlags = 1;
  link.RxFrame[2] = 0x42;
  EXPECT_EQ(Send(cmdWriteBlock), "");
  EXPECT_EQ(host.framesSent, 0);
  EXPECT_EQ(host.watchdogArms, 0);
  EXPECT_EQ(link.RxCount, 7);
  EXPECT_EQ(link.RxFlags, 1);
  EXPECT_EQ(link.RxFrame[2], 0x42);
}

TEST_F(SendCommandTest, EverySendResetsTheReceiverBeforeWriting) {
  link.RxFrame.fill(0x77);
  link.RxCount = 12;
  link.RxFlags = 1;
  std::uint8_t countAtWrite = 99;
  struct Host : RecordingHost {
    Link* l = nullptr;
    std::uint8_t* seen = nullptr;
    bool WriteText(const std::string& b) override {
      *seen = l->RxCount;
      return RecordingHost::WriteText(b);
    }
  } spy;
  Link spyLink{spy};
  spy.l = &spyLink;
  spy.seen = &countAtWrite;
  spyLink.RxCount = 5;
  spyLink.CurrentCommand = cmdQuery;
  spyLink.SendCommand();
  EXPECT_EQ(countAtWrite, 0);

  Send(cmdQuery);
  EXPECT_EQ(link.RxCount, 0);
  EXPECT_EQ(link.RxFlags, 0);
  for (int i = 0; i < 255; ++i) EXPECT_EQ(link.RxFrame[i], 0) << i;
}

TEST_F(SendCommandTest, UnknownCommandSendsNothing) {
  EXPECT_EQ(Send(0x42), "");
  EXPECT_EQ(host.framesSent, 0);
}

}  // namespace
}  // namespace galt
