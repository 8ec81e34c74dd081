#pragma once
// A virtual device that can be pulled out and plugged in again under the
// same name: a link (as a udev rule or the emulator's --link makes) in a
// folder of its own, pointing at the terminal of the device plugged now.
// Pulling it out closes the device's side of the terminal (the loader's end
// hangs up) and removes the link.

#include <unistd.h>

#include <functional>
#include <memory>
#include <string>

#include "tests/support/VirtualDevice.h"

namespace galt::testing {

class PluggableDevice {
 public:
  explicit PluggableDevice(const std::string& name = "ttyUSB0") {
    char dir[] = "/tmp/galt-plug-XXXXXX";
    if (::mkdtemp(dir) != nullptr) dir_ = dir;
    link_ = dir_ + "/" + name;
  }
  ~PluggableDevice() {
    Unplug();
    ::rmdir(dir_.c_str());
  }
  PluggableDevice(const PluggableDevice&) = delete;
  PluggableDevice& operator=(const PluggableDevice&) = delete;

  // The name the loader's port table gives it.
  const std::string& Link() const { return link_; }

  // A fresh device, set up by `prepare` (faults, flash) before it serves.
  bool Plug(const std::function<void(emu::DeviceEmulator&)>& prepare = {}) {
    Unplug();
    device_ = std::make_unique<VirtualDevice>();
    if (prepare) prepare(device_->emulator);
    device_->Start();
    return ::symlink(device_->Path().c_str(), link_.c_str()) == 0;
  }
  void Unplug() {
    if (!device_) return;
    ::unlink(link_.c_str());
    device_->Unplug();
    device_.reset();
  }
  // The device plugged now; read its flash and counters once Stop()ped.
  VirtualDevice* Device() { return device_.get(); }
  // The device plugged now, stopped, set up anew by `prepare` and serving
  // again on the same terminal.
  void Renew(const std::function<void(emu::DeviceEmulator&)>& prepare) {
    if (!device_) return;
    device_->Stop();
    device_->emulator = emu::DeviceEmulator();
    if (prepare) prepare(device_->emulator);
    device_->Restart();
  }

 private:
  std::string dir_;
  std::string link_;
  std::unique_ptr<VirtualDevice> device_;
};

}  // namespace galt::testing
