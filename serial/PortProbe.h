#pragma once
// The probe of one device node: opened for reading and writing without
// waiting, looked at, and released at once; the probe never keeps a port.

#include <string>

#include "serial/PortHolders.h"

namespace galt {

struct TSerProbe {
  int Error = 0;            // 0: opened; otherwise the errno that refused it
  bool Terminal = false;    // the node is a terminal
  bool UartAbsent = false;  // a UART slot that answers "no chip here"
  bool Locked = false;      // another open file holds its lock
  TSerDeviceKey Key;        // valid when opened
};

// KnownTerminal: the device database already says it is a terminal, so the
// probe need not ask. AskUart: also ask the driver whether a UART is fitted
// (legacy slots only). Each question is a call into the driver per port.
TSerProbe ProbeDevice(const std::string& Path, bool KnownTerminal = false, bool AskUart = false);

}  // namespace galt
