#pragma once
// The few things the command-line loader needs from the operating system
// beyond the serial component, kept here so the rest of it is portable:
// whether a stream is a terminal, a console that shows UTF-8, and a stop
// request from the keyboard or the system (Ctrl+C, a terminating signal).

#include <cstdio>

namespace galt::cli {

bool IsTerminal(std::FILE* stream);

// Makes the console show the program's UTF-8 texts (Windows consoles start
// in an OEM code page); nothing to do elsewhere.
void PrepareConsole();

// From now on Ctrl+C and termination requests only set a flag that
// StopRequested answers, so the program can close its port and say why it
// stopped.
void CatchStopRequests();
bool StopRequested();

}  // namespace galt::cli
