#include "app/win32/WindowText.h"

namespace galt::win32 {

std::wstring WindowText(HWND Window) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(Window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(Window, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace galt::win32
