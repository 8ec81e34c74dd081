// What the tty gets: the line settings read back from the kernel. This file
// reads termios2, so it must not see <termios.h>.

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "SerialFixture.h"
#include "serial/linux/SerLine.h"

namespace galt::test {
namespace {

termios2 ReadBack(int Fd) {
  termios2 t{};
  EXPECT_EQ(::ioctl(Fd, TCGETS2, &t), 0);
  return t;
}

class SerialLine : public SerialTest {};

TEST_F(SerialLine, OpensWithTheLoadersSettings) {
  Comm.Open();
  const termios2 t = ReadBack(Far.Slave());
  EXPECT_EQ(t.c_cflag & CBAUD, static_cast<tcflag_t>(BOTHER));
  EXPECT_EQ(t.c_ospeed, 14400u);
  EXPECT_EQ(t.c_ispeed, 14400u);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_NE(t.c_cflag & CREAD, 0u);
  EXPECT_NE(t.c_cflag & CLOCAL, 0u);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL | INPCK | ISTRIP), 0u);
}

TEST_F(SerialLine, ChangesWhileOpenReachTheTtyAtOnce) {
  Comm.Open();
  // A pty forces 8 data bits without parity whatever it is told, so only
  // the other settings can be seen here.
  Comm.SetStopbits(sb2);
  termios2 t = ReadBack(Far.Slave());
  EXPECT_NE(t.c_cflag & CSTOPB, 0u);

  Comm.SetUserBaudrate(31250);
  EXPECT_EQ(Comm.Baudrate(), brUser);
  Comm.FlowControl().SetXonXoffIn(true);
  Comm.EventChars().SetXoffChar(0x13 + 1);
  Comm.SetOptions({coParityCheck});
  t = ReadBack(Far.Slave());
  EXPECT_EQ(t.c_ospeed, 31250u);
  EXPECT_NE(t.c_iflag & IXOFF, 0u);
  EXPECT_NE(t.c_iflag & INPCK, 0u);
  EXPECT_EQ(t.c_cc[VSTOP], 0x14);

  Comm.SetBaudrate(br115200);
  EXPECT_EQ(Comm.UserBaudrate(), 0);
  TSerFlowControl hardware;
  hardware.SetOutCtsFlow(true);
  Comm.SetFlowControl(hardware);
  t = ReadBack(Far.Slave());
  EXPECT_EQ(t.c_ospeed, 115200u);
  EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(t.c_iflag & IXOFF, 0u);
}

TEST_F(SerialLine, ChangesWhileClosedOnlyStoreOrAreLeftAloneWithoutUpdateDcb) {
  Comm.SetParity(paOdd);  // closed: stored, nothing to apply
  EXPECT_EQ(Comm.Parity(), paOdd);
  Comm.SetUpdateDCB(false);
  Comm.Open();
  EXPECT_EQ(ReadBack(Far.Slave()).c_cflag & PARENB, 0u);
  Comm.SetParity(paEven);
  EXPECT_EQ(ReadBack(Far.Slave()).c_cflag & PARENB, 0u);
}

TEST_F(SerialLine, RejectedSettingsKeepThePropertyAndTheOldLine) {
  Comm.Open();
  // Linux has no 4-bit characters.
  try {
    Comm.SetDatabits(db4);
    FAIL() << "no error";
  } catch (const ESerCommError& e) {
    EXPECT_STREQ(e.what(), "Error writing dcb (22), Invalid argument");
  }
  EXPECT_EQ(Comm.Databits(), db4);
  EXPECT_TRUE(Comm.IsOpen());
  EXPECT_EQ(ReadBack(Far.Slave()).c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
}

// A driver that cannot make the rate answers with another one; within 2 % a
// UART still frames bytes reliably.
TEST(SerialBaudReadBack, RatesWithinTwoPercentAreTaken) {
  EXPECT_TRUE(SerBaudAccepted(14400, 14400));
  EXPECT_TRUE(SerBaudAccepted(14400, 14400 + 288));
  EXPECT_TRUE(SerBaudAccepted(14400, 14400 - 288));
  EXPECT_FALSE(SerBaudAccepted(14400, 14400 + 289));
  EXPECT_FALSE(SerBaudAccepted(14400, 14400 - 289));
  EXPECT_FALSE(SerBaudAccepted(14400, 9600));
  EXPECT_FALSE(SerBaudAccepted(14400, 0));
  EXPECT_FALSE(SerBaudAccepted(0, 0));
  EXPECT_FALSE(SerBaudAccepted(4000000000u, 4080000001u));  // no overflow near the top
}

}  // namespace
}  // namespace galt::test
