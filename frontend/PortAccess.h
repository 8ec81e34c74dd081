#pragma once
// Opening the loader's port as every front end does it: never a port that
// another program holds (it would take the device's replies), and with the
// system's reason when the open fails. PortAccess is what the port chooser
// asks of the machine; CommPortAccess is the machine itself.

#include <string>
#include <vector>

#include "ports/PortDiscovery.h"
#include "serial/SerComm.h"

namespace galt {

struct PortOpening {
  bool Opened = false;
  // Not opened: another program holds it, named when we may see it. (On
  // Windows the refused open is all that tells, and names nobody.)
  bool Busy = false;
  std::vector<TSerPortHolder> Holders;
  bool NotFound = false;  // not opened: there is no such device
  bool Denied = false;    // not opened: this account may not open it
  std::string Error;      // not opened: the component's message
};

// Opens the component on the device its DeviceName and PortNum name, unless
// another program holds that device; the port stays closed when it fails.
PortOpening OpenUnlessHeld(TSerCustomComm& Comm);

class PortAccess {
 public:
  virtual ~PortAccess() = default;
  // The ports of the machine; OwnPath is the port this program has open.
  virtual TSerPortScan Scan(const std::string& OwnPath) = 0;
  // Another program holds the port at Path now.
  virtual bool IsBusy(const std::string& Path) = 0;
  // Opens the port of Entry (closed before); it stays closed when the
  // opening says it did not open.
  virtual PortOpening Open(const TSerPortEntry& Entry) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // The device path of the open port.
  virtual std::string OpenPath() const = 0;
};

// The serial component on the ports of a port table.
class CommPortAccess : public PortAccess {
 public:
  CommPortAccess(TSerCustomComm& Comm, TSerPortTable Table) : comm_(Comm), table_(std::move(Table)) {}
  TSerPortScan Scan(const std::string& OwnPath) override;
  bool IsBusy(const std::string& Path) override { return PortIsBusy(Path); }
  PortOpening Open(const TSerPortEntry& Entry) override;
  void Close() override;
  bool IsOpen() const override { return comm_.IsOpen(); }
  std::string OpenPath() const override;
  const TSerPortTable& Table() const { return table_; }

 private:
  TSerCustomComm& comm_;
  TSerPortTable table_;
};

}  // namespace galt
