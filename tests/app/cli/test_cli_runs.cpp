// galt-loader-cli as a whole, from its command line to its exit code,
// against the device emulator on a pseudo-terminal: what it prints where, and
// what the device got.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/cli/CommandLine.h"
#include "image/BlockBytes.h"
#include "image/HexImport.h"
#include "tests/app/cli/CapturedConsole.h"
#include "tests/support/VirtualDevice.h"

namespace galt::cli::testing {
namespace {

using galt::testing::VirtualDevice;

struct CliResult {
  int code;
  std::string out, err;
};

CliResult RunCli(const std::vector<std::string>& args, const std::function<bool()>& stopRequested = {}) {
  CapturedConsole c;  // not a terminal
  const int code = RunCommandLine("galt-loader-cli", args, c.console, TSerPortTable::System(), stopRequested);
  return {code, c.Out(), c.Err()};
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string TempPath(const std::string& name) { return ::testing::TempDir() + "/" + name; }

TEST(CliInstall, ExitsZeroWithTheSerialInFlashOnceTheDeviceConfirmsIt) {
  VirtualDevice device;
  device.Start();
  const CliResult r = RunCli({"--port", device.Path(), "--serial", "237"});
  device.Stop();
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(device.emulator.SerialFromFlash(), 237);
  EXPECT_EQ(device.emulator.counters.writes, 233);
  EXPECT_TRUE(Has(r.out, "Активизация программы: Активизация программы выполнена\n")) << r.out;
  // Not a terminal: the gauges as plain lines, no bar redrawn in place.
  EXPECT_TRUE(Has(r.out, "Деактивизация: 100%\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "Загрузка: 90%\n")) << r.out;
  EXPECT_FALSE(Has(r.out, "\r"));
}

TEST(CliInstall, TheActivationAcknowledgementAloneIsNoSuccess) {
  VirtualDevice device;
  device.emulator.faults.shortActivationAck = true;  // the box the confirmation shows too
  device.emulator.faults.answerQueryNumber = 0;
  device.Start();
  const CliResult r = RunCli({"--port", device.Path(), "--serial", "237"});
  EXPECT_TRUE(Has(r.out, "Активизация программы выполнена")) << r.out;
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(Has(r.err, "Ошибка загрузки программы!")) << r.err;
}

TEST(CliInstall, ASilentDeviceExitsOneWithTheBoxTextOnStderr) {
  VirtualDevice device;
  device.emulator.faults.silent = true;
  device.Start();
  const CliResult r = RunCli({"--port", device.Path(), "--serial", "237"});
  device.Stop();
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "Ошибка деактивизации FLASH!\n");
  EXPECT_EQ(device.emulator.counters.deactivations, 201);
}

TEST(CliInstall, AStopRequestClosesThePortAndExits130) {
  VirtualDevice device;
  device.emulator.faults.silent = true;
  device.Start();
  const auto stopAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
  const CliResult r = RunCli({"--port", device.Path(), "--serial", "237"},
                             [&] { return std::chrono::steady_clock::now() >= stopAt; });
  EXPECT_EQ(r.code, 130);
  EXPECT_EQ(r.err, "Остановлено.\n");
  const int fd = open(device.Path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0) << "the port is free again";
  close(fd);
}

TEST(CliCommandLine, UsageErrorsExitTwoBeforeAnyFrameIsSent) {
  VirtualDevice device;
  device.Start();
  const std::string& port = device.Path();
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--port", port, "--serial", "99"},
           {"--port", port, "--serial", "351"},
           {"--port", port, "--serial", "+237"},
           {"--port", port, "--serial"},
           {"--port", port},
           {"--serial", "237"},
           {"--port=", "--serial", "237"},
           {"--port", port, "--serial", "237", "--bogus"},
           {"--port", port, "--serial", "237", "stray"},
           {"--port", port, "--verify", "a.hex"},
           {"--port", port, "--serial", "237", "--blocks", "20"},
           {"--port", port, "--serial", "237", "--read", "a.hex", "--verify", "a.hex"},
           {"--port", port, "--read", "a.hex", "--blocks", "993"},
           {"--list", "--port", port}}) {
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.code, 2) << args.back();
    EXPECT_TRUE(Has(r.err, "galt-loader-cli --help")) << r.err;
  }
  device.Stop();
  EXPECT_EQ(device.emulator.counters.deactivations + device.emulator.counters.reads, 0);
}

TEST(CliCommandLine, APortThatCannotBeOpenedExitsThree) {
  VirtualDevice device;
  device.Start();
  const int holder = open(device.Path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);  // another program has it
  for (const std::string& port : {std::string("/nonexistent/ttyUSB0"), std::string("COM97"), device.Path()}) {
    const CliResult r = RunCli({"--port", port, "--serial", "237"});
    EXPECT_EQ(r.code, 3) << port;
    EXPECT_TRUE(Has(r.err, "Ошибка открытия порта ! " + port)) << r.err;
  }
  close(holder);
}

// A device whose first 233 blocks hold a pattern and serial number 237.
void Program(VirtualDevice& device) {
  for (std::size_t i = 0; i < 233 * 128; ++i) device.emulator.flash[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  device.emulator.StampSerial(237);
}

TEST(CliServicePasses, ReadWritesTheFlashAsHexThatVerifiesAgainstTheDevice) {
  VirtualDevice device;
  Program(device);
  device.Start();
  const std::string file = TempPath("read.hex");
  const CliResult read = RunCli({"--port", device.Path(), "--read", file});
  ASSERT_EQ(read.code, 0) << read.err;
  EXPECT_TRUE(Has(read.out, "Считывание FLASH-памяти: Данные FLASH-памяти считаны\n"));

  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  const HexImportResult imported = ImportHexText(text.str());
  ASSERT_FALSE(imported.error);
  EXPECT_EQ(imported.blockLimit, 235) << "233 blocks of data";
  ImageBuffer image;
  for (const auto& line : imported.lines) image.Append(line);
  for (int block = 0; block < 233; ++block) {
    const auto bytes = ExtractBlockBytes(image, block);
    ASSERT_TRUE(bytes && std::equal(bytes->begin(), bytes->end(), device.emulator.flash.begin() + block * 128))
        << "block " << block;
  }

  const CliResult verified = RunCli({"--port", device.Path(), "--serial", "237", "--verify", file});
  EXPECT_EQ(verified.code, 0) << verified.err;
  EXPECT_TRUE(Has(verified.out, "Проверка FLASH-памяти: Данные FLASH-памяти проверены\n"));
  const CliResult otherSerial = RunCli({"--port", device.Path(), "--serial", "238", "--verify", file});
  EXPECT_EQ(otherSerial.code, 1);
  EXPECT_EQ(otherSerial.err, "Ошибка данных FLASH!\n");
}

TEST(CliServicePasses, APassWithoutRepliesOrWithABadFileFails) {
  VirtualDevice device;
  device.emulator.faults.silent = true;
  device.Start();
  const std::string file = TempPath("silent.hex");
  std::remove(file.c_str());
  const CliResult read = RunCli({"--port", device.Path(), "--read", file, "--blocks", "20"});
  EXPECT_EQ(read.code, 1);
  EXPECT_TRUE(Has(read.err, "не ответило на чтение блока 0")) << read.err;
  EXPECT_FALSE(std::ifstream(file).good()) << "no file from a failed read";

  std::ofstream(file) << ":10000000ZZ\n";
  const CliResult verify = RunCli({"--port", device.Path(), "--serial", "237", "--verify", file});
  EXPECT_EQ(verify.code, 4);
  EXPECT_EQ(verify.err, "Недопустимый символ в строке 1 файла!\n");
  device.Stop();
  EXPECT_EQ(device.emulator.counters.reads, 1) << "the read waited for block 0 only; the verify sent nothing";
}

}  // namespace
}  // namespace galt::cli::testing
