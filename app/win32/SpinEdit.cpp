#include "app/win32/SpinEdit.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

#include "app/win32/WindowText.h"
#include "winutil/WideText.h"

namespace galt::win32 {

namespace {

// Messages by which the edit changes its own text.
bool Edits(UINT message, WPARAM wParam) {
  switch (message) {
    case WM_CHAR:
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
      return true;
    case WM_KEYDOWN:
      return wParam == VK_DELETE;
    default:
      return false;
  }
}

}  // namespace

TSpinEdit::TSpinEdit(SpinValue& Value, HWND Parent, int Id) : value_(Value) {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  edit_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", WideFromUtf8(value_.Text()).c_str(),
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 0, 0, Parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)), instance, nullptr);
  upDown_ = ::CreateWindowExW(0, UPDOWN_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, Parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id + 1)), instance, nullptr);
  if (edit_ == nullptr || upDown_ == nullptr) throw std::runtime_error("cannot create the serial-number field");
  // The buttons only ask for a step (UDN_DELTAPOS, always refused): their
  // own position stays in the middle of a range it never reaches the ends of.
  ::SendMessageW(upDown_, UDM_SETRANGE32, 0, 100);
  ::SendMessageW(upDown_, UDM_SETPOS32, 0, 50);
  ::SetWindowSubclass(edit_, &EditProc, 1, reinterpret_cast<DWORD_PTR>(this));

  wchar_t decimal[8] = L".";
  if (::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8) > 1) decimal_ = decimal[0];
  value_.OnChange = [this] { ShowValueText(); };
}

TSpinEdit::~TSpinEdit() {
  value_.OnChange = nullptr;
  ::RemoveWindowSubclass(edit_, &EditProc, 1);
  ::DestroyWindow(upDown_);
  ::DestroyWindow(edit_);
}

void TSpinEdit::Place(const RECT& Bounds, int UpDownWidth) {
  const int height = Bounds.bottom - Bounds.top;
  ::MoveWindow(edit_, Bounds.left, Bounds.top, Bounds.right - Bounds.left - UpDownWidth, height, TRUE);
  ::MoveWindow(upDown_, Bounds.right - UpDownWidth, Bounds.top, UpDownWidth, height, TRUE);
}

void TSpinEdit::SetFont(HFONT Font) { ::SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(Font), TRUE); }

void TSpinEdit::StepBy(int Steps) {
  // In 64 bits: a typed value near the int limits must not overflow.
  const long long next = static_cast<long long>(value_.Value()) + Steps;
  value_.SetValue(static_cast<int>(std::clamp<long long>(next, value_.MinValue(), value_.MaxValue())));
}

bool TSpinEdit::OnCommand(HWND From, WORD Code) {
  if (From != edit_) return false;
  if (Code == EN_CHANGE) value_.SetText(Utf8FromWide(WindowText(edit_)));
  return true;
}

bool TSpinEdit::OnNotify(const NMHDR& Header, LRESULT& Result) {
  if (Header.hwndFrom != upDown_) return false;
  if (Header.code == UDN_DELTAPOS) {
    // One step a notification, however fast the held button repeats.
    const auto& change = reinterpret_cast<const NMUPDOWN&>(Header);
    if (::GetFocus() != edit_) ::SetFocus(edit_);
    StepBy(change.iDelta > 0 ? 1 : -1);
    Result = 1;
  }
  return true;
}

bool TSpinEdit::Typeable(const std::wstring& Text) const {
  for (const wchar_t c : Text) {
    const bool allowed = (c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == decimal_;
    if (!allowed) return false;
  }
  return value_.Admits(Utf8FromWide(Text));
}

void TSpinEdit::ShowValueText() {
  const std::wstring text = WideFromUtf8(value_.Text());
  if (WindowText(edit_) != text) ::SetWindowTextW(edit_, text.c_str());
}

LRESULT CALLBACK TSpinEdit::EditProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam, UINT_PTR,
                                     DWORD_PTR Self) {
  if (Message == WM_NCDESTROY) {
    ::RemoveWindowSubclass(Window, &EditProc, 1);
    return ::DefSubclassProc(Window, Message, WParam, LParam);
  }
  return reinterpret_cast<TSpinEdit*>(Self)->OnEditMessage(Message, WParam, LParam);
}

LRESULT TSpinEdit::OnEditMessage(UINT Message, WPARAM WParam, LPARAM LParam) {
  switch (Message) {
    case WM_KEYDOWN:
      if (WParam == VK_UP || WParam == VK_DOWN) {
        StepBy(WParam == VK_UP ? 1 : -1);
        return 0;
      }
      if (WParam == VK_PRIOR || WParam == VK_NEXT) return 0;
      break;
    case WM_MOUSEWHEEL: {
      wheel_ += GET_WHEEL_DELTA_WPARAM(WParam);
      const int notches = wheel_ / WHEEL_DELTA;
      wheel_ %= WHEEL_DELTA;
      if (notches != 0) StepBy(notches);
      return 0;
    }
    case WM_KILLFOCUS: {
      // Only a move to another control of the window ends the edit.
      const HWND next = reinterpret_cast<HWND>(WParam);
      const HWND parent = ::GetParent(edit_);
      if (next != nullptr && next != upDown_ && (next == parent || ::IsChild(parent, next))) value_.Normalize();
      break;
    }
    default:
      break;
  }
  if (!Edits(Message, WParam)) return ::DefSubclassProc(edit_, Message, WParam, LParam);

  // The edit is made, then taken back when it leaves a text that may not
  // stand in the field.
  const std::wstring before = WindowText(edit_);
  DWORD start = 0, end = 0;
  ::SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const LRESULT result = ::DefSubclassProc(edit_, Message, WParam, LParam);
  const std::wstring after = WindowText(edit_);
  if (after != before && !Typeable(after)) {
    ::SetWindowTextW(edit_, before.c_str());
    ::SendMessageW(edit_, EM_SETSEL, start, end);
    ::MessageBeep(MB_OK);
  }
  return result;
}

}  // namespace galt::win32
