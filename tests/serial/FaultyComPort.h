#pragma once
// A COM port below the Win32 backend, played by the test: while it lives,
// every call the backend makes on a device comes here (SerUseWinApi). It
// answers as a driver does, and as faulty ones do: failing with unplug
// codes, ending comm-event waits at once with nothing, never ending a
// cancelled transfer. Completions signal the caller's OVERLAPPED event, so
// the backend waits for them as it would for a real device.

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>

#include "serial/SerComm.h"

// After the component's headers (EV_ and CE_ are macros in <windows.h>).
#include "serial/win32/SerWinApi.h"

namespace galt::test {

class FaultyComPort : public TSerWinApi {
 public:
  FaultyComPort();
  ~FaultyComPort() override;
  FaultyComPort(const FaultyComPort&) = delete;
  FaultyComPort& operator=(const FaultyComPort&) = delete;

  // Calls that fail from now on with Code (0: they work again).
  std::atomic<DWORD> OpenError{0};    // CreateFileW
  std::atomic<DWORD> StatusError{0};  // ClearCommError
  std::atomic<DWORD> ReadError{0};
  std::atomic<DWORD> WriteError{0};
  std::atomic<DWORD> WaitError{0};    // WaitCommEvent, at once
  // WaitCommEvent ends at once with no event.
  std::atomic<bool> EndWaitsAtOnce{false};
  // SetCommMask and CancelIoEx end nothing pending; closing the handle
  // still ends everything, as on Windows, unless IgnoreClose.
  std::atomic<bool> IgnoreCancels{false};
  std::atomic<bool> IgnoreClose{false};
  // Writes stay pending until cancelled.
  std::atomic<bool> HoldWrites{false};

  // Bytes come in: queued, and a pending wait ends with EV_RXCHAR.
  void Arrive(const std::string& Bytes);
  // The pending comm-event wait ends with Code.
  void EndPendingWait(DWORD Code);
  // Waits until a comm-event wait (or a write) is pending.
  bool WaitPendingWithin(int Ms);
  bool WritePendingWithin(int Ms);
  int Closes() const { return Closes_.load(); }

  HANDLE CreateFileW(const wchar_t* Path, DWORD Access, DWORD Share, DWORD Flags) override;
  BOOL CloseHandle(HANDLE Device) override;
  BOOL SetCommState(HANDLE, DCB*) override { return TRUE; }
  BOOL EscapeCommFunction(HANDLE, DWORD) override { return TRUE; }
  BOOL SetupComm(HANDLE, DWORD, DWORD) override { return TRUE; }
  BOOL SetCommTimeouts(HANDLE, COMMTIMEOUTS*) override { return TRUE; }
  BOOL PurgeComm(HANDLE Device, DWORD Flags) override;
  BOOL SetCommMask(HANDLE Device, DWORD Mask) override;
  BOOL ClearCommError(HANDLE Device, DWORD* Errors, COMSTAT* Stat) override;
  BOOL ReadFile(HANDLE Device, void* Data, DWORD Count, OVERLAPPED* Record) override;
  BOOL WriteFile(HANDLE Device, const void* Data, DWORD Count, OVERLAPPED* Record) override;
  BOOL WaitCommEvent(HANDLE Device, DWORD* Events, OVERLAPPED* Record) override;
  BOOL GetOverlappedResult(HANDLE Device, OVERLAPPED* Record, DWORD* Done, BOOL Wait) override;
  BOOL CancelIoEx(HANDLE Device, OVERLAPPED* Record) override;

 private:
  struct Transfer {
    bool Pending = true;
    bool IsWait = false;
    DWORD* Events = nullptr;  // a wait's result goes there
    DWORD Bytes = 0;
    DWORD Error = 0;
  };
  BOOL Fail(DWORD Code);
  BOOL Started(OVERLAPPED* Record, Transfer T);  // answers as the call does
  void End(OVERLAPPED* Record, Transfer& T, DWORD Error, DWORD Bytes, DWORD Events);
  bool PendingWithin(int Ms, bool Wait);

  TSerWinApi* Replaced_;
  std::mutex Mutex_;
  std::condition_variable Changed_;
  std::string Queue_;
  std::map<OVERLAPPED*, Transfer> Transfers_;
  std::atomic<int> Closes_{0};
};

}  // namespace galt::test
