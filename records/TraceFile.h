#pragma once
// The file a line trace goes to, written off the event thread: the event
// thread only appends text to a buffer under a short lock, and a writer
// thread of its own takes whatever has gathered and writes it out. A file on
// a slow share or a full disk then delays nothing the user waits for, and
// what was traced reaches the file within moments, so a run that is killed
// still leaves its trace. The first failure stops the writing; it is kept
// for the front end to say once.

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace galt {

class TraceFile {
 public:
  // Starts the writer, which opens `path` for appending (an earlier trace
  // there is kept) when it is a plain file; TakeFailure() says when it could
  // not be opened. Waits kOpenWait at most to know.
  explicit TraceFile(const std::filesystem::path& path);
  // Writes what is left and stops the writer, waiting two seconds at most: a
  // write stuck on a share that hangs is left to itself, and the program
  // still ends.
  ~TraceFile();
  TraceFile(const TraceFile&) = delete;
  TraceFile& operator=(const TraceFile&) = delete;

  // Event thread: text to be written, lines with their own line ends.
  void Append(std::string_view text);
  // Waits until everything appended so far is written (or writing failed),
  // two seconds at most.
  void Drain();
  // What went wrong, in words for the user, the first time it is asked
  // after a failure; nothing otherwise.
  std::optional<std::string> TakeFailure();

 private:
  // What the writer uses, shared with it: a writer left stuck outlives the
  // TraceFile.
  struct Shared {
    std::ofstream file;
    std::mutex lock;
    std::condition_variable wake, drained;
    std::string pending;   // appended, not yet taken by the writer
    bool writing = false;  // the writer has taken a batch it has not written yet
    bool stop = false;
    bool done = false;     // the writer has ended
    bool failed = false;
    bool opened = false;      // the writer has tried to open the file
    bool openFailed = false;
    std::string openProblem;  // why, when the file was no plain one
  };
  static void Write(const std::shared_ptr<Shared>& shared);
  static constexpr std::chrono::milliseconds kOpenWait{200};

  std::filesystem::path path_;
  std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
  bool said_ = false;
  std::thread writer_;
};

}  // namespace galt
