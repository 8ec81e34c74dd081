#pragma once
// The --port argument as the serial component opens it. COMn (or \\.\COMn)
// is port number n of the port table, as the window's selector gives it; a
// short name such as ttyUSB0 is the table's device of that name, or else that
// name in the system's device folder; anything else is a device path taken
// as it is.

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
