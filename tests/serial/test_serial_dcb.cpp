// The device-control block that Windows gets for the line settings: the
// flag word carries exactly the switches asked for, in the system's bits.

#include <gtest/gtest.h>

#include "serial/SerDcb.h"

namespace galt {
namespace {

TEST(SerialDcb, TheLoadersLineIsRawModeWithRtsOnAndNothingElse) {
  TSerLineConfig c;  // 8N1, DTR off
  c.Baud = 14400;
  c.RtsControl = 1;
  const TSerDcbFields d = SerDcbFields(c);
  EXPECT_EQ(d.BaudRate, 14400u);
  EXPECT_EQ(d.Flags, 1u + 4096u);
  EXPECT_EQ(d.ByteSize, 8);
  EXPECT_EQ(d.Parity + d.StopBits, 0);
  EXPECT_EQ(d.XonLim, 1024);
  EXPECT_EQ(d.XoffLim, 1024);
  EXPECT_EQ(d.XonChar, 17);
  EXPECT_EQ(d.XoffChar, 19);
  EXPECT_EQ(d.ErrorChar + d.EofChar + d.EvtChar, 0);
}

TEST(SerialDcb, EverySwitchHasItsOwnBits) {
  TSerLineConfig c;
  c.OutCtsFlow = c.OutDsrFlow = c.XonXoffOut = c.XonXoffIn = true;
  c.DsrSensitivity = c.TxContinueOnXoff = true;
  c.ErrorCharReplace = c.NullStrip = c.ParityCheck = true;
  c.DtrControl = 2;  // handshake
  c.RtsControl = 3;  // toggle
  EXPECT_EQ(SerDcbFields(c).Flags, 1u + 4 + 8 + 256 + 512 + 32 + 12288 + 64 + 128 + 1024 + 2048 + 2);
  c = TSerLineConfig{};
  c.DtrControl = 1;
  c.RtsControl = 2;
  EXPECT_EQ(SerDcbFields(c).Flags, 1u + 16 + 8192);
}

}  // namespace
}  // namespace galt
