#include "app/cli/Console.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "app/cli/CliOptions.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include <system_error>

#include "winutil/WideText.h"
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace galt::cli {

namespace {

// Set from a signal handler, and on Windows from the console's handler
// thread.
std::atomic<bool> g_stop{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// Wakes the thread that ends the process a moment after a stop request,
// once EndSoonAfterAStop has started it.
#ifdef _WIN32
HANDLE g_stopEvent = nullptr;
void WakeEnder() {
  if (g_stopEvent != nullptr) ::SetEvent(g_stopEvent);
}
#else
int g_stopPipe[2] = {-1, -1};
void WakeEnder() {
  // A write to a pipe is safe in a signal handler; errno is the
  // interrupted code's.
  const int saved = errno;
  const char byte = 1;
  if (g_stopPipe[1] >= 0 && ::write(g_stopPipe[1], &byte, 1) < 0) {
  }
  errno = saved;
}
#endif

extern "C" void OnStopSignal(int) {
  g_stop = true;
  WakeEnder();
}

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

void EndSoonAfterAStop(std::chrono::milliseconds grace) {
#ifdef _WIN32
  if (g_stopEvent != nullptr) return;
  g_stopEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (g_stopEvent == nullptr) return;
  std::thread([grace] {
    ::WaitForSingleObject(g_stopEvent, INFINITE);
#else
  if (g_stopPipe[0] >= 0 || ::pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  const int wake = g_stopPipe[0];
  ::fcntl(wake, F_SETFL, ::fcntl(wake, F_GETFL) & ~O_NONBLOCK);
  std::thread([grace, wake] {
    char byte;
    while (::read(wake, &byte, 1) < 0 && errno == EINTR) {
    }
#endif
    // The run had its time to close the port and say why it stopped; what
    // still holds it (a file on a share that stopped answering, a port's
    // open that takes seconds) must not hold the user.
    std::this_thread::sleep_for(grace);
    std::fflush(nullptr);
    std::_Exit(kExitStopped);
  }).detach();
}

#ifdef _WIN32
bool OnConsoleEvent(unsigned long event, std::chrono::milliseconds hold) {
  g_stop = true;
  WakeEnder();
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
