// The event thread's wait on Windows: WaitCommEvent on the device, with the
// thread's signals, and the look at the device between waits.

#include <algorithm>
#include <cstdint>
#include <memory>

#include "serial/SerPort.h"
#include "serial/win32/SerDeviceWin32.h"

namespace galt {

namespace {

// The event thread looks at the device at least this often: some drivers
// (Wine's on a pseudo-terminal among them) leave a comm-event wait pending
// when the device goes away, and only a status call tells.
constexpr std::uint32_t kProbeMs = 100;
// Comm-event waits a driver may end with no event (or abort: Windows 11's
// CDC driver does so routinely, Wine on a pseudo-terminal every time) before
// the next wait is put off: such a driver would otherwise keep the event
// thread spinning. The input queue is only looked at between waits, so bytes
// that come meanwhile wait as long as the pause: it starts short after input
// (a reply's next piece is near) and doubles while the line stays quiet.
constexpr int kEmptyEndsBeforeBackOff = 3;
constexpr std::uint32_t kPutOffFirstMs = 10;
constexpr std::uint32_t kPutOffLongestMs = 50;

}  // namespace

struct TSerEventWaiter::TImpl {
  TImpl(TSerPort::TState& Device, std::uint32_t EventMask) : Port(Device), Mask(EventMask) {}
  TImpl(const TImpl&) = delete;
  TImpl& operator=(const TImpl&) = delete;

  TSerPort::TState& Port;
  std::uint32_t Mask;
  std::unique_ptr<TSerIoRecord> Record = std::make_unique<TSerIoRecord>();
  bool Pending = false;
  int EmptyEnds = 0;  // waits ended in a row with no event of the mask
  bool PutOff = false;  // the last call paused instead of waiting
  std::uint32_t PutOffMs = kPutOffFirstMs;  // the next pause
};

TSerEventWaiter::TSerEventWaiter(TSerPort& Port, std::uint32_t Mask)
    : Impl_(std::make_unique<TImpl>(*Port.State_, Mask)) {}

TSerEventWaiter::~TSerEventWaiter() { Cancel(); }

void TSerEventWaiter::Cancel() {
  TImpl& w = *Impl_;
  if (!w.Pending) return;
  w.Pending = false;
  // Setting the mask again completes a pending wait.
  (void)w.Port.OnDevice([&](HANDLE d) { return w.Port.Api.SetCommMask(d, w.Mask); });
  if (w.Record->EndsWithin(kCancelStepMs)) return;
  (void)w.Port.EndPending(w.Record);
}

void TSerEventWaiter::InputSeen() {
  Impl_->EmptyEnds = 0;
  Impl_->PutOffMs = kPutOffFirstMs;
}

TSerDeviceWait TSerEventWaiter::Wait(TSerSignals Signals, bool WatchInput, std::uint32_t TimeoutMs) {
  TImpl& w = *Impl_;
  TSerDeviceWait result;
  auto completed = [&](DWORD Events) {
    result.Kind = TSerDeviceWait::dwEvents;
    result.Events = Events & w.Mask;
    result.InputReady = (Events & EV_RXCHAR) != 0;
    return result;
  };
  auto ended = [&](DWORD Events) {
    w.EmptyEnds = (Events & w.Mask) != 0 ? 0 : w.EmptyEnds + 1;
    return completed(Events);
  };
  // A wait aborted that we did not end (we end one only in Cancel) is no
  // failure: the thread looks at the device and arms the next one at once.
  auto failed = [&](int Error) {
    if (Error == ERROR_OPERATION_ABORTED) return ended(0);
    result.Kind = TSerDeviceWait::dwFailed;
    result.Error = Error;
    return result;
  };
  auto signalled = [&](int Index) {
    result.Kind = TSerDeviceWait::dwSignalled;
    result.Signalled = Index;
    return result;
  };
  // Given up on: the device was closed under it.
  if (!w.Record || w.Record->Done == nullptr) return failed(ERROR_GEN_FAILURE);

  const DWORD timeout = std::min<std::uint32_t>(TimeoutMs, kProbeMs);
  if (!w.Pending && WatchInput) {
    // Put off, then back to the thread to look at the input queue: a driver
    // that reports only bytes arriving during a wait would never report what
    // came during the pause. The wait after that is armed at once.
    if (w.EmptyEnds >= kEmptyEndsBeforeBackOff && !w.PutOff) {
      w.PutOff = true;
      const int r = SerWaitFirstOr(Signals, 0, std::min<std::uint32_t>(timeout, w.PutOffMs));
      if (r == -2) return failed(LastError());
      if (r >= 0) return signalled(r);
      w.PutOffMs = std::min(w.PutOffMs * 2, kPutOffLongestMs);
      return completed(0);
    }
    w.PutOff = false;
    OVERLAPPED* o = w.Record->Fresh();
    const int err = w.Port.OnDevice([&](HANDLE d) { return w.Port.Api.WaitCommEvent(d, &w.Record->Events, o); });
    if (err == 0) return ended(w.Record->Events);
    if (err != ERROR_IO_PENDING) return failed(err);
    w.Pending = true;
  }
  const int r = SerWaitFirstOr(Signals, w.Pending ? AsSerHandle(w.Record->Done) : 0, timeout);
  if (r == -2) return failed(LastError());
  if (r == -1) return completed(0);  // time to look at the device
  if (r != static_cast<int>(Signals.size())) return signalled(r);
  w.Pending = false;
  std::int32_t n = 0;
  if (const int err = w.Port.Collect(*w.Record, n)) return failed(err);
  return ended(w.Record->Events);
}

}  // namespace galt
