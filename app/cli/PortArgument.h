#pragma once
// The --port argument as the serial component opens it: the name resolved
// as the window's port field resolves it (ResolvePortName), a port of the
// table by its number, any other device by its path.

#include <cstdint>
#include <string>
#include <string_view>

#include "serial/PortTable.h"

namespace galt::cli {

struct PortChoice {
  std::string deviceName;  // for TSerComm::SetDeviceName ("%d" stands for portNum)
  std::int32_t portNum = 0;
  std::string shown;       // how messages name the port: as the user named it
};

PortChoice ChoosePort(std::string_view argument, const TSerPortTable& table);

}  // namespace galt::cli
