#pragma once
// The window's thread's message loop: it waits for messages and for the
// handles the window watches (the port monitor's) at once, passes keys to
// the window before its controls get them, and dispatches the rest.

#include "app/win32/WindowsApi.h"

#include <functional>

namespace galt::win32 {

class TForm1;

// Runs until WM_QUIT; answers its exit code.
int RunMessageLoop(TForm1& Form);
// Runs until Done() holds or TimeoutMs have passed; answers Done(). For
// tests and probes; Form may be null (no window to pass keys to).
bool RunMessagesUntil(TForm1* Form, const std::function<bool()>& Done, DWORD TimeoutMs);

}  // namespace galt::win32
