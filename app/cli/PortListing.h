#pragma once
// --list: the serial ports that can be opened, one a line: the port's name
// as --port and the window take it (and its path where that differs), then
// what is known about the port.

#include <string>

#include "app/cli/ConsoleOutput.h"
#include "ports/PortDiscovery.h"

namespace galt::cli {

// A busy port: the command line has no list to choose another from.
inline const std::string kPortsBusyHintCli = "или укажите другой порт.";

// The line of one port.
std::string PortLine(const TSerPortEntry& entry);

// Prints the listed ports on stdout, and on stderr why some or all are
// missing; answers kExitOk, or kExitPort when no port can be opened.
int PrintPortList(const TSerPortScan& scan, ConsoleOutput& console);

}  // namespace galt::cli
