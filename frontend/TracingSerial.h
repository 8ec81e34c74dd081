#pragma once
// The core's line with a trace on it: every frame the core writes and every
// piece it reads goes to the trace on its way. Without a trace it only
// passes the calls on.

#include <string>

#include "records/LineTrace.h"
#include "sequences/SerialText.h"

namespace galt {

class TracingSerial : public SerialText {
 public:
  // `trace` may be null: nothing is traced.
  TracingSerial(SerialText& line, LineTrace* trace) : line_(line), trace_(trace) {}

  bool WriteText(const std::string& bytes) override;
  std::string ReadText() override;
  bool IsOpen() const override { return line_.IsOpen(); }

 private:
  SerialText& line_;
  LineTrace* trace_;
};

}  // namespace galt
