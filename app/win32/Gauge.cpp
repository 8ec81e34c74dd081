#include "app/win32/Gauge.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "app/win32/WindowClass.h"

namespace galt::win32 {

namespace {

constexpr wchar_t kClassName[] = L"GaltGauge";

}  // namespace

TGauge::TGauge(GaugeValue& Value, HWND Parent) : value_(Value) {
  RegisterWindowClass(kClassName);
  hwnd_ = ::CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, Parent, nullptr,
                            ::GetModuleHandleW(nullptr), nullptr);
  if (hwnd_ == nullptr) throw std::runtime_error("cannot create a gauge");
  Attach(hwnd_, this, &Proc);
  // Painted at once: while an install runs, the serial component's
  // deliveries keep the queue busy, and a paint left to the queue (which
  // comes only when nothing else is waiting) would show the bar late.
  value_.OnPercentChange = [this] {
    ::InvalidateRect(hwnd_, nullptr, FALSE);
    ::UpdateWindow(hwnd_);
  };
}

TGauge::~TGauge() {
  value_.OnPercentChange = nullptr;
  Detach(hwnd_);
  ::DestroyWindow(hwnd_);
}

void TGauge::SetFont(HFONT Font) {
  font_ = Font;
  ::InvalidateRect(hwnd_, nullptr, FALSE);
}

LRESULT CALLBACK TGauge::Proc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  const auto* self = AttachedTo<const TGauge>(Window);
  switch (Message) {
    case WM_ERASEBKGND:
      return 1;  // the paint covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT ps;
      const HDC dc = ::BeginPaint(Window, &ps);
      if (self != nullptr) self->Paint(dc);
      ::EndPaint(Window, &ps);
      return 0;
    }
    default:
      return ::DefWindowProcW(Window, Message, WParam, LParam);
  }
}

void TGauge::UseSystemColours(bool System) {
  if (System == systemColours_) return;
  systemColours_ = System;
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void TGauge::Paint(HDC Dc) const {
  const auto pick = [this](int system, COLORREF own) { return systemColours_ ? ::GetSysColor(system) : own; };
  const auto fill = [&](const RECT& where, COLORREF with) {
    const HBRUSH brush = ::CreateSolidBrush(with);
    ::FillRect(Dc, &where, brush);
    ::DeleteObject(brush);
  };
  RECT all;
  ::GetClientRect(hwnd_, &all);
  fill(all, pick(COLOR_WINDOWTEXT, RGB(0, 0, 0)));
  RECT inner = all;
  ::InflateRect(&inner, -1, -1);

  const int percent = value_.Percent();
  const int innerWidth = std::max<int>(inner.right - inner.left, 0);
  const int filled = std::clamp(innerWidth * percent / 100, 0, innerWidth);
  const RECT bar{inner.left, inner.top, inner.left + filled, inner.bottom};
  const RECT ground{inner.left + filled, inner.top, inner.right, inner.bottom};
  if (systemColours_) fill(bar, ::GetSysColor(COLOR_HIGHLIGHT));
  fill(ground, pick(COLOR_WINDOW, RGB(255, 255, 255)));

  // Black over the white ground and white over the bar read as one
  // inverted caption.
  std::wstring text = std::to_wstring(percent) + L"%";
  const HGDIOBJ oldFont = ::SelectObject(Dc, font_ != nullptr ? font_ : ::GetStockObject(DEFAULT_GUI_FONT));
  ::SetBkMode(Dc, TRANSPARENT);
  const auto draw = [&](const RECT& clip, COLORREF colour) {
    if (clip.right <= clip.left) return;
    const int saved = ::SaveDC(Dc);
    ::IntersectClipRect(Dc, clip.left, clip.top, clip.right, clip.bottom);
    ::SetTextColor(Dc, colour);
    RECT where = inner;
    ::DrawTextW(Dc, text.c_str(), static_cast<int>(text.size()), &where, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    ::RestoreDC(Dc, saved);
  };
  draw(ground, pick(COLOR_WINDOWTEXT, RGB(0, 0, 0)));
  draw(bar, pick(COLOR_HIGHLIGHTTEXT, RGB(255, 255, 255)));
  ::SelectObject(Dc, oldFont);
}

}  // namespace galt::win32
