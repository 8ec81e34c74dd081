// Events, waits, the tick and thread priorities on Linux: an event is an
// eventfd, readable while signalled; a wait is poll().

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <system_error>

#include "serial/SerClasses.h"

namespace galt {

namespace {

int PollTimeout(std::uint32_t Timeout) {
  if (Timeout == TSerHandleObject::Infinite) return -1;
  return static_cast<int>(Timeout > 0x7FFFFFFFu ? 0x7FFFFFFFu : Timeout);
}

int CreateEventFd() {
  const int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (fd < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
  return fd;
}

}  // namespace

int CurrentThreadId() { return static_cast<int>(syscall(SYS_gettid)); }

void ApplyThreadPriority(int ThreadId, TThreadPriority Priority) {
  // Linux keeps a nice value per thread: the process's value shifted by the
  // relative priority (a higher priority is a lower nice value).
  errno = 0;
  const int base = getpriority(PRIO_PROCESS, 0);
  if (base == -1 && errno != 0) return;
  int nice = base - ThreadPriorityOffset(Priority);
  if (nice < -20) nice = -20;
  if (nice > 19) nice = 19;
  (void)setpriority(PRIO_PROCESS, static_cast<id_t>(ThreadId), nice);
}

TSerHandleObject::~TSerHandleObject() {
  if (Handle_ >= 0) ::close(static_cast<int>(Handle_));
}

int TSerHandleObject::WaitFor(std::uint32_t Timeout) {
  pollfd p{static_cast<int>(Handle_), POLLIN, 0};
  int r;
  do {
    r = ::poll(&p, 1, PollTimeout(Timeout));
  } while (r < 0 && errno == EINTR);
  if (r < 0) {
    LastError_ = errno;
    return wrError;
  }
  if (r == 0) return wrTimeout;
  if (p.revents & POLLIN) return wrSignaled;
  return wrError;
}

bool TSerEvent::Signal() {
  const std::uint64_t one = 1;
  return ::write(static_cast<int>(Handle()), &one, sizeof one) == static_cast<ssize_t>(sizeof one);
}

bool TSerEvent::Reset() {
  std::uint64_t value;
  // Non-blocking: reading an unsignalled event answers EAGAIN, which is fine.
  const ssize_t r = ::read(static_cast<int>(Handle()), &value, sizeof value);
  return r == static_cast<ssize_t>(sizeof value) || (r < 0 && errno == EAGAIN);
}

TSerWaitEvent::TSerWaitEvent() : TSerEvent(CreateEventFd()) {}

int SerWaitFirstOr(std::span<const TSerHandleObject* const> Events, int Fd, short Wanted, short& Got,
                   std::uint32_t Timeout) {
  constexpr std::size_t kMax = 8;
  Got = 0;
  if (Events.size() > kMax) {
    errno = EINVAL;
    return -2;
  }
  pollfd fds[kMax + 1];
  for (std::size_t i = 0; i < Events.size(); ++i) {
    fds[i] = {Events[i] != nullptr ? static_cast<int>(Events[i]->Handle()) : -1, POLLIN, 0};
  }
  fds[Events.size()] = {Fd, Wanted, 0};  // a negative Fd is never ready
  int r;
  do {
    r = ::poll(fds, static_cast<nfds_t>(Events.size() + 1), PollTimeout(Timeout));
  } while (r < 0 && errno == EINTR);
  if (r < 0) return -2;
  for (std::size_t i = 0; i < Events.size(); ++i) {
    if (fds[i].revents != 0) return static_cast<int>(i);
  }
  Got = fds[Events.size()].revents;
  return Got != 0 ? static_cast<int>(Events.size()) : -1;
}

int SerWaitFirst(std::span<const TSerHandleObject* const> Events, std::uint32_t Timeout) {
  short unused = 0;
  return SerWaitFirstOr(Events, -1, 0, unused, Timeout);
}

std::uint32_t SerTickCount() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                           static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(ms);
}

}  // namespace galt
