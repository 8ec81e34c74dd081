#include "app/cli/Console.h"

#include <atomic>
#include <csignal>

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include <system_error>
#include <thread>

#include "winutil/WideText.h"
#else
#include <unistd.h>
#endif

namespace galt::cli {

namespace {

// Set from a signal handler, and on Windows from the console's handler
// thread.
std::atomic<bool> g_stop{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnStopSignal(int) { g_stop = true; }

#ifdef _WIN32
// The console behind the stream, or nothing.
HANDLE ConsoleOf(std::FILE* stream) {
  const auto h = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
  DWORD mode = 0;
  return h != INVALID_HANDLE_VALUE && ::GetConsoleMode(h, &mode) ? h : nullptr;
}

BOOL WINAPI ConsoleHandler(DWORD event) { return OnConsoleEvent(event) ? TRUE : FALSE; }

LRESULT CALLBACK SessionWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_QUERYENDSESSION:
      return TRUE;  // the run is stopped when the session does end
    case WM_ENDSESSION:
      if (wparam) OnConsoleEvent((lparam & ENDSESSION_LOGOFF) != 0 ? CTRL_LOGOFF_EVENT : CTRL_SHUTDOWN_EVENT);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wparam, lparam);
  }
}

// The session's window: top-level (a message-only window hears no
// broadcasts) and never shown, with a message loop of its own, so that the
// end of the session is heard whatever the main thread is doing. Returns
// once the window is there (or cannot be made).
void WatchTheSession() {
  HANDLE made = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (made == nullptr) return;
  try {
    std::thread([made] {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof wc;
      wc.lpfnWndProc = SessionWindowProc;
      wc.hInstance = ::GetModuleHandleW(nullptr);
      wc.lpszClassName = kSessionWindowClass;
      const HWND window = ::RegisterClassExW(&wc) != 0
                              ? ::CreateWindowExW(0, kSessionWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                                  wc.hInstance, nullptr)
                              : nullptr;
      ::SetEvent(made);
      if (window == nullptr) return;
      MSG message;
      while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
    }).detach();
    ::WaitForSingleObject(made, INFINITE);
  } catch (const std::system_error&) {  // no thread to be had: no watch
  }
  ::CloseHandle(made);
}
#endif

}  // namespace

bool IsTerminal(std::FILE* stream) {
#ifdef _WIN32
  return ConsoleOf(stream) != nullptr;
#else
  return ::isatty(::fileno(stream)) != 0;
#endif
}

void WriteText(std::FILE* stream, std::string_view text) {
#ifdef _WIN32
  if (HANDLE console = ConsoleOf(stream)) {
    std::fflush(stream);  // what the C library holds comes first
    const std::wstring wide = WideFromUtf8(text);
    DWORD written = 0;
    if (::WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr)) return;
  }
#endif
  std::fwrite(text.data(), 1, text.size(), stream);
}

void CatchStopRequests() {
  g_stop = false;
  std::signal(SIGINT, OnStopSignal);
  std::signal(SIGTERM, OnStopSignal);
#ifdef SIGHUP
  std::signal(SIGHUP, OnStopSignal);  // the terminal went away
#endif
#ifdef _WIN32
  // Called before the C library's own handler, which knows Ctrl+C only and
  // lets every other event end the process at once.
  static const bool added = ::SetConsoleCtrlHandler(ConsoleHandler, TRUE) != FALSE;
  (void)added;
  static const bool watched = (WatchTheSession(), true);
  (void)watched;
#endif
}

bool StopRequested() { return g_stop; }

#ifdef _WIN32
bool OnConsoleEvent(unsigned long event, std::chrono::milliseconds hold) {
  g_stop = true;
  switch (event) {
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      // Returning would end the process before the port is closed.
      ::Sleep(static_cast<DWORD>(hold.count()));
      break;
    default:
      break;
  }
  return true;
}
#endif

}  // namespace galt::cli
