#include "image/BlockBytes.h"

#include "image/HexPair.h"

namespace galt {

std::optional<BlockData> ExtractBlockBytes(const ImageBuffer& image, int block) {
  if (block < 0) return std::nullopt;
  BlockData out;
  for (int i = 0; i < kBlockLines; ++i) {
    const int index = block * kBlockLines + i;
    const std::string_view body = LineBody(image, index);
    if (body.empty()) return std::nullopt;
    const std::size_t shift = HasAddressColumn(image.Line(static_cast<std::size_t>(index))) ? 7 : 0;
    for (std::size_t k = 0; k < kLineBytes; ++k) {
      // Body positions 3k+1 and 3k+2 (1-based), shifted for addressed lines.
      const std::size_t pos = 3 * k + shift;
      const char high = pos < body.size() ? body[pos] : '\0';
      const char low = pos + 1 < body.size() ? body[pos + 1] : '\0';
      out[static_cast<std::size_t>(i) * kLineBytes + k] = HexPairByte(high, low);
    }
  }
  return out;
}

}  // namespace galt
