// The system's port table on Linux: ports 1-32 are /dev/ttyS0-31, 33-64
// /dev/ttyUSB0-31, 65-96 /dev/ttyACM0-31.

#include "serial/PortTable.h"

namespace galt {

TSerPortTable TSerPortTable::System() {
  static const char* const kPrefixes[] = {"/dev/ttyS", "/dev/ttyUSB", "/dev/ttyACM"};
  constexpr int kPortsPerPrefix = 32;
  std::map<int, std::string> paths;
  int port = 1;
  for (const char* prefix : kPrefixes) {
    for (int i = 0; i < kPortsPerPrefix; ++i) paths.emplace(port++, prefix + std::to_string(i));
  }
  return TSerPortTable(std::move(paths));
}

}  // namespace galt
