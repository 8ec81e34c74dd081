// The serial device on Linux: a tty opened non-blocking and exclusively
// (TIOCEXCL and a lock), set up through termios2 (SerLine.cpp); transfers are
// plain reads and writes, waits are poll(), and the driver's interrupt
// counters stand in for the comm events Windows reports.

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "serial/linux/SerLine.h"
#include "serial/SerPort.h"

namespace galt {

namespace {

// Sampling interval of the modem-line counters.
constexpr std::uint32_t kModemSampleMs = 100;

constexpr std::uint32_t kModemEvents = EV_CTS | EV_DSR | EV_RING | EV_RLSD;
constexpr std::uint32_t kCounterEvents = kModemEvents | EV_ERR | EV_BREAK;

int Ioctl(int Fd, unsigned long Request, int& Value) {
  int r;
  do {
    r = ::ioctl(Fd, Request, &Value);
  } while (r < 0 && errno == EINTR);
  return r < 0 ? errno : 0;
}

}  // namespace

std::string SerSystemErrorText(int Code) {
  char buf[256];
  std::string text = ::strerror_r(Code, buf, sizeof buf);
  while (!text.empty() && (text.back() == '.' || text.back() == ' ' || text.back() == '\n' ||
                           text.back() == '\r')) {
    text.pop_back();
  }
  return text;
}

bool SerIsNoSuchDevice(int Code) { return Code == ENOENT || Code == ENXIO || Code == ENODEV; }

bool SerIsAccessDenied(int Code) { return Code == EACCES || Code == EPERM; }

// TIOCEXCL answers EBUSY; the lock, EWOULDBLOCK.
bool SerIsHeldElsewhere(int Code) { return Code == EBUSY || Code == EWOULDBLOCK; }

bool SerIsHangUp(int Code) { return Code == EIO || Code == ENODEV; }

struct TSerPort::TState {
  int Fd = -1;
  // Line errors are told by the driver's counters; Status reports what
  // changed since its last call.
  bool CountersValid = false;
  TSerLineCounters ErrorBase;
  // We set the driver's low-latency flag at open: clear it at close.
  bool DropLowLatency = false;
};

TSerPort::TSerPort(std::unique_ptr<TState> State) : State_(std::move(State)) {}

int TSerPort::Open(const std::string& Path, std::unique_ptr<TSerPort>& Port) {
  const int fd = ::open(Path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  // Exclusive use: TIOCEXCL keeps others out, the lock also keeps out root.
  // The lock comes first, so that a failed attempt never marks a port that
  // someone else holds.
  if (::flock(fd, LOCK_EX | LOCK_NB) < 0 || ::ioctl(fd, TIOCEXCL) < 0) {
    const int err = errno;
    ::close(fd);
    return err;
  }
  auto state = std::make_unique<TState>();
  state->Fd = fd;
  state->CountersValid = SerReadLineCounters(fd, state->ErrorBase);
  // Each echo's last short packet waits for an FTDI bridge's latency timer;
  // a refusal changes nothing, so it is no error.
  bool wasSet = false;
  const bool low = SerAskLowLatency(fd, wasSet);
  state->DropLowLatency = low && !wasSet;
  Port.reset(new TSerPort(std::move(state)));
  Port->LowLatency_ = low ? TSerLowLatency::Set : TSerLowLatency::Refused;
  return 0;
}

TSerPort::~TSerPort() {
  if (State_->DropLowLatency) SerDropLowLatency(State_->Fd);
  ::ioctl(State_->Fd, TIOCNXCL);
  ::close(State_->Fd);
}

TSerHandle TSerPort::Handle() const { return State_->Fd; }

int TSerPort::ApplyLine(const TSerLineConfig& Config) { return SerApplyLineConfig(State_->Fd, Config); }

// The tty layer's queue sizes are fixed: the sizes only size the component's
// own write queue.
int TSerPort::SetQueueSizes(std::int32_t, std::int32_t) { return 0; }

int TSerPort::SetImmediateReads() {
  const int flags = ::fcntl(State_->Fd, F_GETFL);
  if (flags < 0 || ::fcntl(State_->Fd, F_SETFL, flags | O_NONBLOCK) < 0) return errno;
  return 0;
}

int TSerPort::PurgeInput() { return SerDiscardInput(State_->Fd); }

// Nothing to tell the driver: the event thread samples what it needs.
int TSerPort::SetEventMask(std::uint32_t) { return 0; }

int TSerPort::Status(TSerComStat& Stat, std::uint32_t& Errors) {
  std::int32_t waiting = 0;
  std::int32_t queued = 0;
  if (const int err = InQueue(waiting)) return err;
  if (const int err = OutQueue(queued)) return err;
  Stat.cbInQue = static_cast<std::uint32_t>(waiting);
  Stat.cbOutQue = static_cast<std::uint32_t>(queued);
  TSerLineCounters now;
  TSerLineCounters& base = State_->ErrorBase;
  if (State_->CountersValid && SerReadLineCounters(State_->Fd, now)) {
    if (now.BufOverrun != base.BufOverrun) Errors |= CE_RXOVER;
    if (now.Overrun != base.Overrun) Errors |= CE_OVERRUN;
    if (now.Parity != base.Parity) Errors |= CE_RXPARITY;
    if (now.Frame != base.Frame) Errors |= CE_FRAME;
    if (now.Break != base.Break) Errors |= CE_BREAK;
    base = now;
  }
  return 0;
}

int TSerPort::InQueue(std::int32_t& Waiting) {
  int waiting = 0;
  if (const int err = Ioctl(State_->Fd, FIONREAD, waiting)) return err;
  Waiting = waiting;
  return 0;
}

int TSerPort::OutQueue(std::int32_t& Queued) {
  int queued = 0;
  if (const int err = Ioctl(State_->Fd, TIOCOUTQ, queued)) return err;
  Queued = queued;
  return 0;
}

TSerTransfer TSerPort::Read(void* Data, std::int32_t Count, std::uint32_t) {
  // Non-blocking: returns at once with what has arrived, and no transfer
  // outlives the call.
  TSerTransfer t;
  ssize_t n;
  do {
    n = ::read(State_->Fd, Data, static_cast<std::size_t>(Count));
  } while (n < 0 && errno == EINTR);
  if (n > 0) {
    t.Done = static_cast<std::int32_t>(n);
  } else if (n == 0) {
    t.Error = EIO;  // a raw, non-blocking tty reads nothing only once it has hung up
  } else if (errno != EAGAIN) {
    t.Error = errno;
  }
  return t;
}

TSerTransfer TSerPort::Write(const void* Data, std::int32_t Count, std::uint32_t TimeoutMs,
                             TSerSignals Signals) {
  TSerTransfer t;
  TickTimeout timeout;
  timeout.Start(TimeoutMs);
  for (;;) {
    const ssize_t written = ::write(State_->Fd, Data, static_cast<std::size_t>(Count));
    if (written > 0) {
      t.Done = static_cast<std::int32_t>(written);
      return t;
    }
    const int err = written < 0 ? errno : EAGAIN;
    if (err == EINTR) continue;
    if (err != EAGAIN) {
      t.Error = err;
      return t;
    }
    // The output queue is full: wait for room, the time or a signal.
    std::uint32_t ms = TSerHandleObject::Infinite;
    if (TimeoutMs != TSerHandleObject::Infinite) {
      const std::uint32_t now = SerTickCount();
      if (timeout.Expired(now)) return t;
      ms = timeout.Remaining(now);
    }
    short room = 0;
    const int r = SerWaitFirstOr(Signals, State_->Fd, POLLOUT, room, ms);
    if (r == -2) {
      t.Error = errno;
      return t;
    }
    if (r >= 0 && r < static_cast<int>(Signals.size())) {
      t.Signalled = r;
      return t;
    }
    // Room, a hang-up (the next write tells) or the time: try again.
  }
}

bool TSerPort::ReportsTxEmpty() { return false; }

// --- The event thread's wait --------------------------------------------------

struct TSerEventWaiter::TImpl {
  TImpl(int Descriptor, std::uint32_t EventMask) : Fd(Descriptor), Mask(EventMask) {
    Counters = (Mask & kCounterEvents) != 0 && SerReadLineCounters(Fd, Base);
  }
  int Fd;
  std::uint32_t Mask;
  bool Counters = false;
  TSerLineCounters Base;
};

TSerEventWaiter::TSerEventWaiter(TSerPort& Port, std::uint32_t Mask)
    : Impl_(std::make_unique<TImpl>(Port.State_->Fd, Mask)) {}

TSerEventWaiter::~TSerEventWaiter() = default;

void TSerEventWaiter::Cancel() {}

void TSerEventWaiter::InputSeen() {}

TSerDeviceWait TSerEventWaiter::Wait(TSerSignals Signals, bool WatchInput, std::uint32_t TimeoutMs) {
  TSerDeviceWait w;
  std::uint32_t timeout = TimeoutMs;
  if (Impl_->Counters && (Impl_->Mask & kModemEvents) != 0 && timeout > kModemSampleMs) {
    timeout = kModemSampleMs;
  }
  // Without POLLIN the descriptor still reports a hang-up.
  short device = 0;
  const int r = SerWaitFirstOr(Signals, Impl_->Fd, static_cast<short>(WatchInput ? POLLIN : 0), device, timeout);
  if (r == -2) {
    w.Kind = TSerDeviceWait::dwFailed;
    w.Error = errno;
    return w;
  }
  if (r >= 0 && r < static_cast<int>(Signals.size())) {
    w.Signalled = r;
    w.Kind = TSerDeviceWait::dwSignalled;
    return w;
  }
  if ((device & (POLLHUP | POLLERR)) != 0) {
    // Hung up: unplugged, or the far side of a pty closed.
    w.Kind = TSerDeviceWait::dwFailed;
    w.Error = EIO;
    return w;
  }
  if ((device & POLLNVAL) != 0) {
    w.Kind = TSerDeviceWait::dwFailed;
    w.Error = EBADF;
    return w;
  }
  w.InputReady = (device & POLLIN) != 0;

  TSerLineCounters now;
  TSerLineCounters& base = Impl_->Base;
  if (Impl_->Counters && SerReadLineCounters(Impl_->Fd, now)) {
    if (now.Frame != base.Frame || now.Overrun != base.Overrun || now.Parity != base.Parity ||
        now.BufOverrun != base.BufOverrun) {
      w.Events |= EV_ERR;
    }
    if (now.Break != base.Break) w.Events |= EV_BREAK;
    if (now.Cts != base.Cts) w.Events |= EV_CTS;
    if (now.Dsr != base.Dsr) w.Events |= EV_DSR;
    if (now.Ring != base.Ring) w.Events |= EV_RING;
    if (now.Dcd != base.Dcd) w.Events |= EV_RLSD;
    base = now;
  }
  w.Events &= Impl_->Mask;
  return w;
}

}  // namespace galt
