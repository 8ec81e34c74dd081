#pragma once
// The text of a window or control, whole.

#include <string>

#include "app/win32/WindowsApi.h"

namespace galt::win32 {

std::wstring WindowText(HWND Window);

}  // namespace galt::win32
