#pragma once
// Which serial ports the machine has and which of them can be used, in
// ascending port number. On Linux every port of the port table is probed
// (opened for reading and writing without waiting and released at once):
// nodes that are not terminals, UART slots with no chip and the kernel's
// console are left out; a port that another program holds stays listed,
// marked busy with who holds it; one our account may not open is remembered
// so the user can be told why it is missing. On Windows the ports are those
// the system names (the registry's SERIALCOMM and SetupAPI's port and modem
// devices), listed without opening any: who holds one is known only when an
// open is refused.

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ports/PortHolders.h"
#include "serial/PortName.h"
#include "serial/PortTable.h"

namespace galt {

struct TSerPortEntry {
  int PortNum = 0;            // what the serial component opens
  std::string Path;           // the device path of the table
  std::string Name;           // the user's name for it (PortUserName): "USB0", "COM5"
  std::string Description;    // "FT232R USB UART, FTDI, A10K3ZQ1"; empty for a pty
  std::string AdapterSerial;  // the USB adapter's own serial number, if any
  // Busy: another program has the port open or locked. The holders are the
  // processes we may see; a lock or an exclusive open by someone we cannot
  // see leaves Busy set with no holder named.
  bool Busy = false;
  std::vector<TSerPortHolder> Holders;
  bool Own = false;  // the port this program has open; not probed
  // A Bluetooth serial port: opening it connects to the far device, which
  // takes seconds or fails when it is out of reach, so only the user's
  // choice opens it.
  bool Bluetooth = false;
  // An FTDI port's latency timer in ms (Windows): how long the adapter holds
  // the last bytes of a reply; 0 when not known.
  std::uint32_t LatencyTimerMs = 0;

  // The same adapter: by its serial number, or by its path when it has none.
  bool SameAdapter(const TSerPortEntry& Other) const;
};

struct TSerPortScan {
  std::vector<TSerPortEntry> Listed;  // free and busy ports, in port order
  std::vector<std::string> Denied;    // hardware our account may not open
  // The first free port that may be opened without the user's choice, or
  // nothing.
  const TSerPortEntry* FirstFree() const;
  const TSerPortEntry* Find(const std::string& Path) const;
};

struct TSerScanOptions {
  // The port this program holds open: listed as it is, without a probe
  // (which would find our own lock) and without reading the holders.
  std::string OwnPath;
  // Console names; the system's when not given.
  std::optional<std::set<std::string>> Consoles;
};

TSerPortScan ScanPortTable(const TSerPortTable& Table, const TSerScanOptions& Options = {});

// The other processes holding the port at Path right now, found without
// opening it (an open pulses a real adapter's modem lines); empty when none,
// on Windows (which names no holder), or when there is no such node.
std::vector<TSerPortHolder> PortHoldersOf(const std::string& Path);

// The kernel writes its messages on the terminal at Path (links followed),
// so nothing else may: Consoles are the console names, the system's when
// not given. Windows has none.
bool IsKernelConsole(const std::string& Path, const std::optional<std::set<std::string>>& Consoles = {});

// Another program holds the port at Path right now: exclusively, by its lock
// or with a descriptor. A port with no holder in sight is opened to find out
// (only that port).
bool PortIsBusy(const std::string& Path);

}  // namespace galt
