#pragma once
// Import of an Intel HEX file into the image buffer (service panel).
//
// Records are read by type: data (00) is placed by its address, extended
// segment (02) and extended linear (04) address records set the upper
// address, start address records (03, 05) are ignored, end of file (01) ends
// the reading; a file without it was cut short and is refused. Line n of the result holds flash bytes 16n..16n+15, as
// everywhere in the image: a line that receives data from the file is an
// imported line " BAAAA: XX XX ... XX " (bank digit and address of the line,
// upper-case digits, FF for bytes the file does not give); every other line is
// the blank line for its index. The result has at least kFullImageLines lines.
//
// A file with any fault is refused whole, with the fault's kind and line;
// data records that give one address two different bytes are such a fault
// (the same bytes twice are not).

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "image/HexImportError.h"
#include "image/ImageBuffer.h"

namespace galt {

// Files larger than this are refused unread: even one-byte records with
// generous line ends describe the whole flash in a fraction of it.
constexpr std::size_t kMaxHexFileBytes = 16u * 1024u * 1024u;

struct HexImportResult {
  std::vector<std::string> lines;  // the new image (empty on error)
  // The new SPBLH, what a following service pass needs: the number of lines
  // up to the last one holding data, div 8, plus 2, within kBlockLimitMin
  // to kBlockLimitMax.
  int blockLimit = 0;
  std::optional<HexImportError> error;
};

// Converts the whole text of a HEX file. Pure: touches no buffer.
HexImportResult ImportHexText(std::string_view fileBytes);

// Converts a file's bytes already read; only when that succeeds are `image`
// and `blockLimit` (the value for SPBLH) replaced. Returns the error
// otherwise.
std::optional<HexImportError> ImportHexBytes(std::string_view fileBytes, ImageBuffer& image, int& blockLimit);

// Reads and converts the file; only when that succeeds are `image` and
// `blockLimit` (the value for SPBLH) replaced. Returns the error otherwise.
// On Windows the file is opened by the path's UTF-16 name, so a name outside
// the ANSI code page opens too.
std::optional<HexImportError> ImportHexFile(const std::filesystem::path& path, ImageBuffer& image, int& blockLimit);

}  // namespace galt
