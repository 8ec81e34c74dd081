#pragma once
// A machine's serial hardware, mocked for this process with umockdev: USB
// adapters, legacy UART slots and the console appear in the device database
// and as /dev nodes (pseudo-terminals whose far side the test holds). The
// process must run under umockdev-wrapper.

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "serial/PortTable.h"

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;

namespace galt::testing {

// A driver's serial settings (TIOCGSERIAL, TIOCSSERIAL): refused as by a pty,
// flags kept (ftdi_sio), or changes taken and ignored (cdc-acm, ch341).
enum class SerialSettings { None, Kept, Ignored };
// The flags now, and each flags word the port was asked to take, in order.
struct SerialFlags {
  int now = 0;
  std::vector<int> asked;
};

struct UsbAdapter {
  std::string product = "FT232R USB UART";
  std::string maker = "FTDI";
  std::string serial = "A10K3ZQ1";
  std::string driver = "ftdi_sio";
  SerialSettings settings = SerialSettings::None;
  int flags = 0;  // the driver's serial flags at plug-in
};

class MockMachine {
 public:
  MockMachine();
  ~MockMachine();
  MockMachine(const MockMachine&) = delete;
  MockMachine& operator=(const MockMachine&) = delete;

  // A USB adapter whose terminal is /dev/<name>; announced like a plug-in.
  void PlugUsb(const std::string& name, const UsbAdapter& adapter = {});
  // A legacy UART slot; type 0 is a slot with no chip fitted.
  void AddUart(const std::string& name, int type);
  void SetConsole(const std::string& active);
  // The device and its node go, announced like an unplug. The mock cannot
  // bring back a node of the same name: plug again under a new one.
  void Unplug(const std::string& name);
  // Lets other accounts read the mocked device database. Terminals plugged
  // afterwards answer no ioctl: the mock's ioctl sockets are root's alone.
  void OpenToAllUsers();
  // The test's end of a device's terminal (owned by the testbed).
  int FarSide(const std::string& name) const;
  SerialFlags SerialFlagsOf(const std::string& name) const;

  // The system's port numbering, for the names given only: the real /dev
  // stays visible under the mock, and its ports are none of the tests' business.
  static TSerPortTable Table(std::initializer_list<const char*> names);

 private:
  void AttachIoctls(const std::string& name);
  static int HandleIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* machine);

  struct Driver {
    SerialSettings settings;
    SerialFlags flags;
  };
  mutable std::mutex driversLock_;        // the mock answers ioctls on a thread of its own
  std::map<std::string, Driver> drivers_;  // by device node

  UMockdevTestbed* bed_;
  UMockdevIoctlBase* ioctls_;
  bool passIoctls_ = true;
  std::map<std::string, std::string> syspaths_;  // what to remove on unplug
  std::map<std::string, std::string> ttys_;      // the terminal's own device
  int nextBus_ = 1;
};

}  // namespace galt::testing
