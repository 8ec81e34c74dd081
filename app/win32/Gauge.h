#pragma once
// A horizontal progress gauge painting a GaugeValue, drawn as the window's
// other front end draws it: a black bar on white in a one-pixel frame, the
// shown percentage centred over it in inverted colours. It repaints, at
// once, only when the shown percentage changes. With a high-contrast theme
// on it takes the system's colours instead.

#include "app/win32/WindowsApi.h"

#include "sequences/Controls.h"

namespace galt::win32 {

class TGauge {
 public:
  TGauge(GaugeValue& Value, HWND Parent);
  ~TGauge();
  TGauge(const TGauge&) = delete;
  TGauge& operator=(const TGauge&) = delete;

  HWND Handle() const { return hwnd_; }
  GaugeValue& Value() { return value_; }
  void SetFont(HFONT Font);
  // The system's colours (a high-contrast theme) or the form's own.
  void UseSystemColours(bool System);

 private:
  static LRESULT CALLBACK Proc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam);
  void Paint(HDC Dc) const;

  GaugeValue& value_;
  HWND hwnd_ = nullptr;
  HFONT font_ = nullptr;
  bool systemColours_ = false;
};

}  // namespace galt::win32
