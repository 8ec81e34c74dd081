#pragma once
// The file a line trace goes to, written off the event thread: the event
// thread only appends text to a buffer under a short lock, and a writer
// thread of its own takes whatever has gathered and writes it out. A file on
// a slow share or a full disk then delays nothing the user waits for, and
// what was traced reaches the file within moments, so a run that is killed
// still leaves its trace. The first failure stops the writing; it is kept
// for the front end to say once.
//
// No file grows past its limit: once it holds that much, the trace goes on
// in NAME.1, then NAME.2, ..., each saying at its end where it goes on and
// at its start where it came from. A trace appended to a series that has
// grown before goes on in its first file with room.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "records/RegularFile.h"

namespace galt {

struct FileProblem;

// The size past which a trace goes on in a new file.
inline constexpr std::uintmax_t kTraceFileLimit = 50u * 1024u * 1024u;

// The file of the series of `path` numbered `n`: the path itself for 0,
// else NAME.n.
std::filesystem::path TraceFilePart(const std::filesystem::path& path, int n);

class TraceFile {
 public:
  // Starts the writer, which opens `path` (or the first file of its series
  // with room) for appending, an earlier trace there kept, when it is a plain
  // file; TakeFailure() says when it could not be opened. Waits kOpenWait at
  // most to know: a share that stops answering holds up only the writer.
  explicit TraceFile(const std::filesystem::path& path, std::uintmax_t limit = kTraceFileLimit);
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
    RegularFile file;            // checked to be a plain file, then written
    std::filesystem::path path;  // the series' first file
    int part = 0;                // the series' file being written
    std::uintmax_t size = 0;     // what that file holds
    std::uintmax_t limit = kTraceFileLimit;
    std::mutex lock;
    std::condition_variable wake, drained;
    std::string pending;   // appended, not yet taken by the writer
    bool writing = false;  // the writer has taken a batch it has not written yet
    bool stop = false;
    bool done = false;     // the writer has ended
    bool failed = false;
    std::filesystem::path failedFile;  // the file that could not be opened or written
    bool opened = false;               // the writer has tried to open the first file
    bool openFailed = false;
    std::string openProblem;  // why, when the file was no plain one
  };
  static void Write(const std::shared_ptr<Shared>& shared);
  // The first file of the series from `part` on with room (or the last).
  static int PartWithRoom(const Shared& s, int part);
  // Opens the series' file numbered `part` when it is a plain file; false,
  // and why in `problem` when known, when it could not be.
  static bool Open(Shared& s, int part, FileProblem& problem);
  // The writer, before a batch of `coming` bytes: a file that would pass
  // its limit is ended and the trace goes on in the next.
  static bool MakeRoom(Shared& s, std::size_t coming);
  static constexpr std::chrono::milliseconds kOpenWait{200};

  std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
  bool said_ = false;
  std::thread writer_;
};

}  // namespace galt
