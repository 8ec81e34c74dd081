// Scans ports as another account, for the port tests: a fresh process, so
// nothing of the multi-threaded test process is carried into the scan.
//
//   scan_as_user UID PORTNUM=PATH...     prints "listed names|denied paths"

#include <grp.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "ports/PortDiscovery.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const auto uid = static_cast<uid_t>(std::strtoul(argv[1], nullptr, 10));
  if (::setgroups(0, nullptr) != 0 || ::setgid(uid) != 0 || ::setuid(uid) != 0) return 3;
  // Changing the account makes /proc/self root's; a sanitizer runtime still
  // needs to read it.
  ::prctl(PR_SET_DUMPABLE, 1);
  std::map<int, std::string> ports;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto eq = arg.find('=');
    if (eq == std::string::npos) return 2;
    ports[std::atoi(arg.substr(0, eq).c_str())] = arg.substr(eq + 1);
  }
  const galt::TSerPortScan scan = galt::ScanPortTable(galt::TSerPortTable(ports));
  std::string text;
  for (const auto& e : scan.Listed) text += e.Name + " ";
  text += "|";
  for (const auto& d : scan.Denied) text += d + " ";
  std::fputs(text.c_str(), stdout);
  return 0;
}
