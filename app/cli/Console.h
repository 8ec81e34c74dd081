#pragma once
// The few things the command-line loader needs from the operating system
// beyond the serial component, kept here so the rest of it is portable:
// whether a stream is a terminal, writing UTF-8 text so that a Windows
// console shows it, and a stop request from the keyboard or the system
// (Ctrl+C, a terminating signal; on Windows also Ctrl+Break and closing the
// console).

#include <chrono>
#include <cstdio>
#include <string_view>

namespace galt::cli {

// A terminal, or on Windows a console (not the NUL device, which the C
// library also takes for one).
bool IsTerminal(std::FILE* stream);

// Writes UTF-8 text to the stream: to a Windows console as UTF-16 through
// WriteConsoleW (the C library hands a console the bytes one by one, which
// it shows in its code page, garbled), anywhere else (a pipe, a file, any
// Linux stream) as the bytes themselves.
void WriteText(std::FILE* stream, std::string_view text);

// From now on Ctrl+C and termination requests (on Windows also the end of
// the session) only set a flag that StopRequested answers, so the program
// can close its port and say why it stopped. No request is pending when it
// returns.
void CatchStopRequests();
bool StopRequested();

// From now on a stop request ends the process `grace` after it came, if the
// run has not ended by then itself (with kExitStopped): Ctrl+C and a termination request are
// obeyed within a second whatever the run is waiting for.
void EndSoonAfterAStop(std::chrono::milliseconds grace = std::chrono::milliseconds(900));

#ifdef _WIN32
// When the console is closed, the user logs off or the system shuts down,
// Windows ends the process as soon as the console's handler returns, and
// about 5 s later in any case; the handler holds it this long.
inline constexpr std::chrono::milliseconds kConsoleCloseHold{4500};

// Once user32 is loaded (the port listing's SetupAPI loads it), Windows
// tells the console's handler of no log-off or shut-down: a hidden window
// of the program's own, on a thread of its own, hears them instead
// (WM_QUERYENDSESSION, let pass; WM_ENDSESSION) and answers as the handler
// does. CatchStopRequests makes it; its class:
inline constexpr wchar_t kSessionWindowClass[] = L"GaltLoaderCliSession";

// The console's handler: every event (Ctrl+C, Ctrl+Break, close, log-off,
// shut-down) asks for a stop. After a close, log-off or shut-down it does
// not return for `hold`: meanwhile the main thread stops the run and closes
// the port as on Ctrl+C, and its exit (130) ends the process and this wait.
// Answers true: handled.
bool OnConsoleEvent(unsigned long event, std::chrono::milliseconds hold = kConsoleCloseHold);
#endif

}  // namespace galt::cli
