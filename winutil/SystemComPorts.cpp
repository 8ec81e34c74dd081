#include "winutil/SystemComPorts.h"

#include <windows.h>

#include "winutil/WideText.h"

namespace galt {

std::vector<TSerSystemPort> SystemComPorts() {
  std::vector<TSerSystemPort> ports;
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return ports;
  for (DWORD i = 0;; ++i) {
    wchar_t device[256];
    wchar_t name[64];
    DWORD deviceLength = static_cast<DWORD>(std::size(device));
    DWORD nameSize = sizeof name - sizeof(wchar_t);  // room for a terminator the value may lack
    DWORD type = 0;
    const LONG r = ::RegEnumValueW(key, i, device, &deviceLength, nullptr, &type, reinterpret_cast<BYTE*>(name),
                                   &nameSize);
    if (r == ERROR_NO_MORE_ITEMS) break;
    if (r != ERROR_SUCCESS || type != REG_SZ) continue;  // too long for a port name, or no text
    std::wstring_view value(name, nameSize / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0') value.remove_suffix(1);
    ports.push_back({Utf8FromWide(value), Utf8FromWide(std::wstring_view(device, deviceLength))});
  }
  ::RegCloseKey(key);
  return ports;
}

}  // namespace galt
