// Port descriptions on Windows, from SetupAPI (W calls only, texts through
// WideText): the present devices of the Ports and Modem classes and of the
// COM-port interface, each with its port name ("COM5"), friendly name
// ("USB Serial Port (COM5)"), the product its bus reports, its maker, for a
// USB adapter the serial number, and for an FTDI port the latency timer its
// driver is set to (readable by any account); what the port's node lacks is looked
// for up its parents (CM_Get_Parent): an FTDI port sits on FTDI's own bus, a
// CDC port on one interface of a composite device, and the USB device above
// has the rest. Nothing is opened. Windows has no kernel console on a COM
// port.

#include <windows.h>
#include <cfgmgr32.h>
#include <devpropdef.h>
#include <setupapi.h>

#include <cctype>
#include <map>

#include "ports/PortDescription.h"
#include "winutil/ComPortInterface.h"
#include "winutil/WideText.h"

namespace galt {

namespace {

// The setup classes of serial and parallel ports ({4d36e978-...}) and of
// modems ({4d36e96d-...}); ports of other classes come by kComPortInterface.
const GUID kPortsClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
const GUID kModemClass = {0x4d36e96d, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
// The product string the USB device reports (Windows 8 and later).
const DEVPROPKEY kBusReportedDeviceDesc = {
    {0x540b947e, 0x8b40, 0x45bc, {0xa8, 0xa2, 0x6a, 0x0b, 0x89, 0x4c, 0xbd, 0xa2}}, 4};
// How far up a port's parents the USB device with the serial number may be:
// the port, an interface or FTDI's bus, the device.
constexpr int kParentsToLookAt = 4;

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool StartsWith(const std::string& Text, const char* Prefix) { return Text.rfind(Prefix, 0) == 0; }

// A text of Size bytes in Buffer, to the first terminator.
std::string TextOf(const wchar_t* Buffer, DWORD Size) {
  std::wstring_view text(Buffer, Size / sizeof(wchar_t));
  if (const auto end = text.find(L'\0'); end != std::wstring_view::npos) text = text.substr(0, end);
  return Utf8FromWide(text);
}

std::string RegistryProperty(HDEVINFO Set, SP_DEVINFO_DATA& Device, DWORD Property) {
  wchar_t buf[512];
  DWORD type = 0;
  DWORD size = 0;
  if (!::SetupDiGetDeviceRegistryPropertyW(Set, &Device, Property, &type, reinterpret_cast<BYTE*>(buf), sizeof buf,
                                           &size) ||
      type != REG_SZ) {
    return {};
  }
  return TextOf(buf, size);
}

std::string BusReportedProduct(HDEVINFO Set, SP_DEVINFO_DATA& Device) {
  wchar_t buf[256];
  DEVPROPTYPE type = 0;
  DWORD size = 0;
  if (!::SetupDiGetDevicePropertyW(Set, &Device, &kBusReportedDeviceDesc, &type, reinterpret_cast<BYTE*>(buf),
                                   sizeof buf, &size, 0) ||
      type != DEVPROP_TYPE_STRING) {
    return {};
  }
  return TextOf(buf, size);
}

// What the device's parameters key holds of a port: its name ("COM5") and the
// latency timer in ms an FTDI driver keeps there (0 when there is none).
struct TDeviceParameters {
  std::string PortName;
  DWORD LatencyTimerMs = 0;
};

TDeviceParameters ParametersOf(HDEVINFO Set, SP_DEVINFO_DATA& Device) {
  TDeviceParameters p;
  HKEY key = ::SetupDiOpenDevRegKey(Set, &Device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
  if (key == INVALID_HANDLE_VALUE) return p;
  wchar_t buf[64];
  DWORD size = sizeof buf;
  DWORD type = 0;
  if (::RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) == ERROR_SUCCESS &&
      type == REG_SZ) {
    p.PortName = TextOf(buf, size);
  }
  DWORD ms = 0;
  size = sizeof ms;
  if (::RegQueryValueExW(key, L"LatencyTimer", nullptr, &type, reinterpret_cast<BYTE*>(&ms), &size) == ERROR_SUCCESS &&
      type == REG_DWORD) {
    p.LatencyTimerMs = ms;
  }
  ::RegCloseKey(key);
  return p;
}

std::string InstanceIdOf(DEVINST Device) {
  wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
  return ::CM_Get_Device_IDW(Device, id, MAX_DEVICE_ID_LEN, 0) == CR_SUCCESS ? Utf8FromWide(id) : std::string();
}

// The port's node and its parents, nearest first, with what each records;
// the parents are looked up by their instance ids in Parents.
std::vector<TSerDeviceNode> NodesUp(HDEVINFO Set, SP_DEVINFO_DATA& Device, HDEVINFO Parents) {
  std::vector<TSerDeviceNode> nodes{
      {InstanceIdOf(Device.DevInst), BusReportedProduct(Set, Device), RegistryProperty(Set, Device, SPDRP_MFG)}};
  DEVINST node = Device.DevInst;
  for (int level = 1; level < kParentsToLookAt && !nodes.back().InstanceId.empty(); ++level) {
    if (::CM_Get_Parent(&node, node, 0) != CR_SUCCESS) break;
    TSerDeviceNode parent{InstanceIdOf(node), {}, {}};
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    if (!parent.InstanceId.empty() &&
        ::SetupDiOpenDeviceInfoW(Parents, WideFromUtf8(parent.InstanceId).c_str(), nullptr, 0, &data)) {
      parent.BusProduct = BusReportedProduct(Parents, data);
      parent.Maker = RegistryProperty(Parents, data, SPDRP_MFG);
    }
    nodes.push_back(std::move(parent));
  }
  return nodes;
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

std::string AdapterSerialOfInstanceIds(const std::vector<std::string>& InstanceIds) {
  for (const std::string& id : InstanceIds) {
    const std::string upper = Upper(id);
    if (StartsWith(upper, "FTDIBUS\\")) continue;
    if (!StartsWith(upper, "USB\\")) return {};
    if (upper.find("&MI_") != std::string::npos) continue;  // an interface; its parent is the device
    return AdapterSerialOfInstanceId(id);
  }
  return {};
}

TSerAdapterTexts AdapterTextsOfNodes(const std::vector<TSerDeviceNode>& Nodes) {
  TSerAdapterTexts texts;
  std::vector<std::string> ids;
  for (const TSerDeviceNode& node : Nodes) ids.push_back(node.InstanceId);
  texts.Serial = AdapterSerialOfInstanceIds(ids);
  for (const TSerDeviceNode& node : Nodes) {
    if (texts.Product.empty()) texts.Product = node.BusProduct;
    if (texts.Maker.empty()) texts.Maker = node.Maker;
    // FTDI's bus and an interface lead up to their USB device; that is the
    // last of the port's own (a hub above it says nothing of the port).
    const std::string id = Upper(node.InstanceId);
    if (!StartsWith(id, "FTDIBUS\\") && !(StartsWith(id, "USB\\") && id.find("&MI_") != std::string::npos)) break;
  }
  return texts;
}

struct TSerPortDescriber::TImpl {
  std::map<std::string, TSerPortFacts> Ports;  // by upper-case port name

  void Add(HDEVINFO Set) {
    if (Set == INVALID_HANDLE_VALUE) return;
    const HDEVINFO parents = ::SetupDiCreateDeviceInfoList(nullptr, nullptr);
    SP_DEVINFO_DATA device;
    for (DWORD i = 0;; ++i) {
      device = {};
      device.cbSize = sizeof device;
      if (!::SetupDiEnumDeviceInfo(Set, i, &device)) break;
      const TDeviceParameters parameters = ParametersOf(Set, device);
      const std::string name = Upper(parameters.PortName);
      if (name.empty() || Ports.count(name) != 0) continue;
      const std::vector<TSerDeviceNode> nodes = NodesUp(Set, device, parents);
      const TSerAdapterTexts texts = AdapterTextsOfNodes(nodes);
      TSerPortFacts facts;
      facts.Hardware = true;
      facts.Bluetooth = StartsWith(Upper(nodes.front().InstanceId), "BTHENUM\\");
      facts.AdapterSerial = texts.Serial;
      if (StartsWith(Upper(nodes.front().InstanceId), "FTDIBUS\\")) facts.LatencyTimerMs = parameters.LatencyTimerMs;
      std::string friendly = RegistryProperty(Set, device, SPDRP_FRIENDLYNAME);
      if (friendly.empty()) friendly = RegistryProperty(Set, device, SPDRP_DEVICEDESC);
      AppendDescription(facts.Description, friendly);
      AppendDescription(facts.Description, texts.Product);
      AppendDescription(facts.Description, texts.Maker);
      AppendDescription(facts.Description, facts.AdapterSerial);
      Ports.emplace(name, std::move(facts));
    }
    if (parents != INVALID_HANDLE_VALUE) ::SetupDiDestroyDeviceInfoList(parents);
    ::SetupDiDestroyDeviceInfoList(Set);
  }
};

TSerPortDescriber::TSerPortDescriber() : Impl_(std::make_unique<TImpl>()) {
  for (const GUID* setupClass : {&kPortsClass, &kModemClass}) {
    Impl_->Add(::SetupDiGetClassDevsW(setupClass, nullptr, nullptr, DIGCF_PRESENT));
  }
  Impl_->Add(::SetupDiGetClassDevsW(&kComPortInterface, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
}

TSerPortDescriber::~TSerPortDescriber() = default;

TSerPortFacts TSerPortDescriber::Describe(std::uint64_t, const std::string& Name) const {
  const auto it = Impl_->Ports.find(Upper(Name));
  return it == Impl_->Ports.end() ? TSerPortFacts{} : it->second;
}

std::set<std::string> TSerPortDescriber::KernelConsoles() const { return {}; }

}  // namespace galt
