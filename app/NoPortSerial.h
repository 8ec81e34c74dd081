#pragma once
// The port the window talks through until the serial component is in place:
// nothing is open, so nothing can be written and nothing arrives.

#include <string>

#include "sequences/SerialText.h"

namespace galt {

class NoPortSerial : public SerialText {
 public:
  bool WriteText(const std::string& bytes) override { return bytes.empty(); }
  std::string ReadText() override { return {}; }
};

}  // namespace galt
