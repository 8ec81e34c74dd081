#include "serial/SerEventLoop.h"

#include <exception>
#include <future>

namespace galt {

void TSerEventLoop::Post(std::function<void()> Call) {
  {
    std::lock_guard<std::mutex> lock(Mutex_);
    Queue_.push_back(std::move(Call));
  }
  Wake_.notify_all();
}

std::size_t TSerEventLoop::ProcessPending() {
  std::deque<std::function<void()>> batch;
  {
    std::lock_guard<std::mutex> lock(Mutex_);
    batch.swap(Queue_);
  }
  const std::size_t n = batch.size();
  for (auto& call : batch) call();
  return n;
}

bool TSerEventLoop::WaitForCall(std::chrono::steady_clock::time_point Deadline) {
  std::unique_lock<std::mutex> lock(Mutex_);
  return Wake_.wait_until(lock, Deadline, [this] { return !Queue_.empty() || Quit_; }) &&
         !Queue_.empty();
}

bool TSerEventLoop::RunUntil(const std::function<bool()>& Done, std::chrono::milliseconds Timeout) {
  const auto deadline = std::chrono::steady_clock::now() + Timeout;
  for (;;) {
    ProcessPending();
    if (Done()) return true;
    if (!WaitForCall(deadline)) {
      ProcessPending();
      return Done();
    }
  }
}

void TSerEventLoop::RunFor(std::chrono::milliseconds Duration) {
  const auto deadline = std::chrono::steady_clock::now() + Duration;
  while (std::chrono::steady_clock::now() < deadline) {
    ProcessPending();
    WaitForCall(deadline);
  }
  ProcessPending();
}

void TSerEventLoop::Run() {
  for (;;) {
    std::function<void()> call;
    {
      std::unique_lock<std::mutex> lock(Mutex_);
      Wake_.wait(lock, [this] { return !Queue_.empty() || Quit_; });
      if (Quit_) return;
      call = std::move(Queue_.front());
      Queue_.pop_front();
    }
    call();
  }
}

void TSerEventLoop::Quit() {
  {
    std::lock_guard<std::mutex> lock(Mutex_);
    Quit_ = true;
  }
  Wake_.notify_all();
}

std::size_t TSerEventLoop::PendingCount() const {
  std::lock_guard<std::mutex> lock(Mutex_);
  return Queue_.size();
}

TSerLoopThread::TSerLoopThread() : Thread_([this] { Loop_.Run(); }) {}

TSerLoopThread::~TSerLoopThread() {
  Loop_.Quit();
  Thread_.join();
}

void TSerLoopThread::Invoke(const std::function<void()>& Call) {
  if (std::this_thread::get_id() == Thread_.get_id()) {
    Call();
    return;
  }
  std::promise<void> done;
  auto result = done.get_future();
  Loop_.Post([&] {
    try {
      Call();
      done.set_value();
    } catch (...) {
      done.set_exception(std::current_exception());
    }
  });
  result.get();
}

}  // namespace galt
