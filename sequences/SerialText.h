#pragma once
// The operations of the serial port the sequences use: a frame goes out
// with WriteText, a received-data event reads everything waiting with
// ReadText, and IsOpen tells whether there is a line at all. The program puts the serial component cp1 behind it; tests put an
// in-memory link or a pseudo-terminal.

#include <string>

namespace galt {

class SerialText {
 public:
  virtual ~SerialText() = default;
  virtual bool WriteText(const std::string& bytes) = 0;
  virtual std::string ReadText() = 0;
  // A port is open and its device has not gone: frames can leave.
  virtual bool IsOpen() const = 0;
};

}  // namespace galt
