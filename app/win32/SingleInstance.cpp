#include "app/win32/SingleInstance.h"

namespace galt::win32 {

SingleInstance::SingleInstance(const wchar_t* MutexName) {
  // Owned by the thread that runs the loader until it ends: a second start
  // can wait on it for the first one's end.
  mutex_ = ::CreateMutexW(nullptr, TRUE, MutexName);
  // A mutex that cannot be made at all stops nobody: the loader runs.
  first_ = mutex_ == nullptr || ::GetLastError() != ERROR_ALREADY_EXISTS;
}

SingleInstance::~SingleInstance() {
  if (mutex_ == nullptr) return;
  if (first_) ::ReleaseMutex(mutex_);
  ::CloseHandle(mutex_);
}

SingleInstance::Found SingleInstance::AwaitFirst(const wchar_t* ClassName, DWORD Ms, HWND* Shown) {
  const ULONGLONG end = ::GetTickCount64() + Ms;
  for (;;) {
    if (const HWND window = ::FindWindowW(ClassName, nullptr)) {
      *Shown = window;
      return Found::Window;
    }
    const DWORD waited = ::WaitForSingleObject(mutex_, 100);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
      first_ = true;
      return Found::Turn;
    }
    if (::GetTickCount64() >= end) return Found::Nothing;
  }
}

void BringToFront(HWND Window) {
  if (::IsIconic(Window)) ::ShowWindow(Window, SW_RESTORE);
  ::SetForegroundWindow(Window);
}

}  // namespace galt::win32
