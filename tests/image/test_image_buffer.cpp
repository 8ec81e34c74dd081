// The image buffer: blank image, line bodies, hex pairs and block extraction.

#include <gtest/gtest.h>

#include "image/BlockBytes.h"
#include "image/HexPair.h"
#include "image/ImageBuffer.h"

namespace galt {
namespace {

std::string DataLine(const std::string& pairs) {  // "12 34 ..." -> " 12 34 ..."
  return " " + pairs;
}

TEST(BlankImage, StartupAndClearSizesAndAddresses) {
  ImageBuffer image;
  FillBlankImage(image, 7937);
  ASSERT_EQ(image.Count(), 7937u);
  EXPECT_EQ(image.Line(0), " 00000: FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF");
  EXPECT_EQ(image.Line(1).substr(0, 7), " 00010:");
  EXPECT_EQ(image.Line(160).substr(0, 7), " 00A00:");
  EXPECT_EQ(image.Line(7936).substr(0, 7), " 1F000:");
  EXPECT_EQ(image.Line(7936).size(), 55u);

  FillBlankImage(image, 7936);
  ASSERT_EQ(image.Count(), 7936u);
  EXPECT_EQ(image.Line(7935), BlankLineText(7935));
  EXPECT_EQ(image.Line(7935).substr(0, 7), " 1EFF0:");

  // Each change sees the blank lines as they read, whatever came first.
  FillBlankImage(image, 3);
  image.Append(" x");
  EXPECT_EQ(image.Lines(), (std::vector<std::string>{BlankLineText(0), BlankLineText(1), BlankLineText(2), " x"}));
  FillBlankImage(image, 3);
  image.Delete(0);
  image.Insert(1, " y");
  EXPECT_EQ(image.Lines(), (std::vector<std::string>{BlankLineText(1), " y", BlankLineText(2)}));
  FillBlankImage(image, 3);
  image.Clear();
  image.Append(" z");
  EXPECT_EQ(image.Count(), 1u);
  EXPECT_EQ(image.Line(0), " z");
}

TEST(ImageBufferOps, InsertDeleteAndReadingPastTheEnd) {
  ImageBuffer image;
  image.Append(" a");
  image.Append(" c");
  image.Insert(1, " b");
  ASSERT_EQ(image.Count(), 3u);
  EXPECT_EQ(image.Line(1), " b");
  EXPECT_EQ(image.Line(2), " c");
  image.Delete(0);
  EXPECT_EQ(image.Line(0), " b");
  EXPECT_EQ(LineBody(image, 0), "b");
  EXPECT_EQ(LineBody(image, 5), "");
  EXPECT_EQ(LineBody(image, -1), "");
  EXPECT_EQ(image.Line(99), "");
}

TEST(HexPairs, EachPositionConvertsOnItsOwn) {
  const std::pair<const char*, int> cases[] = {
      {"FF", 0xFF}, {"ff", 0x00}, {" F", 0x0F}, {"F ", 0xF0}, {"1g", 0x10}, {"0:", 0x00},
      {"ab", 0x00}, {"a0", 0x00}, {"0a", 0x00}, {"1a", 0x10}, {"9A", 0x9A}, {"", 0x00},
  };
  for (const auto& [text, value] : cases) {
    HexPairText = text;
    HexPairValue = 0x55;
    HexPairToByte();
    EXPECT_EQ(HexPairValue, value) << '"' << text << '"';
  }
  HexPairText = std::string("\0F", 2);
  HexPairToByte();
  EXPECT_EQ(HexPairValue, 0x0F);
}

TEST(BlockMapping, BlockLinesAndAddresses) {
  ImageBuffer image;
  FillBlankImage(image, 7936);
  // Block 217 is lines 1736..1743 and starts at flash 0x6C80.
  EXPECT_EQ(image.Line(217 * 8).substr(1, 5), "06C80");
  EXPECT_EQ(1767 / 8, 220);
}

TEST(ExtractBlock, DataLinesGiveTheirBytesInOrder) {
  ImageBuffer image;
  for (int i = 0; i < 8; ++i) image.Append(DataLine("12 34 AB CD 00 11 22 33 44 55 66 77 88 99 EE FF"));
  const auto block = ExtractBlockBytes(image, 0);
  ASSERT_TRUE(block);
  const std::uint8_t line[16] = {0x12, 0x34, 0xAB, 0xCD, 0x00, 0x11, 0x22, 0x33,
                                 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xEE, 0xFF};
  for (int i = 0; i < 128; ++i) EXPECT_EQ((*block)[i], line[i % 16]) << i;
}

TEST(ExtractBlock, LinesOfEveryFormYieldTheirBytes) {
  ImageBuffer image;
  image.Append(" 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F");                      // data
  image.Append(" 00010: 10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F");               // addressed
  image.Append(" 00020: 20 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D 2E 2F ");              // imported
  image.Append(" 30 31");                                                                 // short data
  for (int i = 4; i < 8; ++i) image.Append(BlankLineText(i));
  const auto block = ExtractBlockBytes(image, 0);
  ASSERT_TRUE(block);
  for (int k = 0; k < 16; ++k) {
    EXPECT_EQ((*block)[k], k);
    EXPECT_EQ((*block)[16 + k], 0x10 + k);
    EXPECT_EQ((*block)[32 + k], 0x20 + k);
  }
  EXPECT_EQ((*block)[48], 0x30);
  EXPECT_EQ((*block)[49], 0x31);
  EXPECT_EQ((*block)[50], 0x00);  // missing characters read as 0
  for (int i = 64; i < 128; ++i) EXPECT_EQ((*block)[i], 0xFF);
}

TEST(ExtractBlock, NoBlockWhenALineIsEmptyOrMissing) {
  ImageBuffer image;
  FillBlankImage(image, 7);  // the eighth line lies past the end
  EXPECT_FALSE(ExtractBlockBytes(image, 0));
  image.Append(" ");  // a single character is an empty body
  EXPECT_FALSE(ExtractBlockBytes(image, 0));
  image.Delete(7);
  image.Append(BlankLineText(7));
  EXPECT_TRUE(ExtractBlockBytes(image, 0));
  image.Insert(3, "");
  EXPECT_FALSE(ExtractBlockBytes(image, 0));
  EXPECT_FALSE(ExtractBlockBytes(image, 1));
  EXPECT_FALSE(ExtractBlockBytes(image, -1));
}

}  // namespace
}  // namespace galt
