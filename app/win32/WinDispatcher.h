#pragma once
// Hands the serial component's deliveries to the window's thread: a call
// posted from any thread is queued under a lock and a message to a
// message-only window of the window's thread runs the queue there, in
// posting order. A call never runs inside another: a box opened by one runs
// a modal loop that sees the next call's message, and the call waits until
// the first has returned (received data waits while a reply's box is open).
// The worker that posted a call waits for it, or for its own stop signal,
// so closing the port from the window's thread never waits on a call.

#include <deque>
#include <functional>
#include <mutex>

#include "app/win32/MessageWindow.h"
#include "serial/SerDispatch.h"

namespace galt::win32 {

// The message, posted to the dispatcher's window, that runs its queue.
inline constexpr UINT kRunQueuedMessage = WM_APP + 1;

class TSerWin32Dispatcher : public TSerDispatcher {
 public:
  // Runs the calls on the calling thread, which must be the window's.
  TSerWin32Dispatcher();
  ~TSerWin32Dispatcher() override;

  void Post(std::function<void()> Call) override;

 private:
  void RunQueued();

  MessageWindow window_;
  std::mutex lock_;
  std::deque<std::function<void()>> queue_;
  bool running_ = false;  // the window's thread only
};

}  // namespace galt::win32
