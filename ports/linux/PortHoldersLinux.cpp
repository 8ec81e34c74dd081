#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "ports/PortHolders.h"

namespace galt {

namespace {

bool AllDigits(const char* s) {
  if (*s == '\0') return false;
  for (; *s; ++s)
    if (*s < '0' || *s > '9') return false;
  return true;
}

std::string CommandOf(int Pid) {
  std::ifstream in("/proc/" + std::to_string(Pid) + "/comm");
  std::string name;
  std::getline(in, name);
  return name.empty() ? "?" : name;
}

// Pseudo-terminal numbers are only unique within one instance of their file
// system; containers and private /dev set-ups mount instances of their own.
bool IsPtySlave(std::uint64_t Rdev) {
  const unsigned m = major(static_cast<dev_t>(Rdev));
  return m >= 136 && m <= 143;
}

// The same node, or another node of the same device. A node is known by its
// file system and inode also where its device number is not what the kernel
// has (a mocked /dev shows made-up numbers).
bool SameDevice(const TSerDeviceKey& Device, const struct stat& St) {
  if (Device.Ino != 0 && Device.Dev == static_cast<std::uint64_t>(St.st_dev) &&
      Device.Ino == static_cast<std::uint64_t>(St.st_ino)) {
    return true;
  }
  if (Device.Rdev != static_cast<std::uint64_t>(St.st_rdev)) return false;
  return !IsPtySlave(Device.Rdev) || Device.Dev == static_cast<std::uint64_t>(St.st_dev);
}

void AddHolder(std::vector<TSerPortHolder>& Holders, int Pid) {
  for (const auto& h : Holders)
    if (h.Pid == Pid) return;
  Holders.push_back({Pid, {}});
}

// Processes whose descriptors point at one of the devices. Names are looked
// up relative to each directory: a desktop has thousands of descriptors.
void ScanDescriptors(const std::vector<TSerDeviceKey>& Devices,
                     std::vector<std::vector<TSerPortHolder>>& Holders, int Self) {
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return;
  while (const dirent* p = ::readdir(proc)) {
    if (!AllDigits(p->d_name)) continue;
    const int pid = std::atoi(p->d_name);
    if (pid == Self) continue;
    const int fdDir = ::openat(::dirfd(proc), (std::string(p->d_name) + "/fd").c_str(),
                               O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fdDir < 0) continue;  // gone, or not ours to look at
    DIR* fds = ::fdopendir(fdDir);
    if (fds == nullptr) {
      ::close(fdDir);
      continue;
    }
    while (const dirent* f = ::readdir(fds)) {
      if (!AllDigits(f->d_name)) continue;
      struct stat st {};
      // stat follows the descriptor to the file it has open; only character
      // devices can be serial ports, so most descriptors end here.
      if (::fstatat(fdDir, f->d_name, &st, 0) != 0 || !S_ISCHR(st.st_mode)) continue;
      for (std::size_t i = 0; i < Devices.size(); ++i) {
        if (SameDevice(Devices[i], st)) AddHolder(Holders[i], pid);
      }
    }
    ::closedir(fds);
  }
  ::closedir(proc);
}

// Holders of a lock on one of the nodes. /proc/locks names the node by the
// device of its file system (hex major:minor) and its inode; lines with "->"
// are waiters, not holders.
void ScanLocks(const std::vector<TSerDeviceKey>& Devices,
               std::vector<std::vector<TSerPortHolder>>& Holders, int Self) {
  std::ifstream in("/proc/locks");
  std::string line;
  while (std::getline(in, line)) {
    if (line.find("->") != std::string::npos) continue;
    std::istringstream fields(line);
    std::string id, kind, advisory, mode, where;
    int pid = 0;
    if (!(fields >> id >> kind >> advisory >> mode >> pid >> where)) continue;
    unsigned major = 0, minor = 0;
    unsigned long long ino = 0;
    if (std::sscanf(where.c_str(), "%x:%x:%llu", &major, &minor, &ino) != 3) continue;
    if (pid == Self || pid <= 0) continue;
    // The table keeps the pid of whoever took the lock, which may have ended
    // while the descriptor lives on elsewhere (found by its descriptor).
    if (::access(("/proc/" + std::to_string(pid)).c_str(), F_OK) != 0) continue;
    const auto dev = static_cast<std::uint64_t>(makedev(major, minor));
    for (std::size_t i = 0; i < Devices.size(); ++i) {
      if (Devices[i].Dev == dev && Devices[i].Ino == ino) AddHolder(Holders[i], pid);
    }
  }
}

}  // namespace

std::vector<std::vector<TSerPortHolder>> FindPortHolders(const std::vector<TSerDeviceKey>& Devices) {
  std::vector<std::vector<TSerPortHolder>> holders(Devices.size());
  if (Devices.empty()) return holders;
  const int self = static_cast<int>(::getpid());
  ScanDescriptors(Devices, holders, self);
  ScanLocks(Devices, holders, self);
  for (auto& list : holders) {
    std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.Pid < b.Pid; });
    for (auto& h : list) h.Command = CommandOf(h.Pid);
  }
  return holders;
}

}  // namespace galt
