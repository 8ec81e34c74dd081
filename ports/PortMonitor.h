#pragma once
// Tells when serial ports may have come or gone: on Linux the system's
// device events for terminals, and the directories of the port table's
// nodes (so that a link made by hand or by the emulator counts too); on
// Windows changes of the registry's SERIALCOMM, where every port driver
// names its ports. It only hands out handles to wait on (descriptors on
// Linux, event objects on Windows); the owner's event loop watches them (no
// thread).

#include <memory>
#include <vector>

#include "serial/PortTable.h"
#include "serial/SerClasses.h"

namespace galt {

class TSerPortMonitor {
 public:
  explicit TSerPortMonitor(const TSerPortTable& Table);
  ~TSerPortMonitor();
  TSerPortMonitor(const TSerPortMonitor&) = delete;
  TSerPortMonitor& operator=(const TSerPortMonitor&) = delete;

  // Handles that become readable (Linux) or signalled (Windows) when
  // something may have changed.
  std::vector<TSerHandle> Handles() const;
  // Reads what is waiting without blocking; true when any of it may concern
  // a port of the table.
  bool TakeChanges();

 private:
  struct TImpl;
  std::unique_ptr<TImpl> Impl_;
};

}  // namespace galt
