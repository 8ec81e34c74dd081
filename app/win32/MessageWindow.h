#pragma once
// A message-only window of the calling thread: what the window's services
// (timers, the serial component's hand-over) receive their messages on.
// Modal loops (a message box's) dispatch them too, so timer ticks and
// deliveries go on while a box is open.

#include "app/win32/WindowsApi.h"

#include <functional>

namespace galt::win32 {

class MessageWindow {
 public:
  using Handler = std::function<void(UINT Message, WPARAM WParam, LPARAM LParam)>;
  explicit MessageWindow(Handler OnMessage);
  ~MessageWindow();
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  HWND Handle() const { return hwnd_; }

 private:
  static LRESULT CALLBACK Proc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam);
  Handler onMessage_;
  HWND hwnd_ = nullptr;
};

}  // namespace galt::win32
