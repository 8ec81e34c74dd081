// The one-button install against the virtual device, phase by phase, in
// virtual time: what goes out on the link, the gauges, the boxes, the timers.

#include <gtest/gtest.h>

#include "tests/sequences/Harness.h"

namespace galt {
namespace {

using testing::Harness;

// --- the whole install -----------------------------------------------------

class HealthyInstall : public ::testing::TestWithParam<int> {};

TEST_P(HealthyInstall, WritesEveryBlockAndConfirmsTheSerialNumber) {
  Harness h;
  h.core.zn.SetValue(GetParam());
  std::vector<int> gauge2;
  h.core.Gauge2.OnPercentChange = [&] { gauge2.push_back(h.core.Gauge2.Progress()); };
  std::vector<int> confirmed;
  int last = -1;
  h.clock.Post(0, [] {});
  h.core.Button4Click();
  // Follow Gauge2 through every change of value, not only of percentage.
  while (!h.Done() && h.clock.Now() < 60000) {
    h.clock.Advance(1);
    if (h.core.Gauge2.Progress() != last) {
      last = h.core.Gauge2.Progress();
      confirmed.push_back(last);
    }
  }
  ASSERT_EQ(h.boxes.boxes.size(), 1u);
  EXPECT_EQ(h.LastBox().icon, BoxIcon::Information);
  EXPECT_EQ(h.LastBox().caption, "Активизация программы");
  EXPECT_EQ(h.LastBox().text, "Активизация программы выполнена");

  EXPECT_EQ(h.SentCount(cmdWriteBlock), 233);
  EXPECT_EQ(h.device.counters.writes, 233);
  EXPECT_EQ(h.core.Gauge1.Progress(), 100);
  EXPECT_EQ(h.core.Gauge2.Progress(), 240);
  EXPECT_FALSE(h.core.Timer2->Enabled());
  EXPECT_FALSE(h.core.Timer3->Enabled());
  EXPECT_FALSE(h.core.Timer4->Enabled());

  // Gauge2 went 0, 1, ..., 231, then 235, then 240.
  ASSERT_GE(confirmed.size(), 3u);
  EXPECT_EQ(confirmed.back(), 240);
  EXPECT_EQ(confirmed[confirmed.size() - 2], 235);
  for (std::size_t i = 0; i + 2 < confirmed.size(); ++i) EXPECT_EQ(confirmed[i], static_cast<int>(i)) << i;
  EXPECT_EQ(confirmed[confirmed.size() - 3], 231);

  // The device's flash holds exactly the stamped image, blocks 0..232.
  const auto written = testing::ImageBytes(h.core.Memo1, 233 * 8);
  EXPECT_TRUE(std::equal(written.begin(), written.end(), h.device.flash.begin()));
  EXPECT_EQ(h.device.SerialFromFlash(), GetParam());
  for (std::size_t a = written.size(); a < h.device.flash.size(); ++a) ASSERT_EQ(h.device.flash[a], 0xFF) << a;
}

INSTANTIATE_TEST_SUITE_P(Serials, HealthyInstall, ::testing::Values(100, 300));

// --- deactivation ------------------------------------------------------------

TEST(Deactivation, DeviceThatNeverAnswersFailsAfter201FramesInTenSeconds) {
  Harness h;
  h.device.faults.silent = true;
  std::vector<int> gauge1AtBox;
  h.boxes.WhileOpen = [&](const auto&) { gauge1AtBox.push_back(h.core.Gauge1.Progress()); };
  h.core.Button4Click();
  ASSERT_TRUE(h.RunToBox());
  EXPECT_EQ(h.SentCount(cmdDeactivate), 201);
  EXPECT_EQ(h.clock.Now(), 201 * 50);
  EXPECT_EQ(h.LastBox().caption, "  Tornel Ltd");
  EXPECT_EQ(h.LastBox().text, "Ошибка деактивизации FLASH!");
  EXPECT_EQ(h.LastBox().icon, BoxIcon::Error);
  EXPECT_EQ(gauge1AtBox, std::vector<int>{100});
  EXPECT_EQ(h.core.Gauge1.Progress(), 0);
  EXPECT_EQ(h.core.DeactivateTries, 0);
  EXPECT_FALSE(h.core.Timer2->Enabled());
  EXPECT_EQ(h.core.st_txd, "201");
  h.clock.Advance(5000);
  EXPECT_EQ(h.SentCount(cmdDeactivate), 201);
  EXPECT_EQ(h.boxes.boxes.size(), 1u);
}

TEST(Deactivation, AcknowledgingTheTenthFrameJumpsGauge1To100AndStartsWriting) {
  Harness h;
  h.device.faults.ackDeactivationFrom = 10;
  h.device.faults.stopEchoAtBlock = 0;  // stop right after the first block goes out
  std::vector<int> gauge1;
  h.core.Gauge1.OnPercentChange = [&] { gauge1.push_back(h.core.Gauge1.Progress()); };
  h.core.Button4Click();
  h.clock.RunUntil([&] { return h.SentCount(cmdWriteBlock) > 0; }, 5000);
  EXPECT_EQ(h.SentCount(cmdDeactivate), 10);
  ASSERT_FALSE(gauge1.empty());
  EXPECT_EQ(gauge1.back(), 100);
  EXPECT_EQ(gauge1[gauge1.size() - 2], 4);
  EXPECT_EQ(h.SentCount(cmdWriteBlock), 1);
  EXPECT_FALSE(h.core.Timer2->Enabled());
  EXPECT_TRUE(h.core.Timer4->Enabled());
}

TEST(Deactivation, ShortAcknowledgementIsAcceptedActivationPayloadIsNot) {
  Harness h;
  h.device.faults.shortDeactivationAck = true;
  h.core.Button4Click();
  ASSERT_TRUE(h.RunToBox());
  EXPECT_EQ(h.LastBox().text, "Активизация программы выполнена");

  Harness g;
  g.device.faults.silent = true;
  g.core.Button4Click();
  g.link.Inject(testing::MakeFrame(cmdDeactivate, {0x5A, 0xA5}), 10);
  g.clock.Advance(100);
  EXPECT_EQ(g.SentCount(cmdWriteBlock), 0);
  EXPECT_TRUE(g.core.Timer2->Enabled());
}

TEST(Deactivation, PressingTheButtonAgainDoesNotRestartDeactivation) {
  Harness h;
  h.device.faults.silent = true;
  h.core.Button4Click();
  h.clock.Advance(1000);
  EXPECT_EQ(h.core.DeactivateTries, 20);
  h.core.Button4Click();
  EXPECT_EQ(h.core.DeactivateTries, 20);
  EXPECT_EQ(h.core.Gauge1.Progress(), 10);
  ASSERT_TRUE(h.RunToBox());
  EXPECT_EQ(h.clock.Now(), 201 * 50);
  EXPECT_EQ(h.SentCount(cmdDeactivate), 201);
}

TEST(Deactivation, ASlowDeviceAcknowledgingEveryRetryIsWrittenOnceAndConfirmed) {
  // Answers come 130 ms after each frame: two retries are on their way
  // before the first acknowledgement arrives, and their acknowledgements come
  // in while the blocks are being written.
  Harness h;
  h.link.latency_ms = 130;
  h.core.zn.SetValue(250);
  h.core.Button4Click();
  ASSERT_TRUE(h.RunToBox(120000));
  EXPECT_EQ(h.LastBox().text, "Активизация программы выполнена");
  EXPECT_EQ(h.boxes.boxes.size(), 1u);
  EXPECT_EQ(h.SentCount(cmdDeactivate), 3);
  EXPECT_EQ(h.SentCount(cmdWriteBlock), 233) << "each block once";
  EXPECT_EQ(h.device.SerialFromFlash(), 250);
}

TEST(Deactivation, AcknowledgementFromAnotherModelStartsNoWrite) {
  Harness h;
  h.device.faults.model = 7;
  h.core.Button4Click();
  h.clock.RunUntil([&] { return h.boxes.CountText("Ошибка деактивизации FLASH!") > 0; }, 20000);
  // Every acknowledgement warned, none counted.
  EXPECT_EQ(h.boxes.CountText("Устройство не соответствует модификации!"), 201u);
  EXPECT_EQ(h.LastBox().text, "Ошибка деактивизации FLASH!");
  EXPECT_EQ(h.SentCount(cmdWriteBlock), 0);
  EXPECT_EQ(h.device.counters.writes, 0);
}

// --- writing -------------------------------------------------------------------

TEST(Writing, MissingEchoAtBlock17ReportsALoadErrorAfterOneSecond) {
  Harness h;
  h.device.faults.stopEchoAtBlock = 17;
  h.core.Button4Click();
  std::int64_t sent17 = -1;
  h.clock.RunUntil([&] { return h.SentCount(cmdWriteBlock) == 18; }, 10000);
  sent17 = h.clock.Now();
  ASSERT_TRUE(h.RunToBox());
  EXPECT_EQ(h.clock.Now() - sent17, 1000);
  EXPECT_EQ(h.LastBox().text, "Ошибка загрузки программы!");
  EXPECT_EQ(h.LastBox().caption, "  Tornel Ltd");
  EXPECT_EQ(h.core.Gauge2.Progress(), 16);
  EXPECT_EQ(h.core.St_blk, "17");
  EXPECT_FALSE(h.core.Timer4->Enabled());
  h.clock.Advance(10000);
  EXPECT_EQ(h.boxes.boxes.size(), 1u);
  EXPECT_EQ(h.SentCount(cmdWriteBlock), 18);
}

TEST(Writing, CorruptEchoStopsThePassWithAWriteError) {
  Harness h;
  h.device.faults.corruptEchoAtBlock = 5;
  h.core.Button4Click();
  ASSERT_TRUE(h.RunToBox());
  EXPECT_EQ(h.LastBox().text, "Ошибка записи FLASH!");
  EXPECT_EQ(h.SentCount(cmdWriteBlock), 6);
  EXPECT_FALSE(h.core.Timer4->Enabled());
  h.clock.Advance(10000);
  EXPECT_EQ(h.boxes.boxes.size(), 1u);
}

TEST(Writing, EchoWithTheSameBytesInAnotherOrderPasses) {
  Harness h;
  h.device.faults.silent = true;
  h.core.Button4Click();
  h.link.Inject(testing::MakeFrame(cmdDeactivate, {0xA5, 0x5A}), 10);
  h.clock.Advance(20);
  ASSERT_EQ(h.SentCount(cmdWriteBlock), 1);
  const std::string& frame = h.link.sent.back();
  std::vector<std::uint8_t> payload(frame.begin() + 6, frame.begin() + 136);
  std::reverse(payload.begin() + 2, payload.end());  // the block number stays in place
  h.link.Inject(testing::MakeFrame(cmdWriteBlock, payload), 10);
  h.clock.Advance(20);
  EXPECT_EQ(h.SentCount(cmdWriteBlock), 2);
  EXPECT_TRUE(h.boxes.boxes.empty());
}

TEST(Writing, BlockLimitTenEndsThePassAfterBlockNine) {
  Harness h;
  h.core.SPBLH.SetValue(10);
  h.core.Button4Click();
  ASSERT_TRUE(h.RunToBox());
  EXPECT_EQ(h.SentCount(cmdWriteBlock), 10);
  EXPECT_EQ(h.SentCount(cmdActivate), 1);
  // The stamped lines lie in blocks 217 and 220, so the device's program
  // never learns the serial number and the confirmation cannot come.
  EXPECT_EQ(h.device.SerialFromFlash(), 0xFFFF);
  EXPECT_EQ(h.LastBox().text, "Ошибка загрузки программы!");
}

TEST(Writing, EchoFromAnotherModelWarnsAndConfirmsNothing) {
  Harness h;
  h.device.faults.silent = true;
  h.core.Button4Click();
  h.link.Inject(testing::MakeFrame(cmdDeactivate, {0xA5, 0x5A}), 10);
  h.clock.Advance(20);
  const std::string& frame = h.link.sent.back();
  std::vector<std::uint8_t> payload(frame.begin() + 6, frame.begin() + 136);
  h.link.Inject(testing::MakeFrame(cmdWriteBlock, payload, 100, 7), 10);
  h.clock.Advance(20);
  ASSERT_EQ(h.boxes.boxes.size(), 1u);
  EXPECT_EQ(h.LastBox().caption, "");
  EXPECT_EQ(h.LastBox().text, "Устройство не соответствует модификации!");
  EXPECT_EQ(h.LastBox().icon, BoxIcon::Error);
  ASSERT_TRUE(h.clock.RunUntil([&] { return h.boxes.boxes.size() == 2; }, 2000));
  EXPECT_EQ(h.LastBox().text, "Ошибка загрузки программы!");
  EXPECT_EQ(h.SentCount(cmdWriteBlock), 1);
}

// --- a second press ---------------------------------------------------------------

TEST(SecondPress, IsIgnoredWhileWritingAndConfirmingAndTheInstallCompletesOnce) {
  Harness h;
  h.core.Button4Click();
  h.clock.RunUntil([&] { return h.core.Gauge2.Progress() >= 50; }, 60000);
  h.core.Button4Click();
  h.clock.RunUntil([&] { return h.core.Timer3->Enabled(); }, 60000);
  h.core.Button4Click();
  h.clock.Advance(15000);
  ASSERT_EQ(h.boxes.boxes.size(), 1u);
  EXPECT_EQ(h.LastBox().text, "Активизация программы выполнена");
  EXPECT_EQ(h.SentCount(cmdDeactivate), 1);
  EXPECT_EQ(h.SentCount(cmdWriteBlock), 233) << "one pass, each block once";
}

TEST(SecondPress, WorksAgainOnceTheSequenceHasEndedInItsBox) {
  const std::pair<void (*)(emu::Faults&), std::string> endings[] = {
      {[](emu::Faults&) {}, "Активизация программы выполнена"},
      {[](emu::Faults& f) { f.silent = true; }, "Ошибка деактивизации FLASH!"},
      {[](emu::Faults& f) { f.stopEchoAtBlock = 3; }, "Ошибка загрузки программы!"},
      {[](emu::Faults& f) { f.corruptEchoAtBlock = 3; }, "Ошибка записи FLASH!"},
      {[](emu::Faults& f) { f.answerQueryNumber = 0; }, "Ошибка загрузки программы!"}};
  for (const auto& [fault, text] : endings) {
    Harness h;
    fault(h.device.faults);
    h.core.Button4Click();
    ASSERT_TRUE(h.RunToBox());
    EXPECT_EQ(h.LastBox().text, text);
    const int deactivations = h.SentCount(cmdDeactivate);
    h.core.Button4Click();
    EXPECT_EQ(h.SentCount(cmdDeactivate), deactivations + 1) << text;
  }
}

TEST(SecondPress, AReadPassAwaitingItsReplyHoldsTheButtonUntilTheLinkIsReset) {
  Harness h;
  h.device.faults.silent = true;
  h.core.rd_fClick();
  h.clock.Advance(kBlockReplyWaitMs / 2);  // within the pass's own wait
  h.core.Button4Click();
  EXPECT_EQ(h.SentCount(cmdDeactivate), 0);
  h.core.LinkReset();
  h.core.Button4Click();
  EXPECT_EQ(h.SentCount(cmdDeactivate), 1);
}

TEST(LinkReset, DropsAReplyHalfCollectedFromTheOldLine) {
  for (const bool reset : {false, true}) {
    Harness h;
    h.device.faults.silent = true;
    h.core.Button4Click();
    const std::string ack = testing::MakeFrame(cmdDeactivate, {0xA5, 0x5A});
    h.link.Inject(ack.substr(0, 5), 10);
    if (reset) h.clock.Post(20, [&] { h.core.LinkReset(); });
    h.link.Inject(ack, 30);
    h.clock.Advance(40);
    EXPECT_EQ(h.SentCount(cmdWriteBlock), reset ? 1 : 0) << reset;
  }
}

TEST(LateReply, AfterItsOperationEndedNeitherEndsNorStartsAnother) {
  // The reply of an ended install's last frame (echo, query), arriving in
  // the next install's deactivation; an acknowledgement after a failed one.
  const std::pair<void (*)(emu::Faults&), bool> cases[] = {
      {[](emu::Faults& f) { f.stopEchoAtBlock = 3; }, true},
      {[](emu::Faults& f) { f.answerQueryNumber = 0; }, true},
      {[](emu::Faults& f) { f.silent = true; }, false}};
  for (const auto& [fault, pressAgain] : cases) {
    Harness h;
    fault(h.device.faults);
    h.core.Button4Click();
    ASSERT_TRUE(h.RunToBox());
    std::string late = h.link.sent.back();  // the device echoes every frame as it came
    if (late[4] == static_cast<char>(cmdQuery)) late = testing::MakeFrame(cmdQuery, {0x02, 0x11});
    h.device.faults.silent = true;
    if (pressAgain) h.core.Button4Click();
    const int written = h.SentCount(cmdWriteBlock);
    h.link.Inject(late, 10);
    h.clock.Advance(100);
    EXPECT_EQ(h.boxes.boxes.size(), 1u) << h.LastBox().text;
    EXPECT_EQ(h.SentCount(cmdWriteBlock), written);
    EXPECT_EQ(h.core.OperationRunning(), pressAgain);
  }
}

// --- confirmation ----------------------------------------------------------------

TEST(Confirmation, DeviceAnsweringOnlyTheThirdQuerySucceedsWithTimer3At800) {
  Harness h;
  h.device.faults.answerQueryNumber = 3;
  h.core.Button4Click();
  ASSERT_TRUE(h.RunToBox());
  EXPECT_EQ(h.LastBox().text, "Активизация программы выполнена");
  EXPECT_EQ(h.SentCount(cmdQuery), 3);
  EXPECT_EQ(h.core.Timer3->Interval(), 800);
  EXPECT_FALSE(h.core.Timer3->Enabled());
  EXPECT_EQ(h.core.Gauge2.Progress(), 240);
}

TEST(Confirmation, NoAnswerToAnyQueryFailsFourPointTwoSecondsAfterTheLastEcho) {
  Harness h;
  h.device.faults.answerQueryNumber = 0;
  h.core.Button4Click();
  h.clock.RunUntil([&] { return h.SentCount(cmdActivate) == 1; }, 60000);
  const std::int64_t lastEcho = h.clock.Now();
  ASSERT_TRUE(h.RunToBox());
  EXPECT_EQ(h.clock.Now() - lastEcho, 4200);
  EXPECT_EQ(h.SentCount(cmdQuery), 3);
  EXPECT_EQ(h.LastBox().text, "Ошибка загрузки программы!");
  EXPECT_EQ(h.core.Gauge2.Progress(), 235);
  EXPECT_EQ(h.core.Timer3->Interval(), 800);
  EXPECT_FALSE(h.core.Timer3->Enabled());
}

TEST(Confirmation, ActivationAckShowsTheBoxButLeavesTheLadderRunning) {
  Harness h;
  h.device.faults.answerQueryNumber = 2;
  h.device.faults.shortActivationAck = true;
  h.core.Button4Click();
  ASSERT_TRUE(h.RunToBox());
  // The device acknowledges activation itself: that box comes first, and the
  // ladder goes on to the query reply, which shows it again.
  EXPECT_EQ(h.LastBox().text, "Активизация программы выполнена");
  EXPECT_TRUE(h.core.Timer3->Enabled());
  EXPECT_EQ(h.core.Gauge2.Progress(), 235);
  h.clock.Advance(5000);
  ASSERT_EQ(h.boxes.boxes.size(), 2u);
  EXPECT_EQ(h.core.Gauge2.Progress(), 240);
  EXPECT_FALSE(h.core.Timer3->Enabled());
}

TEST(Confirmation, QueryFromAnotherModelWarnsAndIsIgnored) {
  Harness h;
  h.device.faults.silent = true;
  h.core.Timer3->SetEnabled(true);
  h.clock.Advance(1500);
  ASSERT_EQ(h.SentCount(cmdQuery), 1);
  h.link.Inject(testing::MakeFrame(cmdQuery, {0, 0}, 100, 5), 1);
  h.clock.Advance(2);
  ASSERT_EQ(h.boxes.boxes.size(), 1u);
  EXPECT_EQ(h.LastBox().text, "Устройство не соответствует модификации!");
  EXPECT_TRUE(h.core.Timer3->Enabled());
  EXPECT_EQ(h.core.Gauge2.Progress(), 0);
}

TEST(Confirmation, QueryWithAnotherSerialIsIgnoredAnyPayloadIsAccepted) {
  Harness h;
  h.device.faults.silent = true;
  h.core.Timer3->SetEnabled(true);
  h.clock.Advance(1500);
  h.link.Inject(testing::MakeFrame(cmdQuery, {0x12, 0x34}, 101), 1);
  h.clock.Advance(2);
  EXPECT_TRUE(h.boxes.boxes.empty());
  h.clock.Advance(1000);
  h.link.Inject(testing::MakeFrame(cmdQuery, {0x99, 0x98}, 100), 1);
  h.clock.Advance(2);
  ASSERT_EQ(h.boxes.boxes.size(), 1u);
  EXPECT_EQ(h.LastBox().text, "Активизация программы выполнена");
  EXPECT_FALSE(h.core.Timer3->Enabled());
}

TEST(Confirmation, ServiceDeactivationAfterAFailedLadderFailsAtTheFirstTick) {
  Harness h;
  h.device.faults.answerQueryNumber = 0;
  h.core.Button4Click();
  ASSERT_TRUE(h.RunToBox());
  ASSERT_EQ(h.core.Timer3->Interval(), 800);
  const int queries = h.SentCount(cmdQuery);
  h.boxes.boxes.clear();

  h.core.deactiveClick();
  h.clock.RunUntil([&] { return h.SentCount(cmdActivate) == 2; }, 60000);
  const std::int64_t lastEcho = h.clock.Now();
  ASSERT_TRUE(h.RunToBox());
  EXPECT_EQ(h.clock.Now() - lastEcho, 800);
  EXPECT_EQ(h.SentCount(cmdQuery), queries);
  EXPECT_EQ(h.LastBox().text, "Ошибка загрузки программы!");
}

// --- reply handling while a box is open -----------------------------------------

TEST(ModalBoxes, ReplyHandlingAfterTheWarningTakesTheNextReplyNotTheWarnedOne) {
  Harness h;
  h.device.faults.model = 5;  // the first reply brings up the model warning
  // While the warning is open, the deactivation retry timer goes on ticking
  // and resends, which resets the receiver; the device now answers as a 6.
  h.boxes.WhileOpen = [&](const auto&) {
    h.device.faults.model = 6;
    h.clock.Advance(120);
    EXPECT_EQ(h.SentCount(cmdWriteBlock), 0) << "the warned reply started nothing";
  };
  h.core.Button4Click();
  h.clock.Advance(5);
  ASSERT_EQ(h.boxes.boxes.size(), 1u);
  h.clock.Advance(5);
  // The acknowledgement held back while the box was open started writing.
  EXPECT_GE(h.SentCount(cmdWriteBlock), 1);
  EXPECT_EQ(h.core.Gauge1.Progress(), 100);
}

TEST(ModalBoxes, ReceivedDataWaitsUntilTheBoxOpenedInReplyHandlingCloses) {
  Harness h;
  h.device.faults.silent = true;
  int deliveriesWhileOpen = -1;
  h.boxes.WhileOpen = [&](const auto&) {
    const int before = h.link.deliveries;
    h.link.Inject(testing::MakeFrame(cmdActivate, {0xAA}), 1);
    h.clock.Advance(50);
    deliveriesWhileOpen = h.link.deliveries - before;
  };
  h.core.activeClick();
  h.link.Inject(testing::MakeFrame(cmdActivate, {0xAA}, 100, 6), 1);
  h.clock.Advance(2);
  EXPECT_EQ(deliveriesWhileOpen, 0);
  // The held reply then makes the assembler drop the later bytes: one box.
  h.boxes.WhileOpen = nullptr;
  h.clock.Advance(10);
  EXPECT_EQ(h.boxes.boxes.size(), 1u);
  EXPECT_GE(h.link.deliveries, 2);
}

}  // namespace
}  // namespace galt
