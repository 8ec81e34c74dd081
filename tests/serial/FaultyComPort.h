#pragma once
// A COM port below the Win32 backend, played by the test: while it lives,
// every call the backend makes on a device comes here (SerUseWinApi). It
// answers as a driver does, and as faulty ones do: failing with unplug
// codes, ending or refusing comm-event waits at once, never ending a
// cancelled transfer. Completions signal the caller's OVERLAPPED event, so
// the backend waits for them as it would for a real device.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "serial/SerComm.h"

// After the component's headers (EV_ and CE_ are macros in <windows.h>).
#include "serial/win32/SerWinApi.h"

namespace galt::test {

class FaultyComPort : public TSerWinApi {
 public:
  FaultyComPort() : Replaced_(SerUseWinApi(this)) {}
  ~FaultyComPort() override { SerUseWinApi(Replaced_); }
  FaultyComPort(const FaultyComPort&) = delete;
  FaultyComPort& operator=(const FaultyComPort&) = delete;

  // Calls that fail from now on with the code (0: they work again).
  std::atomic<DWORD> OpenError{0};    // CreateFileW
  std::atomic<DWORD> StatusError{0};  // ClearCommError
  std::atomic<DWORD> ReadError{0};
  std::atomic<DWORD> WriteError{0};
  std::atomic<DWORD> WaitError{0};    // WaitCommEvent, at once
  // WaitCommEvent ends at once with no event.
  std::atomic<bool> EndWaitsAtOnce{false};
  // WaitCommEvent reports only bytes arriving while it is pending, not those
  // already queued (no event history, as some USB drivers).
  std::atomic<bool> ReportsArrivalsOnly{false};
  // SetCommMask and CancelIoEx end nothing pending; closing the handle
  // still ends everything, as on Windows, unless IgnoreClose.
  std::atomic<bool> IgnoreCancels{false};
  std::atomic<bool> IgnoreClose{false};
  // Writes stay pending until cancelled.
  std::atomic<bool> HoldWrites{false};
  // The component's waits with a time limit never run out.
  std::atomic<bool> TimeStandsStill{false};

  // Bytes come in: queued, and a pending wait ends with EV_RXCHAR.
  void Arrive(const std::string& Bytes) {
    std::lock_guard<std::mutex> lock(Mutex_);
    Queue_ += Bytes;
    EndAll(true, 0, EV_RXCHAR);
    for (auto& [record, t] : Transfers_)
      if (t.Pending && t.Into != nullptr) End(record, t, 0, 0, Take(t.Into, 1));
  }
  // Bytes that come just as the backend next arms a wait (or a read of an empty queue).
  void ArriveWithNextWait(const std::string& Bytes) {
    std::lock_guard<std::mutex> lock(Mutex_);
    Late_ += Bytes;
  }
  // The pending comm-event wait ends with Code.
  void EndPendingWait(DWORD Code) {
    std::lock_guard<std::mutex> lock(Mutex_);
    EndAll(true, Code, 0);
  }
  // Waits until a comm-event wait (IsWait) or a write is pending.
  bool PendingWithin(int Ms, bool IsWait) {
    std::unique_lock<std::mutex> lock(Mutex_);
    return Changed_.wait_for(lock, std::chrono::milliseconds(Ms), [&] {
      return std::any_of(Transfers_.begin(), Transfers_.end(),
                         [&](const auto& t) { return t.second.Pending && t.second.IsWait == IsWait; });
    });
  }
  int Closes() const { return Closes_.load(); }

  HANDLE CreateFileW(const wchar_t*, DWORD, DWORD, DWORD) override {
    if (const DWORD code = OpenError) {
      ::SetLastError(code);
      return INVALID_HANDLE_VALUE;
    }
    // A handle of the test's own, so that nothing else can take it for one of its.
    return ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  }
  BOOL CloseHandle(HANDLE Device) override {
    {
      std::lock_guard<std::mutex> lock(Mutex_);
      if (!IgnoreClose) EndAll(false, ERROR_OPERATION_ABORTED, 0);
    }
    ++Closes_;
    return ::CloseHandle(Device);
  }
  // The block set is the block read back.
  BOOL GetCommState(HANDLE, DCB* Dcb) override { *Dcb = Dcb_; return TRUE; }
  BOOL SetCommState(HANDLE, DCB* Dcb) override { Dcb_ = *Dcb; return TRUE; }
  BOOL EscapeCommFunction(HANDLE, DWORD) override { return TRUE; }
  BOOL SetupComm(HANDLE, DWORD, DWORD) override { return TRUE; }
  // Timeouts that wait for a first byte keep a read of an empty queue pending until one comes.
  BOOL SetCommTimeouts(HANDLE, COMMTIMEOUTS* Timeouts) override {
    ReadsWait_ = Timeouts->ReadTotalTimeoutMultiplier == MAXDWORD;
    return TRUE;
  }
  BOOL PurgeComm(HANDLE, DWORD) override {
    std::lock_guard<std::mutex> lock(Mutex_);
    Queue_.clear();
    return TRUE;
  }
  BOOL SetCommMask(HANDLE, DWORD) override {
    std::lock_guard<std::mutex> lock(Mutex_);
    if (!IgnoreCancels) EndAll(true, 0, 0);
    return TRUE;
  }
  BOOL ClearCommError(HANDLE, DWORD* Errors, COMSTAT* Stat) override {
    if (const DWORD code = StatusError) return Fail(code);
    std::lock_guard<std::mutex> lock(Mutex_);
    *Errors = 0;
    std::memset(Stat, 0, sizeof *Stat);
    Stat->cbInQue = static_cast<DWORD>(Queue_.size());
    return TRUE;
  }
  BOOL ReadFile(HANDLE, void* Data, DWORD Count, OVERLAPPED* Record) override {
    if (const DWORD code = ReadError) return Fail(code);
    std::lock_guard<std::mutex> lock(Mutex_);
    if (Queue_.empty()) TakeLate();
    if (Queue_.empty() && ReadsWait_) return Started(Record, {true, false, nullptr, 0, 0, static_cast<char*>(Data)});
    return Started(Record, {false, false, nullptr, Take(static_cast<char*>(Data), Count), 0});
  }
  BOOL WriteFile(HANDLE, const void*, DWORD Count, OVERLAPPED* Record) override {
    if (const DWORD code = WriteError) return Fail(code);
    std::lock_guard<std::mutex> lock(Mutex_);
    return Started(Record, {HoldWrites.load(), false, nullptr, HoldWrites ? 0 : Count, 0});
  }
  BOOL WaitCommEvent(HANDLE, DWORD* Events, OVERLAPPED* Record) override {
    std::lock_guard<std::mutex> lock(Mutex_);
    TakeLate();
    if (const DWORD code = WaitError) return Fail(code);
    const bool now = EndWaitsAtOnce || (!Queue_.empty() && !ReportsArrivalsOnly);
    if (now) *Events = Queue_.empty() || ReportsArrivalsOnly ? 0 : EV_RXCHAR;
    return Started(Record, {!now, true, Events, 0, 0});
  }
  BOOL GetOverlappedResult(HANDLE, OVERLAPPED* Record, DWORD* Done, BOOL Wait) override {
    std::unique_lock<std::mutex> lock(Mutex_);
    const auto it = Transfers_.find(Record);
    if (it == Transfers_.end()) return Fail(ERROR_INVALID_PARAMETER);
    if (it->second.Pending && !Wait) return Fail(ERROR_IO_INCOMPLETE);
    Changed_.wait(lock, [&] { return !it->second.Pending; });
    *Done = it->second.Bytes;
    return it->second.Error != 0 ? Fail(it->second.Error) : TRUE;
  }
  BOOL CancelIoEx(HANDLE, OVERLAPPED* Record) override {
    std::lock_guard<std::mutex> lock(Mutex_);
    const auto it = Transfers_.find(Record);
    if (it == Transfers_.end() || !it->second.Pending) return Fail(ERROR_NOT_FOUND);
    if (!IgnoreCancels) End(Record, it->second, ERROR_OPERATION_ABORTED, 0);
    return TRUE;
  }
  DWORD WaitForAny(DWORD Count, const HANDLE* Handles, DWORD Ms) override {
    return TSerWinApi::WaitForAny(Count, Handles, TimeStandsStill && Ms != 0 ? INFINITE : Ms);
  }

 private:
  struct Transfer {
    bool Pending = true;
    bool IsWait = false;
    DWORD* Events = nullptr;  // a wait's result goes there
    DWORD Bytes = 0;
    DWORD Error = 0;
    char* Into = nullptr;  // a pending read's byte goes there
  };

  static BOOL Fail(DWORD Code) {
    ::SetLastError(Code);
    return FALSE;
  }
  // Answers as the call that started T does.
  BOOL Started(OVERLAPPED* Record, Transfer T) {
    Transfers_[Record] = T;
    Changed_.notify_all();
    if (T.Pending) return Fail(ERROR_IO_PENDING);
    ::SetEvent(Record->hEvent);
    return TRUE;
  }
  DWORD Take(char* Into, DWORD Count) {
    const std::size_t n = std::min<std::size_t>(Count, Queue_.size());
    std::memcpy(Into, Queue_.data(), n);
    Queue_.erase(0, n);
    return static_cast<DWORD>(n);
  }
  void TakeLate() { Queue_ += std::exchange(Late_, {}); }
  void End(OVERLAPPED* Record, Transfer& T, DWORD Error, DWORD Events, DWORD Bytes = 0) {
    T.Pending = false;
    T.Error = Error;
    T.Bytes = Bytes;
    if (T.Events != nullptr) *T.Events = Events;
    ::SetEvent(Record->hEvent);
    Changed_.notify_all();
  }
  // Ends the pending waits (OnlyWaits) or every pending transfer.
  void EndAll(bool OnlyWaits, DWORD Error, DWORD Events) {
    for (auto& [record, t] : Transfers_)
      if (t.Pending && (t.IsWait || !OnlyWaits)) End(record, t, Error, Events);
  }

  TSerWinApi* Replaced_;
  std::mutex Mutex_;
  std::condition_variable Changed_;
  std::string Queue_;
  std::string Late_;
  std::atomic<bool> ReadsWait_{false};
  DCB Dcb_{};
  std::map<OVERLAPPED*, Transfer> Transfers_;
  std::atomic<int> Closes_{0};
};

}  // namespace galt::test
