#pragma once
// Opening the loader's port as every front end does it: never a port that
// another program holds (it would take the device's replies), and with the
// system's reason when the open fails. PortAccess is what the port chooser
// asks of the machine; CommPortAccess is the machine itself.

#include <exception>
#include <functional>
#include <memory>
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
  bool NotSerial = false; // not opened: a file, a folder or a device no serial driver serves
  bool Denied = false;    // not opened: this account may not open it
  std::string Error;      // not opened: the component's message
  int Code = 0;           // not opened: the system's error behind it, 0 for none
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
  // The same without waiting, for a port whose open takes seconds (an
  // outgoing Bluetooth port connects to its far device first): Done runs
  // later, on the window's thread, with the opening, and IsOpen stays false
  // until then. Close abandons the open: Done never runs, and the port, if it
  // opens after all, is closed again.
  virtual void OpenInBackground(const TSerPortEntry& Entry, std::function<void(const PortOpening&)> Done) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // The device path of the open port.
  virtual std::string OpenPath() const = 0;
};

// The serial component on the ports of a port table. A background open
// runs on a thread of its own and hands its device to the component through
// the component's dispatcher (without one it opens at once).
class CommPortAccess : public PortAccess {
 public:
  CommPortAccess(TSerCustomComm& Comm, TSerPortTable Table);
  ~CommPortAccess() override;
  CommPortAccess(const CommPortAccess&) = delete;
  CommPortAccess& operator=(const CommPortAccess&) = delete;
  TSerPortScan Scan(const std::string& OwnPath) override;
  bool IsBusy(const std::string& Path) override { return PortIsBusy(Path); }
  PortOpening Open(const TSerPortEntry& Entry) override;
  void OpenInBackground(const TSerPortEntry& Entry, std::function<void(const PortOpening&)> Done) override;
  void Close() override;
  bool IsOpen() const override { return comm_.IsOpen(); }
  std::string OpenPath() const override;

 private:
  struct Background;
  // The window's thread: the device Opened opened (or its Error) becomes
  // cp1's open port, and its Done is told.
  void Adopt(Background& Opened, std::unique_ptr<TSerPort> Port, const std::exception_ptr& Error);
  void Abandon();

  TSerCustomComm& comm_;
  TSerPortTable table_;
  std::shared_ptr<Background> background_;  // the open under way
  // Abandoned opens whose threads may still hold their devices.
  std::vector<std::weak_ptr<Background>> abandoned_;
};

}  // namespace galt
