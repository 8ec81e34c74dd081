#pragma once
// One loader at a time on a session: the first start holds a named mutex;
// a second start finds it held and brings the first one's window to the
// front, or, while the first is still starting, waits for its window; should
// the first end meanwhile, the second goes on as the first. So a
// double-click never leaves two loaders on two adapters, nor none. The
// installer looks for the same mutex and window class.

#include "app/win32/WindowsApi.h"

namespace galt::win32 {

inline constexpr wchar_t kLoaderMutexName[] = L"Local\\GALT-5R-Loader";

class SingleInstance {
 public:
  explicit SingleInstance(const wchar_t* MutexName = kLoaderMutexName);
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // No other loader holds the mutex: this one runs.
  bool First() const { return first_; }

  enum class Found { Window, Turn, Nothing };
  // A second start, for at most Ms: the first loader's window of class
  // ClassName (Window, in *Shown), or the first loader's end, the mutex then
  // held by this one (Turn, First() true from then on); Nothing when the
  // first is still without a window.
  Found AwaitFirst(const wchar_t* ClassName, DWORD Ms, HWND* Shown);

 private:
  HANDLE mutex_ = nullptr;
  bool first_ = true;
};

// Restores the window if it is minimised and brings it to the front.
void BringToFront(HWND Window);

}  // namespace galt::win32
