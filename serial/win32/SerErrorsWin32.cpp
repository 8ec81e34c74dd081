// The system's error codes as the component reads them: their text, and
// which of them tell a device that is not there, held by another program,
// or gone.

#include <iterator>
#include <string>

#include "serial/SerPort.h"

// After the component's headers: <windows.h> defines the EV_ and CE_ names
// as macros of the same values.
#include "serial/win32/SerWinApi.h"
#include "winutil/WideText.h"

namespace galt {

std::string SerSystemErrorText(int Code) {
  wchar_t buf[512] = {};
  const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                   static_cast<DWORD>(Code), 0, buf, static_cast<DWORD>(std::size(buf)), nullptr);
  std::string text = Utf8FromWide(std::wstring_view(buf, n));
  while (!text.empty() && (text.back() == '.' || text.back() == ' ' || text.back() == '\n' ||
                           text.back() == '\r')) {
    text.pop_back();
  }
  return text;
}

bool SerIsNoSuchDevice(int Code) { return Code == ERROR_FILE_NOT_FOUND || Code == ERROR_PATH_NOT_FOUND; }

bool SerIsHeldElsewhere(int Code) { return Code == ERROR_ACCESS_DENIED || Code == ERROR_SHARING_VIOLATION; }

bool SerIsAccessDenied(int) { return false; }

bool SerIsHangUp(int Code) {
  // A status call or a transfer that fails on an open handle means the device
  // has gone, whatever the driver calls it (2, 5, 6, 21, 22, 31, 121, 433,
  // 995, 1167, 1617 are all met on unplugs), unless the code says nothing
  // about the device. A transfer we cancel ourselves never reports its 995
  // here, and an aborted comm-event wait is the waiter's own business.
  switch (Code) {
    case 0:
    case ERROR_IO_PENDING:
    case ERROR_IO_INCOMPLETE:
    case ERROR_INVALID_PARAMETER:  // Wine, a wait right after a cancelled one
    case ERROR_NOT_ENOUGH_MEMORY:  // the system short of resources for a moment
    case ERROR_OUTOFMEMORY:
    case ERROR_NO_SYSTEM_RESOURCES:
    case ERROR_NONPAGED_SYSTEM_RESOURCES:
    case ERROR_PAGED_SYSTEM_RESOURCES:
    case ERROR_WORKING_SET_QUOTA:
    case ERROR_NOT_ENOUGH_QUOTA:
    case ERROR_INVALID_USER_BUFFER:  // too many transfers pending at once
    case ERROR_COUNTER_TIMEOUT:      // a transfer's own time limit
    case ERROR_TIMEOUT:
      return false;
    default:
      return true;
  }
}

}  // namespace galt
