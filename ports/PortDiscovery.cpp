// What discovery does alike on every system; the scan itself is each
// system's own (linux/PortScanLinux.cpp, win32/PortScanWin32.cpp).

#include "ports/PortDiscovery.h"

#include <filesystem>

#include "ports/PortDescription.h"
#include "ports/PortProbe.h"

namespace galt {

bool TSerPortEntry::SameAdapter(const TSerPortEntry& Other) const {
  if (!AdapterSerial.empty() || !Other.AdapterSerial.empty()) return AdapterSerial == Other.AdapterSerial;
  return Path == Other.Path;
}

const TSerPortEntry* TSerPortScan::FirstFree() const {
  for (const auto& e : Listed)
    if (!e.Busy && !e.Own && !e.Bluetooth) return &e;
  return nullptr;
}

const TSerPortEntry* TSerPortScan::Find(const std::string& Path) const {
  for (const auto& e : Listed)
    if (e.Path == Path) return &e;
  return nullptr;
}

bool IsKernelConsole(const std::string& Path, const std::optional<std::set<std::string>>& Consoles) {
  std::error_code error;
  const std::filesystem::path node = std::filesystem::canonical(Path, error);
  if (error) return false;
  const std::set<std::string> consoles = Consoles ? *Consoles : TSerPortDescriber().KernelConsoles();
  return consoles.count(ShortPortName(node.string())) != 0;
}

TSerPortFacts PortFactsOf(const std::string& Path) {
  const TSerNode node = LookAtNode(Path);
  return node.Exists ? TSerPortDescriber().Describe(node.Key.Rdev, node.Name) : TSerPortFacts{};
}

std::vector<TSerPortHolder> PortHoldersOf(const std::string& Path) {
  const TSerNode node = LookAtNode(Path);
  if (!node.Exists || !node.Device) return {};
  return FindPortHolders({node.Key}).front();
}

bool PortIsBusy(const std::string& Path) {
  if (!PortHoldersOf(Path).empty()) return true;
  // A holder we may not see (another account's) shows only to an open.
  const TSerProbe probe = ProbeDevice(Path);
  return probe.Busy || probe.Locked;
}

}  // namespace galt
