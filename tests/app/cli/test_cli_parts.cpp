// The command line, the port argument and what the program prints, each
// through its own interface; the program as a whole is in test_cli_runs.

#include <gtest/gtest.h>

#include <string>

#include "app/cli/CliOptions.h"
#include "app/cli/PortArgument.h"
#include "app/cli/PortListing.h"
#include "frontend/PortTexts.h"
#include "frontend/WindowOptions.h"
#include "sequences/InstallTiming.h"
#include "tests/app/cli/CapturedConsole.h"
#include "tests/support/PrivateFolder.h"
#include "tests/support/VirtualDevice.h"

namespace galt::cli {
namespace {

TEST(CliArguments, TakeBothOptionFormsAndTheLastOfRepeatedOnes) {
  const CliParse read = ParseCliArguments({"--read", "out.hex", "--port=ttyUSB0", "--blocks", "10", "--blocks=992"});
  ASSERT_EQ(read.error, "");
  EXPECT_EQ(read.options.action, Action::Read);
  EXPECT_EQ(read.options.port, "ttyUSB0");
  EXPECT_EQ(read.options.file, "out.hex");
  EXPECT_EQ(read.options.blocks, 992);
  EXPECT_FALSE(read.options.serial) << "a read may go without a serial number";
  EXPECT_EQ(ParseCliArguments({"--port", "x", "--serial=350", "--verify", "in.hex"}).options.serial, 350);
  EXPECT_EQ(ParseCliArguments({"--bogus", "-h"}).options.action, Action::Help) << "help wins over errors";
  EXPECT_EQ(ParseCliArguments({"--port", "x", "--version"}).options.action, Action::Version);
  EXPECT_EQ(ParseCliArguments({"--serial", "237", "--serial=238", "--port", "x"}).error,
            "--serial указан дважды: укажите одно значение");
  EXPECT_NE(ProgramVersion("galt-loader-cli").find("galt-loader-cli 2.11"), std::string::npos);
  const std::string help = CliUsage("galt-loader-cli");
  EXPECT_NE(help.find("от " + std::to_string(kSerialMin) + " до " + std::to_string(kSerialMax)), std::string::npos);
  EXPECT_NE(help.find("(от 10 до " + std::to_string(kFlashBlocks) + ")"), std::string::npos) << help;
}

TEST(CliPortArgument, NamesTheDeviceAsTheComponentOpensIt) {
  const TSerPortTable table({{5, "/dev/ttyS4"}, {34, "/dev/ttyUSB1"}});
  const PortChoice com = ChoosePort("com5", table);
  EXPECT_EQ(com.deviceName, "\\\\.\\COM%d");
  EXPECT_EQ(com.portNum, 5);
  EXPECT_EQ(com.shown, "COM5 (/dev/ttyS4)");
  EXPECT_EQ(ChoosePort("\\\\.\\COM77", table).portNum, 77) << "not in the table: the open says so";
  EXPECT_EQ(ChoosePort("ttyUSB1", table).portNum, 34);
  EXPECT_EQ(ChoosePort("USB1", table).shown, "USB1") << "the window's name reaches the same port";

  const PortChoice shortName = ChoosePort("ttyACM3", table);
  EXPECT_EQ(table.Resolve(shortName.deviceName), "/dev/ttyACM3");
  const PortChoice path = ChoosePort("/tmp/odd%dname", table);
  EXPECT_EQ(path.shown, "/tmp/odd%dname");
  EXPECT_EQ(path.deviceName, "/tmp/odd%%dname") << "the component's %d must not touch a path";
  EXPECT_EQ(ChoosePort("COM5x", table).shown, "/dev/COM5x");
}

using testing::CapturedConsole;

TEST(CliConsole, ProgressIsABarOnATerminalAndOccasionalLinesElsewhere) {
  CapturedConsole plain(false);
  for (int p : {0, 4, 9, 10, 55, 59, 100}) plain.console.Progress("Загрузка:", p);
  plain.console.Progress("Проверка:", 3);
  EXPECT_EQ(plain.Out(), "Загрузка: 0%\nЗагрузка: 10%\nЗагрузка: 55%\nЗагрузка: 100%\nПроверка: 3%\n");

  CapturedConsole bar(true);
  bar.console.Progress("Загрузка:", 50);
  bar.console.Progress("Загрузка:", 50);
  bar.console.Line(ConsoleOutput::Stream::Err, "Ошибка!");
  bar.console.Progress("Загрузка:", 60);
  bar.console.EndProgress();
  const std::string half = "\rЗагрузка:      [" + std::string(15, '#') + std::string(15, '.') + "]  50%";
  const std::string more = "\rЗагрузка:      [" + std::string(18, '#') + std::string(12, '.') + "]  60%";
  EXPECT_EQ(bar.Out(), half + "\n" + more + "\n") << "drawn once per change, its line ended before a message";
  EXPECT_EQ(bar.Err(), "Ошибка!\n");

  // The detail follows the bar; a shorter one blanks what the longer left.
  CapturedConsole detail(true);
  detail.console.Progress("Загрузка:", 50, "57/233 · 35 с");
  detail.console.Progress("Загрузка:", 50, "57/233 · 9 с");
  EXPECT_EQ(detail.Out(), half + "  57/233 · 35 с" + half + "  57/233 · 9 с ");
}

TEST(CliPortList, ListsThePortsWithTheirStateAndSaysWhenThereAreNone) {
  galt::testing::VirtualDevice device;
  const galt::testing::PrivateFolder nothing;
  CapturedConsole some;
  const TSerPortTable table({{3, nothing / "ttyS2"}, {40, device.Path()}});
  EXPECT_EQ(PrintPortList(ScanPortTable(table), some.console), kExitOk);
  EXPECT_EQ(some.Out(), PortUserName(device.Path()) + "  " + device.Path() + "\n");

  // A port another program holds is listed with its holder.
  TSerPortScan busy = ScanPortTable(table);
  ASSERT_EQ(busy.Listed.size(), 1u);
  busy.Listed[0].Busy = true;
  busy.Listed[0].Holders = {{4321, "picocom"}};
  CapturedConsole held;
  EXPECT_EQ(PrintPortList(busy, held.console), kExitOk);
  EXPECT_EQ(held.Out(), PortUserName(device.Path()) + "  " + device.Path() + "  занят: picocom, PID 4321\n");
  EXPECT_NE(held.Err().find(texts::kPortsBusy), std::string::npos);
  // One program holding two ports is one to close.
  busy.Listed.push_back(busy.Listed[0]);
  busy.Listed[1].Name = "USB9";
  for (const auto& [pid, close] : {std::pair<int, std::string>{4321, "эту программу"}, {77, "эти программы"}}) {
    busy.Listed[1].Holders = {{pid, "picocom"}};
    CapturedConsole two;
    PrintPortList(busy, two.console);
    EXPECT_NE(two.Err().find("PID " + std::to_string(pid) + "\nЗакройте " + close + " или укажите другой порт."),
              std::string::npos) << two.Err();
  }

  TSerPortEntry adapter;
  adapter.PortNum = 33;
  adapter.Path = "/dev/ttyUSB0";
  adapter.Name = "USB0";
  adapter.Description = "FT232R USB UART, FTDI, A10K3ZQ1";
  EXPECT_EQ(PortLine(adapter), "USB0  /dev/ttyUSB0  FT232R USB UART, FTDI, A10K3ZQ1");
  adapter.PortNum = 5;
  adapter.Path = "\\\\.\\COM5";  // Windows: the path is the port's own name
  adapter.Name = "COM5";
  adapter.Description = "USB Serial Port (COM5)";
  EXPECT_EQ(PortLine(adapter), "COM5  USB Serial Port (COM5)");

  CapturedConsole none;
  EXPECT_EQ(PrintPortList(ScanPortTable(TSerPortTable({{3, nothing / "ttyS2"}})), none.console), kExitPort);
  EXPECT_EQ(none.Out(), "");
  EXPECT_EQ(none.Err(), texts::kNoPorts + "\n");
}

}  // namespace
}  // namespace galt::cli
