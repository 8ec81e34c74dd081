#pragma once
// The 128 data bytes of one block, cut from its eight image lines.

#include <array>
#include <cstdint>
#include <optional>

#include "image/ImageBuffer.h"

namespace galt {

using BlockData = std::array<std::uint8_t, kBlockBytes>;

// Block b is lines 8b..8b+7. A line with an empty body (empty, a single
// character, or past the end) means there is no block. Data lines are read at
// their own positions; addressed and imported lines 7 positions further right,
// so a block yields the bytes its lines hold whatever their form. A character
// missing from a short line reads as 0.
std::optional<BlockData> ExtractBlockBytes(const ImageBuffer& image, int block);

}  // namespace galt
