#pragma once
// The loopback protocol between galt-wine-rig (Linux) and the far side of a
// Windows test under Wine (tests/serial/FarSideWine.cpp). Every message is a
// type byte, a 4-byte little-endian payload length and the payload.
//
// The rig greets each connection with kName ("COM12": the port of the Wine
// prefix whose pseudo-terminal it serves). Then the test asks:
//   kWrite   bytes          -> written to the far side, no answer; what the
//                              line cannot take yet waits in the rig, in
//                              order, and is dropped when the test hangs up
//                              or its connection closes
//   kRead    max, wait ms   -> kData with 1..max bytes, or none after the wait
//   kHangUp                 -> both ends closed (the device is gone); kHangUp
//   kFill                   -> the line towards the far side filled; kFill, count
//   kWaiting                -> kWaiting, bytes waiting towards the component
//   kOpens                  -> kOpens, how often the port's terminal has been
//                              opened (by anyone but the rig) since it was made
// Numbers in payloads are 4-byte little-endian. The far side reads only when
// asked, so what the test does not read stays queued in the terminal, as on
// Linux.

#include <cstddef>
#include <cstdint>

namespace galt::rig {

enum TMessage : char {
  kName = 'N',
  kWrite = 'W',
  kRead = 'R',
  kData = 'D',
  kHangUp = 'H',
  kFill = 'F',
  kWaiting = 'Q',
  kOpens = 'O',
};

constexpr std::size_t kHeaderSize = 5;

inline void PutU32(char* Out, std::uint32_t Value) {
  for (int i = 0; i < 4; ++i) Out[i] = static_cast<char>((Value >> (8 * i)) & 0xFF);
}

inline std::uint32_t GetU32(const char* In) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(In[i])) << (8 * i);
  return v;
}

}  // namespace galt::rig
