#pragma once
// The image's flash bytes as an Intel HEX file, the form the HEX import
// reads back: data records of one image line (16 bytes) each in address
// order, an extended linear address record wherever the upper 16 bits of the
// address change, and the end-of-file record; every record ends with CR LF.

#include <optional>
#include <string>

#include "image/ImageBuffer.h"

namespace galt {

// Blocks 0..blocks-1 of the image, whatever form its lines have. Nothing when
// one of these blocks is missing from the image or lies beyond the flash.
std::optional<std::string> ExportHexText(const ImageBuffer& image, int blocks);

}  // namespace galt
