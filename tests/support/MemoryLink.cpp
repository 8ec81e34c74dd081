#include "tests/support/MemoryLink.h"

namespace galt::testing {

bool MemoryLink::WriteText(const std::string& bytes) {
  if (!open) return bytes.empty();
  sent.push_back(bytes);
  std::int64_t delay = latency_ms;
  for (auto& piece : device_.Receive(bytes)) {
    clock_.Post(delay, [this, piece] { Arrive(piece); });
    ++delay;  // pieces of one answer arrive one after another
  }
  return true;
}

std::string MemoryLink::ReadText() {
  std::string out;
  out.swap(input_);
  return out;
}

void MemoryLink::Inject(const std::string& bytes, std::int64_t delay_ms) {
  clock_.Post(delay_ms, [this, bytes] { Arrive(bytes); });
}

void MemoryLink::Arrive(const std::string& bytes) {
  input_ += bytes;
  if (!delivering_ && !posted_) {
    posted_ = true;
    clock_.Post(0, [this] { Deliver(); });
  }
}

void MemoryLink::Deliver() {
  posted_ = false;
  if (input_.empty() || !OnRxChar) return;
  delivering_ = true;
  ++deliveries;
  OnRxChar(static_cast<int>(input_.size()));
  delivering_ = false;
  if (!input_.empty()) {
    posted_ = true;
    clock_.Post(0, [this] { Deliver(); });
  }
}

}  // namespace galt::testing
