#pragma once
// One loader at a time on a session: the first start holds a named mutex;
// a second start finds it held, brings the first one's window to the front
// and ends, so that a double-click never leaves two loaders on two adapters.
// The installer looks for the same mutex and window class.

#include "app/win32/WindowsApi.h"

namespace galt::win32 {

inline constexpr wchar_t kLoaderMutexName[] = L"Local\\GALT-5R-Loader";

class SingleInstance {
 public:
  SingleInstance();
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // No other loader held the mutex when this one started.
  bool First() const { return first_; }

 private:
  HANDLE mutex_ = nullptr;
  bool first_ = true;
};

// Restores the window of class ClassName if it is minimised and brings it to
// the front; false when there is none.
bool BringToFront(const wchar_t* ClassName);

}  // namespace galt::win32
