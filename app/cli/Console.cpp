#include "app/cli/Console.h"

#include <csignal>

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include "serial/win32/WideText.h"
#else
#include <unistd.h>
#endif

namespace galt::cli {

namespace {

volatile std::sig_atomic_t g_stop = 0;

extern "C" void OnStopSignal(int) { g_stop = 1; }

#ifdef _WIN32
// The console behind the stream, or nothing.
HANDLE ConsoleOf(std::FILE* stream) {
  const auto h = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
  DWORD mode = 0;
  return h != INVALID_HANDLE_VALUE && ::GetConsoleMode(h, &mode) ? h : nullptr;
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
  std::signal(SIGINT, OnStopSignal);
  std::signal(SIGTERM, OnStopSignal);
#ifdef SIGHUP
  std::signal(SIGHUP, OnStopSignal);  // the terminal went away
#endif
}

bool StopRequested() { return g_stop != 0; }

}  // namespace galt::cli
