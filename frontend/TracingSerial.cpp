#include "frontend/TracingSerial.h"

namespace galt {

bool TracingSerial::WriteText(const std::string& bytes) {
  if (!trace_) return line_.WriteText(bytes);
  bool accepted = false;
  try {
    accepted = line_.WriteText(bytes);
  } catch (...) {
    // The component's "buffer full" passes on to the core as before.
    trace_->Sent(bytes, false);
    throw;
  }
  trace_->Sent(bytes, accepted);
  return accepted;
}

std::string TracingSerial::ReadText() {
  std::string bytes = line_.ReadText();
  if (trace_ && !bytes.empty()) trace_->Received(bytes);
  return bytes;
}

}  // namespace galt
