#include "app/win32/SingleInstance.h"

namespace galt::win32 {

SingleInstance::SingleInstance() {
  mutex_ = ::CreateMutexW(nullptr, FALSE, kLoaderMutexName);
  // A mutex that cannot be made at all stops nobody: the loader runs.
  first_ = mutex_ == nullptr || ::GetLastError() != ERROR_ALREADY_EXISTS;
}

SingleInstance::~SingleInstance() {
  if (mutex_ != nullptr) ::CloseHandle(mutex_);
}

bool BringToFront(const wchar_t* ClassName) {
  // The first loader may be between its mutex and its window: it is given
  // a moment to show it.
  HWND window = nullptr;
  for (int tries = 0; tries < 50 && window == nullptr; ++tries) {
    window = ::FindWindowW(ClassName, nullptr);
    if (window == nullptr) ::Sleep(100);
  }
  if (window == nullptr) return false;
  if (::IsIconic(window)) ::ShowWindow(window, SW_RESTORE);
  ::SetForegroundWindow(window);
  return true;
}

}  // namespace galt::win32
