#pragma once
// The names of serial ports: the ones Windows gives them, which the component
// and its callers also use on other systems as port numbers ("COMn", and the
// device name "\\.\COMn" that opens port n whatever its number: the plain
// "COMn" form reaches only ports 1 to 9); the one name a user sees for a
// port; and what a name the user typed stands for.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace galt {

class TSerPortTable;

// The component's device-name pattern: "%d" stands for the port number.
inline constexpr std::string_view kComDevicePattern = "\\\\.\\COM%d";
// What the device names of the pattern start with.
inline constexpr std::string_view kDevicePrefix = "\\\\.\\";

// "\\.\COM12" for 12.
std::string ComDeviceName(std::int32_t PortNum);
// "COM12" for 12.
std::string ComName(std::int32_t PortNum);
// The path below the device folder: "ttyUSB0" for "/dev/ttyUSB0", "pts/3"
// for "/dev/pts/3"; "COM5" for "\\.\COM5"; or the file name of a path
// elsewhere.
std::string ShortPortName(const std::string& Path);
// The one name the user sees for the port at Path, in the window's field
// and list, in --list and in every message: "USB0" for "/dev/ttyUSB0",
// "ACM1", "S0" (every port is a terminal: "tty" tells nothing, and the
// window's field is narrow); "COM5" for "\\.\COM5"; "pts/3" for "/dev/pts/3".
std::string PortUserName(const std::string& Path);
// The user name of a port as a record written before holds it: a device
// path ("/dev/ttyUSB7", "\\.\COM3") or a name typed with its path
// ("COM7 (/dev/ttyS6)") gives PortUserName of that path; any other text is
// kept as it is.
std::string RecordedPortUserName(const std::string& Recorded);
// n of "COMn" or "\\.\COMn" (letters in any case, n in decimal digits only);
// nothing for any other name.
std::optional<std::int32_t> ComPortNumber(std::string_view Name);

// What a port name the user typed stands for.
struct TSerNamedPort {
  std::int32_t PortNum = 0;  // the table's port; 0 for a device outside the table
  std::string Path;          // the device; "" for a COM number the table lacks
  bool ByNumber = false;     // named by its number, "COM7" or "\\.\COM7"
};

// The one rule for the window's port field and --port, blanks around Typed
// ignored: "COM7" or "\\.\COM7" (any case) is port 7 of Table; a port of
// Table is also named (in any case) by its path, the name below the device
// folder ("ttyUSB0") or its user name ("USB0"); any other name with a folder
// is a path as it is, and a bare one that name in the system's device folder.
TSerNamedPort ResolvePortName(std::string_view Typed, const TSerPortTable& Table);

}  // namespace galt
