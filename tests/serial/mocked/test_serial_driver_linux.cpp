// What the component asks of a USB adapter's driver at open and close: low
// latency (ASYNC_LOW_LATENCY through TIOCGSERIAL/TIOCSSERIAL), on drivers
// the mocked machine plays. This file reads termios2: no <termios.h>.

#include <asm/termbits.h>
#include <gtest/gtest.h>
#include <linux/serial.h>
#include <sys/ioctl.h>

#include "SerialFixture.h"
#include "tests/support/MockMachine.h"

namespace galt::test {
namespace {

using galt::testing::MockMachine;
using galt::testing::SerialSettings;

constexpr int kOther = ASYNC_SKIP_TEST;  // a flag of the driver's own, never ours to change

struct Opened {
  TSerLowLatency lowLatency = TSerLowLatency::NotAsked;
  termios2 line{};
};

// Opens the port as the loader does, looks at it and closes it.
Opened Open(const std::string& name) {
  TSerEventLoop loop;
  TSerComm comm(&loop);
  UseLoaderSettings(comm, "/dev/" + name);
  comm.Open();
  Opened o;
  o.lowLatency = comm.LowLatency();
  EXPECT_EQ(::ioctl(static_cast<int>(comm.DeviceHandle()), TCGETS2, &o.line), 0);
  comm.Close();
  return o;
}

TEST(SerialLowLatency, IsSetAtOpenAndClearedAtCloseAndADriverWithoutItOpensTheSameLine) {
  MockMachine machine;
  machine.PlugUsb("ttyUSB0", {.settings = SerialSettings::Kept, .flags = kOther});
  machine.PlugUsb("ttyUSB1", {.settings = SerialSettings::Ignored, .flags = kOther});
  machine.PlugUsb("ttyUSB2");  // the terminal's own answer, as a pty's
  const Opened set = Open("ttyUSB0");
  EXPECT_EQ(set.lowLatency, TSerLowLatency::Set);
  // Set with the driver's other flags kept, and cleared again at close.
  EXPECT_EQ(machine.SerialFlagsOf("ttyUSB0").asked, (std::vector<int>{kOther | ASYNC_LOW_LATENCY, kOther}));
  EXPECT_EQ(machine.SerialFlagsOf("ttyUSB0").now, kOther);
  // Refused, or taken and not kept: nothing else changes, nothing is undone.
  for (const char* name : {"ttyUSB1", "ttyUSB2"}) {
    SCOPED_TRACE(name);
    const Opened refused = Open(name);
    EXPECT_EQ(refused.lowLatency, TSerLowLatency::Refused);
    EXPECT_EQ(refused.line.c_ospeed, 14400u);
    EXPECT_EQ(std::vector<tcflag_t>({refused.line.c_iflag, refused.line.c_oflag, refused.line.c_cflag,
                                     refused.line.c_lflag}),
              std::vector<tcflag_t>({set.line.c_iflag, set.line.c_oflag, set.line.c_cflag, set.line.c_lflag}));
  }
  EXPECT_EQ(machine.SerialFlagsOf("ttyUSB1").asked, std::vector<int>{kOther | ASYNC_LOW_LATENCY});
  EXPECT_EQ(machine.SerialFlagsOf("ttyUSB1").now, kOther);
}

}  // namespace
}  // namespace galt::test
