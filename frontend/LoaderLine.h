#pragma once
// The loader's line: the serial component set up as every front end opens it
// (14400 baud, 8N1, no flow control, DTR off, RTS on, ports named by their
// COM number), and the component behind the core's SerialText.

#include <string>

#include "sequences/SerialText.h"
#include "serial/SerComm.h"

namespace galt {

void UseLoaderLine(TSerCustomComm& comm);

// The core's frames travel through the serial component.
class CommSerial : public SerialText {
 public:
  explicit CommSerial(TSerCustomComm& comm) : comm_(comm) {}
  bool WriteText(const std::string& bytes) override { return comm_.WriteText(bytes); }
  std::string ReadText() override { return comm_.ReadText(); }
  bool IsOpen() const override { return comm_.IsOpen() && !comm_.IsDeviceLost(); }

 private:
  TSerCustomComm& comm_;
};

}  // namespace galt
