#include "image/HexExport.h"

#include <cstdint>
#include <vector>

#include "image/BlockBytes.h"
#include "image/HexImport.h"

namespace galt {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendRecord(std::string& out, std::uint8_t type, std::uint16_t offset, const std::uint8_t* data,
                  std::size_t count) {
  std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(offset >> 8),
                                  static_cast<std::uint8_t>(offset & 0xFF), type};
  bytes.insert(bytes.end(), data, data + count);
  unsigned sum = 0;
  for (std::uint8_t b : bytes) sum += b;
  bytes.push_back(static_cast<std::uint8_t>(0x100 - (sum & 0xFF)));
  out += ':';
  for (std::uint8_t b : bytes) {
    out += kHexDigits[b >> 4];
    out += kHexDigits[b & 0xF];
  }
  out += "\r\n";
}

}  // namespace

std::optional<std::string> ExportHexText(const ImageBuffer& image, int blocks) {
  if (blocks < 0 || static_cast<unsigned>(blocks) * kBlockBytes > kFlashSize) return std::nullopt;
  std::string out;
  out.reserve(static_cast<std::size_t>(blocks) * kBlockLines * 45 + 32);
  unsigned upper = 0;
  for (int block = 0; block < blocks; ++block) {
    const std::optional<BlockData> data = ExtractBlockBytes(image, block);
    if (!data) return std::nullopt;
    for (int line = 0; line < kBlockLines; ++line) {
      const unsigned address = static_cast<unsigned>(block * kBlockBytes + line * kLineBytes);
      if (address >> 16 != upper) {
        upper = address >> 16;
        const std::uint8_t value[2] = {static_cast<std::uint8_t>(upper >> 8), static_cast<std::uint8_t>(upper & 0xFF)};
        AppendRecord(out, 0x04, 0, value, 2);
      }
      AppendRecord(out, 0x00, static_cast<std::uint16_t>(address & 0xFFFF),
                   data->data() + static_cast<std::size_t>(line) * kLineBytes, kLineBytes);
    }
  }
  AppendRecord(out, 0x01, 0, nullptr, 0);
  return out;
}

}  // namespace galt
