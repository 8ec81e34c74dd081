#pragma once
// Where the install panel's controls sit, at 96 dpi, and how the window
// follows the DPI of its monitor: the program is per-monitor DPI aware (its
// manifest), so every length below is scaled by the window's DPI / 96.
// The panel Panel3 fills the client area; positions are left and top within
// it, in pixels.

#include "app/win32/WindowsApi.h"

namespace galt::win32 {

struct Place {
  int left, top, width, height;
};

inline constexpr int kClientWidth = 369;
inline constexpr int kClientHeight = 113;

// The drop-down's field takes the height of its font; the list's rows are
// 16 pixels.
inline constexpr Place kCmbPortsPlace{9, 9, 73, 0};
inline constexpr int kPortRowHeight = 16;
inline constexpr Place kZnPlace{9, 41, 65, 26};  // the field and its up-down buttons
inline constexpr int kZnButtonsWidth = 16;
// Labels take the size of their text.
inline constexpr Place kSized1Place{8, 2, 0, 0};
inline constexpr Place kLabel1Place{96, 16, 0, 0};
inline constexpr Place kGauge1Place{200, 16, 153, 17};
inline constexpr Place kLabel2Place{96, 40, 0, 0};
inline constexpr Place kGauge2Place{160, 40, 193, 17};
inline constexpr Place kButton4Place{80, 75, 209, 25};

// Text sizes in pixels at 96 dpi: 8 points are 11 pixels, 10 points 13.
inline constexpr int kDialogFontPx = 11;
inline constexpr int kFieldFontPx = 13;

inline constexpr COLORREF kNavy = RGB(0, 0, 128);
inline constexpr COLORREF kMaroon = RGB(128, 0, 0);

// A length at 96 dpi on a monitor of Dpi.
inline int Scaled(int Px, UINT Dpi) { return ::MulDiv(Px, static_cast<int>(Dpi), 96); }

// The DPI the window is drawn at (96 on systems that do not tell).
UINT WindowDpi(HWND Window);
// The outer size of a window of Style whose client area is Width x Height
// at Dpi.
SIZE OuterSize(int Width, int Height, DWORD Style, DWORD ExStyle, UINT Dpi);

}  // namespace galt::win32
