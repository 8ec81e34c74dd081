// The system's port table on Windows: the COM ports themselves, port n is
// \\.\COMn (the device name that also reaches ports above 9). The system
// hands out COM1 to COM256 (a new number for every adapter serial and USB
// socket, so machines in the field reach high ones); ports it names beyond
// that are in the table too.

#include "serial/PortName.h"
#include "serial/PortTable.h"
#include "winutil/SystemComPorts.h"

namespace galt {

TSerPortTable TSerPortTable::System() {
  constexpr int kPorts = 256;
  std::map<int, std::string> paths;
  for (int port = 1; port <= kPorts; ++port) paths.emplace(port, ComDeviceName(port));
  for (const TSerSystemPort& named : SystemComPorts()) {
    if (const auto n = ComPortNumber(named.Name); n && *n > 0) paths.emplace(*n, ComDeviceName(*n));
  }
  return TSerPortTable(std::move(paths));
}

}  // namespace galt
