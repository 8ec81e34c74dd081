#pragma once
// Two-character hexadecimal text to a byte. Only the digits 0-9 and the
// capital letters A-F count; any other character (lower case included) gives
// 0 for its nibble. Each position is converted on its own.

#include <cstdint>
#include <string>

namespace galt {

constexpr std::uint8_t HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
  return 0;
}

constexpr std::uint8_t HexPairByte(char high, char low) {
  return static_cast<std::uint8_t>(HexDigitValue(high) * 16 + HexDigitValue(low));
}

// The program-wide pair and its value: a caller stores the pair in
// HexPairText, calls HexPairToByte and takes HexPairValue.
extern std::string HexPairText;
extern std::uint8_t HexPairValue;
void HexPairToByte();

}  // namespace galt
