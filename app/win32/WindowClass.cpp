#include "app/win32/WindowClass.h"

#include <stdexcept>

namespace galt::win32 {

void RegisterWindowClass(const wchar_t* Name, HBRUSH Background, int IconId) {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (::GetClassInfoExW(instance, Name, &wc)) return;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = Background;
  wc.lpszClassName = Name;
  if (IconId != 0) {
    wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IconId));
    wc.hIconSm = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IconId), IMAGE_ICON,
                                                 ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
    // A program without the resource (a test) shows Windows' own.
    if (wc.hIcon == nullptr) wc.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
  }
  if (::RegisterClassExW(&wc) == 0) throw std::runtime_error("cannot register a window class");
}

void Attach(HWND Window, void* Self, WNDPROC Proc) {
  ::SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(Self));
  ::SetWindowLongPtrW(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc));
}

void Detach(HWND Window) {
  ::SetWindowLongPtrW(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
  ::SetWindowLongPtrW(Window, GWLP_USERDATA, 0);
}

}  // namespace galt::win32
