// The real window with the real serial component on a pseudo-terminal, the
// device emulator on the other side, Qt timers in real time.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "app/qt/StopSignals.h"
#include "tests/e2e/PluggableDevice.h"
#include "tests/e2e/Rig.h"
#include "tests/support/FileBytes.h"

namespace galt {
namespace {

using testing::LastJournalEntry;
using testing::MakeForm;
using testing::PluggableDevice;
using testing::RecordingBoxes;
using testing::Rig;
using testing::RunEventsUntil;
using testing::VirtualDevice;
using testing::WaitForBox;
using testing::WrittenBytes;

int TasksListed() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/task")) {
    while (dirent* e = readdir(d)) n += e->d_name[0] != '.';
    closedir(d);
  }
  return n;
}

// A thread just joined may stay listed for a moment: count until two looks
// agree.
int ThreadCount() {
  int n = TasksListed();
  for (int look = 0; look < 50; ++look) {
    QTest::qSleep(2);
    const int again = TasksListed();
    if (again == n) break;
    n = again;
  }
  return n;
}

// Whatever lies at the journal's path, the window starts and installs as
// without a journal, and one box after the install's own says it was not
// written.
TEST(EndToEnd, AFolderAFifoOrALockedFileAtTheJournalsPathCostsTheInstallNothing) {
  const std::string dir = ::testing::TempDir() + "/window-hostile-journals";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir + "/folder");
  ASSERT_EQ(mkfifo((dir + "/fifo").c_str(), 0600), 0);
  const int locked = open((dir + "/locked.csv").c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_EQ(flock(locked, LOCK_EX), 0);
  const std::string was = std::getenv("GALT_JOURNAL");
  for (const auto& [name, reason] : {std::pair<std::string, std::string>{"folder", "это папка, а не файл"},
                                     {"fifo", "это не обычный файл (канал, устройство или порт)"},
                                     {"locked.csv", "файл занят другой программой, закройте её"}}) {
    setenv("GALT_JOURNAL", (dir + "/" + name).c_str(), 1);
    Rig r;
    r.Start();
    r.core().zn.SetValue(250);
    r.PressInstall();
    ASSERT_TRUE(WaitForBox(r.boxes, 30000, 2)) << name;
    EXPECT_EQ(r.boxes.boxes[0].text, "Активизация программы выполнена") << name;
    EXPECT_EQ(r.boxes.boxes[1].text, "Журнал установок не записан (" + dir + "/" + name + ", заданный при запуске): " +
                                         reason + ". Укажите другой файл параметром --journal-file в ярлыке загрузчика.");
    EXPECT_EQ(r.device.emulator.SerialFromFlash(), 250);
  }
  setenv("GALT_JOURNAL", was.c_str(), 1);
  close(locked);
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
  const JournalEntry e = LastJournalEntry(*r.form);
  EXPECT_EQ(e.program.rfind("window ", 0), 0u) << e.program;
  EXPECT_EQ(e.outcome + " " + e.serial + " " + e.version + " " + e.port + " " + e.blocks,
            "confirmed 300 0211 " + ShortPortName(r.device.Path()) + " 233");
  EXPECT_EQ(e.message, "Активизация программы выполнена");
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
  // The last frame, sent just before the box, reaches the device.
  EXPECT_TRUE(RunEventsUntil([&] { return r.device.FramesSeen() >= 201; }, 5000));
  r.device.Stop();
  EXPECT_EQ(r.device.emulator.counters.deactivations, 201);
  EXPECT_EQ(LastJournalEntry(*r.form).outcome, "deactivation-failed");
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
  EXPECT_EQ(LastJournalEntry(*r.form).outcome + " " + LastJournalEntry(*r.form).blocks, "echo-missing 3");
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
  // Acknowledgements warned (each one handled in time: fewer on a busy
  // machine), and the retries went on to their limit.
  EXPECT_GE(r.boxes.CountText("Устройство не соответствует модификации!"), 20u);
  EXPECT_EQ(r.core().st_txd, "201");
  r.device.Stop();
  EXPECT_EQ(r.device.emulator.counters.writes, 0) << "no write frame reached the device";
  EXPECT_EQ(r.core().Gauge2.Progress(), 0);
  EXPECT_EQ(LastJournalEntry(*r.form).outcome, "model-mismatch");
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

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

TEST(EndToEnd, UnpluggingMidInstallIsReportedOnceAndTheAdapterWorksWhenItComesBack) {
  PluggableDevice adapter;
  ASSERT_TRUE(adapter.Plug());
  RecordingBoxes boxes;
  auto form = MakeForm(boxes, {{33, adapter.Link()}});
  ASSERT_TRUE(form->cp1().IsOpen());
  QTest::mouseClick(form->Button4, Qt::LeftButton);
  ASSERT_TRUE(RunEventsUntil([&] { return form->Core().Gauge2.Progress() >= 50; }, 20000));

  // The window's event loop is watched for stalls meanwhile.
  QElapsedTimer clock;
  clock.start();
  qint64 last = 0, longest = 0;
  QTimer probe;
  probe.setInterval(1);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    longest = std::max(longest, clock.elapsed() - last);
    last = clock.elapsed();
  });
  probe.start();

  adapter.Unplug();
  const qint64 pulled = clock.elapsed();
  ASSERT_TRUE(WaitForBox(boxes, 1000));
  const qint64 told = clock.elapsed() - pulled;
  const int stoppedAt = form->Core().Gauge2.Progress();
  const std::string sent = form->Core().st_txd;
  const double cpuBefore = CpuSeconds();
  RunEventsUntil([] { return false; }, 1500);
  const double cpuIdle = CpuSeconds() - cpuBefore;
  probe.stop();
  std::printf("box %lld ms after the pull; longest event-loop stall %lld ms; %.3f s CPU in the 1.5 s after\n",
              static_cast<long long>(told), static_cast<long long>(longest), cpuIdle);

  ASSERT_EQ(boxes.boxes.size(), 1u) << boxes.boxes.back().text;
  EXPECT_EQ(boxes.boxes[0].caption, "  Tornel Ltd");
  EXPECT_EQ(boxes.boxes[0].text,
            "Связь с устройством потеряна: порт USB0 отключён. Подключите устройство и повторите.");
  EXPECT_FALSE(form->cp1().IsOpen());
  EXPECT_FALSE(form->Core().OperationRunning());
  EXPECT_EQ(form->Core().st_txd, sent) << "nothing more is sent";
  EXPECT_EQ(form->Core().Gauge2.Progress(), stoppedAt) << "the gauges keep where they stopped";
  EXPECT_GE(stoppedAt, 50);
  // A window blocked on the dead line (a second per write, as once) would
  // stall for a second at a time.
  EXPECT_LT(longest, 700);
  EXPECT_LT(cpuIdle, 0.3) << "nothing spins on the dead line";

  // Plugged in again: the port is reopened, and the next press installs.
  ASSERT_TRUE(adapter.Plug());
  ASSERT_TRUE(RunEventsUntil([&] { return form->cp1().IsOpen(); }, 3000))
      << boxes.boxes.size() << " boxes; the port: " << form->cmbPorts->toolTip().toStdString();
  form->Core().zn.SetValue(321);
  QTest::mouseClick(form->Button4, Qt::LeftButton);
  ASSERT_TRUE(WaitForBox(boxes, 30000, 2));
  EXPECT_EQ(boxes.boxes[1].text, "Активизация программы выполнена");
  adapter.Device()->Stop();
  EXPECT_EQ(adapter.Device()->emulator.SerialFromFlash(), 321);
  form->close();
}

TEST(EndToEnd, UnpluggingWhileRetryingReportsTheLostDeviceOnce) {
  // Behind a link of its own, as an adapter's name: a bare /dev/pts name,
  // once freed, may be taken by anybody's new terminal, which the window
  // would then see "plugged in".
  PluggableDevice adapter;
  ASSERT_TRUE(adapter.Plug([](emu::DeviceEmulator& device) { device.faults.silent = true; }));
  RecordingBoxes boxes;
  auto form = MakeForm(boxes, {{33, adapter.Link()}});
  ASSERT_TRUE(form->cp1().IsOpen());
  QTest::mouseClick(form->Button4, Qt::LeftButton);
  ASSERT_TRUE(RunEventsUntil([&] { return TextToInt(form->Core().st_txd) >= 3; }, 5000)) << "retrying";
  adapter.Unplug();
  ASSERT_TRUE(WaitForBox(boxes, 5000));
  RunEventsUntil([] { return false; }, 1000);  // and no second box
  ASSERT_EQ(boxes.boxes.size(), 1u) << boxes.boxes.back().text;
  EXPECT_EQ(boxes.boxes[0].text.rfind("Связь с устройством потеряна", 0), 0u) << boxes.boxes[0].text;
  EXPECT_FALSE(form->Core().OperationRunning()) << "no retry goes on after the loss";
  form->close();
  EXPECT_FALSE(form->cp1().IsOpen());
}

TEST(EndToEnd, ClosingTheWindowMidInstallClosesThePortAtOnce) {
  const int threadsBefore = ThreadCount();
  Rig r;
  r.Start();
  r.PressInstall();
  ASSERT_TRUE(RunEventsUntil([&] { return r.core().Gauge2.Progress() >= 20; }, 20000));
  // A loaded machine may have ended the install in its box already; what
  // counts is that nothing comes after the close.
  const std::size_t boxesBefore = r.boxes.boxes.size();
  r.form->close();
  EXPECT_FALSE(r.form->cp1().IsOpen());
  const std::string framesSent = r.core().st_txd;
  QTest::qWait(1500);
  EXPECT_EQ(r.boxes.boxes.size(), boxesBefore) << "no watchdog fires into a closed window: " << r.boxes.boxes.back().text;
  EXPECT_EQ(r.core().st_txd, framesSent) << "nothing more is sent";
  EXPECT_EQ(LastJournalEntry(*r.form).outcome, boxesBefore == 0 ? "stopped" : "confirmed");
  r.form.reset();
  r.device.Stop();
  // The device got no write the loader did not send before closing (one of
  // the frames was the deactivation).
  EXPECT_LE(r.device.emulator.counters.writes, TextToInt(framesSent) - 1);
  EXPECT_EQ(ThreadCount(), threadsBefore) << "the worker threads have ended";
}

TEST(EndToEnd, SigtermMidInstallStopsItAsAClose) {
  const std::string trace = ::testing::TempDir() + "/sigterm-trace-" + std::to_string(getpid()) + ".txt";
  std::remove(trace.c_str());
  setenv("GALT_TRACE", trace.c_str(), 1);
  Rig r;
  r.Start();
  unsetenv("GALT_TRACE");
  const TStopSignals stop(*r.form);
  r.PressInstall();
  ASSERT_TRUE(RunEventsUntil([&] { return r.core().Gauge2.Progress() >= 20; }, 20000));
  ASSERT_EQ(::kill(::getpid(), SIGTERM), 0);
  // The program's own loop ends with the signal's code (and, unlike a nested
  // loop, leaves later loops free to run).
  QTimer never;
  never.setSingleShot(true);
  QObject::connect(&never, &QTimer::timeout, [] { QCoreApplication::exit(-1); });
  never.start(5000);
  EXPECT_EQ(QCoreApplication::exec(), 128 + SIGTERM);
  never.stop();
  EXPECT_FALSE(r.form->cp1().IsOpen());
  EXPECT_FALSE(r.core().OperationRunning());
  EXPECT_EQ(LastJournalEntry(*r.form).outcome, r.boxes.boxes.empty() ? "stopped" : "confirmed");
  r.form.reset();  // the trace is written out
  const std::string text = testing::FileBytes(trace);
  EXPECT_TRUE(text.ends_with(r.boxes.boxes.empty() ? "-- итог: stopped\n" : "-- порт закрыт\n")) << text;
  std::remove(trace.c_str());
  // The port is free: the next window opens it.
  RecordingBoxes boxes;
  auto next = MakeForm(boxes, {{1, r.device.Path()}});
  EXPECT_TRUE(next->cp1().IsOpen()) << (boxes.boxes.empty() ? "" : boxes.boxes[0].text);
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
