#include "app/win32/MessageWindow.h"

#include <stdexcept>

#include "app/win32/WindowClass.h"

namespace galt::win32 {

namespace {

constexpr wchar_t kClassName[] = L"GaltMessageWindow";

}  // namespace

MessageWindow::MessageWindow(Handler OnMessage) : onMessage_(std::move(OnMessage)) {
  RegisterWindowClass(kClassName);
  hwnd_ = ::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ::GetModuleHandleW(nullptr),
                            nullptr);
  if (hwnd_ == nullptr) throw std::runtime_error("cannot create a message window");
  Attach(hwnd_, this, &Proc);
}

MessageWindow::~MessageWindow() {
  Detach(hwnd_);
  ::DestroyWindow(hwnd_);
}

LRESULT CALLBACK MessageWindow::Proc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  auto* self = AttachedTo<MessageWindow>(Window);
  if (self != nullptr) self->onMessage_(Message, WParam, LParam);
  return ::DefWindowProcW(Window, Message, WParam, LParam);
}

}  // namespace galt::win32
