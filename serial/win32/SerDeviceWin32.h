#pragma once
// The serial device on Windows, shared by the port (SerPortWin32.cpp) and
// the event thread's wait (SerEventWaitWin32.cpp): a COM port opened with
// CreateFileW for overlapped I/O and no sharing, set up with a DCB, SetupComm
// and SetCommTimeouts; the event thread waits in WaitCommEvent, or, on a
// driver whose comm-event waits do not wait, in a read of one byte. Every call
// on the device goes through TSerWinApi (SerWinApi.h), the system's calls
// unless a test puts its own device there.
//
// A pending operation always ends before its OVERLAPPED record goes away:
// reads and writes are cancelled and then awaited; a comm-event wait is ended
// by SetCommMask, which completes it on every driver (CancelIo does not end it
// under Wine). No wait for an end is without bound: a driver that does not
// end a cancelled transfer in time has the handle closed under it, which ends
// every transfer on the device (and keeps a thread's exit from waiting for
// its I/O); a transfer that does not end even then keeps its record, which is
// never freed.

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

#include "serial/SerPort.h"

// After the component's headers: <windows.h> defines the EV_ and CE_ names
// as macros of the same values.
#include "serial/win32/SerWinApi.h"

namespace galt {

// How long each step of ending a cancelled transfer waits for the device:
// the cancel (for a comm-event wait, SetCommMask and then the cancel), then
// the closed handle.
inline constexpr DWORD kCancelStepMs = 500;

// Some calls fail without setting an error code; say "device not working".
inline int LastError() {
  const DWORD e = ::GetLastError();
  return e != 0 ? static_cast<int>(e) : ERROR_GEN_FAILURE;
}

inline TSerHandle AsSerHandle(HANDLE Handle) { return reinterpret_cast<TSerHandle>(Handle); }

// What the system writes into while a transfer is pending: the OVERLAPPED
// record, a comm-event wait's events and a read's bytes (copied out once the
// read has ended). A record whose transfer never ends is given up, never
// freed, so that a late completion writes into memory nobody else uses.
struct TSerIoRecord {
  OVERLAPPED Overlapped{};
  DWORD Events = 0;
  std::vector<char> Bytes;
  HANDLE Done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);

  TSerIoRecord() = default;
  TSerIoRecord(const TSerIoRecord&) = delete;
  TSerIoRecord& operator=(const TSerIoRecord&) = delete;
  ~TSerIoRecord() {
    if (Done != nullptr) ::CloseHandle(Done);
  }

  // The record of the next transfer, its completion event not yet signalled.
  OVERLAPPED* Fresh() {
    std::memset(&Overlapped, 0, sizeof Overlapped);
    Overlapped.hEvent = Done;
    Events = 0;
    ::ResetEvent(Done);
    return &Overlapped;
  }
  bool EndsWithin(DWORD Ms) const { return ::WaitForSingleObject(Done, Ms) == WAIT_OBJECT_0; }
};

struct TSerPort::TState {
  explicit TState(TSerWinApi& Calls) : Api(Calls) {}
  TState(const TState&) = delete;
  TState& operator=(const TState&) = delete;
  ~TState() { CloseDevice(); }

  TSerWinApi& Api;
  // Held shared by every call on the device, alone by the close: a handle
  // closed early is never used again, not even by a call under way.
  std::shared_mutex DeviceLock;
  HANDLE Device = INVALID_HANDLE_VALUE;
  std::unique_ptr<TSerIoRecord> Reading = std::make_unique<TSerIoRecord>();  // ReadData's thread
  std::unique_ptr<TSerIoRecord> Writing = std::make_unique<TSerIoRecord>();  // the write thread, or direct writes
  // Line errors that a status call of the event thread cleared, kept for the
  // next Status: the device reports each error to one call only.
  std::atomic<std::uint32_t> KeptErrors{0};
  // The event thread's read of one byte (Watch, while it is out) and the
  // bytes it took (Held), which every read takes first. While that read is
  // out, the device's next byte is its own: nothing else reads the device,
  // so the bytes keep their order.
  std::mutex HeldLock;
  std::string Held;
  TSerIoRecord* Watch = nullptr;

  // Runs Call on the device: 0, or the system's error (ERROR_IO_PENDING for
  // a transfer under way). Once the handle has been closed early every call
  // answers ERROR_INVALID_HANDLE, which tells the device lost.
  template <class TCall>
  int OnDevice(TCall&& Call) {
    std::shared_lock lock(DeviceLock);
    if (Device == INVALID_HANDLE_VALUE) return ERROR_INVALID_HANDLE;
    return Call(Device) ? 0 : LastError();
  }

  void CloseDevice() {
    std::unique_lock lock(DeviceLock);
    if (Device == INVALID_HANDLE_VALUE) return;
    Api.CloseHandle(Device);
    Device = INVALID_HANDLE_VALUE;
  }

  // Cancels the transfer pending on Record and waits for it to end; true when
  // the cancel ended it. Otherwise the handle is closed under it (the port
  // is then without its device), and a transfer that does not end even then
  // keeps its record: Record is given up.
  bool EndPending(std::unique_ptr<TSerIoRecord>& Record) {
    (void)OnDevice([&](HANDLE d) { return Api.CancelIoEx(d, &Record->Overlapped); });
    if (Record->EndsWithin(kCancelStepMs)) return true;
    CloseDevice();
    if (!Record->EndsWithin(kCancelStepMs)) (void)Record.release();
    return false;
  }

  // The bytes a transfer that has ended moved, and its error.
  int Collect(TSerIoRecord& Record, std::int32_t& Done) {
    DWORD n = 0;
    const int err = OnDevice([&](HANDLE d) { return Api.GetOverlappedResult(d, &Record.Overlapped, &n, FALSE); });
    Done = static_cast<std::int32_t>(n);
    return err;
  }

  // Ends a transfer given up on (its time is up, or a signal came) and
  // answers what it moved; a device that had to be closed answers that it is
  // not working.
  void CancelAndCollect(std::unique_ptr<TSerIoRecord>& Record, TSerTransfer& Transfer) {
    if (!EndPending(Record)) {
      Transfer.Error = ERROR_GEN_FAILURE;
      return;
    }
    (void)Collect(*Record, Transfer.Done);  // a cancelled transfer fails, with what it moved
  }

  // Under HeldLock: the byte of an event thread's read that has ended joins
  // the held ones. One that failed is left to the event thread to tell.
  void TakeWatched() {
    std::int32_t n = 0;
    if (Watch == nullptr || !Watch->EndsWithin(0) || Collect(*Watch, n) != 0) return;
    Held.append(Watch->Bytes.data(), static_cast<std::size_t>(n));
    Watch = nullptr;
  }

  int ClearErrors(COMSTAT& Stat, std::uint32_t& Errors) {
    DWORD errors = 0;
    std::memset(&Stat, 0, sizeof Stat);
    if (const int err = OnDevice([&](HANDLE d) { return Api.ClearCommError(d, &errors, &Stat); })) return err;
    Errors = static_cast<std::uint32_t>(errors);
    return 0;
  }

  // The queue counts; line errors found on the way are kept for the next
  // status query, which reports each of them once.
  int Queues(COMSTAT& Stat) {
    std::uint32_t errors = 0;
    if (const int err = ClearErrors(Stat, errors)) return err;
    if (errors != 0) KeptErrors.fetch_or(errors);
    return 0;
  }
};

}  // namespace galt
