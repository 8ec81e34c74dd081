#include "serial/SerCommThreads.h"

#include <cstring>
#include <mutex>

#include "serial/SerComm.h"
#include "serial/SerPort.h"

namespace galt {

namespace {

// Pause after a failed wait or an error that is not a hang-up, so that a
// failing device does not turn a loop into a busy one.
constexpr int kBackOffMs = 100;
// Recheck interval while received bytes sit unread: a device wait would end
// at once while they wait, so new arrivals are looked for on a timer instead.
constexpr std::uint32_t kUnreadRecheckMs = 10;
// Check interval of the output queue while a direct write drains.
constexpr std::uint32_t kTxEmptyCheckMs = 5;

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
  const TSerHandleObject* waits[] = {&StopEvent_, &Delivered_->Event, Interrupt, &Owner_.LostEvent_};
  for (;;) {
    // Reset before checking, so that a completion signalled in between is
    // not lost; earlier, unwaited calls may signal too.
    Delivered_->Event.Reset();
    if (Delivered_->Completed.load(std::memory_order_acquire) >= number) return true;
    const int r = SerWaitFirst(waits, TSerHandleObject::Infinite);
    if (r == -2) return !Terminated();
    if (r == 0 || Terminated()) return false;
    if (r == 2 || r == 3) return true;
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
  TSerPort& port = *Owner_.Port_;
  const std::uint32_t mask = Owner_.ActiveEventMask_;
  TSerEventWaiter waiter(port, mask);
  // After a direct write the output queue is watched here, unless the
  // device reports it empty itself.
  const bool watchTx = (mask & EV_TXEMPTY) != 0 && !TSerPort::ReportsTxEmpty();

  // Received bytes already announced. Open discarded what was waiting, so
  // every byte counted since is an arrival.
  std::uint64_t reported = 0;
  bool watchInput = true;
  // The device's hang-up: say so once, then leave the device alone. Said
  // first: ending the wait pending on a vanished device can take a driver a
  // while.
  auto lost = [&] {
    Owner_.ReportDeviceLost();
    waiter.Cancel();
    WaitForStop();
  };

  // Bytes that come while no wait is armed (during a delivery, or between a
  // wait's end and the next) are reported by some drivers to no wait at all:
  // after a delivery of received bytes the input queue is looked at before
  // the next wait.
  bool lookFirst = false;
  while (!Terminated()) {
    const bool txWatch = watchTx && Owner_.TxWatch_.load();
    std::uint32_t timeout = watchInput ? TSerHandleObject::Infinite : kUnreadRecheckMs;
    if (txWatch && timeout > kTxEmptyCheckMs) timeout = kTxEmptyCheckMs;
    const TSerHandleObject* signals[] = {&StopEvent_, &Owner_.LostEvent_,
                                         watchTx && !txWatch ? &Owner_.TxKick_ : nullptr};
    const TSerDeviceWait w = lookFirst ? TSerDeviceWait{} : waiter.Wait(signals, watchInput, timeout);
    lookFirst = false;
    if (Terminated()) break;

    std::uint32_t events = 0;
    bool inputReady = false;
    if (w.Kind == TSerDeviceWait::dwSignalled && w.Signalled == 1) {
      lost();  // found gone by another thread
      break;
    }
    if (w.Kind == TSerDeviceWait::dwFailed) {
      if (SerIsHangUp(w.Error)) {
        lost();
        break;
      }
      // A wait that fails at once (a driver that cannot wait for events on
      // this device) must not spin: look at the device now and then instead.
      if (!BackOff(kBackOffMs)) break;
    }
    if (w.Kind == TSerDeviceWait::dwEvents) {
      events = w.Events & ~EV_RXCHAR;
      inputReady = w.InputReady;
    }

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
      waiter.InputSeen();
    }
    if (watchInput) {
      // Woken for input with nothing new: the bytes wait unread.
      if (inputReady && !arrived) watchInput = false;
    } else {
      watchInput = arrived || waiting == 0;
    }

    if (watchTx) {
      // Reset before looking at the flag, so that a kick is never lost.
      Owner_.TxKick_.Reset();
      std::int32_t queued = 0;
      if (Owner_.TxWatch_.load()) {
        if (const int err = port.OutQueue(queued)) {
          if (SerIsHangUp(err)) {
            lost();
            break;
          }
        } else if (queued == 0 && Owner_.TxWatch_.exchange(false)) {
          events |= EV_TXEMPTY;
        }
      }
    }

    events &= mask;
    if (events != 0 && !Terminated()) {
      if (!HandOver(events, true)) break;
      lookFirst = (events & EV_RXCHAR) != 0;
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
  TSerPort& port = *Owner_.Port_;
  const TSerHandleObject* waits[] = {&StopEvent_, &Owner_.LostEvent_, &DataEvent_};
  const TSerHandleObject* interrupts[] = {&StopEvent_, &Owner_.LostEvent_};
  while (!Terminated()) {
    const int r = SerWaitFirst(waits, TSerHandleObject::Infinite);
    if (r == -2) {
      if (!BackOff(kBackOffMs)) break;
      continue;
    }
    if (r == 0 || Terminated()) break;
    if (r == 1) {
      StandDown();
      break;
    }
    if (r != 2) continue;

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
    // The write waits for room in the device, or for the stop or a hang-up.
    const TSerTransfer t = port.Write(data, count, TSerHandleObject::Infinite, interrupts);
    if (t.Signalled == 0 || Terminated()) break;
    if (t.Signalled == 1) {
      StandDown();
      break;
    }
    if (t.Done > 0) {
      if (!WriteCompleted(t.Done)) break;
      continue;
    }
    if (t.Error != 0 && SerIsHangUp(t.Error)) {
      // No retries and no error reports into a line that has gone.
      Owner_.ReportDeviceLost();
      StandDown();
      break;
    }
    // A failed write is reported as a line-error check and tried again; the
    // pause keeps a vanished device from turning this into a busy loop.
    if (t.Error != 0 && !HandOver(EV_ERR, false)) break;
    if (!BackOff(kBackOffMs)) break;
  }
}

}  // namespace galt
