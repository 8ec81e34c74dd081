// galt-loader-cli's line trace of whole installs against the device emulator
// on a pseudo-terminal.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <regex>

#include <unistd.h>

#include "app/cli/CommandLine.h"
#include "serial/PortName.h"
#include "tests/app/cli/CapturedConsole.h"
#include "tests/support/VirtualDevice.h"

namespace galt::cli::testing {
namespace {

using galt::testing::VirtualDevice;

int Install(VirtualDevice& device, std::vector<std::string> args, std::string* err) {
  CapturedConsole c;
  args.insert(args.begin(), {"--port", device.Path(), "--serial", "237"});
  const int code = RunCommandLine("galt-loader-cli", args, c.console, TSerPortTable::System(), {}, std::set<std::string>{});
  *err = c.Err();
  return code;
}

TEST(CliTrace, AWholeInstallHoldsTheSettingsEveryBlockAndEchoDecodedAndTheOutcome) {
  VirtualDevice device;
  device.emulator.faults.noiseBytes = 2;  // the link skips them; the trace shows them
  device.emulator.faults.splitPieces = 2;
  device.Start();
  const std::string path = ::testing::TempDir() + "/cli-trace-" + std::to_string(getpid()) + ".txt";
  std::filesystem::remove(path);
  std::string err;
  ASSERT_EQ(Install(device, {"--trace", path}, &err), 0) << err;
  device.Stop();

  std::ifstream in(path);
  std::vector<std::string> lines;
  std::vector<int> sent, echoed;
  const std::regex block("^ *[0-9]+ -> блок ([0-9]+) \\|"), echo("^ *[0-9]+ <- .*эхо блока ([0-9]+)[;| ]");
  std::smatch m;
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
    if (std::regex_search(line, m, block)) sent.push_back(std::stoi(m[1]));
    if (std::regex_search(line, m, echo)) echoed.push_back(std::stoi(m[1]));
  }
  std::vector<int> all(233);
  std::iota(all.begin(), all.end(), 0);
  EXPECT_EQ(device.emulator.counters.writes, 233);
  EXPECT_EQ(sent, all);
  EXPECT_EQ(echoed, all);
  const std::string text = std::accumulate(lines.begin(), lines.end(), std::string(), [](auto a, auto& b) { return a + b + "\n"; });
  // One line per frame and per reply, however many pieces it came in: a
  // paced install's trace stays far below 300 KB.
  EXPECT_LT(std::filesystem::file_size(path), 300u * 1024u);
  EXPECT_EQ(text.find("часть ответа"), std::string::npos) << "no reply stayed incomplete";
  EXPECT_TRUE(std::regex_search(text, std::regex("\n# трасса линии: galt-loader-cli [0-9]+\\.[0-9]+")));
  for (const std::string& part :
       {"\n# установка, серийный номер 237, порт " + PortUserName(device.Path()) + ", ",
        "-- порт " + PortUserName(device.Path()) + " (" + device.Path() + ") открыт: 14400 бод, 8 бит данных, "
        "чётность нет, стоп-биты 1, DTR выкл, RTS вкл, управление потоком нет, низкая задержка приёма: драйвер не "
        "поддерживает\n",
        std::string("<- эхо блока 232 ("),
        std::string(" -> деактивизация | AA 06 00 ED F4 02 A5 5A 03 92\n"),
        std::string("<- мусор 2 байта | "), std::string("<- подтверждение деактивизации ("),
        std::string("-> активизация |"), std::string("-> запрос | AA 06 00 ED 00 00 01 9D\n"),
        std::string("<- ответ: модель 6, серийный 237 (")}) {
    EXPECT_NE(text.find(part), std::string::npos) << part;
  }
  ASSERT_GE(lines.size(), 2u);
  EXPECT_TRUE(lines[lines.size() - 2].ends_with(" -- порт закрыт"));
  EXPECT_TRUE(lines.back().ends_with(" -- итог: confirmed"));
}

TEST(CliTrace, AFileThatCannotBeOpenedOrWrittenIsOneLineAndTheExitCodeStays) {
  setenv("GALT_TRACE", "/dev/full", 1);  // said too when the port does not open
  CapturedConsole failed;
  EXPECT_EQ(RunCommandLine("galt-loader-cli", {"--port", "/nonexistent-dir/tty", "--serial", "237"}, failed.console,
                           TSerPortTable::System(), {}, std::set<std::string>{}), 3);
  unsetenv("GALT_TRACE");
  EXPECT_NE(failed.Err().find("/dev/full"), std::string::npos) << failed.Err();
  for (const bool fromEnvironment : {false, true}) {
    VirtualDevice device;
    device.Start();
    std::vector<std::string> args;
    if (fromEnvironment) {
      setenv("GALT_TRACE", "/dev/full", 1);  // opens, and every write fails
    } else {
      args = {"--trace", "/nonexistent-dir/t.txt"};
    }
    std::string err;
    const int code = Install(device, args, &err);
    unsetenv("GALT_TRACE");
    device.Stop();
    EXPECT_EQ(code, 0) << err;
    EXPECT_EQ(device.emulator.SerialFromFlash(), 237);
    const auto said = std::count(err.begin(), err.end(), '\n');
    EXPECT_EQ(said, 1) << err;
    EXPECT_NE(err.find(fromEnvironment ? "/dev/full" : "/nonexistent-dir/t.txt"), std::string::npos) << err;
  }
}

}  // namespace
}  // namespace galt::cli::testing
