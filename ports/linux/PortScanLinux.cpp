// Port discovery on Linux: every port of the table whose node is there is
// probed (opened for reading and writing without waiting and released at
// once): that tells terminals from other nodes, an empty UART slot, and a
// port another program holds exclusively or our account may not open. Who
// holds a port is read from /proc, without opening it.

#include "ports/PortDescription.h"
#include "ports/PortDiscovery.h"
#include "ports/PortProbe.h"

namespace galt {

TSerPortScan ScanPortTable(const TSerPortTable& Table, const TSerScanOptions& Options) {
  TSerPortScan scan;
  TSerPortDescriber describer;
  const std::set<std::string> consoles = Options.Consoles ? *Options.Consoles : describer.KernelConsoles();
  std::vector<TSerDeviceKey> keys;
  std::vector<std::size_t> keyed;  // entry index of each key

  for (const auto& [port, path] : Table.Ports()) {
    const TSerNode node = LookAtNode(path);
    if (!node.Exists) continue;
    if (consoles.count(node.Name) != 0) continue;  // the kernel writes its messages there

    TSerPortEntry entry;
    entry.PortNum = port;
    entry.Path = path;
    entry.Name = PortUserName(path);
    const TSerPortFacts facts = describer.Describe(node.Key.Rdev, node.Name);
    entry.Description = facts.Description;
    entry.AdapterSerial = facts.AdapterSerial;
    if (path == Options.OwnPath) {
      entry.Own = true;
      scan.Listed.push_back(std::move(entry));
      continue;
    }
    if (!node.Device || facts.UartAbsent) continue;

    // Only legacy slots need asking whether a chip is there, and only when
    // the device database has not said so already.
    const bool askUart = node.Name.rfind("ttyS", 0) == 0 && !facts.UartKnown;
    const TSerProbe probe = ProbeDevice(path, facts.Hardware, askUart);
    if (probe.Denied) {
      // Only a node with hardware behind it is worth a word about access.
      if (facts.Hardware) scan.Denied.push_back(path);
      continue;
    }
    // Held exclusively by another program: busy, and still worth listing.
    if (!probe.Busy && (probe.Error != 0 || !probe.Terminal || probe.UartAbsent)) continue;
    entry.Busy = probe.Busy || probe.Locked;
    keys.push_back(node.Key);
    keyed.push_back(scan.Listed.size());
    scan.Listed.push_back(std::move(entry));
  }

  const auto holders = FindPortHolders(keys);
  for (std::size_t i = 0; i < keys.size(); ++i) {
    TSerPortEntry& e = scan.Listed[keyed[i]];
    e.Holders = holders[i];
    if (!e.Holders.empty()) e.Busy = true;
  }
  return scan;
}

}  // namespace galt
