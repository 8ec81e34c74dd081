#pragma once
// What the window asks of the session while an operation runs: a shutdown is
// blocked with a reason the user reads, and the machine is kept from
// sleeping; idle, nothing is blocked. Behind an interface: the program asks
// Windows, tests record what was asked.

#include "app/win32/WindowsApi.h"

#include <string>

namespace galt::win32 {

class SessionGuard {
 public:
  virtual ~SessionGuard() = default;
  // Window's shutdown is blocked with Reason and the machine kept awake.
  virtual void Hold(HWND Window, const std::wstring& Reason) = 0;
  // Neither any more.
  virtual void Release(HWND Window) = 0;
};

// ShutdownBlockReasonCreate and SetThreadExecutionState.
class Win32SessionGuard : public SessionGuard {
 public:
  void Hold(HWND Window, const std::wstring& Reason) override;
  void Release(HWND Window) override;
};

}  // namespace galt::win32
