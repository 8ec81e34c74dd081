#pragma once
// Line settings and line state of an open tty. The implementation uses the
// kernel's termios2 (any baud rate, 14400 included), so it lives in a
// translation unit of its own: <asm/termbits.h> cannot meet <termios.h>.

#include <cstdint>

namespace galt {

struct TSerLineConfig {
  std::uint32_t Baud = 0;
  int DataBits = 8;       // 5..8 (4 is refused by Linux)
  int Parity = 0;         // 0 none, 1 odd, 2 even, 3 mark, 4 space
  int StopBits = 0;       // 0 one, 1 one and a half, 2 two
  bool CtsRtsFlow = false;
  bool XonXoffOut = false;
  bool XonXoffIn = false;
  bool ParityCheck = false;
  char XonChar = 17;
  char XoffChar = 19;
  // Modem lines to drive: -1 leave alone, 0 off, 1 on.
  int Dtr = -1;
  int Rts = -1;
};

// Applies the whole configuration in raw mode; answers 0 or an errno value.
// A device without modem lines (a pseudo-terminal) ignores Dtr and Rts.
// The rate is read back: a driver that did not take it (see SerBaudAccepted)
// gets its previous settings back and the answer is EINVAL.
int SerApplyLineConfig(int Fd, const TSerLineConfig& Config);

// Whether a rate read back from the driver is close enough to the one asked
// for (within 2 %); a device running at another speed garbles every frame.
bool SerBaudAccepted(std::uint32_t Requested, std::uint32_t Actual);

// Drops the bytes waiting in the input queue; answers 0 or an errno value.
int SerDiscardInput(int Fd);

// Whether an errno value from a read, a write or a status call means that the
// device has gone (unplugged adapter, far side of a pty closed).
bool SerIsHangUp(int Err);

// The driver's interrupt counters, for line errors and modem-line events.
struct TSerLineCounters {
  std::uint32_t Cts = 0, Dsr = 0, Ring = 0, Dcd = 0;
  std::uint32_t Frame = 0, Overrun = 0, Parity = 0, Break = 0, BufOverrun = 0;
};

// Answers false when the driver keeps no counters (pseudo-terminals, most
// USB adapters) or the call fails.
bool SerReadLineCounters(int Fd, TSerLineCounters& Counters);

}  // namespace galt
