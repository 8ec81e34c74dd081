#pragma once
// Writes the device's serial number into the carried image: the immediates
// of four "LDI" words in lines 1736, 1737 and 1767 (flash 0x6C8C, 0x6C94,
// 0x6E72, 0x6E7A). Each word's immediate is split over the low digits of its
// two bytes, so only those eight digits change: the high byte of the serial
// number goes to the words in lines 1736 and 1767 (bytes 2-3), the low byte
// to those in lines 1737 and 1767 (bytes 10-11).

#include "image/ImageBuffer.h"

namespace galt {

// The form the caller expects the lines to have: data lines (install) or
// addressed/imported lines (service write and verify).
enum class StampLayout { DataLine, Addressed };

// Rewrites lines 1736, 1737 and 1767 (delete, then insert at the same index)
// with the serial number's nibbles as upper-case digits. A line is cut to its
// layout's length (body of 47 or 55 characters) before the digits go in, so a
// line of its own form keeps its length.
//
// The digits go where the line's own form holds its bytes: a line with an
// address column (addressed or imported) is stamped in the addressed layout
// and a line without one in the data-line layout, whichever layout the caller
// names, so stamping never writes into an address or a separator. Lines past
// the end of the buffer, and positions past the end of a short line, are left
// alone.
void StampSerialNumber(ImageBuffer& image, StampLayout layout, int serial);

}  // namespace galt
