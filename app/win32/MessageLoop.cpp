#include "app/win32/MessageLoop.h"

#include <algorithm>
#include <vector>

#include "app/win32/Unit1.h"

namespace galt::win32 {

namespace {

// Waits at most WaitMs for a message or a handle, then handles what came;
// false once WM_QUIT has come (its code in ExitCode).
bool Step(TForm1* form, DWORD waitMs, int& exitCode) {
  std::vector<HANDLE> handles;
  if (form != nullptr) handles = form->WaitHandles();
  const auto count = static_cast<DWORD>(handles.size());
  // MWMO_INPUTAVAILABLE: messages seen but not yet taken also end the wait.
  const DWORD woke = ::MsgWaitForMultipleObjectsEx(count, handles.data(), waitMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  if (woke < WAIT_OBJECT_0 + count) form->Signalled(handles[woke - WAIT_OBJECT_0]);
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      exitCode = static_cast<int>(message.wParam);
      return false;
    }
    if (form != nullptr && form->PreTranslate(message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return true;
}

}  // namespace

int RunMessageLoop(TForm1& Form) {
  int exitCode = 0;
  while (Step(&Form, INFINITE, exitCode)) {
  }
  return exitCode;
}

bool RunMessagesUntil(TForm1* Form, const std::function<bool()>& Done, DWORD TimeoutMs) {
  const ULONGLONG end = ::GetTickCount64() + TimeoutMs;
  int exitCode = 0;
  while (!Done()) {
    const ULONGLONG now = ::GetTickCount64();
    if (now >= end) return Done();
    // Looked at again now and then: Done may turn on a worker thread.
    const DWORD wait = static_cast<DWORD>(std::min<ULONGLONG>(end - now, 20));
    if (!Step(Form, wait, exitCode)) {
      ::PostQuitMessage(exitCode);  // for the loop that waits for it
      return Done();
    }
  }
  return true;
}

}  // namespace galt::win32
