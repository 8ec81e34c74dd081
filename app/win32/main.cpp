// The loader on Windows: one window and its message loop, one loader at a
// time; the command line asks for the help or the version, which are
// answered without a window, or names the line trace's file.

#include "app/win32/WindowsApi.h"
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/win32/MessageLoop.h"
#include "app/win32/ProgramText.h"
#include "app/win32/SingleInstance.h"
#include "app/win32/Unit1.h"
#include "frontend/FilePath.h"
#include "frontend/WindowOptions.h"
#include "winutil/WideText.h"

namespace {

// How long a second start waits for the first loader's window before it asks.
constexpr DWORD kFirstWindowMs = 5000;
const std::string kStillStarting =
    "Загрузчик ПО GALT-5R уже запущен, но его окно ещё не открылось. Нажмите «Повтор», чтобы подождать ещё.";

std::vector<std::string> Arguments() {
  int count = 0;
  wchar_t** words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; words != nullptr && i < count; ++i) args.push_back(galt::Utf8FromWide(words[i]));
  if (words != nullptr) ::LocalFree(words);
  return args;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
  const std::string program = "galt-loader";
  const galt::WindowOptions options = galt::ParseWindowOptions(Arguments());
  switch (options.action) {
    case galt::WindowAction::Help:
      galt::win32::ShowProgramText(galt::WindowHelp(program), false);
      return galt::kWindowExitOk;
    case galt::WindowAction::Version:
      galt::win32::ShowProgramText(galt::ProgramVersion(program), false);
      return galt::kWindowExitOk;
    case galt::WindowAction::Usage:
      galt::win32::ShowProgramText(galt::WindowUsageError(program, options.error), true);
      return galt::kWindowExitUsage;
    case galt::WindowAction::OpenWindow:
      break;
  }

  // A second start opens no port: the running loader comes to the front,
  // once it has a window; one that is long in coming is said, not hidden.
  galt::win32::SingleInstance instance;
  while (!instance.First()) {
    HWND window = nullptr;
    using Found = galt::win32::SingleInstance::Found;
    const Found found = instance.AwaitFirst(galt::win32::TForm1::kClassName, kFirstWindowMs, &window);
    if (found == Found::Window) {
      galt::win32::BringToFront(window);
      return galt::kWindowExitOk;
    }
    if (found == Found::Nothing &&
        ::MessageBoxW(nullptr, galt::WideFromUtf8(kStillStarting).c_str(), L"galt-loader",
                      MB_RETRYCANCEL | MB_ICONINFORMATION) != IDRETRY)
      return galt::kWindowExitOk;
  }

  // COM for the taskbar button's progress; the loader runs without it.
  const bool com = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
  ::InitCommonControlsEx(&controls);
  int code = 0;
  {
    galt::win32::TForm1Setup setup;
    if (options.trace) setup.trace = galt::FilePath(*options.trace);
    if (options.journal) setup.journal = galt::FilePath(*options.journal);
    galt::win32::TForm1 form(setup);
    form.OnDestroyed = [] { ::PostQuitMessage(0); };
    form.ShowCentred(show);
    code = galt::win32::RunMessageLoop(form);
  }
  if (com) ::CoUninitialize();
  return code;
}
