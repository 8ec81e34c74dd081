#include "serial/win32/SerWinApi.h"

#include <atomic>

namespace galt {

namespace {

TSerWinApi g_system;
std::atomic<TSerWinApi*> g_inUse{&g_system};

}  // namespace

HANDLE TSerWinApi::CreateFileW(const wchar_t* Path, DWORD Access, DWORD Share, DWORD Flags) {
  return ::CreateFileW(Path, Access, Share, nullptr, OPEN_EXISTING, Flags, nullptr);
}
BOOL TSerWinApi::CloseHandle(HANDLE Device) { return ::CloseHandle(Device); }
BOOL TSerWinApi::GetCommState(HANDLE Device, DCB* Dcb) { return ::GetCommState(Device, Dcb); }
BOOL TSerWinApi::SetCommState(HANDLE Device, DCB* Dcb) { return ::SetCommState(Device, Dcb); }
BOOL TSerWinApi::EscapeCommFunction(HANDLE Device, DWORD Function) { return ::EscapeCommFunction(Device, Function); }
BOOL TSerWinApi::SetupComm(HANDLE Device, DWORD InQueue, DWORD OutQueue) {
  return ::SetupComm(Device, InQueue, OutQueue);
}
BOOL TSerWinApi::SetCommTimeouts(HANDLE Device, COMMTIMEOUTS* Timeouts) { return ::SetCommTimeouts(Device, Timeouts); }
BOOL TSerWinApi::PurgeComm(HANDLE Device, DWORD Flags) { return ::PurgeComm(Device, Flags); }
BOOL TSerWinApi::SetCommMask(HANDLE Device, DWORD Mask) { return ::SetCommMask(Device, Mask); }
BOOL TSerWinApi::ClearCommError(HANDLE Device, DWORD* Errors, COMSTAT* Stat) {
  return ::ClearCommError(Device, Errors, Stat);
}
BOOL TSerWinApi::ReadFile(HANDLE Device, void* Data, DWORD Count, OVERLAPPED* Record) {
  return ::ReadFile(Device, Data, Count, nullptr, Record);
}
BOOL TSerWinApi::WriteFile(HANDLE Device, const void* Data, DWORD Count, OVERLAPPED* Record) {
  return ::WriteFile(Device, Data, Count, nullptr, Record);
}
BOOL TSerWinApi::WaitCommEvent(HANDLE Device, DWORD* Events, OVERLAPPED* Record) {
  return ::WaitCommEvent(Device, Events, Record);
}
BOOL TSerWinApi::GetOverlappedResult(HANDLE Device, OVERLAPPED* Record, DWORD* Done, BOOL Wait) {
  return ::GetOverlappedResult(Device, Record, Done, Wait);
}
BOOL TSerWinApi::CancelIoEx(HANDLE Device, OVERLAPPED* Record) { return ::CancelIoEx(Device, Record); }
DWORD TSerWinApi::WaitForAny(DWORD Count, const HANDLE* Handles, DWORD Ms) {
  return ::WaitForMultipleObjects(Count, Handles, FALSE, Ms);
}

TSerWinApi* SerUseWinApi(TSerWinApi* Api) { return g_inUse.exchange(Api != nullptr ? Api : &g_system); }

TSerWinApi& SerWinApi() { return *g_inUse.load(); }

}  // namespace galt
