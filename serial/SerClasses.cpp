#include "serial/SerClasses.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <stdexcept>
#include <system_error>
#include <typeinfo>

namespace galt {

int ThreadPriorityOffset(TThreadPriority Priority) {
  switch (Priority) {
    case tpIdle: return -15;
    case tpLowest: return -2;
    case tpLower: return -1;
    case tpNormal: return 0;
    case tpHigher: return 1;
    case tpHighest: return 2;
    case tpTimeCritical: return 15;
  }
  return 0;
}

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

void TSerPersistent::Assign(const TSerPersistent& Source) {
  if (typeid(Source) != typeid(*this)) {
    throw std::invalid_argument(std::string("Cannot assign a ") + Source.ClassName() + " to a " +
                                ClassName());
  }
  if (&Source == this) return;
  Changing();
  BeginUpdate();
  try {
    AssignProperties(Source);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  Changed();
}

void TSerPersistent::Changing() const {
  if (OnChanging_) OnChanging_();
}

void TSerPersistent::Changed() const {
  if (UpdateCount_ == 0 && OnChange_) OnChange_();
}

TSerHandleObject::~TSerHandleObject() {
  if (Handle_ >= 0) ::close(Handle_);
}

int TSerHandleObject::WaitFor(std::uint32_t Timeout) {
  pollfd p{Handle_, POLLIN, 0};
  const int ms = Timeout == Infinite ? -1 : static_cast<int>(Timeout > 0x7FFFFFFFu ? 0x7FFFFFFFu : Timeout);
  int r;
  do {
    r = ::poll(&p, 1, ms);
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
  return ::write(Handle(), &one, sizeof one) == static_cast<ssize_t>(sizeof one);
}

bool TSerEvent::Reset() {
  std::uint64_t value;
  // Non-blocking: reading an unsignalled event answers EAGAIN, which is fine.
  const ssize_t r = ::read(Handle(), &value, sizeof value);
  return r == static_cast<ssize_t>(sizeof value) || (r < 0 && errno == EAGAIN);
}

static int CreateEventFd() {
  const int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (fd < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
  return fd;
}

TSerWaitEvent::TSerWaitEvent() : TSerEvent(CreateEventFd()) {}

std::uint32_t SerTickCount() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                           static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(ms);
}

}  // namespace galt
