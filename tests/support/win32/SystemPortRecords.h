#pragma once
// What Windows records of its ports, made by a test in its Wine prefix and
// removed again when the test ends: a value of the registry's SERIALCOMM (as
// a port driver writes it) and a device of the Ports setup class with its
// port name, friendly name and maker (as SetupAPI lists an installed port).
// Include after the component's headers (EV_ and CE_ are macros in
// <windows.h>).

#include <windows.h>
#include <setupapi.h>

#include <string>

namespace galt::test {

// Names a port in SERIALCOMM (making the key when it is not there), for good.
void NameSystemPort(const std::wstring& Device, const std::wstring& Name);

// The same, taken back when the test ends.
class SerialCommValue {
 public:
  // Device: the driver's device ("\Device\GaltTest12"); Name: "COM12".
  SerialCommValue(const std::wstring& Device, const std::wstring& Name);
  ~SerialCommValue();
  SerialCommValue(const SerialCommValue&) = delete;
  SerialCommValue& operator=(const SerialCommValue&) = delete;

 private:
  std::wstring Device_;
};

class PortsClassDevice {
 public:
  // InstanceId: the device's own ("BTHENUM\\..." for a Bluetooth port), or one made up;
  // LatencyTimer: the value an FTDI driver keeps beside the port name, if not 0.
  PortsClassDevice(const std::wstring& PortName, const std::wstring& FriendlyName, const std::wstring& Maker,
                   const std::wstring& InstanceId = L"", DWORD LatencyTimer = 0);
  ~PortsClassDevice();
  PortsClassDevice(const PortsClassDevice&) = delete;
  PortsClassDevice& operator=(const PortsClassDevice&) = delete;

 private:
  HDEVINFO Set_;
  SP_DEVINFO_DATA Device_{sizeof(SP_DEVINFO_DATA), {}, 0, 0};
};

}  // namespace galt::test
