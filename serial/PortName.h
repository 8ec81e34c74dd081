#pragma once
// The names Windows gives serial ports, which the component and its callers
// also use on other systems as port numbers: "COMn", and the device name
// "\\.\COMn" that opens port n whatever its number (the plain "COMn" form
// reaches only ports 1 to 9).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace galt {

// The component's device-name pattern: "%d" stands for the port number.
inline constexpr std::string_view kComDevicePattern = "\\\\.\\COM%d";
// What the device names of the pattern start with.
inline constexpr std::string_view kDevicePrefix = "\\\\.\\";

// "\\.\COM12" for 12.
std::string ComDeviceName(std::int32_t PortNum);
// "COM12" for 12.
std::string ComName(std::int32_t PortNum);
// The name a user knows a port by: "ttyUSB0" for "/dev/ttyUSB0", "pts/3"
// for "/dev/pts/3" (the path below /dev); "COM5" for "\\.\COM5"; or the
// file name of a path elsewhere.
std::string ShortPortName(const std::string& Path);
// n of "COMn" or "\\.\COMn" (letters in any case, n in decimal digits only);
// nothing for any other name.
std::optional<std::int32_t> ComPortNumber(std::string_view Name);

}  // namespace galt
