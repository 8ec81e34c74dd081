#pragma once
// The loader's frames travel through the serial component cp1.

#include "sequences/SerialText.h"
#include "serial/SerComm.h"

namespace galt {

class CommSerial : public SerialText {
 public:
  explicit CommSerial(TSerCustomComm& comm) : comm_(comm) {}
  bool WriteText(const std::string& bytes) override { return comm_.WriteText(bytes); }
  std::string ReadText() override { return comm_.ReadText(); }

 private:
  TSerCustomComm& comm_;
};

}  // namespace galt
