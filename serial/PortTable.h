#pragma once
// The one table that maps port numbers to serial devices, shared by the
// serial component and port discovery. On Windows the system's table holds
// the COM ports themselves (port n is \\.\COMn, 1 to 256 and any the system
// names beyond); on Linux it numbers devices as Windows-compatibility layers
// do: ports 1-32 are /dev/ttyS0-31, 33-64 /dev/ttyUSB0-31, 65-96
// /dev/ttyACM0-31 (PortTableLinux.cpp, PortTableWin32.cpp). Other tables
// (tests, a different machine) give their own numbers and paths.

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace galt {

class TSerPortTable {
 public:
  explicit TSerPortTable(std::map<int, std::string> Paths) : Paths_(std::move(Paths)) {}
  static TSerPortTable System();

  // The lowest and highest port number in the table (an empty table answers
  // 1 and 0). The numbers between need not be ports: the system may name
  // COM2147483647, so go through Ports(), never from the first to the last.
  int FirstPortNum() const { return Paths_.empty() ? 1 : Paths_.begin()->first; }
  int LastPortNum() const { return Paths_.empty() ? 0 : Paths_.rbegin()->first; }
  // Every port in the table, number -> device path, by number.
  const std::map<int, std::string>& Ports() const { return Paths_; }
  // The device path of a port number, or nothing when it is not in the table.
  std::optional<std::string> PathOf(int PortNum) const;
  // The path to open for a formatted device name: "\\.\COMn" and "COMn" go
  // through the table (nothing when n is not in it); any other name is a
  // path as it is.
  std::optional<std::string> Resolve(std::string_view FormattedName) const;

 private:
  std::map<int, std::string> Paths_;
};

}  // namespace galt
