#pragma once
// A file the user names for a record (the journal, the line trace, a file to
// verify), used only when it is a plain file on a disk. A folder, FIFO,
// socket, device or serial port at that path is refused without waiting for
// anything: a FIFO nobody serves would hold an open forever, and opening a
// serial port raises its modem lines. On Linux the open does not block and
// fstat must then show a regular file; on Windows device names are refused
// by their form, and the handle must be one of a disk file.
//
// A share that stops answering can still hold any call here: the callers
// run them on a worker of their own (FileWorker), never on a window's thread.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace galt {

// Why a file could not be used.
enum class FileFault {
  None,
  Missing,       // no such file (to read)
  NoFolder,      // its folder is missing or is no folder
  Folder,        // the path names a folder
  NotPlain,      // a FIFO, socket, device or port
  DanglingLink,  // a link to nothing: nothing is made where it points
  Denied,
  Busy,          // locked or held open by another program
  NoSpace,
  TooLarge,      // more than the reader takes
  Other,
};

struct FileProblem {
  FileFault fault = FileFault::None;
  long code = 0;  // the system's code (errno, GetLastError), 0 when none
  explicit operator bool() const { return fault != FileFault::None; }
};

// The reason in the user's words, for a sentence about the file: "это папка,
// а не файл", "нет места на диске", ...
std::string FileProblemText(const FileProblem& problem);

class RegularFile {
 public:
  enum class Access {
    Read,    // an existing file
    Append,  // read and appended to; made when missing
    Create,  // made afresh, for the account alone; refused when there is one
  };

  RegularFile() = default;
  ~RegularFile();
  RegularFile(RegularFile&& other) noexcept;
  RegularFile& operator=(RegularFile&& other) noexcept;
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;

  // Opens `path` when it is a plain file; otherwise answers a closed file and
  // says why in `problem`.
  static RegularFile Open(const std::filesystem::path& path, Access access, FileProblem& problem);

  bool IsOpen() const;
  // The next bytes in order from the start: how many were read, 0 at the
  // end, -1 on a failure.
  std::ptrdiff_t Read(char* buffer, std::size_t size);
  // Bytes from `offset`, without moving the order Read follows.
  std::ptrdiff_t ReadAt(std::uint64_t offset, char* buffer, std::size_t size);
  // The size the system keeps for the file (never found by seeking).
  std::optional<std::uint64_t> Size();
  // What the system keeps of the file's contents (its size and last
  // change), to tell whether it changed since it was last read.
  struct Stamp {
    std::uint64_t size = 0;
    std::int64_t changed = 0;
    bool operator==(const Stamp&) const = default;
  };
  std::optional<Stamp> Stamped();

  // The file's lock for appending, taken without waiting: Busy while
  // another program holds it. Loaders of every version take the same one.
  FileProblem TryLock();
  // Writes all of `text` at the file's end; when that fails part-way the
  // file is cut back to `sizeBefore`, so no piece of it stays behind.
  FileProblem Append(std::string_view text, std::uint64_t sizeBefore);

  // Marks the file read-only: a program that opens it does so for reading.
  FileProblem MakeReadOnly();

  // The system's code of the last call that failed on this thread.
  static long LastCode();

 private:
  void Close();
#ifdef _WIN32
  void* handle_ = nullptr;
  std::uint64_t readAt_ = 0;
  bool locked_ = false;
#else
  int fd_ = -1;
#endif
};

// The whole of a plain file of at most `limit` bytes; `problem` says why not.
std::optional<std::string> ReadRegularFile(const std::filesystem::path& path, std::size_t limit,
                                           FileProblem& problem);

}  // namespace galt
