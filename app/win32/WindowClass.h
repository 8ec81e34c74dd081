#pragma once
// The program's own window classes. A class is registered once, with
// Windows' default procedure; each window made of it then takes its object
// and its procedure (Attach), so the procedure finds the object from the
// window.

#include "app/win32/WindowsApi.h"

namespace galt::win32 {

// Registers the class Name of this program unless it is already; IconId: the
// resource id of the windows' icon (0: none).
void RegisterWindowClass(const wchar_t* Name, HBRUSH Background = nullptr, int IconId = 0);

// Window takes Self as its object and Proc as its procedure.
void Attach(HWND Window, void* Self, WNDPROC Proc);
// The object a window has taken; null before Attach.
template <typename T>
T* AttachedTo(HWND Window) {
  return reinterpret_cast<T*>(::GetWindowLongPtrW(Window, GWLP_USERDATA));
}
// The window gives its object back and takes Windows' default procedure.
void Detach(HWND Window);

}  // namespace galt::win32
