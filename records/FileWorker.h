#pragma once
// One thread for a record's file work (open, lock, read, write), done in the
// order it was asked for, so that a file that hangs (a share that stopped
// answering, a FIFO, a lock held elsewhere) holds up nothing the user waits
// for. The thread starts with the first task; a task still running when the
// worker goes is left to itself, and ends with the program.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace galt {

// How long the end of a program or an operation waits for its record files
// at most, whatever they do.
inline constexpr std::chrono::milliseconds kRecordFileDeadline{2000};
// How long a lock held elsewhere is asked for again: within the deadline,
// so that what the user is told is the lock, not a file that hangs.
inline constexpr std::chrono::milliseconds kRecordLockWait{1500};

class FileWorker {
 public:
  FileWorker();
  // Waits for what was asked until `kRecordFileDeadline` has passed (not at
  // all once abandoned), then leaves the rest.
  ~FileWorker();
  FileWorker(const FileWorker&) = delete;
  FileWorker& operator=(const FileWorker&) = delete;

  // Queues `task` after those asked before. Any thread.
  void Post(std::function<void()> task);
  // Waits until every task posted so far has run, `deadline` has come, or
  // `stop` (asked every 50 ms) answers true; true when all ran.
  bool WaitIdle(std::chrono::steady_clock::time_point deadline, const std::function<bool()>& stop = {});
  // From now on the worker's end leaves what is still running at once.
  void Abandon();

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
  std::chrono::milliseconds endWait_ = kRecordFileDeadline;
};

// Runs `task` on a worker of its own: its result, or nothing when
// `deadline` came or `stop` answered true first (the task is left to itself).
template <typename Task>
auto RunWithin(Task task, std::chrono::steady_clock::time_point deadline, const std::function<bool()>& stop = {})
    -> std::optional<decltype(task())> {
  const auto result = std::make_shared<std::optional<decltype(task())>>();
  FileWorker worker;
  worker.Post([result, task = std::move(task)] { *result = task(); });
  if (worker.WaitIdle(deadline, stop)) return std::move(*result);
  worker.Abandon();
  return std::nullopt;
}

}  // namespace galt
