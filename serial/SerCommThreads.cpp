#include "serial/SerCommThreads.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "serial/SerComm.h"
#include "serial/SerLine.h"

namespace galt {

namespace {

// Pause after a failed wait or an error that is not a hang-up, so that a
// failing device does not turn a loop into a busy one.
constexpr int kBackOffMs = 100;
// Recheck interval while received bytes sit unread: poll() would report the
// queue readable at once, so new arrivals are looked for on a timer instead.
constexpr int kUnreadRecheckMs = 10;
// Sampling interval of the modem-line counters.
constexpr int kModemSampleMs = 100;
// Check interval of the output queue while a direct write drains.
constexpr int kTxEmptyCheckMs = 5;

constexpr std::uint32_t kModemEvents = EV_CTS | EV_DSR | EV_RING | EV_RLSD;
constexpr std::uint32_t kCounterEvents = kModemEvents | EV_ERR | EV_BREAK;

int PollRetry(pollfd* Fds, nfds_t N, int TimeoutMs) {
  int r;
  do {
    r = ::poll(Fds, N, TimeoutMs);
  } while (r < 0 && errno == EINTR);
  return r;
}

int MinTimeout(int A, int B) {
  if (A < 0) return B;
  if (B < 0) return A;
  return A < B ? A : B;
}

}  // namespace

TSerCommBuffer::TSerCommBuffer(std::int32_t Capacity)
    : Data_(new std::uint8_t[Capacity > 0 ? static_cast<std::size_t>(Capacity) : 1u]),
      Capacity_(Capacity) {}

void TSerCommBuffer::Append(const void* Bytes, std::int32_t N) {
  if (N <= 0) return;
  std::memcpy(Data_.get() + Count_, Bytes, static_cast<std::size_t>(N));
  Count_ += N;
}

void TSerCommBuffer::Consume(std::int32_t N) {
  if (N <= 0) return;
  if (N > Count_) N = Count_;
  std::memmove(Data_.get(), Data_.get() + N, static_cast<std::size_t>(Count_ - N));
  Count_ -= N;
}

// ---------------------------------------------------------------------------

TSerCommThread::TSerCommThread(TSerCustomComm& Owner, std::weak_ptr<TSerDeliveryTarget> Target,
                               TThreadPriority Priority)
    : Owner_(Owner),
      Target_(std::move(Target)),
      Delivered_(std::make_shared<TDelivered>()),
      Priority_(Priority) {}

TSerCommThread::~TSerCommThread() {
  Stop();
  Join();
}

void TSerCommThread::SetPriority(TThreadPriority Value) {
  Priority_.store(Value);
  const int tid = ThreadId_.load();
  if (tid != 0) ApplyThreadPriority(tid, Value);
}

void TSerCommThread::Start() {
  Thread_ = std::thread([this] {
    const int tid = CurrentThreadId();
    ThreadId_.store(tid);
    ApplyThreadPriority(tid, Priority_.load());
    Execute();
  });
}

void TSerCommThread::Stop() {
  Terminated_.store(true, std::memory_order_release);
  StopEvent_.Signal();
}

void TSerCommThread::Join() {
  if (Thread_.joinable()) Thread_.join();
}

bool TSerCommThread::HandOver(std::uint32_t Mask, bool FromEventThread,
                              const TSerHandleObject* Interrupt) {
  TSerDispatcher* dispatcher = Owner_.Dispatcher_;
  if (dispatcher == nullptr) return !Terminated();
  const std::uint64_t number = ++Posted_;
  // The call may run after this thread has ended or the component has gone:
  // it holds its own reference to the completion record and finds the target
  // only while the port is still open.
  dispatcher->Post([target = Target_, delivered = Delivered_, number, Mask, FromEventThread] {
    if (auto t = target.lock()) t->Owner->DeliverEvents(Mask, FromEventThread);
    std::uint64_t seen = delivered->Completed.load(std::memory_order_relaxed);
    while (seen < number &&
           !delivered->Completed.compare_exchange_weak(seen, number, std::memory_order_release)) {
    }
    delivered->Event.Signal();
  });
  pollfd fds[4] = {{StopEvent_.Handle(), POLLIN, 0},
                   {Delivered_->Event.Handle(), POLLIN, 0},
                   {Interrupt != nullptr ? Interrupt->Handle() : -1, POLLIN, 0},
                   {Owner_.LostEvent_.Handle(), POLLIN, 0}};
  for (;;) {
    // Reset before checking, so that a completion signalled in between is
    // not lost; earlier, unwaited calls may signal too.
    Delivered_->Event.Reset();
    if (Delivered_->Completed.load(std::memory_order_acquire) >= number) return true;
    if (PollRetry(fds, 4, -1) < 0) return !Terminated();
    if (fds[0].revents != 0 || Terminated()) return false;
    if (fds[2].revents != 0 || fds[3].revents != 0) return true;
  }
}

bool TSerCommThread::BackOff(int Ms) {
  return StopEvent_.WaitFor(static_cast<std::uint32_t>(Ms)) != TSerHandleObject::wrSignaled &&
         !Terminated();
}

void TSerCommThread::WaitForStop() {
  while (!Terminated()) {
    if (StopEvent_.WaitFor(TSerHandleObject::Infinite) == TSerHandleObject::wrError) return;
  }
}

// ---------------------------------------------------------------------------

TSerCommEventThread::~TSerCommEventThread() {
  Stop();
  Join();
}

void TSerCommEventThread::Execute() {
  const int fd = Owner_.DeviceHandle_;
  const std::uint32_t mask = Owner_.ActiveEventMask_;
  TSerLineCounters base;
  const bool counters = (mask & kCounterEvents) != 0 && SerReadLineCounters(fd, base);

  // Received bytes already announced. Open discarded what was waiting, so
  // every byte counted since is an arrival.
  std::uint64_t reported = 0;
  bool watchInput = true;
  // The device's hang-up: say so once, then leave the descriptor alone.
  auto lost = [this] {
    Owner_.ReportDeviceLost();
    WaitForStop();
  };

  while (!Terminated()) {
    const bool txWatch = (mask & EV_TXEMPTY) != 0 && Owner_.TxWatch_.load();
    int timeout = watchInput ? -1 : kUnreadRecheckMs;
    if (counters && (mask & kModemEvents) != 0) timeout = MinTimeout(timeout, kModemSampleMs);
    if (txWatch) timeout = MinTimeout(timeout, kTxEmptyCheckMs);

    pollfd fds[4] = {{StopEvent_.Handle(), POLLIN, 0},
                     {fd, static_cast<short>(watchInput ? POLLIN : 0), 0},
                     {(mask & EV_TXEMPTY) != 0 && !txWatch ? Owner_.TxKick_.Handle() : -1, POLLIN, 0},
                     {Owner_.LostEvent_.Handle(), POLLIN, 0}};
    if (PollRetry(fds, 4, timeout) < 0) {
      if (!BackOff(kBackOffMs)) break;
      continue;
    }
    if (Terminated()) break;
    // Hung up (unplugged, or the far side of a pty closed), or found gone by
    // another thread.
    if ((fds[1].revents & (POLLHUP | POLLERR)) != 0 || fds[3].revents != 0) {
      lost();
      break;
    }
    if ((fds[1].revents & POLLNVAL) != 0) {
      if (!BackOff(kBackOffMs)) break;
      continue;
    }

    std::uint32_t events = 0;
    std::uint64_t total = 0;
    std::int32_t waiting = 0;
    if (const int err = Owner_.SampleReceived(total, waiting)) {
      if (SerIsHangUp(err)) {
        lost();
        break;
      }
      if (!BackOff(kBackOffMs)) break;
      continue;
    }
    const bool arrived = total > reported;
    if (arrived) {
      reported = total;
      events |= EV_RXCHAR;
    }
    if (watchInput) {
      if ((fds[1].revents & POLLIN) != 0 && !arrived) watchInput = false;
    } else {
      watchInput = arrived || waiting == 0;
    }

    TSerLineCounters now;
    if (counters && SerReadLineCounters(fd, now)) {
      if (now.Frame != base.Frame || now.Overrun != base.Overrun || now.Parity != base.Parity ||
          now.BufOverrun != base.BufOverrun) {
        events |= EV_ERR;
      }
      if (now.Break != base.Break) events |= EV_BREAK;
      if (now.Cts != base.Cts) events |= EV_CTS;
      if (now.Dsr != base.Dsr) events |= EV_DSR;
      if (now.Ring != base.Ring) events |= EV_RING;
      if (now.Dcd != base.Dcd) events |= EV_RLSD;
      base = now;
    }

    if ((mask & EV_TXEMPTY) != 0) {
      // Reset before looking at the flag, so that a kick is never lost.
      Owner_.TxKick_.Reset();
    }
    if ((mask & EV_TXEMPTY) != 0 && Owner_.TxWatch_.load()) {
      int queued = 0;
      if (::ioctl(fd, TIOCOUTQ, &queued) < 0) {
        if (SerIsHangUp(errno)) {
          lost();
          break;
        }
      } else if (queued == 0 && Owner_.TxWatch_.exchange(false)) {
        events |= EV_TXEMPTY;
      }
    }

    events &= mask;
    if (events != 0 && !Terminated()) {
      if (!HandOver(events, true)) break;
    }
  }
}

// ---------------------------------------------------------------------------

TSerCommWriteThread::~TSerCommWriteThread() {
  Stop();
  Join();
}

bool TSerCommWriteThread::QueueData(const void* Bytes, std::int32_t N) {
  if (N <= 0) return true;
  std::unique_lock<TSerCriticalSection> lock(Owner_.WriteLock_);
  // Checked under the lock that StandDown takes to wake this wait, so a
  // hang-up found during the wait is never missed.
  auto gone = [this] { return Owner_.DeviceLost_.load(std::memory_order_acquire); };
  if (gone()) return false;
  const std::int64_t size = Owner_.Buffers_.WriteSize();
  if (std::int64_t{Queue_.Count()} + N > size) {
    // Accepted after a wait only when the block then fits with room to spare.
    TickTimeout timeout;
    timeout.Start(static_cast<std::uint32_t>(Owner_.Buffers_.WriteTimeout()));
    for (;;) {
      const std::uint32_t now = SerTickCount();
      if (timeout.Expired(now)) return false;
      Room_.wait_for(lock, std::chrono::milliseconds(timeout.Remaining(now)));
      if (gone()) return false;
      if (std::int64_t{Queue_.Count()} + N < size) break;
    }
  }
  Queue_.Append(Bytes, N);
  DataEvent_.Signal();
  return true;
}

bool TSerCommWriteThread::WriteCompleted(std::int32_t N) {
  bool empty;
  {
    std::lock_guard<TSerCriticalSection> lock(Owner_.WriteLock_);
    Queue_.Consume(N);
    empty = Queue_.Count() == 0;
    // Decided under the lock: bytes appended meanwhile keep the event set.
    if (empty) {
      DataEvent_.Reset();
    } else {
      DataEvent_.Signal();
    }
    Room_.notify_all();
  }
  // Bytes queued while the report waits are written at once: a window that
  // writes several blocks before returning to its event loop must not find
  // the queue stalled behind its own undelivered report.
  return empty ? HandOver(EV_TXEMPTY, false, &DataEvent_) : true;
}

void TSerCommWriteThread::StandDown() {
  {
    std::lock_guard<TSerCriticalSection> lock(Owner_.WriteLock_);
    Queue_.Consume(Queue_.Count());
    DataEvent_.Reset();
    Room_.notify_all();
  }
  WaitForStop();
}

void TSerCommWriteThread::Execute() {
  const int fd = Owner_.DeviceHandle_;
  const int lostEvent = Owner_.LostEvent_.Handle();
  while (!Terminated()) {
    pollfd waits[3] = {{StopEvent_.Handle(), POLLIN, 0},
                       {lostEvent, POLLIN, 0},
                       {DataEvent_.Handle(), POLLIN, 0}};
    if (PollRetry(waits, 3, -1) < 0) {
      if (!BackOff(kBackOffMs)) break;
      continue;
    }
    if (waits[0].revents != 0 || Terminated()) break;
    if (waits[1].revents != 0) {
      StandDown();
      break;
    }
    if ((waits[2].revents & POLLIN) == 0) continue;

    const std::uint8_t* data;
    std::int32_t count;
    {
      std::lock_guard<TSerCriticalSection> lock(Owner_.WriteLock_);
      data = Queue_.Data();
      count = Queue_.Count();
      if (count == 0) {
        DataEvent_.Reset();
        continue;
      }
    }
    // The bytes before Count are only ever removed by this thread, so they
    // can be written outside the lock while the window appends behind them.
    const ssize_t n = ::write(fd, data, static_cast<std::size_t>(count));
    if (n > 0) {
      if (!WriteCompleted(static_cast<std::int32_t>(n))) break;
      continue;
    }
    const int err = n < 0 ? errno : EAGAIN;
    if (err == EINTR) continue;
    if (SerIsHangUp(err)) {
      // No retries and no error reports into a line that has gone.
      Owner_.ReportDeviceLost();
      StandDown();
      break;
    }
    if (err == EAGAIN) {
      // The device's output queue is full: wait for room or the stop.
      pollfd room[3] = {{StopEvent_.Handle(), POLLIN, 0}, {lostEvent, POLLIN, 0}, {fd, POLLOUT, 0}};
      if (PollRetry(room, 3, -1) < 0) {
        if (!BackOff(kBackOffMs)) break;
        continue;
      }
      if (room[0].revents != 0 || Terminated()) break;
      if (room[1].revents != 0) {
        StandDown();
        break;
      }
      if ((room[2].revents & POLLOUT) == 0 && !BackOff(kBackOffMs)) break;
      continue;
    }
    // A failed write is reported as a line-error check and tried again; the
    // pause keeps a vanished device from turning this into a busy loop.
    if (!HandOver(EV_ERR, false)) break;
    if (!BackOff(kBackOffMs)) break;
  }
}

}  // namespace galt
