// The system's port table on Windows: the COM ports themselves, port n is
// \\.\COMn (the device name that also reaches ports above 9).

#include "serial/PortName.h"
#include "serial/PortTable.h"

namespace galt {

TSerPortTable TSerPortTable::System() {
  constexpr int kPorts = 96;
  std::map<int, std::string> paths;
  for (int port = 1; port <= kPorts; ++port) paths.emplace(port, ComDeviceName(port));
  return TSerPortTable(std::move(paths));
}

}  // namespace galt
