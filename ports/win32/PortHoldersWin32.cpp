// Windows does not tell who holds a COM port: a busy port has no holder named.

#include "ports/PortHolders.h"

namespace galt {

std::vector<std::vector<TSerPortHolder>> FindPortHolders(const std::vector<TSerDeviceKey>& Devices) {
  return std::vector<std::vector<TSerPortHolder>>(Devices.size());
}

}  // namespace galt
