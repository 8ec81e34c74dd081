#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>

#include "ports/PortProbe.h"

namespace galt {

TSerNode LookAtNode(const std::string& Path) {
  TSerNode node;
  struct stat st {};
  if (::stat(Path.c_str(), &st) != 0) return node;  // nothing there
  node.Exists = true;
  node.Device = S_ISCHR(st.st_mode);
  node.Key = {static_cast<std::uint64_t>(st.st_rdev), static_cast<std::uint64_t>(st.st_dev),
              static_cast<std::uint64_t>(st.st_ino)};
  const auto slash = Path.find_last_of('/');
  node.Name = slash == std::string::npos ? Path : Path.substr(slash + 1);
  return node;
}

bool IsSerialDevice(const std::string& Path) {
  struct stat st {};
  if (::stat(Path.c_str(), &st) != 0) return true;
  if (!S_ISCHR(st.st_mode)) return false;
  // Number 0 names no device the kernel has (a node a test machine mocks):
  // the open tells.
  std::ifstream drivers("/proc/tty/drivers");
  if (st.st_rdev == 0 || !drivers) return true;
  const unsigned major = ::major(st.st_rdev), minor = ::minor(st.st_rdev);
  // "serial  /dev/ttyS  4  64-111  serial": name, node, major, minors, type.
  std::string line;
  while (std::getline(drivers, line)) {
    std::istringstream words(line);
    std::string name, node, minors, type;
    unsigned driverMajor = 0, first = 0, last = 0;
    char dash = 0;
    if (!(words >> name >> node >> driverMajor >> minors >> type) || driverMajor != major) continue;
    std::istringstream range(minors);
    if (!(range >> first)) continue;
    if (!(range >> dash >> last)) last = first;
    if (minor >= first && minor <= last) return type == "serial" || type == "pty:slave";
  }
  return false;
}

TSerProbe ProbeDevice(const std::string& Path, bool KnownTerminal, bool AskUart) {
  TSerProbe probe;
  const int fd = ::open(Path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    probe.Error = errno;
    // EBUSY: held with TIOCEXCL by another program.
    probe.Busy = probe.Error == EBUSY;
    probe.Denied = probe.Error == EACCES || probe.Error == EPERM;
    return probe;
  }
  probe.Terminal = KnownTerminal || ::isatty(fd) == 1;
  if (probe.Terminal) {
    serial_struct info{};
    // Legacy ttyS slots exist whether or not a UART is fitted.
    if (AskUart && ::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type == PORT_UNKNOWN) probe.UartAbsent = true;
    // TIOCEXCL does not stop root, so ports are also locked with flock.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) probe.Locked = errno == EWOULDBLOCK;
  }
  ::close(fd);
  return probe;
}

}  // namespace galt
