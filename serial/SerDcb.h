#pragma once
// The device-control block that Windows' SetCommState takes, built from the
// line settings. Kept free of <windows.h> so that every platform can check it;
// SerPortWin32.cpp copies the fields into the driver's own DCB, the flag
// word's defined bits whole.

#include <cstdint>

#include "serial/SerPort.h"

namespace galt {

// Bits of the DCB flag word, as Windows lays out its bit fields.
constexpr std::uint32_t kDcbBinary = 0x0001;
constexpr std::uint32_t kDcbParity = 0x0002;
constexpr std::uint32_t kDcbOutxCtsFlow = 0x0004;
constexpr std::uint32_t kDcbOutxDsrFlow = 0x0008;
constexpr std::uint32_t kDcbDtrControlShift = 4;  // two bits: 0 off, 1 on, 2 handshake
constexpr std::uint32_t kDcbDsrSensitivity = 0x0040;
constexpr std::uint32_t kDcbTxContinueOnXoff = 0x0080;
constexpr std::uint32_t kDcbOutX = 0x0100;
constexpr std::uint32_t kDcbInX = 0x0200;
constexpr std::uint32_t kDcbErrorChar = 0x0400;
constexpr std::uint32_t kDcbNull = 0x0800;
constexpr std::uint32_t kDcbRtsControlShift = 12;  // two bits: off, on, handshake, toggle
// The line's bits of the word, fBinary to fAbortOnError (always off); the bits
// above them are reserved, the driver's own.
constexpr std::uint32_t kDcbOwnBits = 0x7FFF;

struct TSerDcbFields {
  std::uint32_t BaudRate = 0;
  std::uint32_t Flags = 0;
  std::uint16_t XonLim = 0;
  std::uint16_t XoffLim = 0;
  std::uint8_t ByteSize = 0;
  std::uint8_t Parity = 0;
  std::uint8_t StopBits = 0;
  char XonChar = 0;
  char XoffChar = 0;
  char ErrorChar = 0;
  char EofChar = 0;
  char EvtChar = 0;
};

// Raw mode (the binary flag, which the system requires) and exactly the
// switches the settings ask for; abort-on-error and everything else stay off.
TSerDcbFields SerDcbFields(const TSerLineConfig& Config);

}  // namespace galt
