#pragma once
// How the window follows the DPI of its monitor: the program is per-monitor
// DPI aware (its manifest), so every length of the form's design
// (frontend/FormDesign.h, at 96 dpi) is scaled by the window's DPI / 96.

#include "app/win32/WindowsApi.h"

#include "frontend/FormDesign.h"

namespace galt::win32 {

// A length at 96 dpi on a monitor of Dpi.
inline int Scaled(int Px, UINT Dpi) { return ::MulDiv(Px, static_cast<int>(Dpi), 96); }

inline COLORREF ColourOf(const form::Colour& Colour) { return RGB(Colour.red, Colour.green, Colour.blue); }

// The DPI the window is drawn at (96 on systems that do not tell).
UINT WindowDpi(HWND Window);
// The outer size of a window of Style whose client area is Width x Height
// at Dpi.
SIZE OuterSize(int Width, int Height, DWORD Style, DWORD ExStyle, UINT Dpi);

}  // namespace galt::win32
