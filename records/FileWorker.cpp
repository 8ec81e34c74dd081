#include "records/FileWorker.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace galt {

// What the thread uses, shared with it: a thread left stuck outlives the
// FileWorker.
struct FileWorker::Shared {
  std::mutex lock;
  std::condition_variable wake, idle;
  std::deque<std::function<void()>> tasks;
  bool running = false;  // a task is under way
  bool quit = false;
  bool started = false;
  std::thread thread;

  static void Work(const std::shared_ptr<Shared>& shared) {
    Shared& s = *shared;
    std::unique_lock<std::mutex> hold(s.lock);
    for (;;) {
      s.wake.wait(hold, [&s] { return s.quit || !s.tasks.empty(); });
      if (s.tasks.empty()) break;  // quitting, all done
      std::function<void()> task = std::move(s.tasks.front());
      s.tasks.pop_front();
      s.running = true;
      hold.unlock();
      task();
      task = nullptr;  // what it held goes before it is reported done
      hold.lock();
      s.running = false;
      s.idle.notify_all();
    }
    s.idle.notify_all();
  }
};

FileWorker::FileWorker() : shared_(std::make_shared<Shared>()) {}

FileWorker::~FileWorker() {
  Shared& s = *shared_;
  std::unique_lock<std::mutex> hold(s.lock);
  if (!s.started) return;
  s.quit = true;
  s.wake.notify_one();
  const bool done = s.idle.wait_for(hold, endWait_, [&s] { return s.tasks.empty() && !s.running; });
  // Whatever is left is dropped; a task under way ends on its own.
  s.tasks.clear();
  std::thread thread = std::move(s.thread);
  hold.unlock();
  if (done) {
    thread.join();
  } else {
    thread.detach();
  }
}

void FileWorker::Post(std::function<void()> task) {
  Shared& s = *shared_;
  std::lock_guard<std::mutex> hold(s.lock);
  s.tasks.push_back(std::move(task));
  if (!s.started) {
    s.started = true;
    s.thread = std::thread([shared = shared_] { Shared::Work(shared); });
  }
  s.wake.notify_one();
}

bool FileWorker::WaitIdle(std::chrono::steady_clock::time_point deadline, const std::function<bool()>& stop) {
  Shared& s = *shared_;
  const auto done = [&s] { return s.tasks.empty() && !s.running; };
  for (;;) {
    {
      std::unique_lock<std::mutex> hold(s.lock);
      const auto now = std::chrono::steady_clock::now();
      if (done()) return true;
      if (now >= deadline) return false;
      if (s.idle.wait_until(hold, std::min(deadline, now + std::chrono::milliseconds(50)), done)) return true;
    }
    if (stop && stop()) return false;
  }
}

void FileWorker::Abandon() { endWait_ = std::chrono::milliseconds(0); }

}  // namespace galt
