#include "image/HexPair.h"

namespace galt {

std::string HexPairText;
std::uint8_t HexPairValue = 0;

void HexPairToByte() {
  const char high = HexPairText.size() > 0 ? HexPairText[0] : '\0';
  const char low = HexPairText.size() > 1 ? HexPairText[1] : '\0';
  HexPairValue = HexPairByte(high, low);
}

}  // namespace galt
