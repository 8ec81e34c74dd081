#pragma once
// The few things the command-line loader needs from the operating system
// beyond the serial component, kept here so the rest of it is portable:
// whether a stream is a terminal, writing UTF-8 text so that a Windows
// console shows it, and a stop request from the keyboard or the system
// (Ctrl+C, a terminating signal).

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

// From now on Ctrl+C and termination requests only set a flag that
// StopRequested answers, so the program can close its port and say why it
// stopped.
void CatchStopRequests();
bool StopRequested();

}  // namespace galt::cli
