#pragma once
// The one table that maps port numbers to Linux serial devices, shared by the
// serial component and port discovery: ports 1-32 are /dev/ttyS0-31, 33-64
// /dev/ttyUSB0-31, 65-96 /dev/ttyACM0-31.

#include <optional>
#include <string>
#include <string_view>

namespace galt {

constexpr int kFirstPortNum = 1;
constexpr int kLastPortNum = 96;

// The device path of a port number, or nothing outside 1..96.
std::optional<std::string> PortDevicePath(int PortNum);

// The path to open for a formatted device name: "\\.\COMn" and "COMn" go
// through the table (nothing when n is not in it); any other name is a path
// as it is.
std::optional<std::string> ResolveDevicePath(std::string_view FormattedName);

}  // namespace galt
