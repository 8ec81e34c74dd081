#include "SystemPortRecords.h"

#include <windows.h>
#include <setupapi.h>

#include <stdexcept>

#include "serial/win32/SystemComPorts.h"

namespace galt::test {

namespace {

const GUID kPortsClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

DWORD SizeOf(const std::wstring& Text) { return static_cast<DWORD>((Text.size() + 1) * sizeof(wchar_t)); }

const BYTE* BytesOf(const std::wstring& Text) { return reinterpret_cast<const BYTE*>(Text.c_str()); }

// Sets the value and closes the key.
bool SetText(HKEY Key, const wchar_t* Name, const std::wstring& Text) {
  const LONG r = ::RegSetValueExW(Key, Name, 0, REG_SZ, BytesOf(Text), SizeOf(Text));
  ::RegCloseKey(Key);
  return r == ERROR_SUCCESS;
}

// Removes the Ports devices whose port name is PortName.
void RemovePortsDevices(const std::wstring& PortName) {
  HDEVINFO set = ::SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, 0);
  if (set == INVALID_HANDLE_VALUE) return;
  for (DWORD i = 0;; ++i) {
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    if (!::SetupDiEnumDeviceInfo(set, i, &device)) break;
    HKEY key = ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE) continue;
    wchar_t name[64] = {};
    DWORD size = sizeof name - sizeof(wchar_t);
    const bool ours = ::RegQueryValueExW(key, L"PortName", nullptr, nullptr, reinterpret_cast<BYTE*>(name), &size) ==
                          ERROR_SUCCESS &&
                      PortName == name;
    ::RegCloseKey(key);
    if (ours) ::SetupDiRemoveDevice(set, &device);
  }
  ::SetupDiDestroyDeviceInfoList(set);
}

}  // namespace

void NameSystemPort(const std::wstring& Device, const std::wstring& Name) {
  HKEY key = nullptr;
  // The key is volatile, as Windows makes it: it lives as long as the system
  // (Wine's server) does.
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
    throw std::runtime_error("cannot open SERIALCOMM");
  }
  if (!SetText(key, Device.c_str(), Name)) throw std::runtime_error("cannot name a port in SERIALCOMM");
}

SerialCommValue::SerialCommValue(const std::wstring& Device, const std::wstring& Name) : Device_(Device) {
  NameSystemPort(Device, Name);
}

SerialCommValue::~SerialCommValue() {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  ::RegDeleteValueW(key, Device_.c_str());
  ::RegCloseKey(key);
}

PortsClassDevice::PortsClassDevice(const std::wstring& PortName, const std::wstring& FriendlyName,
                                   const std::wstring& Maker)
    : PortName_(PortName) {
  RemovePortsDevices(PortName_);  // left by a run that did not end
  HDEVINFO set = ::SetupDiCreateDeviceInfoList(&kPortsClass, nullptr);
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  HKEY key = static_cast<HKEY>(INVALID_HANDLE_VALUE);
  if (::SetupDiCreateDeviceInfoW(set, L"PORTS", &kPortsClass, nullptr, nullptr, DICD_GENERATE_ID, &device) &&
      ::SetupDiRegisterDeviceInfo(set, &device, 0, nullptr, nullptr, nullptr) &&
      ::SetupDiSetDeviceRegistryPropertyW(set, &device, SPDRP_FRIENDLYNAME, BytesOf(FriendlyName),
                                          SizeOf(FriendlyName)) &&
      ::SetupDiSetDeviceRegistryPropertyW(set, &device, SPDRP_MFG, BytesOf(Maker), SizeOf(Maker))) {
    key = ::SetupDiCreateDevRegKeyW(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr);
  }
  ::SetupDiDestroyDeviceInfoList(set);
  if (key == INVALID_HANDLE_VALUE || !SetText(key, L"PortName", PortName)) {
    throw std::runtime_error("cannot make a Ports device");
  }
}

PortsClassDevice::~PortsClassDevice() { RemovePortsDevices(PortName_); }

}  // namespace galt::test
