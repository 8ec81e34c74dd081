#include "RigDevice.h"

#include <chrono>

#include "serial/PortName.h"
#include "winutil/WideText.h"
#include "tests/support/win32/SystemPortRecords.h"

namespace galt::testing {

using namespace std::chrono_literals;

RigDevice::RigDevice(const emu::Faults& Faults)
    : named_(std::make_unique<test::SerialCommValue>(L"\\Device\\GaltRig" + std::to_wstring(PortNum()),
                                                     WideFromUtf8(Name()))) {
  emulator_.faults = Faults;
}

RigDevice::~RigDevice() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

std::string RigDevice::Name() const { return ShortPortName(Path()); }

int RigDevice::PortNum() const { return ComPortNumber(Path()).value_or(0); }

void RigDevice::Start() { thread_ = std::thread([this] { Serve(); }); }

void RigDevice::HangUp() {
  named_.reset();  // the port goes with its adapter
  hangUp_ = true;
  if (thread_.joinable()) thread_.join();
}

int RigDevice::SerialInFlash() {
  std::lock_guard<std::mutex> hold(lock_);
  return emulator_.SerialFromFlash();
}

emu::Counters RigDevice::Counters() {
  std::lock_guard<std::mutex> hold(lock_);
  return emulator_.counters;
}

void RigDevice::Serve() {
  while (!stop_) {
    if (hangUp_) {
      far_.HangUp();
      return;
    }
    // A frame comes in one piece on the pty; what follows its first byte
    // within a few milliseconds belongs to it.
    std::string bytes = far_.Read(1, 20ms);
    if (bytes.empty()) continue;
    bytes += far_.Drain(3ms);
    std::vector<std::string> answer;
    {
      std::lock_guard<std::mutex> hold(lock_);
      answer = emulator_.Receive(bytes);
    }
    for (const std::string& piece : answer) far_.Write(piece);
  }
}

}  // namespace galt::testing
