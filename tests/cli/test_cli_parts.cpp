// The command line, the port argument and what the program prints, each
// through its own interface.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/cli/CliOptions.h"
#include "app/cli/ConsoleBoxes.h"
#include "app/cli/ConsoleOutput.h"
#include "app/cli/PortArgument.h"
#include "app/cli/PortList.h"
#include "tests/e2e/VirtualDevice.h"

namespace galt::cli {
namespace {

CliParse Parse(std::vector<std::string> args) { return ParseCliArguments(args); }

TEST(CliArguments, ChooseTheOperationFromWhatIsGiven) {
  const CliParse install = Parse({"--port", "COM5", "--serial=237"});
  ASSERT_EQ(install.error, "");
  EXPECT_EQ(install.options.action, Action::Install);
  EXPECT_EQ(install.options.port, "COM5");
  EXPECT_EQ(install.options.serial, 237);

  const CliParse read = Parse({"--read", "out.hex", "--port", "ttyUSB0", "--blocks", "10", "--blocks", "992"});
  ASSERT_EQ(read.error, "");
  EXPECT_EQ(read.options.action, Action::Read);
  EXPECT_EQ(read.options.file, "out.hex");
  EXPECT_EQ(read.options.blocks, 992) << "the last one wins";
  EXPECT_FALSE(read.options.serial) << "a read may go without a serial number";

  EXPECT_EQ(Parse({"--port", "x", "--serial", "350", "--verify", "in.hex"}).options.action, Action::Verify);
  EXPECT_EQ(Parse({"--list"}).options.action, Action::List);
  EXPECT_EQ(Parse({"--bogus", "--help"}).options.action, Action::Help) << "help wins over errors";
  EXPECT_EQ(Parse({"-h"}).error, "");
}

TEST(CliArguments, RefuseWhatCannotRun) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--port", "x", "--serial", "100 "}, {"--port", "x", "--serial", "+237"},
           {"--port", "x", "--serial", "351"},  {"--port", "x", "--serial"},
           {"--port", "x", "--verify", "f"},    {"--port", "x", "--serial", "237", "--blocks", "20"},
           {"--port", "x", "--read", "f", "--blocks", "9"}, {"--port=", "--serial", "237"},
           {"stray"},                           {"--list", "--serial", "237"}})
    EXPECT_NE(Parse(args).error, "") << args.back();
  EXPECT_NE(Parse({"--port", "x", "--serial", "99"}).error.find("от 100 до 350"), std::string::npos);
}

TEST(CliPortArgument, NamesTheDeviceAsTheComponentOpensIt) {
  const TSerPortTable table({{5, "/dev/ttyS4"}, {34, "/dev/ttyUSB1"}});
  const PortChoice com = ChoosePort("com5", table);
  EXPECT_EQ(com.deviceName, "\\\\.\\COM%d");
  EXPECT_EQ(com.portNum, 5);
  EXPECT_EQ(com.shown, "COM5 (/dev/ttyS4)");
  EXPECT_EQ(ChoosePort("\\\\.\\COM77", table).portNum, 77) << "not in the table: the open says so";
  EXPECT_EQ(ChoosePort("ttyUSB1", table).portNum, 34);

  const PortChoice shortName = ChoosePort("ttyACM3", table);
  EXPECT_EQ(table.Resolve(shortName.deviceName), "/dev/ttyACM3");
  const PortChoice path = ChoosePort("/tmp/odd%dname", table);
  EXPECT_EQ(path.shown, "/tmp/odd%dname");
  EXPECT_EQ(path.deviceName, "/tmp/odd%%dname") << "the component's %d must not touch a path";
  EXPECT_EQ(ChoosePort("COM5x", table).shown, "/dev/COM5x");
}

// Everything a ConsoleOutput prints, as the two streams hold it.
struct Captured {
  explicit Captured(bool bar) : console(out, err, bar) {}
  ~Captured() {
    std::fclose(out);
    std::fclose(err);
  }
  static std::string Read(std::FILE* f) {
    std::fflush(f);
    std::rewind(f);
    std::string text;
    for (int c; (c = std::fgetc(f)) != EOF;) text.push_back(static_cast<char>(c));
    return text;
  }
  std::string Out() { return Read(out); }
  std::string Err() { return Read(err); }
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ConsoleOutput console;
};

TEST(CliConsole, ProgressIsABarOnATerminalAndOccasionalLinesElsewhere) {
  Captured plain(false);
  for (int p : {0, 4, 9, 10, 55, 59, 100}) plain.console.Progress("Загрузка:", p);
  plain.console.Progress("Проверка:", 3);
  EXPECT_EQ(plain.Out(), "Загрузка: 0%\nЗагрузка: 10%\nЗагрузка: 55%\nЗагрузка: 100%\nПроверка: 3%\n");

  Captured bar(true);
  bar.console.Progress("Загрузка:", 50);
  bar.console.Progress("Загрузка:", 50);
  bar.console.Line(ConsoleOutput::Stream::Err, "Ошибка!");
  bar.console.Progress("Загрузка:", 60);
  bar.console.EndProgress();
  const std::string half = "\rЗагрузка:      [" + std::string(15, '#') + std::string(15, '.') + "]  50%";
  const std::string more = "\rЗагрузка:      [" + std::string(18, '#') + std::string(12, '.') + "]  60%";
  EXPECT_EQ(bar.Out(), half + "\n" + more + "\n") << "drawn once per change, its line ended before a message";
  EXPECT_EQ(bar.Err(), "Ошибка!\n");
}

TEST(CliConsole, BoxesBecomeLinesOnTheirStreams) {
  Captured c(false);
  ConsoleBoxes boxes(c.console);
  int shown = 0;
  boxes.OnShown = [&](BoxIcon, const std::string&, const std::string&) { ++shown; };
  boxes.Show(BoxIcon::Error, texts::kErrorCaption, texts::kLoadError);
  boxes.Show(BoxIcon::Error, "", texts::kWrongModel);
  boxes.Show(BoxIcon::Information, texts::kActivationCaption, texts::kActivationDone);
  EXPECT_EQ(c.Err(), "Ошибка загрузки программы!\nУстройство не соответствует модификации!\n");
  EXPECT_EQ(c.Out(), "Активизация программы: Активизация программы выполнена\n");
  EXPECT_EQ(shown, 3);
}

TEST(CliPortList, ListsThePortsThatOpenAndSaysWhenThereAreNone) {
  galt::testing::VirtualDevice device;
  Captured some(false);
  const TSerPortTable table({{3, "/nonexistent/ttyS2"}, {40, device.Path()}});
  EXPECT_EQ(PrintPortList(ScanPortTable(table), some.console), kExitOk);
  EXPECT_EQ(some.Out(), device.Path() + "  COM40\n");

  Captured none(false);
  EXPECT_EQ(PrintPortList(ScanPortTable(TSerPortTable({{3, "/nonexistent/ttyS2"}})), none.console), kExitPort);
  EXPECT_EQ(none.Out(), "");
  EXPECT_EQ(none.Err(), texts::kNoPorts + "\n");
}

}  // namespace
}  // namespace galt::cli
