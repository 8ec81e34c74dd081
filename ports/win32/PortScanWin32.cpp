// Port discovery on Windows: the ports of the table that the system names,
// in the registry's SERIALCOMM (every port driver fills it) or as SetupAPI
// devices, each described from SetupAPI. No port is opened to list it: an
// open raises a USB adapter's DTR and RTS (resetting boards that reset on
// DTR) and an outgoing Bluetooth port takes seconds to open. So a scan never
// finds a port busy; that shows when an open the user asked for is refused.

#include <map>

#include "ports/PortDescription.h"
#include "ports/PortDiscovery.h"
#include "winutil/SystemComPorts.h"

namespace galt {

namespace {

// "Serial0" for "\Device\Serial0": the driver's own name for the port, which
// says what it is when SetupAPI does not ("VCP0" FTDI, "Silabser0" CP210x,
// "BthModem0" Bluetooth).
std::string DriverDeviceName(const std::string& Device) {
  const auto slash = Device.find_last_of('\\');
  return slash == std::string::npos ? Device : Device.substr(slash + 1);
}

}  // namespace

TSerPortScan ScanPortTable(const TSerPortTable& Table, const TSerScanOptions& Options) {
  TSerPortScan scan;
  const TSerPortDescriber describer;
  std::map<int, std::string> named;  // port number -> the driver's device
  for (const TSerSystemPort& port : SystemComPorts()) {
    if (const auto n = ComPortNumber(port.Name)) named.emplace(*n, port.Device);
  }

  for (const auto& [port, path] : Table.Ports()) {
    TSerPortEntry entry;
    entry.PortNum = port;
    entry.Path = path;
    entry.Name = PortUserName(path);
    const TSerPortFacts facts = describer.Describe(0, entry.Name);
    const auto number = ComPortNumber(entry.Name);
    const auto device = named.find(number.value_or(0));
    if (!facts.Hardware && device == named.end()) continue;
    entry.Description = facts.Description;
    if (entry.Description.empty() && device != named.end()) entry.Description = DriverDeviceName(device->second);
    entry.AdapterSerial = facts.AdapterSerial;
    entry.Bluetooth = facts.Bluetooth;
    entry.LatencyTimerMs = facts.LatencyTimerMs;
    entry.Own = path == Options.OwnPath;
    scan.Listed.push_back(std::move(entry));
  }
  return scan;
}

}  // namespace galt
