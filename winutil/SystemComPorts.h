#pragma once
// The COM ports Windows names at this moment: the values of
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, which every port driver (the UART's,
// USB adapters', Bluetooth's, modems') fills as its ports come and goes.
// Reading it opens no port.

#include <string>
#include <vector>

namespace galt {

// The key, for whoever watches it.
inline constexpr wchar_t kSerialCommKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

struct TSerSystemPort {
  std::string Name;    // "COM5"
  std::string Device;  // the driver's device: "\Device\VCP0"
};

// In the key's order; empty when no port was ever there (the key is made
// with the first one).
std::vector<TSerSystemPort> SystemComPorts();

}  // namespace galt
