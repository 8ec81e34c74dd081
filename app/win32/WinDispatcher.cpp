#include "app/win32/WinDispatcher.h"

namespace galt::win32 {

TSerWin32Dispatcher::TSerWin32Dispatcher()
    : window_([this](UINT message, WPARAM, LPARAM) {
        if (message == kRunQueuedMessage) RunQueued();
      }) {}

TSerWin32Dispatcher::~TSerWin32Dispatcher() = default;

void TSerWin32Dispatcher::Post(std::function<void()> Call) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    queue_.push_back(std::move(Call));
  }
  // A message lost to a full queue is made up for by the next one: each run
  // takes every call queued by then.
  ::PostMessageW(window_.Handle(), kRunQueuedMessage, 0, 0);
}

void TSerWin32Dispatcher::RunQueued() {
  if (running_) return;  // the running call's modal loop: the call returns first
  running_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{running_};
  for (;;) {
    std::function<void()> call;
    {
      std::lock_guard<std::mutex> hold(lock_);
      if (queue_.empty()) return;
      call = std::move(queue_.front());
      queue_.pop_front();
    }
    call();
  }
}

}  // namespace galt::win32
