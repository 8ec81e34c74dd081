#include "serial/PortDiscovery.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace galt {

int ProbePort(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  int result = 0;
  // TIOCEXCL does not stop root, so ports are also locked with flock.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) result = errno;
  ::close(fd);  // the probe never keeps a port
  return result;
}

TSerPortScan ScanPortTable(const TSerPortTable& table) {
  TSerPortScan scan;
  for (int port = table.FirstPortNum(); port <= table.LastPortNum(); ++port) {
    const auto path = table.PathOf(port);
    if (!path) continue;
    const int error = ProbePort(*path);
    if (error == 0)
      scan.Listed.push_back({port, *path});
    else if (error == EACCES || error == EPERM)
      scan.Denied.push_back(*path);
  }
  return scan;
}

}  // namespace galt
