// What the COM port gets: the line settings read back with GetCommState.

#include "SerialFixture.h"

// After the component's headers, whose EV_ and CE_ names it defines as macros.
#include <windows.h>

namespace galt::test {
namespace {

DCB ReadBack(TSerHandle Handle) {
  DCB d{};
  d.DCBlength = sizeof d;
  EXPECT_TRUE(::GetCommState(reinterpret_cast<HANDLE>(Handle), &d));
  return d;
}

class SerialLine : public SerialTest {};

TEST_F(SerialLine, OpensWithTheLoadersSettings) {
  Comm.Open();
  const DCB d = ReadBack(Comm.DeviceHandle());
  EXPECT_EQ(d.ByteSize, 8);
  EXPECT_EQ(d.Parity, NOPARITY);
  EXPECT_EQ(d.StopBits, ONESTOPBIT);
  EXPECT_TRUE(d.fBinary);
  EXPECT_EQ(d.fDtrControl, static_cast<DWORD>(DTR_CONTROL_DISABLE));
  EXPECT_EQ(d.fRtsControl, static_cast<DWORD>(RTS_CONTROL_ENABLE));
  EXPECT_FALSE(d.fOutxCtsFlow || d.fOutxDsrFlow || d.fOutX || d.fInX || d.fParity);
}

TEST_F(SerialLine, TheLoadersRateReadsBack) {
  // Wine keeps the rate in the terminal's settings, which have no number for
  // 14400, and reports 38400 instead; a real driver gives back what it took.
  if (UnderWine()) GTEST_SKIP() << "Wine reads 14400 baud back as 38400";
  Comm.Open();
  EXPECT_EQ(ReadBack(Comm.DeviceHandle()).BaudRate, 14400u);
}

TEST_F(SerialLine, ChangesWhileOpenReachThePortAtOnce) {
  Comm.Open();
  Comm.SetStopbits(sb2);
  Comm.FlowControl().SetXonXoffIn(true);
  Comm.SetBaudrate(br115200);
  DCB d = ReadBack(Comm.DeviceHandle());
  EXPECT_EQ(d.StopBits, TWOSTOPBITS);
  EXPECT_TRUE(d.fInX);
  EXPECT_EQ(d.BaudRate, 115200u);
  TSerFlowControl hardware;
  hardware.SetOutCtsFlow(true);
  Comm.SetFlowControl(hardware);
  d = ReadBack(Comm.DeviceHandle());
  EXPECT_TRUE(d.fOutxCtsFlow);
  EXPECT_FALSE(d.fInX);
}

TEST_F(SerialLine, RejectedSettingsKeepThePropertyAndThePortOpen) {
  Comm.Open();
  try {
    Comm.SetDatabits(db4);  // no such line
    FAIL() << "no error";
  } catch (const ESerCommError& e) {
    EXPECT_EQ(std::string(e.what()), "Error writing dcb (87), " + SerSystemErrorText(87));
  }
  EXPECT_EQ(Comm.Databits(), db4);
  EXPECT_TRUE(Comm.IsOpen());
  EXPECT_EQ(ReadBack(Comm.DeviceHandle()).ByteSize, 8);
}

}  // namespace
}  // namespace galt::test
