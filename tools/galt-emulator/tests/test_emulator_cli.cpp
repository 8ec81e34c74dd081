// The galt-emulator command, run as a child process and reached through its
// pseudo-terminal the way the loader reaches a serial port.

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "EmulatorProcess.h"
#include "ports/PortDiscovery.h"

namespace galt::emucli::testing {
namespace {

using Clock = std::chrono::steady_clock;

const std::string kDeactivate = Bytes({0xAA, 0x06, 0x00, 0x64, 0xF4, 0x02, 0xA5, 0x5A, 0x03, 0x09});
const std::string kQuery = Bytes({0xAA, 0x06, 0x00, 0x64, 0x00, 0x00, 0x01, 0x14});

std::vector<std::uint8_t> BlockPayload(int block, std::uint8_t seed) {
  std::vector<std::uint8_t> p{static_cast<std::uint8_t>(block >> 8), static_cast<std::uint8_t>(block & 0xFF)};
  for (int i = 0; i < 128; ++i) p.push_back(static_cast<std::uint8_t>(seed + i * 7));
  return p;
}

struct TempDir {
  TempDir() {
    char name[] = "/tmp/galt-emulator-test-XXXXXX";
    path = mkdtemp(name);
  }
  ~TempDir() { std::filesystem::remove_all(path); }
  std::string path;
};

TEST(EmulatorCli, AnswersEveryCommandByteForByte) {
  EmulatorProcess emu({"--quiet"});
  const std::string slave = emu.ReadLine();
  ASSERT_EQ(slave.rfind("/dev/pts/", 0), 0u) << slave;
  Port port(slave);

  port.Send(kDeactivate);
  EXPECT_EQ(Hex(port.Receive(10)), Hex(kDeactivate));  // acknowledged by its echo

  port.Send(kQuery);
  EXPECT_EQ(Hex(port.Receive(10)), Hex(Bytes({0xAA, 0x06, 0x00, 0x64, 0x00, 0x02, 0x02, 0x11, 0x01, 0x29})));

  const std::string write = MakeFrame(100, 0xF3, BlockPayload(5, 0x31));
  ASSERT_EQ(write.size(), 138u);
  port.Send(write);
  EXPECT_EQ(Hex(port.Receive(138)), Hex(write));

  // The block read back holds what was written; the reply has the write's shape.
  port.Send(MakeFrame(100, 0xF2, {0x00, 0x05}));
  EXPECT_EQ(Hex(port.Receive(138)), Hex(MakeFrame(100, 0xF2, BlockPayload(5, 0x31))));

  port.Send(MakeFrame(300, 0xF1, {0x5A, 0xA5}));
  EXPECT_EQ(Hex(port.Receive(10)), Hex(Bytes({0xAA, 0x06, 0x01, 0x2C, 0xF1, 0x02, 0x5A, 0xA5, 0x02, 0xCF})));
}

TEST(EmulatorCli, PortCanBeClosedAndOpenedAgain) {
  EmulatorProcess emu({"--quiet"});
  const std::string slave = emu.ReadLine();
  // The tool holds no descriptor of the port itself: the loader would list
  // a port held by another program as busy and leave it alone.
  EXPECT_TRUE(PortHoldersOf(slave).empty());
  for (int round = 0; round < 3; ++round) {
    Port port(slave);
    port.Send(kDeactivate);
    EXPECT_EQ(Hex(port.Receive(10)), Hex(kDeactivate)) << "round " << round;
  }
  // Nobody has the port open now: the tool waits without spinning.
  std::this_thread::sleep_for(milliseconds(300));
  EXPECT_LT(emu.CpuTicks(), 10);
  EXPECT_EQ(emu.Stop(SIGTERM), 0);
}

TEST(EmulatorCli, FaultOptionsReachTheDevice) {
  {
    EmulatorProcess emu({"--quiet", "--silent"});
    Port port(emu.ReadLine());
    port.Send(kDeactivate);
    EXPECT_EQ(Hex(port.Receive(1, milliseconds(300))), "");
  }
  {
    EmulatorProcess emu({"--quiet", "--model", "7", "--stop-echo-at=1"});
    Port port(emu.ReadLine());
    port.Send(MakeFrame(100, 0xF3, BlockPayload(0, 1)));
    const std::string echo = port.Receive(138);
    ASSERT_EQ(echo.size(), 138u);
    EXPECT_EQ(static_cast<unsigned char>(echo[1]), 7u);
    port.Send(MakeFrame(100, 0xF3, BlockPayload(1, 1)));
    EXPECT_EQ(Hex(port.Receive(1, milliseconds(300))), "");
  }
  {
    // Pulled out at block 1: no echo, the terminal gone, the emulator ended.
    EmulatorProcess emu({"--quiet", "--unplug-at", "1"});
    const std::string path = emu.ReadLine();
    Port port(path);
    port.Send(MakeFrame(100, 0xF3, BlockPayload(0, 1)));
    ASSERT_EQ(port.Receive(138).size(), 138u);
    port.Send(MakeFrame(100, 0xF3, BlockPayload(1, 1)));
    EXPECT_EQ(emu.Wait(), 0);
    EXPECT_EQ(Hex(port.Receive(1, milliseconds(300))), "");
    EXPECT_NE(access(path.c_str(), F_OK), 0);
  }
  {
    // The running program answers a query with the serial number in its flash.
    EmulatorProcess emu({"--quiet", "--serial", "300"});
    Port port(emu.ReadLine());
    port.Send(MakeFrame(100, 0xF1, {0x5A, 0xA5}));
    ASSERT_EQ(port.Receive(10).size(), 10u);
    port.Send(kQuery);
    EXPECT_EQ(Hex(port.Receive(10)), Hex(MakeFrame(300, 0x00, {0x02, 0x11})));
  }
}

TEST(EmulatorCli, PacedExchangeTakesTheWireTime) {
  EmulatorProcess emu({"--quiet", "--pace"});
  Port port(emu.ReadLine());
  const auto start = Clock::now();
  port.Send(MakeFrame(100, 0xF3, BlockPayload(2, 9)));
  const std::string first = port.Receive(1);
  const auto firstAt = Clock::now() - start;
  const std::string rest = port.Receive(137);
  const auto doneAt = Clock::now() - start;
  ASSERT_EQ(first.size() + rest.size(), 138u);
  // 138 bytes in, then 138 bytes out, at 10 bits a byte and 14400 baud: 191.7 ms.
  // The reply cannot start before the frame is in (95.8 ms) plus one byte.
  EXPECT_GE(firstAt, milliseconds(90));
  EXPECT_GE(doneAt, milliseconds(180));
}

TEST(EmulatorCli, LogsEveryFrameWithItsTime) {
  EmulatorProcess emu({});
  Port port(emu.ReadLine());
  port.Send(kDeactivate);
  ASSERT_EQ(port.Receive(10).size(), 10u);
  port.Send(MakeFrame(100, 0xF2, {0x00, 0x03}));
  ASSERT_EQ(port.Receive(138).size(), 138u);
  ASSERT_EQ(emu.Stop(SIGINT), 0);
  const std::string log = emu.Stderr();
  EXPECT_NE(log.find(" ms  <- deactivate"), std::string::npos) << log;
  EXPECT_NE(log.find(" ms  -> deactivate AA 06 00 64 F4 02 A5 5A 03 09"), std::string::npos) << log;
  EXPECT_NE(log.find(" ms  <- read block 3"), std::string::npos) << log;
}

TEST(EmulatorCli, StopsCleanlyOnSigtermWithASummary) {
  EmulatorProcess emu({"--quiet"});
  Port port(emu.ReadLine());
  port.Send(kDeactivate);
  port.Send(kQuery);
  ASSERT_EQ(port.Receive(20).size(), 20u);
  EXPECT_EQ(emu.Stop(SIGTERM), 0);
  const std::string summary = emu.ReadLine();
  EXPECT_NE(summary.find("queries 1, deactivations 1, writes 0"), std::string::npos) << summary;
  EXPECT_EQ(emu.Stderr(), "");  // --quiet
}

TEST(EmulatorCli, LinkIsMadeAndRemoved) {
  TempDir dir;
  const std::string link = dir.path + "/ttyUSB9";
  EmulatorProcess emu({"--quiet", "--link", link});
  const std::string slave = emu.ReadLine();
  ASSERT_FALSE(slave.empty());
  EXPECT_EQ(std::filesystem::read_symlink(link).string(), slave);
  {
    Port port(link);
    port.Send(kDeactivate);
    EXPECT_EQ(Hex(port.Receive(10)), Hex(kDeactivate));
  }
  EXPECT_EQ(emu.Stop(SIGTERM), 0);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

TEST(EmulatorCli, LinkNeverReplacesSomethingElse) {
  TempDir dir;
  const std::string taken = dir.path + "/ttyUSB9";
  std::ofstream(taken) << "keep me";
  {
    EmulatorProcess emu({"--quiet", "--link", taken});
    EXPECT_EQ(emu.Wait(), 1);
    EXPECT_NE(emu.Stderr().find("ttyUSB9"), std::string::npos);
  }
  std::ifstream in(taken);
  std::string content;
  std::getline(in, content);
  EXPECT_EQ(content, "keep me");

  // A link into a terminal that no longer exists is a leftover of a killed run.
  const std::string stale = dir.path + "/ttyUSB8";
  std::filesystem::create_symlink("/dev/pts/987654", stale);
  EmulatorProcess emu({"--quiet", "--link", stale});
  const std::string slave = emu.ReadLine();
  ASSERT_FALSE(slave.empty()) << emu.Stderr();
  EXPECT_EQ(std::filesystem::read_symlink(stale).string(), slave);
}

TEST(EmulatorCli, BadOptionsExitWithUsage) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--bogus"}, {"--model", "256"}, {"--split", "0"}, {"--noise"}, {"--pace=1"}, {"extra"}}) {
    EmulatorProcess emu(args);
    EXPECT_EQ(emu.Wait(), 2) << args[0];
    EXPECT_NE(emu.Stderr().find("Usage:"), std::string::npos) << args[0];
    EXPECT_EQ(emu.ReadLine(milliseconds(100)), "") << "no terminal for " << args[0];
  }
}

TEST(EmulatorCli, ShortHelpAndVersion) {
  EmulatorProcess help({"-h"});
  EXPECT_NE(help.ReadRest().find("Usage:"), std::string::npos);
  EXPECT_EQ(help.Wait(), 0);
  EmulatorProcess version({"--version"});
  EXPECT_EQ(version.ReadLine().rfind("galt-emulator 2.11", 0), 0u);
  EXPECT_EQ(version.Wait(), 0);
}

TEST(EmulatorCli, HelpListsEveryOption) {
  EmulatorProcess emu({"--help"});
  const std::string usage = emu.ReadRest();
  EXPECT_EQ(emu.Wait(), 0);
  for (const char* option :
       {"--link PATH", "--pace", "--silent", "--ack-deactivation-from N", "--short-deactivation-ack",
        "--short-activation-ack", "--stop-echo-at BLOCK", "--corrupt-echo-at BLOCK", "--unplug-at BLOCK",
        "--answer-query N",
        "--model N", "--wrong-sum", "--noise N", "--split N", "--glue", "--serial N", "--quiet", "--help"})
    EXPECT_NE(usage.find(option), std::string::npos) << option;
}

}  // namespace
}  // namespace galt::emucli::testing
