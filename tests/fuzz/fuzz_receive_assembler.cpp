// Arbitrary byte streams, cut at arbitrary points, through the receive
// assembler: no crash, no out-of-bounds access, RxCount within 8 bits, and
// every frame handed on has a right sum.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "link/Link.h"
#include "tests/support/RecordingHost.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  galt::testing::RecordingHost host;
  galt::Link link(host);
  host.link = &link;
  host.record = false;
  const bool resend = data[0] & 1;
  host.onReply = [&] {
    const unsigned length = link.RxFrame[5];
    if (length + 8 > 255) std::abort();
    const unsigned sum = galt::FrameSum(link.RxFrame.data(), length + 6);
    if (sum != link.RxFrame[length + 6] * 256u + link.RxFrame[length + 7]) std::abort();
    if (resend) {
      link.CurrentCommand = galt::cmdQuery;
      link.SendCommand();
    }
  };
  // Each following byte n < 0x10 cuts the stream n+1 bytes further on.
  std::size_t pos = 1;
  while (pos < size) {
    const std::size_t cut = (data[pos] & 0x0F) * 17 + 1;
    const std::size_t n = std::min(cut, size - pos);
    host.readsAfter.assign(reinterpret_cast<const char*>(data + pos), n);
    link.cp1RxChar(static_cast<int>(n));
    pos += n;
  }
  return 0;
}
