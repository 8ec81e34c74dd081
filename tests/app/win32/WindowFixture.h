#pragma once
// Driving the Windows window in a test: where a control sits, what it
// shows, keys passed as the message loop passes them, and the loop itself.

#include <gtest/gtest.h>

#include "app/win32/MessageLoop.h"
#include "app/win32/Unit1.h"
#include "app/win32/WindowText.h"

#include <string>
#include <vector>

#include "tests/support/RecordingBoxes.h"

namespace galt::testing {

using win32::TForm1;

// A control's rectangle in its parent's client area: left, top, width, height.
struct Box {
  long left, top, width, height;
  bool operator==(const Box&) const = default;
};

inline Box PlaceOf(HWND control) {
  RECT r;
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

inline void PrintTo(const Box& b, std::ostream* out) {
  *out << "(" << b.left << ", " << b.top << "; " << b.width << " x " << b.height << ")";
}

using win32::WindowText;

// Runs the thread's messages as the program's loop does, for Ms.
inline void Pump(TForm1* form, DWORD ms = 0) {
  win32::RunMessagesUntil(form, [] { return false; }, ms);
}

// A key pressed where the focus is, as the message loop hands it on (the
// window first, then the control); Repeat: the key was down already.
inline void Press(TForm1& form, WPARAM key, bool repeat = false) {
  MSG message{::GetFocus(), WM_KEYDOWN, key, 1 | (repeat ? (1L << 30) : 0), 0, {}};
  if (!form.PreTranslate(message)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  Pump(&form);
}

// Characters typed into a control, one WM_CHAR each.
inline void Type(TForm1& form, HWND control, const std::wstring& chars) {
  for (const wchar_t c : chars) ::SendMessageW(control, WM_CHAR, c, 1);
  Pump(&form);
}

// The install button clicked (BN_CLICKED, as the button sends it).
inline void Click(TForm1& form) {
  ::SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(win32::kButton4Id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(form.Button4));
}

}  // namespace galt::testing
