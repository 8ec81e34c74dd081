#pragma once
// Which serial ports can be opened at start-up: every port of the port table,
// in ascending port number, is opened exclusively for reading and writing
// without blocking and released at once. A node that is missing, busy or
// refuses is not listed; one refused for lack of permission is remembered so
// the user can be told why it is missing.

#include <string>
#include <vector>

#include "serial/PortTable.h"

namespace galt {

struct TSerPortEntry {
  int PortNum;       // what the serial component opens
  std::string Path;  // what the user sees
};

struct TSerPortScan {
  std::vector<TSerPortEntry> Listed;
  std::vector<std::string> Denied;  // present, but our account may not open it
};

// Probes one device node; 0 when it could be opened exclusively, else the
// errno that refused it (EWOULDBLOCK when another process holds its lock).
int ProbePort(const std::string& path);

TSerPortScan ScanPortTable(const TSerPortTable& table);

}  // namespace galt
