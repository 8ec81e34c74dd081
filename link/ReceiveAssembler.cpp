#include "link/Link.h"

namespace galt {

void Link::cp1RxChar(int /*count*/) {
  // Read in every case so the port's input queue is drained even when the
  // bytes are then thrown away.
  const std::string bytes = host_.ReadText();
  FeedRead(bytes);
}

void Link::FeedRead(std::string_view bytes) {
  if (RxFlags & 1) return;  // a valid reply is held: discard until the next send

  for (const char ch : bytes) {
    const auto byte = static_cast<std::uint8_t>(ch);
    if (RxCount == 0) {
      if (byte == kFrameStart) {
        RxFrame[0] = byte;
        RxCount = 1;
      }
      continue;
    }
    const unsigned expected = RxFrame[5] + kFrameOverhead;
    if (RxCount >= expected) continue;  // complete: trailing bytes are lost
    if (RxCount == 255) {
      // The 256th byte of a frame too long to hold: abandon it and hunt again.
      RxCount = 0;
      continue;
    }
    RxFrame[RxCount] = byte;
    ++RxCount;
  }

  const unsigned length = RxFrame[5];
  if (RxCount == 0 || RxCount < length + kFrameOverhead) return;
  const unsigned sum = FrameSum(RxFrame.data(), length + 6);
  const unsigned sent = RxFrame[length + 6] * 256u + RxFrame[length + 7];
  if (sum == sent) {
    RxFlags = 1;
    host_.HandleReply();
  } else {
    RxCount = 0;
    RxFlags &= static_cast<std::uint8_t>(~1u);
  }
}

}  // namespace galt
