#pragma once
// The device emulator behind a COM port of the Wine rig: a thread plays the
// device on the far side of the line (tests/serial/FarSide.h), answering
// every frame the loader sends as a GALT-5R would. While it is plugged in,
// its port is named in the registry's SERIALCOMM, as a port driver does.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "FarSide.h"
#include "tools/emulator/DeviceEmulator.h"

namespace galt::test {
class SerialCommValue;
}

namespace galt::testing {

class RigDevice {
 public:
  // Takes a new COM port of the rig; the device answers once started.
  explicit RigDevice(const emu::Faults& Faults = {});
  ~RigDevice();
  RigDevice(const RigDevice&) = delete;
  RigDevice& operator=(const RigDevice&) = delete;

  const std::string& Path() const { return far_.Path(); }  // "\\.\COM12"
  std::string Name() const;                                 // "COM12"
  int PortNum() const;                                      // 12

  void Start();
  // The device goes away: the line hangs up, the thread stops.
  void HangUp();

  int SerialInFlash();
  emu::Counters Counters();

 private:
  void Serve();

  test::FarSide far_;
  std::unique_ptr<test::SerialCommValue> named_;
  std::mutex lock_;
  emu::DeviceEmulator emulator_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> hangUp_{false};
  std::thread thread_;
};

}  // namespace galt::testing
