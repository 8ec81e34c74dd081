#pragma once
// What the system knows about the hardware behind a serial device node: a
// description for the user, the adapter's own serial number (to recognise a
// USB adapter that comes back under another name), whether there is hardware
// at all, and which terminals are kernel consoles.

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace galt {

struct TSerPortFacts {
  bool Hardware = false;     // the system has a device behind the node
  bool UartAbsent = false;   // a legacy UART slot with no chip fitted
  bool UartKnown = false;    // the database told whether a UART is fitted
  std::string Description;   // "FT232R USB UART, FTDI, A10K3ZQ1", or the driver
  std::string AdapterSerial; // USB serial number; empty when there is none
  bool Bluetooth = false;    // a Bluetooth serial port (Windows)
  std::uint32_t LatencyTimerMs = 0;  // an FTDI port's latency timer (Windows); 0 when not known
};

// One look at the system's device database, for one scan of the ports.
class TSerPortDescriber {
 public:
  TSerPortDescriber();
  ~TSerPortDescriber();
  TSerPortDescriber(const TSerPortDescriber&) = delete;
  TSerPortDescriber& operator=(const TSerPortDescriber&) = delete;

  // Rdev: the node's device number (0 when unknown); Name: the node's own
  // name ("ttyUSB0", "COM5"), used when the number finds nothing.
  TSerPortFacts Describe(std::uint64_t Rdev, const std::string& Name) const;

  // Names of the terminals the kernel uses as its console ("ttyS0").
  std::set<std::string> KernelConsoles() const;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> Impl_;
};

// Adds Part to a port's description ("FT232R USB UART, FTDI, A10K3ZQ1"):
// nothing when it is empty or the description already holds it (a product
// named after its maker, a friendly name holding the product).
void AppendDescription(std::string& Description, const std::string& Part);

// What the system knows of the hardware behind the port at Path (one look
// at its device database, nothing opened); nothing when there is no node.
TSerPortFacts PortFactsOf(const std::string& Path);

// The console names listed in a /proc/consoles text (first word of a line;
// Linux).
std::set<std::string> ParseProcConsoles(const std::string& Text);

// The USB adapter's serial number in a Windows device instance id
// ("USB\VID_0403&PID_6001\A10K3ZQ1" gives "A10K3ZQ1"); empty when the id
// is no USB id or Windows made the last part up (it then holds '&').
std::string AdapterSerialOfInstanceId(const std::string& InstanceId);
// The adapter's serial number from the instance ids of a port's device and
// its parents, nearest first: that of the first USB device on the way up.
// One interface of a composite device ("USB\VID_2341&PID_0043&MI_00\...")
// and FTDI's own bus ("FTDIBUS\VID_0403+PID_6001+A10K3ZQ1A\0000") lead up
// to it; any other bus (Bluetooth, ACPI, PCI) means there is none.
std::string AdapterSerialOfInstanceIds(const std::vector<std::string>& InstanceIds);

// What Windows records of one device node on the way up from a port.
struct TSerDeviceNode {
  std::string InstanceId;
  std::string BusProduct;  // the product its bus reports; empty when none
  std::string Maker;       // its manufacturer; empty when none
};

// The product and maker of a port, from its own node or, where that has
// none, from its parents up to its USB device (FTDI's bus, the interface of
// a composite device, nearest first), and the adapter's serial number.
struct TSerAdapterTexts {
  std::string Product, Maker, Serial;
};
TSerAdapterTexts AdapterTextsOfNodes(const std::vector<TSerDeviceNode>& Nodes);

}  // namespace galt
