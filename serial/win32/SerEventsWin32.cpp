// Events, waits, the tick and thread priorities on Windows: an event is an
// unnamed manual-reset event object; a wait is WaitForMultipleObjects, made
// through the backend's calls (SerWinApi.h) so that a test can hold the
// component's time limits.

#include <system_error>

#include "serial/SerClasses.h"
// After the component's headers (EV_ and CE_ are macros in <windows.h>).
#include "serial/win32/SerWinApi.h"

namespace galt {

namespace {

HANDLE AsHandle(TSerHandle Handle) { return reinterpret_cast<HANDLE>(Handle); }

TSerHandle CreateManualEvent() {
  HANDLE h = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (h == nullptr) {
    throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), "CreateEvent");
  }
  return reinterpret_cast<TSerHandle>(h);
}

}  // namespace

int CurrentThreadId() { return static_cast<int>(::GetCurrentThreadId()); }

void ApplyThreadPriority(int ThreadId, TThreadPriority Priority) {
  // THREAD_PRIORITY_* are the relative priorities themselves (-15 .. 15).
  HANDLE thread = ::OpenThread(THREAD_SET_INFORMATION, FALSE, static_cast<DWORD>(ThreadId));
  if (thread == nullptr) return;
  (void)::SetThreadPriority(thread, ThreadPriorityOffset(Priority));
  ::CloseHandle(thread);
}

TSerHandleObject::~TSerHandleObject() {
  if (Handle_ != kSerInvalidHandle && Handle_ != 0) ::CloseHandle(AsHandle(Handle_));
}

int TSerHandleObject::WaitFor(std::uint32_t Timeout) {
  const HANDLE handle = AsHandle(Handle_);
  switch (SerWinApi().WaitForAny(1, &handle, Timeout)) {
    case WAIT_OBJECT_0: return wrSignaled;
    case WAIT_TIMEOUT: return wrTimeout;
    case WAIT_ABANDONED: return wrAbandoned;
    case WAIT_FAILED: LastError_ = static_cast<int>(::GetLastError()); return wrError;
    default: return wrError;
  }
}

bool TSerEvent::Signal() { return ::SetEvent(AsHandle(Handle())) != FALSE; }

bool TSerEvent::Reset() { return ::ResetEvent(AsHandle(Handle())) != FALSE; }

TSerWaitEvent::TSerWaitEvent() : TSerEvent(CreateManualEvent()) {}

int SerWaitFirstOr(std::span<const TSerHandleObject* const> Events, TSerHandle Extra, std::uint32_t Timeout) {
  // WaitForMultipleObjects takes no empty entries: wait for the others and
  // map the answer back.
  HANDLE handles[MAXIMUM_WAIT_OBJECTS];
  int index[MAXIMUM_WAIT_OBJECTS];
  DWORD n = 0;
  const auto add = [&](HANDLE h, std::size_t i) {
    if (n == MAXIMUM_WAIT_OBJECTS) return false;
    handles[n] = h;
    index[n++] = static_cast<int>(i);
    return true;
  };
  for (std::size_t i = 0; i < Events.size(); ++i) {
    if (Events[i] != nullptr && !add(AsHandle(Events[i]->Handle()), i)) return -2;
  }
  if (Extra != 0 && !add(AsHandle(Extra), Events.size())) return -2;
  if (n == 0) {
    ::Sleep(Timeout);
    return -1;
  }
  const DWORD r = SerWinApi().WaitForAny(n, handles, Timeout);
  if (r < WAIT_OBJECT_0 + n) return index[r - WAIT_OBJECT_0];
  if (r >= WAIT_ABANDONED_0 && r < WAIT_ABANDONED_0 + n) return index[r - WAIT_ABANDONED_0];
  if (r == WAIT_TIMEOUT) return -1;
  return -2;
}

int SerWaitFirst(std::span<const TSerHandleObject* const> Events, std::uint32_t Timeout) {
  return SerWaitFirstOr(Events, 0, Timeout);
}

std::uint32_t SerTickCount() { return static_cast<std::uint32_t>(::GetTickCount64()); }

}  // namespace galt
