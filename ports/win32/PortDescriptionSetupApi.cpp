// Port descriptions on Windows, from SetupAPI: the devices of the Ports class
// that are present, each with its port name ("COM5"), its friendly name
// ("USB Serial Port (COM5)") and, for a USB adapter, the serial number in its
// instance id. Windows has no kernel console on a COM port.

#include <windows.h>
#include <setupapi.h>

#include <cctype>
#include <map>

#include "ports/PortDescription.h"

namespace galt {

namespace {

// The setup class of serial and parallel ports ({4d36e978-...}).
const GUID kPortsClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string RegistryProperty(HDEVINFO Set, SP_DEVINFO_DATA& Device, DWORD Property) {
  char buf[512] = {};
  DWORD type = 0;
  if (!::SetupDiGetDeviceRegistryPropertyA(Set, &Device, Property, &type, reinterpret_cast<BYTE*>(buf),
                                           sizeof buf - 1, nullptr) ||
      type != REG_SZ) {
    return {};
  }
  return buf;
}

std::string PortNameOf(HDEVINFO Set, SP_DEVINFO_DATA& Device) {
  HKEY key = ::SetupDiOpenDevRegKey(Set, &Device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
  if (key == INVALID_HANDLE_VALUE) return {};
  char buf[64] = {};
  DWORD size = sizeof buf - 1;
  DWORD type = 0;
  const LONG r = ::RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
  ::RegCloseKey(key);
  return r == ERROR_SUCCESS && type == REG_SZ ? std::string(buf) : std::string();
}

std::string InstanceIdOf(HDEVINFO Set, SP_DEVINFO_DATA& Device) {
  char buf[512] = {};
  if (!::SetupDiGetDeviceInstanceIdA(Set, &Device, buf, sizeof buf - 1, nullptr)) return {};
  return buf;
}

}  // namespace

std::string AdapterSerialOfInstanceId(const std::string& InstanceId) {
  // USB\VID_0403&PID_6001\A10K3ZQ1: the last part is the device's own serial
  // number; Windows makes up one with '&' in it for a device without.
  if (Upper(InstanceId.substr(0, 4)) != "USB\\") return {};
  const auto slash = InstanceId.find_last_of('\\');
  const std::string last = InstanceId.substr(slash + 1);
  if (slash < 4 || last.empty() || last.find('&') != std::string::npos) return {};
  return last;
}

struct TSerPortDescriber::TImpl {
  std::map<std::string, TSerPortFacts> Ports;  // by upper-case port name
};

TSerPortDescriber::TSerPortDescriber() : Impl_(std::make_unique<TImpl>()) {
  HDEVINFO set = ::SetupDiGetClassDevsA(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE) return;
  SP_DEVINFO_DATA device;
  for (DWORD i = 0;; ++i) {
    device = {};
    device.cbSize = sizeof device;
    if (!::SetupDiEnumDeviceInfo(set, i, &device)) break;
    const std::string name = Upper(PortNameOf(set, device));
    if (name.empty()) continue;
    TSerPortFacts facts;
    facts.Hardware = true;
    facts.Description = RegistryProperty(set, device, SPDRP_FRIENDLYNAME);
    if (facts.Description.empty()) facts.Description = RegistryProperty(set, device, SPDRP_DEVICEDESC);
    facts.AdapterSerial = AdapterSerialOfInstanceId(InstanceIdOf(set, device));
    Impl_->Ports.emplace(name, std::move(facts));
  }
  ::SetupDiDestroyDeviceInfoList(set);
}

TSerPortDescriber::~TSerPortDescriber() = default;

TSerPortFacts TSerPortDescriber::Describe(std::uint64_t, const std::string& Name) const {
  const auto it = Impl_->Ports.find(Upper(Name));
  return it == Impl_->Ports.end() ? TSerPortFacts{} : it->second;
}

std::set<std::string> TSerPortDescriber::KernelConsoles() const { return {}; }

}  // namespace galt
