// The window's port handling on a mocked machine: what start-up opens and
// says, adapters plugged and unplugged while it runs, an adapter coming back
// under another name, and text typed into the selector.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "app/qt/Unit1.h"
#include "tests/support/VirtualDevice.h"
#include "tests/support/Holder.h"
#include "tests/support/MockMachine.h"
#include "tests/support/QtWait.h"
#include "tests/support/RecordingBoxes.h"
#include "tools/galt-emulator/DeviceServer.h"

namespace galt::testing {
namespace {

std::unique_ptr<TForm1> Window(RecordingBoxes& boxes, const TSerPortTable& table, bool show = true) {
  TForm1Setup setup;
  setup.boxes = &boxes;
  setup.ports = table;
  auto form = std::make_unique<TForm1>(setup);
  // The ports and start-up's boxes come once the window is painted.
  if (show) ShowPainted(*form);
  return form;
}

std::vector<std::string> Listed(const TForm1& form) {
  std::vector<std::string> names;
  for (const auto& e : form.cmbPorts->Entries()) names.push_back(e.Name);
  return names;
}

std::string Field(const TForm1& form) { return form.cmbPorts->currentText().toStdString(); }

const auto kUsbTable = MockMachine::Table({"ttyUSB0", "ttyUSB1", "ttyUSB2"});

TEST(PortWindow, StartupOpensTheFirstFreePortAndNamesTheHoldersOfBusyOnes) {
  MockMachine machine;
  machine.PlugUsb("ttyUSB0");
  machine.PlugUsb("ttyUSB1", {"USB Serial", "QinHeng", "", "ch341"});
  Holder picocom("/dev/ttyUSB0");
  ASSERT_TRUE(picocom.Held());
  {
    RecordingBoxes boxes;
    auto form = Window(boxes, kUsbTable, /*show=*/false);
    EXPECT_TRUE(Listed(*form).empty() && !form->cp1().IsOpen()) << "the window is painted before the ports";
    ShowPainted(*form);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(Listed(*form), (std::vector<std::string>{"USB0", "USB1"}));
    EXPECT_EQ(Field(*form), "USB1");
    ASSERT_TRUE(form->cp1().IsOpen());
    EXPECT_EQ(form->cp1().PortNum(), 34);
    EXPECT_TRUE(form->cmbPorts->toolTip().contains("/dev/ttyUSB1"));
  }
  Holder other("/dev/ttyUSB1", /*lock=*/true);
  ASSERT_TRUE(other.Held());
  RecordingBoxes boxes;
  auto form = Window(boxes, kUsbTable);
  EXPECT_FALSE(form->cp1().IsOpen());
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, "  Tornel Ltd");
  const std::string& text = boxes.boxes[0].text;
  EXPECT_NE(text.find("USB0 — занят: sleep, PID " + std::to_string(picocom.Pid())), std::string::npos) << text;
  EXPECT_NE(text.find("USB1 — занят: sleep, PID " + std::to_string(other.Pid())), std::string::npos) << text;
  EXPECT_EQ(text.find("Не найдено"), std::string::npos);
  EXPECT_EQ(Listed(*form).size(), 2u) << "busy ports stay listed";

  // Once a holder lets go, its port is taken without the engineer's help.
  other.Release();
  ASSERT_TRUE(RunEventsUntil([&] { return form->cp1().IsOpen(); }, 3000));
  EXPECT_EQ(form->cp1().PortNum(), 34);
  EXPECT_EQ(Field(*form), "USB1");
  EXPECT_EQ(boxes.boxes.size(), 1u);
}

TEST(PortWindow, FollowsAdaptersPluggedAndUnpluggedWhileItRuns) {
  MockMachine machine;
  RecordingBoxes boxes;
  auto form = Window(boxes, kUsbTable);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Не найдено ни одного последовательного порта !");
  EXPECT_FALSE(form->cp1().IsOpen());

  // No port open: the first one plugged in is taken.
  machine.PlugUsb("ttyUSB0");
  ASSERT_TRUE(RunEventsUntil([&] { return form->cp1().IsOpen(); }, 2000));
  EXPECT_EQ(Listed(*form), std::vector<std::string>{"USB0"});
  EXPECT_EQ(Field(*form), "USB0");

  // A second one is listed; the open one stays selected and open.
  int closed = 0;
  form->cp1().OnClose = [&](TSerCustomComm*) { ++closed; };
  machine.PlugUsb("ttyUSB1", {"USB Serial", "QinHeng", "", "ch341"});
  ASSERT_TRUE(RunEventsUntil([&] { return Listed(*form).size() == 2; }, 2000));
  EXPECT_EQ(Field(*form), "USB0");
  EXPECT_EQ(closed, 0);

  machine.Unplug("ttyUSB1");
  ASSERT_TRUE(RunEventsUntil([&] { return Listed(*form).size() == 1; }, 2000));
  EXPECT_EQ(Field(*form), "USB0");
  EXPECT_EQ(closed, 0);

  // The open one goes: it leaves the list, is closed, and the loss is told.
  machine.Unplug("ttyUSB0");
  ASSERT_TRUE(RunEventsUntil([&] { return Listed(*form).empty(); }, 2000));
  EXPECT_FALSE(form->cp1().IsOpen());
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[1].text,
            "Связь с устройством потеряна: порт USB0 отключён. Подключите устройство и повторите.");
}

TEST(PortWindow, StartUpBoxesComeOverTheWindowAndAPortPluggedMeanwhileIsTaken) {
  // The most natural first minutes: no port, the box says so, the engineer
  // plugs the adapter in and presses OK.
  MockMachine machine;
  RecordingBoxes boxes;
  bool windowBehind = false;
  bool openWhenClosed = false;
  TForm1* shown = nullptr;
  boxes.WhileOpen = [&](const RecordedBox&) {
    windowBehind = shown != nullptr && shown->isVisible();
    machine.PlugUsb("ttyUSB0");
    RunEventsUntil([&] { return shown->cp1().IsOpen(); }, 2000);
    openWhenClosed = shown->cp1().IsOpen();
  };
  TForm1Setup setup;
  setup.boxes = &boxes;
  setup.ports = kUsbTable;
  TForm1 form(setup);
  shown = &form;
  EXPECT_TRUE(boxes.boxes.empty()) << "no box before the window";
  form.show();
  ASSERT_TRUE(RunEventsUntil([&] { return !boxes.boxes.empty(); }, 2000));
  EXPECT_EQ(boxes.boxes[0].text, "Не найдено ни одного последовательного порта !");
  EXPECT_EQ(boxes.boxes[0].caption, "  Tornel Ltd");
  EXPECT_TRUE(windowBehind);
  EXPECT_TRUE(openWhenClosed) << "the port plugged in while the box was open is taken";
  EXPECT_EQ(Field(form), "USB0");
  boxes.WhileOpen = nullptr;
  form.close();
}

TEST(PortWindow, TheAdapterThatWasOpenIsReopenedWhenItComesBackUnderAnotherName) {
  MockMachine machine;
  const UsbAdapter mine{"FT232R USB UART", "FTDI", "DEVICE01", "ftdi_sio"};
  machine.PlugUsb("ttyUSB1", mine);
  RecordingBoxes boxes;
  auto form = Window(boxes, kUsbTable);
  ASSERT_TRUE(form->cp1().IsOpen());
  ASSERT_EQ(Field(*form), "USB1");

  machine.Unplug("ttyUSB1");
  ASSERT_TRUE(RunEventsUntil([&] { return !form->cp1().IsOpen(); }, 2000));
  // Another adapter and ours come at once; ours is the one the engineer used.
  machine.PlugUsb("ttyUSB0", {"FT232R USB UART", "FTDI", "OTHER003", "ftdi_sio"});
  machine.PlugUsb("ttyUSB2", mine);
  ASSERT_TRUE(RunEventsUntil([&] { return form->cp1().IsOpen(); }, 2000));
  EXPECT_EQ(form->cp1().PortNum(), 35);
  EXPECT_EQ(Field(*form), "USB2");
  EXPECT_EQ(Listed(*form), (std::vector<std::string>{"USB0", "USB2"}));
  EXPECT_EQ(boxes.boxes.size(), 1u) << "the loss only";
}

TEST(PortWindow, APortThatWasAlreadyListedIsNotTakenWhenTheOpenOneGoes) {
  MockMachine machine;
  machine.PlugUsb("ttyUSB0", {"FT232R USB UART", "FTDI", "DEVICE01", "ftdi_sio"});
  machine.PlugUsb("ttyUSB1", {"FT232R USB UART", "FTDI", "SPARE002", "ftdi_sio"});
  RecordingBoxes boxes;
  auto form = Window(boxes, kUsbTable);
  ASSERT_EQ(Field(*form), "USB0");
  machine.Unplug("ttyUSB0");
  ASSERT_TRUE(RunEventsUntil([&] { return Listed(*form).size() == 1; }, 2000));
  RunEventsUntil([] { return false; }, 100);
  EXPECT_FALSE(form->cp1().IsOpen()) << "the spare was there all along: not what the engineer was using";
  EXPECT_EQ(Field(*form), "USB1");
}

TEST(PortWindow, TypedTextOnlyChoosesAnEntryItNames) {
  MockMachine machine;
  machine.PlugUsb("ttyUSB0");
  machine.PlugUsb("ttyUSB1", {"USB Serial", "QinHeng", "", "ch341"});
  RecordingBoxes boxes;
  auto form = Window(boxes, kUsbTable);
  ASSERT_TRUE(form->cp1().IsOpen());
  int opened = 0, closed = 0;
  form->cp1().OnOpen = [&, own = form->cp1().OnOpen](TSerCustomComm* s) {
    if (own) own(s);
    ++opened;
  };
  form->cp1().OnClose = [&](TSerCustomComm*) { ++closed; };
  QLineEdit* edit = form->cmbPorts->lineEdit();
  const auto type = [&](const QString& text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
  };

  type("COM7");
  EXPECT_EQ(closed, 0);
  EXPECT_EQ(form->cmbPorts->count(), 2) << "typed text never becomes an entry";
  EXPECT_EQ(Field(*form), "USB0");
  EXPECT_EQ(form->cp1().PortNum(), 33);
  EXPECT_TRUE(boxes.boxes.empty());

  type("ttyUSB1");
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(form->cp1().PortNum(), 34);

  type("/dev/ttyUSB0");
  EXPECT_EQ(closed, 2);
  EXPECT_EQ(opened, 2);
  EXPECT_EQ(form->cp1().PortNum(), 33);
  EXPECT_EQ(Field(*form), "USB0");
  EXPECT_EQ(form->cmbPorts->count(), 2);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST(PortWindow, ALinkMadeUnderATableNameCountsAsAPort) {
  // As the emulator's --link does: a table name appears as a link to a pty.
  const std::string dir = ::testing::TempDir() + "/galt-dev-" + std::to_string(::getpid());
  ::mkdir(dir.c_str(), 0700);
  const std::string link = dir + "/ttyUSB9";
  VirtualDevice device;
  device.Start();
  RecordingBoxes boxes;
  auto form = Window(boxes, TSerPortTable({{42, link}}));
  EXPECT_FALSE(form->cp1().IsOpen());

  ASSERT_EQ(::symlink(device.Path().c_str(), link.c_str()), 0);
  ASSERT_TRUE(RunEventsUntil([&] { return form->cp1().IsOpen(); }, 2000));
  EXPECT_EQ(Field(*form), "USB9");
  form->Core().activeClick();
  EXPECT_TRUE(RunEventsUntil([&] { return form->Core().st_rxd == "1"; }, 5000)) << "the link carries frames";

  ::unlink(link.c_str());
  ASSERT_TRUE(RunEventsUntil([&] { return Listed(*form).empty(); }, 2000));
  EXPECT_FALSE(form->cp1().IsOpen());
  form->close();
  ::rmdir(dir.c_str());
}

TEST(PortWindow, InstallsThroughAMockedAdapterWithTheEmulatorOnItsFarSide) {
  MockMachine machine;
  machine.PlugUsb("ttyUSB0");
  const int far = machine.FarSide("ttyUSB0");
  ASSERT_GE(far, 0);
  ::fcntl(far, F_SETFL, ::fcntl(far, F_GETFL) | O_NONBLOCK);
  emu::DeviceEmulator emulator;
  emucli::DeviceServer server(far, emulator, /*pace=*/false, nullptr);
  std::atomic<bool> stop{false};
  std::thread serving([&] { server.Run(stop); });

  RecordingBoxes boxes;
  auto form = Window(boxes, kUsbTable);
  ASSERT_TRUE(form->cp1().IsOpen());
  form->Core().zn.SetValue(237);
  QTest::mouseClick(form->Button4, Qt::LeftButton);
  const bool ended = RunEventsUntil([&] { return !boxes.boxes.empty(); }, 30000);
  stop = true;
  serving.join();
  ASSERT_TRUE(ended);
  EXPECT_EQ(boxes.boxes[0].text, "Активизация программы выполнена");
  EXPECT_EQ(emulator.SerialFromFlash(), 237);
  EXPECT_GE(emulator.counters.writes, 233);
  form->close();
}

}  // namespace
}  // namespace galt::testing
