#pragma once
// A serial port that records every frame written to it and answers nothing,
// for windows tested without a device.

#include <stdexcept>
#include <string>
#include <vector>

#include "sequences/SerialText.h"

namespace galt::testing {

class RecordingPort : public SerialText {
 public:
  bool WriteText(const std::string& bytes) override {
    if (!fail_with.empty()) throw std::runtime_error(fail_with);
    sent.push_back(bytes);
    return true;
  }
  std::string ReadText() override { return {}; }
  bool IsOpen() const override { return open; }

  bool open = true;
  std::vector<std::string> sent;
  std::string fail_with;  // non-empty: writing throws with this message
};

// Serial number carried by a frame (bytes 2 and 3, high byte first).
inline int FrameSerial(const std::string& frame) {
  return static_cast<unsigned char>(frame.at(2)) * 256 + static_cast<unsigned char>(frame.at(3));
}

}  // namespace galt::testing
