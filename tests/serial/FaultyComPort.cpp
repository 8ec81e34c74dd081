#include "FaultyComPort.h"

#include <chrono>
#include <cstring>

namespace galt::test {

FaultyComPort::FaultyComPort() : Replaced_(SerUseWinApi(this)) {}

FaultyComPort::~FaultyComPort() { SerUseWinApi(Replaced_); }

BOOL FaultyComPort::Fail(DWORD Code) {
  ::SetLastError(Code);
  return FALSE;
}

void FaultyComPort::End(OVERLAPPED* Record, Transfer& T, DWORD Error, DWORD Bytes, DWORD Events) {
  T.Pending = false;
  T.Error = Error;
  T.Bytes = Bytes;
  if (T.Events != nullptr) *T.Events = Events;
  ::SetEvent(Record->hEvent);
  Changed_.notify_all();
}

BOOL FaultyComPort::Started(OVERLAPPED* Record, Transfer T) {
  Transfer& t = Transfers_[Record] = T;
  Changed_.notify_all();
  if (t.Pending) return Fail(ERROR_IO_PENDING);
  ::SetEvent(Record->hEvent);
  return TRUE;
}

HANDLE FaultyComPort::CreateFileW(const wchar_t*, DWORD, DWORD, DWORD) {
  if (const DWORD code = OpenError) {
    ::SetLastError(code);
    return INVALID_HANDLE_VALUE;
  }
  // A handle of the test's own, so that nothing else can take it for one of its.
  return ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

BOOL FaultyComPort::CloseHandle(HANDLE Device) {
  {
    std::lock_guard<std::mutex> lock(Mutex_);
    if (!IgnoreClose) {
      for (auto& [record, t] : Transfers_)
        if (t.Pending) End(record, t, ERROR_OPERATION_ABORTED, 0, 0);
    }
  }
  ++Closes_;
  return ::CloseHandle(Device);
}

BOOL FaultyComPort::PurgeComm(HANDLE, DWORD) {
  std::lock_guard<std::mutex> lock(Mutex_);
  Queue_.clear();
  return TRUE;
}

BOOL FaultyComPort::SetCommMask(HANDLE, DWORD) {
  std::lock_guard<std::mutex> lock(Mutex_);
  if (!IgnoreCancels) {
    for (auto& [record, t] : Transfers_)
      if (t.Pending && t.IsWait) End(record, t, 0, 0, 0);
  }
  return TRUE;
}

BOOL FaultyComPort::ClearCommError(HANDLE, DWORD* Errors, COMSTAT* Stat) {
  if (const DWORD code = StatusError) return Fail(code);
  std::lock_guard<std::mutex> lock(Mutex_);
  *Errors = 0;
  std::memset(Stat, 0, sizeof *Stat);
  Stat->cbInQue = static_cast<DWORD>(Queue_.size());
  return TRUE;
}

BOOL FaultyComPort::ReadFile(HANDLE, void* Data, DWORD Count, OVERLAPPED* Record) {
  if (const DWORD code = ReadError) return Fail(code);
  std::lock_guard<std::mutex> lock(Mutex_);
  const std::size_t n = std::min<std::size_t>(Count, Queue_.size());
  std::memcpy(Data, Queue_.data(), n);
  Queue_.erase(0, n);
  return Started(Record, {false, false, nullptr, static_cast<DWORD>(n), 0});
}

BOOL FaultyComPort::WriteFile(HANDLE, const void*, DWORD Count, OVERLAPPED* Record) {
  if (const DWORD code = WriteError) return Fail(code);
  std::lock_guard<std::mutex> lock(Mutex_);
  return Started(Record, {HoldWrites.load(), false, nullptr, HoldWrites ? 0 : Count, 0});
}

BOOL FaultyComPort::WaitCommEvent(HANDLE, DWORD* Events, OVERLAPPED* Record) {
  if (const DWORD code = WaitError) return Fail(code);
  std::lock_guard<std::mutex> lock(Mutex_);
  if (EndWaitsAtOnce || !Queue_.empty()) {
    *Events = Queue_.empty() ? 0 : EV_RXCHAR;
    return Started(Record, {false, true, Events, 0, 0});
  }
  return Started(Record, {true, true, Events, 0, 0});
}

BOOL FaultyComPort::GetOverlappedResult(HANDLE, OVERLAPPED* Record, DWORD* Done, BOOL Wait) {
  std::unique_lock<std::mutex> lock(Mutex_);
  const auto it = Transfers_.find(Record);
  if (it == Transfers_.end()) return Fail(ERROR_INVALID_PARAMETER);
  if (it->second.Pending && !Wait) return Fail(ERROR_IO_INCOMPLETE);
  Changed_.wait(lock, [&] { return !it->second.Pending; });
  *Done = it->second.Bytes;
  return it->second.Error != 0 ? Fail(it->second.Error) : TRUE;
}

BOOL FaultyComPort::CancelIoEx(HANDLE, OVERLAPPED* Record) {
  std::lock_guard<std::mutex> lock(Mutex_);
  const auto it = Transfers_.find(Record);
  if (it == Transfers_.end() || !it->second.Pending) return Fail(ERROR_NOT_FOUND);
  if (!IgnoreCancels) End(Record, it->second, ERROR_OPERATION_ABORTED, 0, 0);
  return TRUE;
}

void FaultyComPort::Arrive(const std::string& Bytes) {
  std::lock_guard<std::mutex> lock(Mutex_);
  Queue_ += Bytes;
  for (auto& [record, t] : Transfers_)
    if (t.Pending && t.IsWait) End(record, t, 0, 0, EV_RXCHAR);
}

void FaultyComPort::EndPendingWait(DWORD Code) {
  std::lock_guard<std::mutex> lock(Mutex_);
  for (auto& [record, t] : Transfers_)
    if (t.Pending && t.IsWait) End(record, t, Code, 0, 0);
}

bool FaultyComPort::PendingWithin(int Ms, bool Wait) {
  std::unique_lock<std::mutex> lock(Mutex_);
  return Changed_.wait_for(lock, std::chrono::milliseconds(Ms), [&] {
    for (const auto& [record, t] : Transfers_)
      if (t.Pending && t.IsWait == Wait) return true;
    return false;
  });
}

bool FaultyComPort::WaitPendingWithin(int Ms) { return PendingWithin(Ms, true); }
bool FaultyComPort::WritePendingWithin(int Ms) { return PendingWithin(Ms, false); }

}  // namespace galt::test
