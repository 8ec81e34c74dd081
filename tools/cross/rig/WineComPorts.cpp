#include "serial/SerComm.h"

#include "tools/cross/rig/WineComPorts.h"

namespace galt::test {

namespace {

// What Wine reads back for a rate it has no terminal speed for.
constexpr DWORD kWineRateInstead = 38400;

WineComPorts g_ports;
[[maybe_unused]] const bool g_below = [] {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  if (ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr) SerUseWinApi(&g_ports);
  return true;
}();

}  // namespace

BOOL WineComPorts::SetCommState(HANDLE Device, DCB* Dcb) {
  if (!TSerWinApi::SetCommState(Device, Dcb)) return FALSE;
  std::lock_guard<std::mutex> lock(Lock_);
  Asked_[Device] = Dcb->BaudRate;
  return TRUE;
}

BOOL WineComPorts::GetCommState(HANDLE Device, DCB* Dcb) {
  if (!TSerWinApi::GetCommState(Device, Dcb)) return FALSE;
  std::lock_guard<std::mutex> lock(Lock_);
  const auto asked = Asked_.find(Device);
  if (asked != Asked_.end() && Dcb->BaudRate == kWineRateInstead) Dcb->BaudRate = asked->second;
  return TRUE;
}

BOOL WineComPorts::CloseHandle(HANDLE Device) {
  {
    std::lock_guard<std::mutex> lock(Lock_);
    Asked_.erase(Device);
  }
  return TSerWinApi::CloseHandle(Device);
}

}  // namespace galt::test
