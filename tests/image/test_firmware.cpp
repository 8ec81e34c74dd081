// The carried firmware image: its size, segments and content layout, and the
// install image it becomes with the 512 erased lines.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "image/BlockBytes.h"
#include "image/Firmware.h"
#include "image/HexPair.h"

namespace galt {
namespace {

using LineBytes = std::array<std::uint8_t, kLineBytes>;

bool IsDataLine(const std::string& line) {
  if (line.size() != 48) return false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    const bool ok = i % 3 == 0 ? c == ' ' : ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'));
    if (!ok) return false;
  }
  return true;
}

LineBytes BytesOf(const ImageBuffer& image, int line) {
  const std::string& text = image.Line(static_cast<std::size_t>(line));
  EXPECT_TRUE(IsDataLine(text)) << "line " << line;
  LineBytes out{};
  for (std::size_t k = 0; k < out.size() && 3 * k + 2 < text.size(); ++k) {
    out[k] = HexPairByte(text[3 * k + 1], text[3 * k + 2]);
  }
  return out;
}

bool All(const LineBytes& bytes, std::uint8_t value) {
  return std::all_of(bytes.begin(), bytes.end(), [&](std::uint8_t b) { return b == value; });
}

class InstallImage : public ::testing::Test {
 protected:
  void SetUp() override {
    FillBlankImage(image, 7937);  // whatever was there is replaced
    LoadEmbeddedFirmware(image);
    AppendErasedDataLines(image, kInstallFillLineCount);
  }
  ImageBuffer image;
};

TEST(CarriedFirmware, LoadsItsDataLinesSegmentBySegment) {
  ImageBuffer image;
  LoadEmbeddedFirmware(image);
  ASSERT_EQ(image.Count(), 1899u);
  for (std::size_t i = 0; i < image.Count(); ++i) ASSERT_TRUE(IsDataLine(image.Line(i))) << "line " << i;

  const std::array<FirmwareSegment, 8> expected{{
      {0, 188}, {188, 177}, {365, 239}, {604, 365}, {969, 317}, {1286, 281}, {1567, 281}, {1848, 51}}};
  const auto segments = FirmwareSegments();
  ASSERT_EQ(segments.size(), expected.size());
  for (std::size_t s = 0; s < expected.size(); ++s) {
    EXPECT_EQ(segments[s].firstLine, expected[s].firstLine) << "segment " << s + 1;
    EXPECT_EQ(segments[s].lineCount, expected[s].lineCount) << "segment " << s + 1;
  }
}

TEST_F(InstallImage, Has2411DataLinesEndingInErasedFlash) {
  ASSERT_EQ(image.Count(), 2411u);
  EXPECT_EQ(kErasedDataLine.size(), 48u);
  for (std::size_t i = 1899; i < 2411; ++i) ASSERT_EQ(image.Line(i), kErasedDataLine) << "line " << i;
  // Blocks 0..300 complete, three lines of block 301.
  EXPECT_TRUE(ExtractBlockBytes(image, 300).has_value());
  EXPECT_FALSE(ExtractBlockBytes(image, 301).has_value());
}

TEST_F(InstallImage, StartsWithJumpsIntoTheCode) {
  for (const int line : {0, 3, 4, 5}) {
    const LineBytes b = BytesOf(image, line);
    for (int k = 0; k < kLineBytes; k += 4) {
      EXPECT_EQ(b[k], 0x0C) << "line " << line << " byte " << k;
      EXPECT_EQ(b[k + 1], 0x94) << "line " << line << " byte " << k;
      const unsigned target = 2u * (b[k + 2] | b[k + 3] << 8);  // word address
      EXPECT_GE(target, 0x0070u);
      EXPECT_LT(target, 0x70E0u);
    }
  }
}

TEST_F(InstallImage, FollowsTheContentLayout) {
  auto expectRange = [&](int first, int last, const char* what, auto&& check) {
    for (int n = first; n <= last; ++n) EXPECT_TRUE(check(BytesOf(image, n))) << what << ", line " << n;
  };
  auto zeros = [](const LineBytes& b) { return All(b, 0x00); };
  auto erased = [](const LineBytes& b) { return All(b, 0xFF); };
  auto program = [](const LineBytes& b) { return !All(b, 0x00) && !All(b, 0xFF); };

  expectRange(0, 0, "program", program);
  expectRange(1, 2, "zeros", zeros);
  expectRange(3, 5, "program", program);
  expectRange(6, 6, "zeros", zeros);
  expectRange(7, 1805, "program", program);
  expectRange(1806, 1831, "zeros", zeros);
  expectRange(1832, 1835, "program", program);
  expectRange(1836, 1850, "zeros", zeros);
  expectRange(1852, 2410, "erased", erased);
  EXPECT_EQ(image.Line(1851), " 00 00 00 00 00 00 00 00 00 00 FF FF FF FF FF FF");
}

TEST_F(InstallImage, SerialNumberWordsHoldLdiR16Zero) {
  const std::array<std::pair<int, int>, 4> words{{{1736, 12}, {1737, 4}, {1767, 2}, {1767, 10}}};
  for (const auto& [line, byte] : words) {
    const LineBytes b = BytesOf(image, line);
    EXPECT_EQ(b[static_cast<std::size_t>(byte)], 0x00) << "line " << line;
    EXPECT_EQ(b[static_cast<std::size_t>(byte) + 1], 0xE0) << "line " << line;
  }
}

}  // namespace
}  // namespace galt
