// Intel HEX export: what it writes, the HEX import reads back byte for byte,
// whatever form the image's lines have.

#include <gtest/gtest.h>

#include "image/BlockBytes.h"
#include "image/Firmware.h"
#include "image/HexExport.h"
#include "image/HexImport.h"

namespace galt {
namespace {

ImageBuffer Imported(const std::string& hex) {
  const HexImportResult r = ImportHexText(hex);
  EXPECT_FALSE(r.error) << HexImportErrorText(*r.error);
  ImageBuffer image;
  for (const auto& line : r.lines) image.Append(line);
  return image;
}

void ExpectSameBlocks(const ImageBuffer& a, const ImageBuffer& b, int blocks) {
  for (int block = 0; block < blocks; ++block) {
    ASSERT_EQ(ExtractBlockBytes(a, block), ExtractBlockBytes(b, block)) << "block " << block;
  }
}

TEST(HexExport, TheImportReadsBackTheCarriedFirmware) {
  ImageBuffer firmware;
  LoadEmbeddedFirmware(firmware);  // data lines
  const auto hex = ExportHexText(firmware, 233);
  ASSERT_TRUE(hex);
  EXPECT_EQ(hex->rfind(":00000001FF\r\n"), hex->size() - 13) << "ends with the end-of-file record";
  EXPECT_EQ(hex->find(":02000004"), std::string::npos) << "all below 64 KB";
  const ImageBuffer back = Imported(*hex);
  ExpectSameBlocks(firmware, back, 233);
  EXPECT_EQ(ImportHexText(*hex).blockLimit, 235);
}

TEST(HexExport, TheWholeFlashCrossesIntoItsUpperBank) {
  ImageBuffer image;
  FillBlankImage(image, kFullImageLines);  // addressed lines
  // Distinct bytes in the last line of each bank, at the bank's edge.
  image.Delete(4095);
  image.Insert(4095, " 0FFF0: 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10");
  image.Delete(4096);
  image.Insert(4096, " 10000: A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF B0");
  const auto hex = ExportHexText(image, 992);
  ASSERT_TRUE(hex);
  EXPECT_NE(hex->find(":020000040001F9\r\n:10000000A1A2"), std::string::npos);
  ExpectSameBlocks(image, Imported(*hex), 992);
}

TEST(HexExport, RefusesBlocksTheImageOrTheFlashDoesNotHave) {
  ImageBuffer image;
  FillBlankImage(image, 80);  // blocks 0..9
  EXPECT_TRUE(ExportHexText(image, 10));
  EXPECT_FALSE(ExportHexText(image, 11));
  FillBlankImage(image, kFullImageLines + 8);
  EXPECT_FALSE(ExportHexText(image, 993));
}

}  // namespace
}  // namespace galt
