// The receive assembler: hunting, collecting, the sum test at the end of each
// read, held frames and oversized frames.

#include <gtest/gtest.h>

#include "tests/support/Frames.h"
#include "tests/support/RecordingHost.h"

namespace galt {
namespace {

using testing::Bytes;
using testing::MakeFrame;
using testing::RecordingHost;

class AssemblerTest : public ::testing::Test {
 protected:
  AssemblerTest() { host.link = &link; }
  void Read(const std::string& bytes) {
    host.reads.push_back(bytes);
    link.cp1RxChar(static_cast<int>(bytes.size()));
  }
  RecordingHost host;
  Link link{host};
};

TEST_F(AssemblerTest, NoiseBeforeTheStartByteIsSkipped) {
  const std::string reply = MakeFrame(0xF1, {0xAA});
  Read(Bytes("13 00") + reply);
  ASSERT_EQ(host.replies.size(), 1u);
  EXPECT_EQ(std::string(host.replies[0].begin(), host.replies[0].end()), reply);
  EXPECT_EQ(link.RxFlags, 1);
}

TEST_F(AssemblerTest, ReplySplitOverReadsIsHandledOnceAtTheEnd) {
  const std::string reply = MakeFrame(0xF4, {0xA5, 0x5A});
  ASSERT_EQ(reply.size(), 10u);
  Read(reply.substr(0, 3));
  Read(reply.substr(3, 4));
  EXPECT_TRUE(host.replies.empty());
  Read(reply.substr(7));
  EXPECT_EQ(host.replies.size(), 1u);
}

TEST_F(AssemblerTest, SecondReplyInTheSameReadIsLost) {
  Read(MakeFrame(0xF1, {0xAA}) + MakeFrame(0x00, {1, 2}));
  ASSERT_EQ(host.replies.size(), 1u);
  EXPECT_EQ(host.replies[0][4], 0xF1);
  // Held: later input is discarded until the next send.
  Read(MakeFrame(0x00, {1, 2}));
  EXPECT_EQ(host.replies.size(), 1u);
  link.CurrentCommand = cmdQuery;
  link.SendCommand();
  Read(MakeFrame(0x00, {1, 2}));
  EXPECT_EQ(host.replies.size(), 2u);
}

TEST_F(AssemblerTest, AReplySetAsideLeavesTheRestOfTheReadToBeHunted) {
  // A late acknowledgement glued to the head of the echo awaited: set aside,
  // it must not take the echo down with it. Noise after it is hunted
  // through as in any read; a reply not set aside is held as ever.
  host.onReply = [&] {
    if (host.replies.size() == 1) link.SetReplyAside();
  };
  Read(MakeFrame(0xF4, {0xA5, 0x5A}) + Bytes("13") + MakeFrame(0xF3, {0, 5}) + MakeFrame(0x00, {1}));
  ASSERT_EQ(host.replies.size(), 2u);
  EXPECT_EQ(host.replies[1][4], 0xF3);
  EXPECT_EQ(link.RxFlags, 1);
}

TEST_F(AssemblerTest, StartByteInsideThePayloadIsData) {
  Read(MakeFrame(0xF2, {0x00, 0xAA, 0xAA, 0x13}));
  ASSERT_EQ(host.replies.size(), 1u);
  EXPECT_EQ(host.replies[0][7], 0xAA);
  EXPECT_EQ(host.replies[0][8], 0xAA);
}

TEST_F(AssemblerTest, WrongSumIsDroppedAndHuntingResumes) {
  std::string bad = MakeFrame(0xF1, {0xAA});
  bad.back() = static_cast<char>(bad.back() + 1);
  Read(bad);
  EXPECT_TRUE(host.replies.empty());
  EXPECT_EQ(link.RxCount, 0);
  EXPECT_EQ(link.RxFlags, 0);
  Read(MakeFrame(0xF1, {0xAA}));
  EXPECT_EQ(host.replies.size(), 1u);
}

TEST_F(AssemblerTest, SumIsTestedOnlyAfterTheWholeRead) {
  // A complete frame followed by noise in the same read is still handled once
  // the read has been fed; the noise is dropped.
  Read(MakeFrame(0xF1, {0xAA}) + Bytes("01 02 AA"));
  EXPECT_EQ(host.replies.size(), 1u);
}

TEST_F(AssemblerTest, OversizedLengthIsAbandonedAtTheTwoHundredFiftySixthByte) {
  std::string frame = Bytes("AA 06 00 64 F2 FA");  // L = 250
  frame += std::string(249, '\x01');                // 255 bytes so far
  Read(frame);
  EXPECT_EQ(link.RxCount, 255);
  Read(Bytes("AA"));  // the 256th byte: dropped, hunting again
  EXPECT_EQ(link.RxCount, 0);
  EXPECT_TRUE(host.replies.empty());
  Read(MakeFrame(0xF1, {0xAA}));
  EXPECT_EQ(host.replies.size(), 1u);
}

TEST_F(AssemblerTest, EmptyReadChangesNothing) {
  Read("");
  EXPECT_EQ(link.RxCount, 0);
  EXPECT_TRUE(host.replies.empty());
}

}  // namespace
}  // namespace galt
