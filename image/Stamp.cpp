#include "image/Stamp.h"

#include <cstddef>
#include <string>

namespace galt {

namespace {

struct StampDigit {
  int line;
  int byte;    // byte within the line whose low digit is replaced
  int nibble;  // nibble of the serial number, 0 = bits 0..3
};

// Lines in stamping order; within a line, in position order.
constexpr StampDigit kDigits[] = {
    {1736, 12, 2}, {1736, 13, 3},                              //
    {1737, 4, 0},  {1737, 5, 1},                               //
    {1767, 2, 2},  {1767, 3, 3},  {1767, 10, 0}, {1767, 11, 1},
};
constexpr int kStampLines[] = {1736, 1737, 1767};

// Body of a data line: 47 characters, byte k's low digit at 3k+1 (0-based).
// Addressed and imported lines carry "AAAAA:" first, shifting bytes by 7.
constexpr std::size_t kDataBodyLength = 47;
constexpr std::size_t kAddressedBodyLength = 55;
constexpr std::size_t kAddressShift = 7;

char NibbleDigit(int serial, int nibble) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  return kHex[(static_cast<unsigned>(serial) >> (4 * nibble)) & 0xFu];
}

}  // namespace

void StampSerialNumber(ImageBuffer& image, StampLayout /*layout*/, int serial) {
  for (const int index : kStampLines) {
    const auto at = static_cast<std::size_t>(index);
    if (at >= image.Count()) continue;

    const bool addressed = HasAddressColumn(image.Line(at));
    std::string body(LineBody(image, index));
    const std::size_t keep = addressed ? kAddressedBodyLength : kDataBodyLength;
    if (body.size() > keep) body.resize(keep);

    for (const StampDigit& d : kDigits) {
      if (d.line != index) continue;
      const std::size_t pos = 3 * static_cast<std::size_t>(d.byte) + 1 + (addressed ? kAddressShift : 0);
      if (pos < body.size()) body[pos] = NibbleDigit(serial, d.nibble);
    }

    image.Delete(at);
    image.Insert(at, " " + body);
  }
}

}  // namespace galt
