#include "app/win32/MessageWindow.h"

#include <stdexcept>

namespace galt::win32 {

namespace {

constexpr wchar_t kClassName[] = L"GaltMessageWindow";

void RegisterOnce() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    return ::RegisterClassExW(&wc) != 0;
  }();
  if (!registered) throw std::runtime_error("cannot register the message window class");
}

}  // namespace

MessageWindow::MessageWindow(Handler OnMessage) : onMessage_(std::move(OnMessage)) {
  RegisterOnce();
  hwnd_ = ::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ::GetModuleHandleW(nullptr),
                            nullptr);
  if (hwnd_ == nullptr) throw std::runtime_error("cannot create a message window");
  ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc));
}

MessageWindow::~MessageWindow() {
  ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
  ::DestroyWindow(hwnd_);
}

LRESULT CALLBACK MessageWindow::Proc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  auto* self = reinterpret_cast<MessageWindow*>(::GetWindowLongPtrW(Window, GWLP_USERDATA));
  if (self != nullptr) self->onMessage_(Message, WParam, LParam);
  return ::DefWindowProcW(Window, Message, WParam, LParam);
}

}  // namespace galt::win32
