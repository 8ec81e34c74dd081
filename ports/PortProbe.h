#pragma once
// The probe of one port: what the system shows of its node before it is
// opened, and one open for reading and writing (without waiting) that is
// released at once; the probe never keeps a port. Per system:
// linux/PortProbeLinux.cpp, win32/PortProbeWin32.cpp.

#include <cstdint>
#include <string>

#include "ports/PortHolders.h"

namespace galt {

// What the system shows of a table path without opening it.
struct TSerNode {
  bool Exists = false;      // something is there
  bool Device = false;      // a device node (not a file or a directory)
  TSerDeviceKey Key;        // its device number and node, links followed (Linux)
  std::string Name;         // the node's own name: "ttyUSB0", "COM5"
};

TSerNode LookAtNode(const std::string& Path);

// A serial driver serves the node at Path (a UART, a USB or Bluetooth
// adapter, a pseudo-terminal such as an emulator's): on Linux a character
// device whose number /proc/tty/drivers gives to a serial or pty driver. A
// file, a folder or another device (/dev/null, a watchdog, a virtual
// console) is no port, and opening one may set it going. True when nothing
// is there (the open says so), when the system does not tell, and on
// Windows, whose port names name ports.
bool IsSerialDevice(const std::string& Path);

struct TSerProbe {
  int Error = 0;            // 0: opened; otherwise the system's error that refused it
  bool Busy = false;        // refused because another program holds the port
  bool Denied = false;      // refused because our account may not open it
  bool Terminal = false;    // opened, and it is a terminal or comm port
  bool UartAbsent = false;  // a UART slot that answers "no chip here"
  bool Locked = false;      // opened, but another open file holds its lock
};

// KnownTerminal: the device database already says it is a terminal, so the
// probe need not ask. AskUart: also ask the driver whether a UART is fitted
// (legacy slots only). Each question is a call into the driver per port.
// Windows cannot tell a port that another program holds from one we may not
// open: both come back Busy.
TSerProbe ProbeDevice(const std::string& Path, bool KnownTerminal = false, bool AskUart = false);

}  // namespace galt
