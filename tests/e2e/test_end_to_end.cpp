// The real window with the real serial component on a pseudo-terminal, the
// device emulator on the other side, Qt timers in real time.

#include <gtest/gtest.h>

#include <QComboBox>
#include <dirent.h>

#include <cstdio>
#include <fstream>

#include "tests/e2e/Rig.h"

namespace galt {
namespace {

using testing::MakeForm;
using testing::RecordingBoxes;
using testing::Rig;
using testing::RunEventsUntil;
using testing::VirtualDevice;
using testing::WaitForBox;
using testing::WrittenBytes;

int ThreadCount() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/task")) {
    while (dirent* e = readdir(d)) n += e->d_name[0] != '.';
    closedir(d);
  }
  return n;
}

TEST(EndToEnd, WholeInstallEndsInSuccessWithTheStampedImageInFlash) {
  Rig r;
  r.Start();
  ASSERT_TRUE(r.boxes.boxes.empty()) << r.boxes.boxes[0].text;
  ASSERT_TRUE(r.form->cp1().IsOpen());
  EXPECT_EQ(r.form->cmbPorts->currentText().toStdString(), ShortPortName(r.device.Path()));
  r.core().zn.SetValue(300);

  r.PressInstall();
  ASSERT_TRUE(WaitForBox(r.boxes, 30000));
  QTest::qWait(100);  // nothing else follows
  r.device.Stop();
  ASSERT_EQ(r.boxes.boxes.size(), 1u) << r.boxes.boxes.back().text;
  EXPECT_EQ(r.boxes.boxes[0].icon, BoxIcon::Information);
  EXPECT_EQ(r.boxes.boxes[0].text, "Активизация программы выполнена");
  EXPECT_EQ(r.core().Gauge2.Progress(), 240);

  const auto written = WrittenBytes(r.core().Memo1);
  EXPECT_TRUE(std::equal(written.begin(), written.end(), r.device.emulator.flash.begin()));
  EXPECT_EQ(r.device.emulator.SerialFromFlash(), 300);
  EXPECT_EQ(r.device.emulator.counters.writes, 233);
}

TEST(EndToEnd, SilentDeviceEndsInTheDeactivationError) {
  Rig r;
  r.device.emulator.faults.silent = true;
  r.Start();
  r.PressInstall();
  ASSERT_TRUE(WaitForBox(r.boxes, 40000));
  EXPECT_EQ(r.boxes.boxes[0].text, "Ошибка деактивизации FLASH!");
  EXPECT_EQ(r.boxes.boxes[0].caption, "  Tornel Ltd");
  EXPECT_EQ(r.core().st_txd, "201");
  EXPECT_EQ(r.core().Gauge1.Progress(), 0);
  r.device.Stop();
  EXPECT_EQ(r.device.emulator.counters.deactivations, 201);
}

TEST(EndToEnd, EchoStoppingAtBlock3EndsInTheLoadError) {
  Rig r;
  r.device.emulator.faults.stopEchoAtBlock = 3;
  r.Start();
  r.PressInstall();
  ASSERT_TRUE(WaitForBox(r.boxes, 20000));
  EXPECT_EQ(r.boxes.boxes[0].text, "Ошибка загрузки программы!");
  EXPECT_EQ(r.core().Gauge2.Progress(), 2);
  EXPECT_EQ(r.core().St_blk, "3");
}

TEST(EndToEnd, AnotherModelIsWarnedAboutAndNeverWritten) {
  Rig r;
  r.device.emulator.faults.model = 7;
  r.Start();
  r.PressInstall();
  ASSERT_TRUE(RunEventsUntil(
      [&] { return !r.boxes.boxes.empty() && r.boxes.boxes.back().text == "Ошибка деактивизации FLASH!"; }, 40000));
  EXPECT_EQ(r.boxes.boxes[0].caption, "");
  EXPECT_EQ(r.boxes.boxes[0].text, "Устройство не соответствует модификации!");
  // Acknowledgements warned, and the retries went on to their limit.
  EXPECT_GE(r.boxes.CountText("Устройство не соответствует модификации!"), 100u);
  EXPECT_EQ(r.core().st_txd, "201");
  r.device.Stop();
  EXPECT_EQ(r.device.emulator.counters.writes, 0) << "no write frame reached the device";
  EXPECT_EQ(r.core().Gauge2.Progress(), 0);
}

TEST(EndToEnd, ChoosingTheOpenPortAgainClosesAndReopensIt) {
  Rig r;
  r.Start();
  ASSERT_TRUE(r.form->cp1().IsOpen());
  int opened = 0, closed = 0;
  r.form->cp1().OnOpen = [&, own = r.form->cp1().OnOpen](TSerCustomComm* sender) {
    own(sender);
    ++opened;
  };
  r.form->cp1().OnClose = [&](TSerCustomComm*) { ++closed; };
  emit r.form->cmbPorts->activated(0);
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(opened, 1);
  EXPECT_TRUE(r.form->cp1().IsOpen());
  EXPECT_TRUE(r.boxes.boxes.empty());
  // The reopened link works.
  r.core().activeClick();
  ASSERT_TRUE(RunEventsUntil([&] { return r.core().st_rxd == "1"; }, 5000));
}

TEST(EndToEnd, APortThatVanishedShowsTheChangeErrorAndLeavesNoPortOpen) {
  VirtualDevice first, second;
  first.Start();
  second.Start();
  RecordingBoxes boxes;
  auto form = MakeForm(boxes, {{1, first.Path()}, {2, second.Path()}});
  ASSERT_EQ(form->cmbPorts->count(), 2);
  ASSERT_TRUE(form->cp1().IsOpen());
  second.Unplug();
  form->cmbPorts->setCurrentIndex(1);
  emit form->cmbPorts->activated(1);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Ошибка открытия порта !");
  EXPECT_EQ(boxes.boxes[0].caption, "  Tornel Ltd");
  EXPECT_FALSE(form->cp1().IsOpen());
}

TEST(EndToEnd, UnpluggingMidInstallEndsInTheLoadErrorWithoutAFloodOfBoxes) {
  Rig r;
  r.Start();
  r.PressInstall();
  ASSERT_TRUE(RunEventsUntil([&] { return r.core().Gauge2.Progress() >= 10; }, 20000));
  r.device.Unplug();
  RunEventsUntil([] { return false; }, 2500);
  ASSERT_FALSE(r.boxes.boxes.empty());
  EXPECT_EQ(r.boxes.CountText("Ошибка загрузки программы!"), 1u);
  EXPECT_LE(r.boxes.boxes.size(), 2u) << "at most one report from the port itself";
  r.form->close();
  EXPECT_FALSE(r.form->cp1().IsOpen());
}

TEST(EndToEnd, UnpluggingWhileRetryingReportsThePortFailureOnce) {
  Rig r;
  r.device.emulator.faults.silent = true;
  r.Start();
  r.PressInstall();
  RunEventsUntil([] { return false; }, 200);
  r.device.Unplug();
  // Every retry now fails on the dead line.
  RunEventsUntil([] { return false; }, 1500);
  EXPECT_LE(r.boxes.boxes.size(), 1u);
  r.form->close();
  EXPECT_FALSE(r.form->cp1().IsOpen());
}

TEST(EndToEnd, ClosingTheWindowMidInstallClosesThePortAtOnce) {
  const int threadsBefore = ThreadCount();
  Rig r;
  r.Start();
  r.PressInstall();
  ASSERT_TRUE(RunEventsUntil([&] { return r.core().Gauge2.Progress() >= 20; }, 20000));
  r.form->close();
  EXPECT_FALSE(r.form->cp1().IsOpen());
  const std::string framesSent = r.core().st_txd;
  QTest::qWait(1500);
  EXPECT_TRUE(r.boxes.boxes.empty()) << "no watchdog fires into a closed window";
  EXPECT_EQ(r.core().st_txd, framesSent) << "nothing more is sent";
  r.form.reset();
  r.device.Stop();
  // The device got no write the loader did not send before closing (one of
  // the frames was the deactivation).
  EXPECT_LE(r.device.emulator.counters.writes, TextToInt(framesSent) - 1);
  EXPECT_EQ(ThreadCount(), threadsBefore) << "the worker threads have ended";
}

TEST(EndToEnd, StartupTellsWhenNoPortCanBeListed) {
  {
    RecordingBoxes boxes;
    auto form = MakeForm(boxes, {});
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Не найдено ни одного последовательного порта !");
    EXPECT_FALSE(form->cp1().IsOpen());
    EXPECT_EQ(form->Core().Memo1.Count(), 7937u) << "start-up goes on";
  }
  {
    // A node that opens but is no serial line is not offered at all.
    const std::string path = ::testing::TempDir() + "/not_a_tty";
    std::ofstream(path) << "x";
    RecordingBoxes boxes;
    auto form = MakeForm(boxes, {{7, path}});
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Не найдено ни одного последовательного порта !");
    EXPECT_EQ(form->cmbPorts->count(), 0);
    EXPECT_FALSE(form->cp1().IsOpen());
    std::remove(path.c_str());
  }
}

}  // namespace
}  // namespace galt
