#pragma once
// Line settings and line state of an open tty (the Linux backend). The
// implementation uses the kernel's termios2 (any baud rate, 14400 included),
// so it lives in a translation unit of its own: <asm/termbits.h> cannot meet
// <termios.h>.

#include <cstdint>

#include "serial/SerPort.h"

namespace galt {

// Applies the whole configuration in raw mode; answers 0 or an errno value.
// Linux has no DTR handshake and no RTS toggling: those leave the line as it
// is. A device without modem lines (a pseudo-terminal) ignores DTR and RTS.
// The rate is read back: a driver that did not take it (see SerBaudAccepted)
// gets its previous settings back and the answer is EINVAL.
int SerApplyLineConfig(int Fd, const TSerLineConfig& Config);

// Whether a rate read back from the driver is close enough to the one asked
// for (within 2 %); a device running at another speed garbles every frame.
bool SerBaudAccepted(std::uint32_t Requested, std::uint32_t Actual);

// Asks the driver to hand received bytes on at once (ASYNC_LOW_LATENCY, by
// a read-modify-write of its serial settings). Answers whether the driver
// reports the flag set afterwards; WasSet tells whether it was set before.
// A device without such settings (a pseudo-terminal) answers false and is
// left as it was.
bool SerAskLowLatency(int Fd, bool& WasSet);
// Clears the flag again, leaving the driver's other settings as they are.
void SerDropLowLatency(int Fd);

// Drops the bytes waiting in the input queue; answers 0 or an errno value.
int SerDiscardInput(int Fd);

// The driver's interrupt counters, for line errors and modem-line events.
struct TSerLineCounters {
  std::uint32_t Cts = 0, Dsr = 0, Ring = 0, Dcd = 0;
  std::uint32_t Frame = 0, Overrun = 0, Parity = 0, Break = 0, BufOverrun = 0;
};

// Answers false when the driver keeps no counters (pseudo-terminals, most
// USB adapters) or the call fails.
bool SerReadLineCounters(int Fd, TSerLineCounters& Counters);

}  // namespace galt
