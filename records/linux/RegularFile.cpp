// RegularFile on Linux: a non-blocking open, then fstat.

#include "records/RegularFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace galt {

namespace {

FileProblem ProblemOf(int code) {
  switch (code) {
    case ENOENT: return {FileFault::Missing, code};
    case ENOTDIR: return {FileFault::NoFolder, code};
    case EISDIR: return {FileFault::Folder, code};
    case EACCES:
    case EPERM:
    case EROFS: return {FileFault::Denied, code};
    case EWOULDBLOCK:
    case ETXTBSY: return {FileFault::Busy, code};
    case ENOSPC:
    case EDQUOT: return {FileFault::NoSpace, code};
    case ENXIO:
    case ENODEV: return {FileFault::NotPlain, code};
    default: return {FileFault::Other, code};
  }
}

FileProblem KindOf(mode_t mode) {
  if (S_ISREG(mode)) return {};
  return {S_ISDIR(mode) ? FileFault::Folder : FileFault::NotPlain, 0};
}

}  // namespace

RegularFile::~RegularFile() { Close(); }

RegularFile::RegularFile(RegularFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

void RegularFile::Close() {
  if (fd_ >= 0) ::close(fd_);  // lets the lock go
  fd_ = -1;
}

RegularFile RegularFile::Open(const std::filesystem::path& path, Access access, FileProblem& problem) {
  problem = {};
  RegularFile file;
  if (access == Access::Create) {
    // Never through a link another account may have put there.
    file.fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
    if (file.fd_ < 0) problem = errno == EEXIST ? FileProblem{FileFault::Busy, errno} : ProblemOf(errno);
    return file;
  }
  // Looked at before it is opened: a serial port or a tape is never opened
  // at all.
  struct stat st{};
  if (::stat(path.c_str(), &st) == 0) {
    if ((problem = KindOf(st.st_mode))) return file;
  } else if (errno != ENOENT || access == Access::Read) {
    problem = ProblemOf(errno);
    if (problem.fault == FileFault::Missing && ::lstat(path.c_str(), &st) == 0) problem.fault = FileFault::DanglingLink;
    return file;
  } else if (::lstat(path.c_str(), &st) == 0) {
    problem = {FileFault::DanglingLink, ENOENT};
    return file;
  }
  const int flags = O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (access == Access::Read ? O_RDONLY : O_RDWR | O_APPEND | O_CREAT);
  int fd;
  while ((fd = ::open(path.c_str(), flags, 0666)) < 0 && errno == EINTR) {
  }
  if (fd < 0) {
    problem = ProblemOf(errno);
    if (problem.fault == FileFault::Missing) problem.fault = FileFault::NoFolder;  // the file itself is made
    return file;
  }
  file.fd_ = fd;
  // What was opened, whatever the path named a moment before.
  if (::fstat(fd, &st) != 0) {
    problem = ProblemOf(errno);
  } else {
    problem = KindOf(st.st_mode);
  }
  if (problem) {
    file.Close();
    return file;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return file;
}

bool RegularFile::IsOpen() const { return fd_ >= 0; }

std::ptrdiff_t RegularFile::Read(char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, size);
    if (n >= 0 || errno != EINTR) return n;
  }
}

std::ptrdiff_t RegularFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t n = ::pread(fd_, buffer, size, static_cast<off_t>(offset));
    if (n >= 0 || errno != EINTR) return n;
  }
}

std::optional<std::uint64_t> RegularFile::Size() {
  struct stat st{};
  if (::fstat(fd_, &st) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(st.st_size);
}

std::optional<RegularFile::Stamp> RegularFile::Stamped() {
  struct stat st{};
  if (::fstat(fd_, &st) != 0) return std::nullopt;
  return Stamp{static_cast<std::uint64_t>(st.st_size),
               static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

FileProblem RegularFile::TryLock() {
  int locked;
  while ((locked = ::flock(fd_, LOCK_EX | LOCK_NB)) < 0 && errno == EINTR) {
  }
  return locked == 0 ? FileProblem{} : ProblemOf(errno);
}

FileProblem RegularFile::Append(std::string_view text, std::uint64_t sizeBefore) {
  std::size_t done = 0;
  while (done < text.size()) {
    // Opened for appending: each write lands at the end, whatever it is by now.
    const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const FileProblem problem = ProblemOf(n < 0 ? errno : ENOSPC);
      // A line cut off would take the next one with it in a reader's eyes.
      while (::ftruncate(fd_, static_cast<off_t>(sizeBefore)) != 0 && errno == EINTR) {
      }
      return problem;
    }
    done += static_cast<std::size_t>(n);
  }
  return {};
}

FileProblem RegularFile::MakeReadOnly() { return ::fchmod(fd_, 0400) == 0 ? FileProblem{} : ProblemOf(errno); }

long RegularFile::LastCode() { return errno; }

}  // namespace galt
