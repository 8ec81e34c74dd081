#pragma once
// Message boxes as the program shows them on Windows: MessageBoxW with one
// OK button, the error or information icon and the caption given, modal to
// its owner (the loader's window). Show returns when the user has closed the
// box; the box's modal loop runs the thread's messages meanwhile, so timer
// ticks go on.

#include "app/win32/WindowsApi.h"

#include <string>

#include "sequences/MessageBoxes.h"

namespace galt::win32 {

class Win32MessageBoxes : public MessageBoxes {
 public:
  // The window the boxes belong to; none: the box has no owner.
  void SetOwner(HWND Owner) { owner_ = Owner; }
  void Show(BoxIcon icon, const std::string& caption, const std::string& text) override;

 private:
  HWND owner_ = nullptr;
};

}  // namespace galt::win32
