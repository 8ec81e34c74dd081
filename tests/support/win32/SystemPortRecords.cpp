#include "tests/support/win32/SystemPortRecords.h"

#include <stdexcept>

#include "winutil/SystemComPorts.h"

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

}  // namespace

void NameSystemPort(const std::wstring& Device, const std::wstring& Name) {
  HKEY key = nullptr;
  // The key is volatile, as Windows makes it: it lives as long as the system
  // (Wine's server) does.
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS ||
      !SetText(key, Device.c_str(), Name)) {
    throw std::runtime_error("cannot name a port in SERIALCOMM");
  }
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
                                   const std::wstring& Maker, const std::wstring& InstanceId, DWORD LatencyTimer)
    : Set_(::SetupDiCreateDeviceInfoList(&kPortsClass, nullptr)) {
  HKEY key = static_cast<HKEY>(INVALID_HANDLE_VALUE);
  if (::SetupDiCreateDeviceInfoW(Set_, InstanceId.empty() ? L"PORTS" : InstanceId.c_str(), &kPortsClass, nullptr,
                                 nullptr, InstanceId.empty() ? DICD_GENERATE_ID : 0, &Device_) &&
      ::SetupDiRegisterDeviceInfo(Set_, &Device_, 0, nullptr, nullptr, nullptr) &&
      ::SetupDiSetDeviceRegistryPropertyW(Set_, &Device_, SPDRP_FRIENDLYNAME, BytesOf(FriendlyName),
                                          SizeOf(FriendlyName)) &&
      ::SetupDiSetDeviceRegistryPropertyW(Set_, &Device_, SPDRP_MFG, BytesOf(Maker), SizeOf(Maker))) {
    key = ::SetupDiCreateDevRegKeyW(Set_, &Device_, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr);
  }
  const auto timer = reinterpret_cast<const BYTE*>(&LatencyTimer);
  if (key == INVALID_HANDLE_VALUE ||
      (LatencyTimer != 0 && ::RegSetValueExW(key, L"LatencyTimer", 0, REG_DWORD, timer, sizeof LatencyTimer) != 0) ||
      !SetText(key, L"PortName", PortName)) {
    throw std::runtime_error("cannot make a Ports device");
  }
}

PortsClassDevice::~PortsClassDevice() {
  ::SetupDiRemoveDevice(Set_, &Device_);
  ::SetupDiDestroyDeviceInfoList(Set_);
}

}  // namespace galt::test
