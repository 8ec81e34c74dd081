#pragma once
// A virtual GALT-5R on a pseudo-terminal, served on a thread of the test.
// Its flash and counters may be read once Stop() has returned; FramesSeen
// may be read while it runs.

#include <atomic>
#include <memory>
#include <thread>

#include "tools/emulator/DeviceEmulator.h"
#include "tools/galt-emulator/DeviceServer.h"
#include "tools/galt-emulator/PtyDevice.h"

namespace galt::testing {

class VirtualDevice {
 public:
  // `adapter`: the bridge the loader reaches the device through, none for a bare line.
  explicit VirtualDevice(bool pace = false, const emu::AdapterModel* adapter = nullptr)
      : pace_(pace), adapter_(adapter) {}
  ~VirtualDevice() { Stop(); }

  // The slave side the loader opens.
  const std::string& Path() const { return pty_->slavePath(); }

  void Start() {
    emulator.Log = [this](const std::string& line) {
      if (line.rfind("<- ", 0) == 0) frames_.fetch_add(1);
    };
    server_ = std::make_unique<emucli::DeviceServer>(pty_->master(), emulator, pace_, nullptr, adapter_);
    thread_ = std::thread([this] { server_->Run(stop_); });
  }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  // Serves again after Stop(), as a device that was switched off and on:
  // the terminal stays, so the loader's port stays open.
  void Restart() {
    Stop();
    stop_ = false;
    Start();
  }
  // The terminal goes away, as an unplugged adapter does.
  void Unplug() {
    Stop();
    pty_.reset();
  }

  emu::DeviceEmulator emulator;  // set its faults before Start()
  // Frames the device has taken in so far (with a good sum or not).
  int FramesSeen() const { return frames_.load(); }
  // The adapter's own waits (emucli::DeviceServer::AdapterAdded), once stopped.
  emucli::Clock::duration AdapterAdded() const { return server_ ? server_->AdapterAdded() : emucli::Clock::duration{}; }

 private:
  bool pace_;
  const emu::AdapterModel* adapter_;
  std::unique_ptr<emucli::PtyDevice> pty_ = std::make_unique<emucli::PtyDevice>();
  std::unique_ptr<emucli::DeviceServer> server_;
  std::atomic<bool> stop_{false};
  std::atomic<int> frames_{0};
  std::thread thread_;
};

}  // namespace galt::testing
