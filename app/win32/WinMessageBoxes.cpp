#include "app/win32/WinMessageBoxes.h"

#include "winutil/WideText.h"

namespace galt::win32 {

void Win32MessageBoxes::Show(BoxIcon icon, const std::string& caption, const std::string& text) {
  const UINT style = MB_OK | MB_APPLMODAL | (icon == BoxIcon::Error ? MB_ICONERROR : MB_ICONINFORMATION);
  // An owner that has gone (the window closed under a box) would leave the
  // box without one anyway.
  const HWND owner = owner_ != nullptr && ::IsWindow(owner_) ? owner_ : nullptr;
  ::MessageBoxW(owner, WideFromUtf8(text).c_str(), WideFromUtf8(caption).c_str(), style);
}

}  // namespace galt::win32
