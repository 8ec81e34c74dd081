// The probe of a COM port on Windows: an exclusive open, released at once.
// Discovery never probes (the system names its ports); only the look at a
// port whose open was refused because another program held it does.

#include <windows.h>

#include "ports/PortProbe.h"
#include "winutil/WideText.h"

namespace galt {

TSerNode LookAtNode(const std::string& Path) {
  TSerNode node;
  node.Exists = true;
  node.Device = true;
  const auto slash = Path.find_last_of('\\');
  node.Name = slash == std::string::npos ? Path : Path.substr(slash + 1);
  return node;
}

bool IsSerialDevice(const std::string&) { return true; }

TSerProbe ProbeDevice(const std::string& Path, bool, bool) {
  TSerProbe probe;
  HANDLE h = ::CreateFileW(WideFromUtf8(Path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                           nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    probe.Error = static_cast<int>(::GetLastError());
    // An open port of another program and a port we may not open answer
    // the same; the first is by far the likelier.
    probe.Busy = probe.Error == ERROR_ACCESS_DENIED || probe.Error == ERROR_SHARING_VIOLATION;
    return probe;
  }
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  probe.Terminal = ::GetCommState(h, &dcb) != FALSE;
  ::CloseHandle(h);
  return probe;
}

}  // namespace galt
