// The Windows window's start-up, as wWinMain runs it (port discovery and
// all), ending when the window's first paint has been drawn: prints the
// milliseconds from the process's creation to that moment.
// tools/cross/wine-bench-window.sh runs it under Wine on a virtual display.

#include <cstdio>
#include <string>

#include "app/win32/MessageLoop.h"
#include "app/win32/Unit1.h"

#include <commctrl.h>

namespace {

// The start-up's own work, without waiting for a click on a box that a
// machine with no free port would show.
class NoticedBoxes : public galt::MessageBoxes {
 public:
  void Show(galt::BoxIcon, const std::string&, const std::string& text) override {
    std::fprintf(stderr, "box: %s\n", text.c_str());
  }
};

double MsSinceCreation() {
  FILETIME created, exited, kernel, user, now;
  ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
  ::GetSystemTimePreciseAsFileTime(&now);
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(now) - ticks(created)) / 10000.0;  // 100 ns units
}

LRESULT CALLBACK AfterFirstPaint(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  const LRESULT result = ::DefSubclassProc(window, message, wParam, lParam);
  if (message == WM_PAINT) {
    std::printf("first paint %.1f ms after the process was created\n", MsSinceCreation());
    std::fflush(stdout);
    ::RemoveWindowSubclass(window, &AfterFirstPaint, 1);
    ::PostQuitMessage(0);
  }
  return result;
}

}  // namespace

int main() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
  ::InitCommonControlsEx(&controls);
  NoticedBoxes boxes;
  galt::win32::TForm1Setup setup;
  setup.boxes = &boxes;
  galt::win32::TForm1 form(setup);
  ::SetWindowSubclass(form.Handle(), &AfterFirstPaint, 1, 0);
  form.ShowCentred();
  return galt::win32::RunMessageLoop(form);
}
