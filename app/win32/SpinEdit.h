#pragma once
// The serial-number field: an edit with an up-down beside it, editing a
// SpinValue. Only digits, the signs and the decimal separator can be typed,
// and an edit (a keystroke, a paste, a deletion) that would leave a number
// above the maximum is refused, so a slip such as "2370" for 237 never
// becomes another serial number. The arrow keys, the up-down's buttons and
// the wheel step by 1 within the range, whatever key is held and however
// long a button is held; page keys do nothing. A value typed below the range
// stays while the field has the focus and is brought to the minimum when
// the focus moves to another control of the window (not when a box or
// another program takes it).

#include "app/win32/WindowsApi.h"

#include <string>

#include "sequences/Controls.h"

namespace galt::win32 {

class TSpinEdit {
 public:
  TSpinEdit(SpinValue& Value, HWND Parent, int Id);
  ~TSpinEdit();
  TSpinEdit(const TSpinEdit&) = delete;
  TSpinEdit& operator=(const TSpinEdit&) = delete;

  HWND Edit() const { return edit_; }
  HWND UpDown() const { return upDown_; }
  SpinValue& Value() { return value_; }

  // The field and its buttons together take Bounds (client coordinates of
  // the parent), the buttons UpDownWidth of it on the right.
  void Place(const RECT& Bounds, int UpDownWidth);
  void SetFont(HFONT Font);
  // Steps the value by Steps within the range.
  void StepBy(int Steps);

  // The parent passes on what its children tell it: the edit's commands and
  // the up-down's notifications. True when it was this field's.
  bool OnCommand(HWND From, WORD Code);
  bool OnNotify(const NMHDR& Header, LRESULT& Result);

 private:
  static LRESULT CALLBACK EditProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam, UINT_PTR Id,
                                   DWORD_PTR Self);
  LRESULT OnEditMessage(UINT Message, WPARAM WParam, LPARAM LParam);
  // Whether Text may stand in the field while it is typed.
  bool Typeable(const std::wstring& Text) const;
  void ShowValueText();

  SpinValue& value_;
  HWND edit_ = nullptr;
  HWND upDown_ = nullptr;
  wchar_t decimal_ = L'.';
  int wheel_ = 0;  // wheel movement short of a notch
};

}  // namespace galt::win32
