// The small building blocks: tick timeout, events, settings objects, the port
// table.

#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>
#include <utility>
#include <vector>

#include "serial/PortName.h"
#include "serial/PortTable.h"
#include "serial/SerClasses.h"
#include "serial/SerPrst.h"

namespace galt {
namespace {

TEST(TickTimeout, EndsAfterItsLengthAcrossACounterWrap) {
  TickTimeout t;
  const std::uint32_t start = 0xFFFFFFF0u;
  t.Start(100, start);
  EXPECT_FALSE(t.Expired(start + 50));   // wrapped to 0x22
  EXPECT_FALSE(t.Expired(start + 100));
  EXPECT_TRUE(t.Expired(start + 101));
  EXPECT_EQ(t.Remaining(start + 50), 51u);
  EXPECT_EQ(t.Remaining(start + 101), 0u);
}

TEST(SerPersistent, SettersNotifyAsEachObjectPromises) {
  TSerFlowControl f;
  int flow = 0;
  f.SetOnChange([&] { ++flow; });
  f.SetControlRts(rtsDisabled);  // the default: no change, no notification
  f.SetControlRts(rtsEnabled);
  f.BeginUpdate();
  f.SetOutCtsFlow(true);  // held back while updating
  f.EndUpdate();
  EXPECT_EQ(flow, 1);

  TSerEventChars c;
  int chars = 0;
  c.SetOnChange([&] { ++chars; });
  c.SetXonChar(17);  // unchanged, but notifies all the same
  c.SetChar(TSerEventChars::ciEofChar, 'Z');
  EXPECT_EQ(chars, 2);
  EXPECT_EQ(c.EofChar(), 'Z');
}

TEST(SerPersistent, AssignCopiesEverythingAndNotifiesOnce) {
  TSerFlowControl source;
  source.SetControlDtr(dtrEnabled);
  source.SetXonXoffOut(true);
  source.SetTxContinueOnXoff(true);
  TSerFlowControl target;
  int changes = 0;
  target.SetOnChange([&] { ++changes; });
  target.Assign(source);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(target.ControlDtr(), dtrEnabled);
  EXPECT_TRUE(target.XonXoffOut());
  EXPECT_TRUE(target.TxContinueOnXoff());
  EXPECT_THROW(target.Assign(TSerBuffers()), std::invalid_argument);
  EXPECT_EQ(changes, 1);
}

TEST(SerPersistent, BuffersVetoLeavesValuesUnchanged) {
  TSerBuffers b;
  int changes = 0;
  b.SetOnChange([&] { ++changes; });
  b.SetOnChanging([] { throw std::runtime_error("refused"); });
  EXPECT_THROW(b.SetReadSize(100), std::runtime_error);
  EXPECT_EQ(b.ReadSize(), 4096);
  TSerBuffers other;
  other.SetWriteSize(10);
  EXPECT_THROW(b.Assign(other), std::runtime_error);
  EXPECT_EQ(b.WriteSize(), 2048);
  // Timeouts are plain values: no veto, no notification.
  b.SetWriteTimeout(5);
  EXPECT_EQ(b.WriteTimeout(), 5);
  EXPECT_EQ(changes, 0);
  EXPECT_THROW(b.SetReadTimeout(-1), std::out_of_range);
}

#ifdef _WIN32
TEST(PortTable, SystemTableHoldsTheComPortsThemselves) {
  const TSerPortTable t = TSerPortTable::System();
  EXPECT_EQ(t.FirstPortNum(), 1);
  // Windows hands out COM1 to COM256.
  EXPECT_EQ(t.LastPortNum(), 256);
  EXPECT_EQ(t.PathOf(1), "\\\\.\\COM1");
  EXPECT_EQ(t.PathOf(120), "\\\\.\\COM120");
  EXPECT_EQ(t.PathOf(256), "\\\\.\\COM256");
  EXPECT_FALSE(t.PathOf(257));
  EXPECT_EQ(t.Resolve("\\\\.\\COM7"), "\\\\.\\COM7");
  EXPECT_EQ(t.Resolve("com120"), "\\\\.\\COM120");
  EXPECT_FALSE(t.Resolve("COM257"));
}
#else
TEST(PortTable, SystemTableNumbersLinuxDevices) {
  const TSerPortTable t = TSerPortTable::System();
  EXPECT_EQ(t.FirstPortNum(), 1);
  EXPECT_EQ(t.LastPortNum(), 96);
  EXPECT_EQ(t.PathOf(1), "/dev/ttyS0");
  EXPECT_EQ(t.PathOf(32), "/dev/ttyS31");
  EXPECT_EQ(t.PathOf(33), "/dev/ttyUSB0");
  EXPECT_EQ(t.PathOf(65), "/dev/ttyACM0");
  EXPECT_EQ(t.PathOf(96), "/dev/ttyACM31");
  EXPECT_FALSE(t.PathOf(0));
  EXPECT_FALSE(t.PathOf(97));
}
#endif

TEST(PortTable, ResolvesComNamesAndPassesPathsThrough) {
  const TSerPortTable t({{7, "/dev/ttyS6"}, {40, "/dev/ttyUSB7"}, {66, "/dev/ttyACM1"}});
  EXPECT_EQ(t.Resolve("\\\\.\\COM7"), "/dev/ttyS6");
  EXPECT_EQ(t.Resolve("COM40"), "/dev/ttyUSB7");
  EXPECT_EQ(t.Resolve("com66"), "/dev/ttyACM1");
  EXPECT_FALSE(t.Resolve("\\\\.\\COM97"));
  EXPECT_FALSE(t.Resolve("\\\\.\\COM0"));
  EXPECT_EQ(t.Resolve("/dev/pts/3"), "/dev/pts/3");
  EXPECT_EQ(t.Resolve("COMPORT"), "COMPORT");

  const TSerPortTable own({{3, "/dev/pts/9"}});
  EXPECT_EQ(own.Resolve("\\\\.\\COM3"), "/dev/pts/9");
  EXPECT_FALSE(own.Resolve("COM1"));
  EXPECT_EQ(TSerPortTable({}).LastPortNum(), 0);
}

TEST(PortNames, ComNamesInEitherFormAndNothingElse) {
  EXPECT_EQ(ComPortNumber("COM5"), 5);
  EXPECT_EQ(ComPortNumber("com12"), 12);
  EXPECT_EQ(ComPortNumber("\\\\.\\COM256"), 256);
  for (const char* other : {"COM", "COM-5", "COM+5", "COM5x", "COM 5", "\\\\.\\", "COMPORT", "/dev/ttyS0",
                            "COM99999999999"}) {
    EXPECT_FALSE(ComPortNumber(other)) << other;
  }
  EXPECT_EQ(ComDeviceName(12), "\\\\.\\COM12");
  EXPECT_EQ(ComPortNumber(ComDeviceName(97)), 97);
}

TEST(PortNames, ShortNamesAreWhatFollowsTheDeviceFolder) {
  EXPECT_EQ(ShortPortName("/dev/ttyUSB0"), "ttyUSB0");
  EXPECT_EQ(ShortPortName("\\\\.\\COM12"), "COM12");
  EXPECT_EQ(ShortPortName("/tmp/rig/ttyUSB9"), "ttyUSB9");
  EXPECT_EQ(PortUserName("/dev/ttyUSB0"), "USB0");
  EXPECT_EQ(PortUserName("/dev/ttyS31"), "S31");
  EXPECT_EQ(PortUserName("/dev/pts/3"), "pts/3");
  EXPECT_EQ(PortUserName("\\\\.\\COM12"), "COM12");
  // Records written before may hold the path, or the typed name with it.
  for (const auto& [recorded, name] : std::vector<std::pair<std::string, std::string>>{
           {"/dev/ttyUSB7", "USB7"}, {"COM7 (/dev/ttyS6)", "S6"}, {"\\\\.\\COM3", "COM3"}, {"USB7", "USB7"},
           {"COM3", "COM3"}, {"a (b)", "a (b)"}, {"/tmp/rig/ttyUSB9", "/tmp/rig/ttyUSB9"}}) {
    EXPECT_EQ(RecordedPortUserName(recorded), name) << recorded;
  }
}

TEST(PortNames, TypedNamesResolveByOneRule) {
  const TSerPortTable t({{7, "/dev/ttyS6"}, {33, "/dev/ttyUSB0"}, {40, "/dev/pts/4"}});
  for (const char* usb0 : {"USB0", " usb0 ", "ttyUSB0", "/dev/ttyUSB0", "COM33", "\\\\.\\com33"}) {
    EXPECT_EQ(ResolvePortName(usb0, t).PortNum, 33) << usb0;
    EXPECT_EQ(ResolvePortName(usb0, t).Path, "/dev/ttyUSB0") << usb0;
  }
  EXPECT_EQ(ResolvePortName("pts/4", t).PortNum, 40);
  EXPECT_TRUE(ResolvePortName("com7", t).ByNumber);
  EXPECT_FALSE(ResolvePortName("S6", t).ByNumber);
  const TSerNamedPort missing = ResolvePortName("COM97", t);
  EXPECT_EQ(missing.PortNum, 97);
  EXPECT_EQ(missing.Path, "") << "not in the table: the open says so";
  EXPECT_EQ(ResolvePortName("/tmp/link", t).Path, "/tmp/link");
  // 0 stands for outside the table: a port numbered 0 is not taken (found by fuzzing).
  EXPECT_NE(ResolvePortName("usb0", TSerPortTable({{0, "/x/ttyUSB0"}})).Path, "/x/ttyUSB0");
  // The highest number a COM name carries: no walk through the numbers below it.
  const TSerPortTable top({{1, "/dev/ttyS0"}, {INT_MAX, "/dev/ttyUSB9"}});
  EXPECT_EQ(ResolvePortName("USB9", top).PortNum, INT_MAX);
  EXPECT_EQ(ResolvePortName("USB8", top).PortNum, 0);
#ifndef _WIN32
  EXPECT_EQ(ResolvePortName("ttyACM3", t).Path, "/dev/ttyACM3");
  EXPECT_EQ(ResolvePortName("ttyACM3", t).PortNum, 0);
#endif
}

}  // namespace
}  // namespace galt
