#include "link/Link.h"

namespace galt {

void Link::cp1RxChar(int /*count*/) {
  // Read in every case so the port's input queue is drained even when the
  // bytes are then thrown away.
  const std::string bytes = host_.ReadText();
  FeedRead(bytes);
}

void Link::FeedRead(std::string_view bytes) {
  while (!(RxFlags & 1)) {  // a valid reply is held: discard until the next send
    const std::size_t used = Collect(bytes);
    if (!TestFrame()) return;
    bytes.remove_prefix(used);
  }
}

std::size_t Link::Collect(std::string_view bytes) {
  std::size_t complete = bytes.size();
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<std::uint8_t>(bytes[i]);
    if (RxCount == 0) {
      if (byte == kFrameStart) {
        RxFrame[0] = byte;
        RxCount = 1;
      }
      continue;
    }
    const std::size_t expected = FrameSize(RxFrame.data());
    if (RxCount >= expected) continue;  // complete: trailing bytes are lost
    if (RxCount == 255) {
      // The 256th byte of a frame too long to hold: abandon it and hunt again.
      RxCount = 0;
      continue;
    }
    RxFrame[RxCount] = byte;
    ++RxCount;
    if (RxCount >= expected && complete == bytes.size()) complete = i + 1;
  }
  return complete;
}

bool Link::TestFrame() {
  if (RxCount == 0 || RxCount < FrameSize(RxFrame.data())) return false;
  if (!FrameSumHolds(RxFrame.data())) {
    RxCount = 0;
    RxFlags &= static_cast<std::uint8_t>(~1u);
    return false;
  }
  RxFlags = 1;
  setAside_ = false;
  host_.HandleReply();
  const bool aside = setAside_;
  setAside_ = false;
  return aside;
}

}  // namespace galt
