#pragma once
// An in-memory serial line between the loader and the device emulator, in
// virtual time. What the loader writes reaches the emulator at once; each
// piece of the emulator's answer arrives `latency_ms` later and is announced
// as a received-data event. As with the real port, a new event is delivered
// only after the previous one has returned, and bytes left unread announce
// themselves again.

#include <functional>
#include <string>
#include <vector>

#include "sequences/SerialText.h"
#include "tests/support/VirtualClock.h"
#include "tools/emulator/DeviceEmulator.h"

namespace galt::testing {

class MemoryLink : public SerialText {
 public:
  MemoryLink(VirtualClock& clock, emu::DeviceEmulator& device) : clock_(clock), device_(device) {}

  // The received-data handler (the loader's cp1RxChar).
  std::function<void(int count)> OnRxChar;

  bool WriteText(const std::string& bytes) override;
  std::string ReadText() override;
  bool IsOpen() const override { return open; }

  // Bytes that arrive as if from the device, outside any command.
  void Inject(const std::string& bytes, std::int64_t delay_ms = 0);

  bool open = true;         // a closed port drops what is written
  std::int64_t latency_ms = 1;
  std::vector<std::string> sent;  // every frame the loader wrote, in order
  int deliveries = 0;

 private:
  void Arrive(const std::string& bytes);
  void Deliver();

  VirtualClock& clock_;
  emu::DeviceEmulator& device_;
  std::string input_;
  bool delivering_ = false;
  bool posted_ = false;
};

}  // namespace galt::testing
