#pragma once
// A plain event loop for programs without a GUI toolkit (tests, benchmarks,
// command-line tools). TSerEventLoop is pumped by the thread that plays the
// event thread; TSerLoopThread owns a thread that pumps one.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "serial/SerDispatch.h"

namespace galt {

class TSerEventLoop : public TSerDispatcher {
 public:
  void Post(std::function<void()> Call) override;

  // Runs the calls queued at this moment (not the ones they post); answers
  // how many ran.
  std::size_t ProcessPending();
  // Runs calls as they come until Done() is true or the time is up; answers
  // Done() at the end.
  bool RunUntil(const std::function<bool()>& Done, std::chrono::milliseconds Timeout);
  // Runs calls as they come for the given time.
  void RunFor(std::chrono::milliseconds Duration);
  // Runs calls until Quit.
  void Run();
  void Quit();
  std::size_t PendingCount() const;

 private:
  bool WaitForCall(std::chrono::steady_clock::time_point Deadline);

  mutable std::mutex Mutex_;
  std::condition_variable Wake_;
  std::deque<std::function<void()>> Queue_;
  bool Quit_ = false;
};

class TSerLoopThread {
 public:
  TSerLoopThread();
  ~TSerLoopThread();
  TSerLoopThread(const TSerLoopThread&) = delete;
  TSerLoopThread& operator=(const TSerLoopThread&) = delete;

  TSerEventLoop& Loop() { return Loop_; }
  std::thread::id ThreadId() const { return Thread_.get_id(); }
  // Runs Call on the loop thread and waits for it; exceptions are passed on.
  void Invoke(const std::function<void()>& Call);

 private:
  TSerEventLoop Loop_;
  std::thread Thread_;
};

}  // namespace galt
