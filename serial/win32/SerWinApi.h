#pragma once
// The Win32 calls the COM-port backend makes on a device, and the
// component's waits with a time limit, behind one interface. By default they
// are the system's own; a test puts a device of its own below the backend to
// show what Wine cannot: drivers that fail with unplug codes, end or refuse
// comm-event waits at once, or never finish a cancel, and a clock that stands
// still, so that what the component is told comes from events alone. Include
// after the component's headers (<windows.h> defines the EV_ and CE_ names as
// macros).

#include <windows.h>

namespace galt {

class TSerWinApi {
 public:
  virtual ~TSerWinApi() = default;

  virtual HANDLE CreateFileW(const wchar_t* Path, DWORD Access, DWORD Share, DWORD Flags);
  virtual BOOL CloseHandle(HANDLE Device);
  virtual BOOL GetCommState(HANDLE Device, DCB* Dcb);
  virtual BOOL SetCommState(HANDLE Device, DCB* Dcb);
  virtual BOOL EscapeCommFunction(HANDLE Device, DWORD Function);
  virtual BOOL SetupComm(HANDLE Device, DWORD InQueue, DWORD OutQueue);
  virtual BOOL SetCommTimeouts(HANDLE Device, COMMTIMEOUTS* Timeouts);
  virtual BOOL PurgeComm(HANDLE Device, DWORD Flags);
  virtual BOOL SetCommMask(HANDLE Device, DWORD Mask);
  virtual BOOL ClearCommError(HANDLE Device, DWORD* Errors, COMSTAT* Stat);
  virtual BOOL ReadFile(HANDLE Device, void* Data, DWORD Count, OVERLAPPED* Record);
  virtual BOOL WriteFile(HANDLE Device, const void* Data, DWORD Count, OVERLAPPED* Record);
  virtual BOOL WaitCommEvent(HANDLE Device, DWORD* Events, OVERLAPPED* Record);
  virtual BOOL GetOverlappedResult(HANDLE Device, OVERLAPPED* Record, DWORD* Done, BOOL Wait);
  virtual BOOL CancelIoEx(HANDLE Device, OVERLAPPED* Record);
  // WaitForMultipleObjects for any one of Handles (Count of them, at least one).
  virtual DWORD WaitForAny(DWORD Count, const HANDLE* Handles, DWORD Ms);
};

// The calls of ports opened from now on; nullptr restores the system's.
// Answers the calls that were in use.
TSerWinApi* SerUseWinApi(TSerWinApi* Api);
// The calls a port opened now gets.
TSerWinApi& SerWinApi();

}  // namespace galt
