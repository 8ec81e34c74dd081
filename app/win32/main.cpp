// The loader on Windows: one window and its message loop, nothing read from
// the command line.

#include "app/win32/WindowsApi.h"
#include <commctrl.h>

#include "app/win32/MessageLoop.h"
#include "app/win32/Unit1.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
  ::InitCommonControlsEx(&controls);
  galt::win32::TForm1 form;
  form.OnDestroyed = [] { ::PostQuitMessage(0); };
  form.ShowCentred(show);
  return galt::win32::RunMessageLoop(form);
}
