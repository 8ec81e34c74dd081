#include "app/win32/WindowLayout.h"

namespace galt::win32 {

namespace {

// Windows 10 1607 and later; looked up so the program still starts on older
// systems, which scale it as a whole.
template <typename Fn>
Fn User32(const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}

}  // namespace

UINT WindowDpi(HWND Window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = User32<GetDpiForWindowFn>("GetDpiForWindow");
  if (getDpiForWindow != nullptr) {
    if (const UINT dpi = getDpiForWindow(Window); dpi != 0) return dpi;
  }
  const HDC dc = ::GetDC(Window);
  const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
  ::ReleaseDC(Window, dc);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

SIZE OuterSize(int Width, int Height, DWORD Style, DWORD ExStyle, UINT Dpi) {
  using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const auto adjustForDpi = User32<AdjustForDpiFn>("AdjustWindowRectExForDpi");
  RECT r{0, 0, Width, Height};
  if (adjustForDpi == nullptr || !adjustForDpi(&r, Style, FALSE, ExStyle, Dpi)) {
    ::AdjustWindowRectEx(&r, Style, FALSE, ExStyle);
  }
  return SIZE{r.right - r.left, r.bottom - r.top};
}

}  // namespace galt::win32
