// The event thread's wait on Windows: WaitCommEvent on the device, with the
// thread's signals, and the look at the device between waits. A driver whose
// comm-event waits do not wait is waited on with a read of one byte instead.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>

#include "serial/SerPort.h"
#include "serial/win32/SerDeviceWin32.h"

namespace galt {

namespace {

// The event thread looks at the device at least this often: some drivers
// (Wine's on a pseudo-terminal among them) leave a comm-event wait pending
// when the device goes away, and only a status call tells.
constexpr std::uint32_t kProbeMs = 100;
// Comm-event waits in a row that end at once with nothing or are refused
// (CH340 drivers answer 87; Windows 11's CDC driver aborts them now and then,
// Wine on a pseudo-terminal every time) before the thread gives them up: it
// waits with a read of one byte from then on, which returns at the first
// byte on every driver, so no reply waits for a timer.
constexpr int kIdleEndsBeforeReading = 3;
// That read returns empty after this long with no byte, and is armed again.
constexpr DWORD kReadWaitMs = 1000;

}  // namespace

struct TSerEventWaiter::TImpl {
  TImpl(TSerPort::TState& Device, std::uint32_t EventMask) : Port(Device), Mask(EventMask) {}
  TImpl(const TImpl&) = delete;
  TImpl& operator=(const TImpl&) = delete;

  TSerPort::TState& Port;
  std::uint32_t Mask;
  std::unique_ptr<TSerIoRecord> Record = std::make_unique<TSerIoRecord>();
  bool Pending = false;
  int IdleEnds = 0;      // waits ended or refused in a row with no event of the mask
  bool Reading = false;  // waiting with a read: the driver's comm-event waits do not wait
};

TSerEventWaiter::TSerEventWaiter(TSerPort& Port, std::uint32_t Mask)
    : Impl_(std::make_unique<TImpl>(*Port.State_, Mask)) {}

TSerEventWaiter::~TSerEventWaiter() { Cancel(); }

void TSerEventWaiter::Cancel() {
  TImpl& w = *Impl_;
  if (!w.Pending) return;
  w.Pending = false;
  if (w.Reading) {
    {
      std::lock_guard<std::mutex> lock(w.Port.HeldLock);
      w.Port.Watch = nullptr;
    }
    (void)w.Port.EndPending(w.Record);
    return;
  }
  // Setting the mask again completes a pending wait.
  (void)w.Port.OnDevice([&](HANDLE d) { return w.Port.Api.SetCommMask(d, w.Mask); });
  if (w.Record->EndsWithin(kCancelStepMs)) return;
  (void)w.Port.EndPending(w.Record);
}

void TSerEventWaiter::InputSeen() { Impl_->IdleEnds = 0; }

TSerDeviceWait TSerEventWaiter::Wait(TSerSignals Signals, bool WatchInput, std::uint32_t TimeoutMs) {
  TImpl& w = *Impl_;
  TSerPort::TState& port = w.Port;
  TSerDeviceWait result;
  auto completed = [&](DWORD Events) {
    result.Kind = TSerDeviceWait::dwEvents;
    result.Events = Events & w.Mask;
    result.InputReady = (Events & EV_RXCHAR) != 0;
    return result;
  };
  auto ended = [&](DWORD Events) {
    w.IdleEnds = (Events & w.Mask) != 0 ? 0 : w.IdleEnds + 1;
    completed(Events);
    // An arrival the thread has taken already (it looked after a delivery)
    // leaves nothing waiting: no reason to stop arming waits.
    COMSTAT queues;
    if (result.InputReady && port.Queues(queues) == 0 && queues.cbInQue == 0) result.InputReady = false;
    return result;
  };
  // Bytes may be waiting: the thread looks at the input queue.
  auto input = [&] { return completed(EV_RXCHAR); };
  auto failed = [&](int Error) {
    result.Kind = TSerDeviceWait::dwFailed;
    result.Error = Error;
    return result;
  };
  // A comm-event wait aborted that we did not end (we end one only in
  // Cancel), or refused with a code that says nothing of the device, is no
  // failure: the thread looks at the device and arms the next one at once.
  auto refused = [&](int Error) {
    return Error == ERROR_OPERATION_ABORTED || !SerIsHangUp(Error) ? ended(0) : failed(Error);
  };
  auto signalled = [&](int Index) {
    result.Kind = TSerDeviceWait::dwSignalled;
    result.Signalled = Index;
    return result;
  };
  // Given up on: the device was closed under it.
  if (!w.Record || w.Record->Done == nullptr) return failed(ERROR_GEN_FAILURE);

  if (!w.Pending && WatchInput) {
    if (!w.Reading && w.IdleEnds >= kIdleEndsBeforeReading) {
      // Reads return at their first byte from now on; one of what is waiting
      // still returns at once.
      COMMTIMEOUTS t{MAXDWORD, MAXDWORD, kReadWaitMs, 0, 0};
      if (const int err = port.OnDevice([&](HANDLE d) { return port.Api.SetCommTimeouts(d, &t); })) return failed(err);
      w.Reading = true;
    }
    COMSTAT queues;
    if (w.Reading) {
      // Armed only on an empty queue, with no read of the window's between
      // the look and the read: the byte it takes is always the next one.
      std::lock_guard<std::mutex> lock(port.HeldLock);
      if (const int err = port.Queues(queues)) return failed(err);
      if (!port.Held.empty() || queues.cbInQue > 0) return input();
      w.Record->Bytes.resize(1);
      OVERLAPPED* o = w.Record->Fresh();
      const int err = port.OnDevice([&](HANDLE d) { return port.Api.ReadFile(d, w.Record->Bytes.data(), 1, o); });
      if (err != 0 && err != ERROR_IO_PENDING) return failed(err);
      port.Watch = w.Record.get();
      w.Pending = true;
    } else {
      OVERLAPPED* o = w.Record->Fresh();
      const int err = port.OnDevice([&](HANDLE d) { return port.Api.WaitCommEvent(d, &w.Record->Events, o); });
      if (err == 0) return ended(w.Record->Events);
      if (err != ERROR_IO_PENDING) return refused(err);
      w.Pending = true;
      // Bytes that came since the thread last looked (while it delivered, or
      // just now) some drivers report to no wait at all: one more look, now
      // that the wait is armed and sees what comes next.
      const int looked = port.Queues(queues);
      if (looked != 0) return failed(looked);
      if (queues.cbInQue > 0) return input();
    }
  }
  const int r = SerWaitFirstOr(Signals, w.Pending ? AsSerHandle(w.Record->Done) : 0,
                               std::min<std::uint32_t>(TimeoutMs, kProbeMs));
  if (r == -2) return failed(LastError());
  if (r == -1) return completed(0);  // time to look at the device
  if (r != static_cast<int>(Signals.size())) return signalled(r);
  w.Pending = false;
  std::int32_t n = 0;
  if (!w.Reading) {
    if (const int err = port.Collect(*w.Record, n)) return refused(err);
    return ended(w.Record->Events);
  }
  // The read has ended: its byte is held, unless a read of the window's has
  // taken it already.
  std::lock_guard<std::mutex> lock(port.HeldLock);
  if (port.Watch == nullptr) return completed(0);
  port.Watch = nullptr;
  if (const int err = port.Collect(*w.Record, n)) return failed(err);
  port.Held.append(w.Record->Bytes.data(), static_cast<std::size_t>(n));
  return n > 0 ? input() : completed(0);
}

}  // namespace galt
