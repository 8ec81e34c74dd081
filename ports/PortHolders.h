#pragma once
// Who else holds a serial device: the processes with a descriptor open on it
// (as far as this account may look into /proc) and the holder of its lock.
// A device is named by what stat() tells of its node, links followed, so a
// link such as an emulator's /dev/ttyUSB9 -> /dev/pts/4 matches too; nothing
// is opened to find out.

#include <cstdint>
#include <string>
#include <vector>

namespace galt {

struct TSerPortHolder {
  int Pid = 0;
  std::string Command;  // the process's short name, e.g. "picocom"
  friend bool operator==(const TSerPortHolder&, const TSerPortHolder&) = default;
};

// What stat() tells about a device node: its device number, and the file
// system and inode of the node (what lock tables name).
struct TSerDeviceKey {
  std::uint64_t Rdev = 0;
  std::uint64_t Dev = 0;
  std::uint64_t Ino = 0;
};

// For each device, the other processes that hold it open or locked, each
// once, in ascending PID order. This process is never listed. Windows names
// no holders (PortHoldersWin32.cpp).
std::vector<std::vector<TSerPortHolder>> FindPortHolders(const std::vector<TSerDeviceKey>& Devices);

}  // namespace galt
