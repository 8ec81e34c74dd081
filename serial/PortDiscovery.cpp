#include "serial/PortDiscovery.h"

#include <sys/stat.h>

#include <cerrno>

#include "serial/PortDescription.h"
#include "serial/PortProbe.h"

namespace galt {

bool TSerPortEntry::SameAdapter(const TSerPortEntry& Other) const {
  if (!AdapterSerial.empty() || !Other.AdapterSerial.empty()) return AdapterSerial == Other.AdapterSerial;
  return Path == Other.Path;
}

const TSerPortEntry* TSerPortScan::FirstFree() const {
  for (const auto& e : Listed)
    if (!e.Busy && !e.Own) return &e;
  return nullptr;
}

const TSerPortEntry* TSerPortScan::Find(const std::string& Path) const {
  for (const auto& e : Listed)
    if (e.Path == Path) return &e;
  return nullptr;
}

std::string ShortPortName(const std::string& Path) {
  constexpr std::string_view kDev = "/dev/";
  if (Path.compare(0, kDev.size(), kDev) == 0 && Path.size() > kDev.size()) return Path.substr(kDev.size());
  const auto slash = Path.find_last_of('/');
  return slash == std::string::npos ? Path : Path.substr(slash + 1);
}

namespace {

// The node's own name, as the system's device database and consoles know it.
std::string NodeName(const std::string& Path) {
  const auto slash = Path.find_last_of('/');
  return slash == std::string::npos ? Path : Path.substr(slash + 1);
}

}  // namespace

TSerPortScan ScanPortTable(const TSerPortTable& Table, const TSerScanOptions& Options) {
  TSerPortScan scan;
  TSerPortDescriber describer;
  const std::set<std::string> consoles = Options.Consoles ? *Options.Consoles : describer.KernelConsoles();
  std::vector<TSerDeviceKey> keys;
  std::vector<std::size_t> keyed;  // entry index of each key

  for (int port = Table.FirstPortNum(); port <= Table.LastPortNum(); ++port) {
    const auto path = Table.PathOf(port);
    if (!path) continue;
    struct stat st {};
    if (::stat(path->c_str(), &st) != 0) continue;  // nothing there
    const std::string node = NodeName(*path);
    if (consoles.count(node) != 0) continue;  // the kernel writes its messages there

    TSerPortEntry entry;
    entry.PortNum = port;
    entry.Path = *path;
    entry.Name = ShortPortName(*path);
    const TSerPortFacts facts = describer.Describe(static_cast<std::uint64_t>(st.st_rdev), node);
    entry.Description = facts.Description;
    entry.AdapterSerial = facts.AdapterSerial;
    if (*path == Options.OwnPath) {
      entry.Own = true;
      scan.Listed.push_back(std::move(entry));
      continue;
    }
    if (!S_ISCHR(st.st_mode) || facts.UartAbsent) continue;

    // Only legacy slots need asking whether a chip is there, and only when
    // the device database has not said so already.
    const bool askUart = node.rfind("ttyS", 0) == 0 && !facts.UartKnown;
    const TSerProbe probe = ProbeDevice(*path, facts.Hardware, askUart);
    if (probe.Error == EACCES || probe.Error == EPERM) {
      // Only a node with hardware behind it is worth a word about access.
      if (facts.Hardware && !facts.UartAbsent) scan.Denied.push_back(*path);
      continue;
    }
    TSerDeviceKey key = probe.Key;
    if (probe.Error == EBUSY) {
      // Held with TIOCEXCL by another program: busy, and still worth listing.
      entry.Busy = true;
      key.Rdev = static_cast<std::uint64_t>(st.st_rdev);
    } else if (probe.Error != 0 || !probe.Terminal || probe.UartAbsent) {
      continue;
    }
    entry.Busy = entry.Busy || probe.Locked;
    keys.push_back(key);
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

std::vector<TSerPortHolder> PortHoldersOf(const std::string& Path) {
  const TSerProbe probe = ProbeDevice(Path);
  if (probe.Error != 0 || !probe.Terminal) return {};
  return FindPortHolders({probe.Key}).front();
}

}  // namespace galt
