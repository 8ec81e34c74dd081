// What the component asks of a USB adapter's driver at open and close: low
// latency (ASYNC_LOW_LATENCY through TIOCGSERIAL/TIOCSSERIAL), on drivers
// the mocked machine plays. This file reads termios2: no <termios.h>.

#include <asm/termbits.h>
#include <gtest/gtest.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "SerialFixture.h"
#include "tests/support/MockMachine.h"

namespace galt::test {
namespace {

using galt::testing::MockMachine;
using galt::testing::SerialSettings;
using galt::testing::UsbAdapter;

constexpr int kOther = ASYNC_SKIP_TEST;  // a flag of the driver's own, never ours to change

UsbAdapter Driver(SerialSettings settings, int flags) {
  UsbAdapter a;
  a.settings = settings;
  a.flags = flags;
  return a;
}

struct Opened {
  TSerLowLatency lowLatency = TSerLowLatency::NotAsked;
  termios2 line{};
  std::string echoed;
};

// Opens the port as the loader does, sends a frame both ways, closes.
Opened OpenAndTalk(MockMachine& machine, const std::string& name) {
  TSerEventLoop loop;
  TSerComm comm(&loop);
  UseLoaderSettings(comm, "/dev/" + name);
  std::string received;
  comm.OnRxChar = [&](TSerCustomComm* sender, int) { received += sender->ReadText(); };
  comm.Open();
  Opened o;
  o.lowLatency = comm.LowLatency();
  EXPECT_EQ(::ioctl(static_cast<int>(comm.DeviceHandle()), TCGETS2, &o.line), 0);
  const std::string frame = "\xAA\x06\x00\x64\xF4\x02\xA5\x5A\x03\x09";
  comm.WriteText(frame);
  const int far = machine.FarSide(name);
  std::string out;
  char buf[64];
  for (int i = 0; i < 200 && out.size() < frame.size(); ++i) {
    const ssize_t n = ::read(far, buf, sizeof buf);
    if (n > 0) out.append(buf, static_cast<std::size_t>(n));
    else ::usleep(5000);
  }
  EXPECT_EQ(out, frame);
  EXPECT_EQ(::write(far, out.data(), out.size()), static_cast<ssize_t>(out.size()));
  loop.RunUntil([&] { return received.size() >= frame.size(); }, 2000ms);
  o.echoed = received;
  comm.Close();
  return o;
}

TEST(SerialLowLatency, IsAskedOfTheDriverAtOpenAndItsOldFlagsComeBackAtClose) {
  MockMachine machine;
  machine.PlugUsb("ttyUSB0", Driver(SerialSettings::Kept, kOther));
  machine.PlugUsb("ttyUSB1", Driver(SerialSettings::Kept, kOther | ASYNC_LOW_LATENCY));

  const Opened set = OpenAndTalk(machine, "ttyUSB0");
  EXPECT_EQ(set.lowLatency, TSerLowLatency::Set);
  EXPECT_EQ(set.echoed, "\xAA\x06\x00\x64\xF4\x02\xA5\x5A\x03\x09");
  // Set with the driver's other flags kept, and cleared again at close.
  EXPECT_EQ(machine.SerialFlagsAsked("ttyUSB0"), (std::vector<int>{kOther | ASYNC_LOW_LATENCY, kOther}));
  EXPECT_EQ(machine.SerialFlags("ttyUSB0"), kOther);

  // Set already by someone else: left set, nothing written.
  EXPECT_EQ(OpenAndTalk(machine, "ttyUSB1").lowLatency, TSerLowLatency::Set);
  EXPECT_TRUE(machine.SerialFlagsAsked("ttyUSB1").empty());
  EXPECT_EQ(machine.SerialFlags("ttyUSB1"), kOther | ASYNC_LOW_LATENCY);
}

TEST(SerialLowLatency, ADriverThatRefusesItOpensTheSameLineAndIsAskedNothingAtClose) {
  MockMachine machine;
  machine.PlugUsb("ttyUSB0", Driver(SerialSettings::Kept, kOther));
  machine.PlugUsb("ttyUSB1", Driver(SerialSettings::ChangesRefused, kOther));
  machine.PlugUsb("ttyUSB2", Driver(SerialSettings::None, 0));  // the terminal's own answer, as a pty's
  const Opened set = OpenAndTalk(machine, "ttyUSB0");
  for (const char* name : {"ttyUSB1", "ttyUSB2"}) {
    SCOPED_TRACE(name);
    const Opened refused = OpenAndTalk(machine, name);
    EXPECT_EQ(refused.lowLatency, TSerLowLatency::Refused);
    EXPECT_EQ(refused.echoed, set.echoed);
    EXPECT_EQ(refused.line.c_cflag, set.line.c_cflag);
    EXPECT_EQ(refused.line.c_iflag, set.line.c_iflag);
    EXPECT_EQ(refused.line.c_oflag, set.line.c_oflag);
    EXPECT_EQ(refused.line.c_lflag, set.line.c_lflag);
    EXPECT_EQ(refused.line.c_ospeed, 14400u);
  }
  EXPECT_EQ(machine.SerialFlagsAsked("ttyUSB1"), std::vector<int>{kOther | ASYNC_LOW_LATENCY});
  EXPECT_EQ(machine.SerialFlags("ttyUSB1"), kOther);
}

}  // namespace
}  // namespace galt::test
