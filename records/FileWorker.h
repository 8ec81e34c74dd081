#pragma once
// One thread for a record's file work (open, lock, read, write), done in the
// order it was asked for, so that a file that hangs (a share that stopped
// answering, a FIFO, a lock held elsewhere) holds up nothing the user waits
// for. The thread starts with the first task; a task still running when the
// worker goes is left to itself, and ends with the program.

#include <chrono>
#include <functional>
#include <memory>

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
  // Waits for what was asked until `kRecordFileDeadline` (or the time given
  // to Abandon) has passed, then leaves the rest.
  ~FileWorker();
  FileWorker(const FileWorker&) = delete;
  FileWorker& operator=(const FileWorker&) = delete;

  // Queues `task` after those asked before. Any thread.
  void Post(std::function<void()> task);
  // Waits until every task posted so far has run, `deadline` has come, or
  // `stop` (asked every 50 ms) answers true; true when all ran.
  bool WaitIdle(std::chrono::steady_clock::time_point deadline, const std::function<bool()>& stop = {});
  // From now on the worker's end waits `wait` at most (none: at once).
  void Abandon(std::chrono::milliseconds wait = std::chrono::milliseconds(0));

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
  std::chrono::milliseconds endWait_ = kRecordFileDeadline;
};

}  // namespace galt
