#include "app/win32/SessionGuard.h"

namespace galt::win32 {

void Win32SessionGuard::Hold(HWND Window, const std::wstring& Reason) {
  ::ShutdownBlockReasonCreate(Window, Reason.c_str());
  ::SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
}

void Win32SessionGuard::Release(HWND Window) {
  ::ShutdownBlockReasonDestroy(Window);
  ::SetThreadExecutionState(ES_CONTINUOUS);
}

}  // namespace galt::win32
