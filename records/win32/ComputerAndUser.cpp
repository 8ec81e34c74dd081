#include "records/ComputerAndUser.h"

#include <windows.h>

#include <vector>

#include "winutil/WideText.h"

namespace galt {

std::string ComputerName() {
  // The DNS name, which is whole where the NetBIOS one stops at 15 letters.
  for (const COMPUTER_NAME_FORMAT format : {ComputerNameDnsHostname, ComputerNameNetBIOS}) {
    DWORD size = 0;
    ::GetComputerNameExW(format, nullptr, &size);
    if (size == 0) continue;
    std::vector<wchar_t> name(size);
    if (::GetComputerNameExW(format, name.data(), &size) && size > 0) {
      return Utf8FromWide(std::wstring_view(name.data(), size));
    }
  }
  return {};
}

std::string UserName() {
  wchar_t name[257];  // UNLEN + 1
  DWORD size = static_cast<DWORD>(std::size(name));
  if (!::GetUserNameW(name, &size) || size == 0) return {};
  return Utf8FromWide(std::wstring_view(name, size - 1));  // the size counts the terminating zero
}

}  // namespace galt
