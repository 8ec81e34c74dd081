// Intel HEX import: the device maker's files give the same lines and block
// limit as before; other well-formed files are read by their records; any
// fault refuses the whole file and leaves the image alone.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "image/HexImport.h"

namespace galt {
namespace {

// One record with its checksum, followed by `end`.
std::string Record(int type, unsigned offset, const std::vector<int>& data, const char* end = "\r\n") {
  std::vector<int> bytes{static_cast<int>(data.size()), static_cast<int>(offset >> 8 & 0xFF),
                         static_cast<int>(offset & 0xFF), type};
  bytes.insert(bytes.end(), data.begin(), data.end());
  int sum = 0;
  for (int b : bytes) sum += b;
  bytes.push_back(-sum & 0xFF);
  std::string s = ":";
  char pair[3];
  for (int b : bytes) {
    std::snprintf(pair, sizeof pair, "%02X", b);
    s += pair;
  }
  return s + end;
}
std::string Data(unsigned offset, const std::vector<int>& bytes, const char* end = "\r\n") {
  return Record(0, offset, bytes, end);
}
std::string Eof(const char* end = "\r\n") { return Record(1, 0, {}, end); }
std::vector<int> Counting(int n, int from = 0) {
  std::vector<int> v;
  for (int i = 0; i < n; ++i) v.push_back((from + i) & 0xFF);
  return v;
}

HexImportResult Import(const std::string& text) {
  HexImportResult r = ImportHexText(text);
  EXPECT_FALSE(r.error.has_value()) << HexImportErrorText(*r.error);
  return r;
}

const std::string kLine0 = " 00000: 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F ";
const std::string kLine1 = " 00010: 11 22 33 44 FF FF FF FF FF FF FF FF FF FF FF FF ";

TEST(HexImportCompatibility, WorkedExample) {
  const HexImportResult r = Import(
      ":020000020000FC\r\n:10000000000102030405060708090A0B0C0D0E0F78\r\n:040010001122334442\r\n:00000001FF\r\n");
  ASSERT_EQ(r.lines.size(), 7936u);
  EXPECT_EQ(r.lines[0], kLine0);
  EXPECT_EQ(r.lines[1], kLine1);
  EXPECT_EQ(r.lines[2], " 00020: FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF");
  EXPECT_EQ(r.lines[7935], BlankLineText(7935));
  EXPECT_EQ(r.blockLimit, 10);
}

TEST(HexImportCompatibility, SegmentRecordBetweenDataRecordsSelectsBank1) {
  const HexImportResult r = Import(":020000020000FC\r\n" + Data(0x0000, Counting(16)) +
                                   ":020000021000EC\r\n" + Data(0x0000, Counting(16, 0x40)) + Eof());
  EXPECT_EQ(r.lines[0], kLine0);
  EXPECT_EQ(r.lines[4096].substr(0, 8), " 10000: ");
  EXPECT_EQ(r.lines[4096].substr(8, 6), "40 41 ");
  EXPECT_EQ(r.blockLimit, 4097 / 8 + 2);
}

TEST(HexImportCompatibility, MakersFileOf1851RecordsGivesBlockLimit233) {
  std::string text = ":020000020000FC\r\n";
  for (unsigned n = 0; n < 1851; ++n) text += Data(n * 16, Counting(16, static_cast<int>(n)));
  const HexImportResult r = Import(text + Eof());
  ASSERT_EQ(r.lines.size(), 7936u);
  EXPECT_EQ(r.lines[1850], " 073A0: 3A 3B 3C 3D 3E 3F 40 41 42 43 44 45 46 47 48 49 ");
  EXPECT_EQ(r.lines[1851], BlankLineText(1851));
  EXPECT_EQ(r.blockLimit, 233);
}

TEST(HexImportRecords, FirstRecordIsNotSkipped) {
  EXPECT_EQ(Import(Data(0, Counting(16)) + Eof()).lines[0], kLine0);
}

TEST(HexImportRecords, TwoByteRecordIsDataAndSwitchesNoBank) {
  const HexImportResult r = Import(Data(0, Counting(16)) + Data(0x20, {0xAB, 0xCD}) + Data(0x30, {1}) + Eof());
  EXPECT_EQ(r.lines[2], " 00020: AB CD FF FF FF FF FF FF FF FF FF FF FF FF FF FF ");
  EXPECT_EQ(r.lines[3].substr(0, 11), " 00030: 01 ");
}

TEST(HexImportRecords, AnyLineEndOrNone) {
  for (const char* end : {"\r\n", "\n", "\r", "", "  \n\n"}) {
    const HexImportResult r = Import(Data(0, Counting(16), end) + Data(0x10, {0x11, 0x22, 0x33, 0x44}, end) + Eof(end));
    EXPECT_EQ(r.lines[0], kLine0) << "end '" << end << "'";
    EXPECT_EQ(r.lines[1], kLine1) << "end '" << end << "'";
  }
}

TEST(HexImportRecords, FifteenAndThirtyTwoByteRecordsKeepAllBytes) {
  const HexImportResult r = Import(Data(0, Counting(15)) + Data(0x20, Counting(32, 0x80)) + Eof());
  EXPECT_EQ(r.lines[0], " 00000: 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E FF ");
  EXPECT_EQ(r.lines[2], " 00020: 80 81 82 83 84 85 86 87 88 89 8A 8B 8C 8D 8E 8F ");
  EXPECT_EQ(r.lines[3], " 00030: 90 91 92 93 94 95 96 97 98 99 9A 9B 9C 9D 9E 9F ");
}

TEST(HexImportRecords, LowerCaseIsWrittenInUpperCase) {
  EXPECT_EQ(Import(":10000000000102030405060708090a0b0c0d0e0f78\n:00000001ff\n").lines[0], kLine0);
}

TEST(HexImportRecords, DataIsPlacedByAddress) {
  // A gap, an unaligned record spanning two lines, bytes given again with the
  // same values (in part, and through another address form).
  const HexImportResult r = Import(Data(0x0100, {1, 2}) + Data(0x0008, Counting(16, 0xA0)) + Data(0x0100, {1}) +
                                   Data(0x0010, {0xA8, 0xA9}) + Record(2, 0, {0x00, 0x10}) + Data(0x0000, {1}) + Eof());
  EXPECT_EQ(r.lines[0], " 00000: FF FF FF FF FF FF FF FF A0 A1 A2 A3 A4 A5 A6 A7 ");
  EXPECT_EQ(r.lines[1], " 00010: A8 A9 AA AB AC AD AE AF FF FF FF FF FF FF FF FF ");
  for (int n = 2; n < 16; ++n) EXPECT_EQ(r.lines[static_cast<std::size_t>(n)], BlankLineText(n));
  EXPECT_EQ(r.lines[16].substr(0, 14), " 00100: 01 02 ");
  EXPECT_EQ(r.blockLimit, 10);
}

TEST(HexImportRecords, SegmentAndLinearAddressRecords) {
  const HexImportResult r = Import(Record(2, 0, {0x01, 0x00}) + Data(0x0010, {1}) +    // 0x1000 + 0x10
                                   Record(4, 0, {0x00, 0x01}) + Data(0xE000, {2}) +    // 0x1E000
                                   Record(5, 0, {0, 0, 1, 0}) + Record(3, 0, {0, 0, 1, 0}) + Eof() +
                                   Data(0x0000, {3}));  // after the end: not read
  EXPECT_EQ(r.lines[0x101].substr(0, 11), " 01010: 01 ");
  EXPECT_EQ(r.lines[0x1E00].substr(0, 11), " 1E000: 02 ");
  EXPECT_EQ(r.lines[0], BlankLineText(0));
  EXPECT_EQ(r.blockLimit, (0x1E00 + 1) / 8 + 2);
}

TEST(HexImportRecords, FullFlashGivesItsBlockLimit) {
  std::string text;
  for (unsigned a = 0; a < kFlashSize; a += 16) {
    if (a % 0x10000 == 0) text += Record(4, 0, {0, static_cast<int>(a >> 16)});
    text += Data(a & 0xFFFF, Counting(16));
  }
  const HexImportResult r = Import(text + Eof());
  ASSERT_EQ(r.lines.size(), 7936u);
  EXPECT_EQ(r.lines[7935].substr(0, 8), " 1EFF0: ");
  EXPECT_EQ(r.blockLimit, 994);
}

struct BadFile {
  const char* name;
  std::string text;
  HexImportErrorKind kind;
  int line;
};

void PrintTo(const BadFile& bad, std::ostream* os) { *os << bad.name; }

class HexImportRefuses : public ::testing::TestWithParam<BadFile> {};

TEST_P(HexImportRefuses, WithItsErrorAndLeavesTheImageAlone) {
  const BadFile& bad = GetParam();
  const auto path = std::filesystem::temp_directory_path() / (std::string("galt_bad_") + bad.name + ".hex");
  std::ofstream(path, std::ios::binary) << bad.text;

  ImageBuffer image;
  FillBlankImage(image, 7937);
  const auto before = image.Lines();
  int blockLimit = 233;
  const auto error = ImportHexFile(path.string(), image, blockLimit);
  std::filesystem::remove(path);

  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->kind, bad.kind);
  EXPECT_EQ(error->line, bad.line);
  EXPECT_EQ(image.Lines(), before);
  EXPECT_EQ(blockLimit, 233);
}

const std::string kGood = Data(0, Counting(16));
INSTANTIATE_TEST_SUITE_P(
    Faults, HexImportRefuses,
    ::testing::Values(
        BadFile{"checksum", kGood + kGood + ":040010001122334443\r\n" + Eof(), HexImportErrorKind::BadChecksum, 3},
        BadFile{"non_hex", kGood + ":04001000112G334442\r\n", HexImportErrorKind::NonHexCharacter, 2},
        BadFile{"between_records", kGood + "\r\nrubbish\r\n" + kGood, HexImportErrorKind::NonHexCharacter, 3},
        BadFile{"truncated", kGood + ":0400100011223344\r\n" + Eof(), HexImportErrorKind::BadRecordLength, 2},
        BadFile{"cut_by_file_end", kGood + ":040010001122", HexImportErrorKind::BadRecordLength, 2},
        BadFile{"overlong", kGood + ":04001000112233444200\r\n", HexImportErrorKind::BadRecordLength, 2},
        BadFile{"address_length", Record(4, 0, {0, 0, 1}) + kGood, HexImportErrorKind::BadRecordLength, 1},
        BadFile{"start_segment_length", Record(3, 0, {0, 0, 1}) + kGood, HexImportErrorKind::BadRecordLength, 1},
        BadFile{"start_linear_length", kGood + Record(5, 0, {0, 0, 1, 0, 0}) + Eof(),
                HexImportErrorKind::BadRecordLength, 2},
        BadFile{"empty_start_record", kGood + Record(5, 0, {}) + Eof(), HexImportErrorKind::BadRecordLength, 2},
        BadFile{"other_byte_at_an_address", kGood + Data(0x0020, {1}) + Data(0x0008, {0x08, 0x09, 0xAA}) + Eof(),
                HexImportErrorKind::ConflictingData, 3},
        BadFile{"other_byte_through_segment", Record(4, 0, {0, 1}) + Data(0x0000, {1}) + Record(2, 0, {0x10, 0}) +
                                                   Data(0x0000, {2}) + Eof(),
                HexImportErrorKind::ConflictingData, 4},
        BadFile{"unknown_type", kGood + Record(6, 0, {1}), HexImportErrorKind::UnknownRecordType, 2},
        BadFile{"beyond_flash", Record(4, 0, {0, 1}) + Data(0xEFF8, Counting(16)), HexImportErrorKind::BeyondFlash, 2},
        BadFile{"beyond_64k_in_segment", Record(2, 0, {0x20, 0}) + kGood, HexImportErrorKind::BeyondFlash, 2},
        BadFile{"only_eof", Eof() + kGood, HexImportErrorKind::NoData, 0},
        // Cut short: it would verify fewer blocks and pass.
        BadFile{"no_end_of_file", kGood + Data(0x10, {0x11, 0x22, 0x33, 0x44}), HexImportErrorKind::NoEndOfFile, 0},
        BadFile{"empty", "", HexImportErrorKind::NoData, 0},
        BadFile{"no_record", "no records here\n", HexImportErrorKind::NoData, 0}),
    [](const ::testing::TestParamInfo<BadFile>& p) { return std::string(p.param.name); });

TEST(HexImportFile, RefusesWhatCannotBeRead) {
  ImageBuffer image;
  FillBlankImage(image, 7936);
  int blockLimit = 233;
  for (const std::string& path : {std::string("/nonexistent/galt.hex"), std::filesystem::temp_directory_path().string()}) {
    const auto error = ImportHexFile(path, image, blockLimit);
    ASSERT_TRUE(error.has_value()) << path;
    EXPECT_EQ(*error, (HexImportError{HexImportErrorKind::CannotRead, 0})) << path;
  }
  EXPECT_EQ(image.Count(), 7936u);
  EXPECT_EQ(blockLimit, 233);
}

TEST(HexImportFile, ReplacesTheImageAndBlockLimitOnSuccess) {
  const auto path = std::filesystem::temp_directory_path() / "galt_good.hex";
  std::ofstream(path, std::ios::binary) << ":020000020000FC\r\n" << kGood << Eof();
  ImageBuffer image;
  FillBlankImage(image, 7937);
  int blockLimit = 233;
  EXPECT_FALSE(ImportHexFile(path.string(), image, blockLimit).has_value());
  std::filesystem::remove(path);
  ASSERT_EQ(image.Count(), 7936u);
  EXPECT_EQ(image.Line(0), kLine0);
  EXPECT_EQ(blockLimit, 10);
}

TEST(HexImportError, TextsNameTheProblemAndTheLine) {
  EXPECT_EQ(HexImportErrorText({HexImportErrorKind::BadChecksum, 12}), "Ошибка контрольной суммы в строке 12 файла!");
  EXPECT_EQ(HexImportErrorText({HexImportErrorKind::NoData, 0}), "Файл не содержит данных!");
  EXPECT_EQ(HexImportErrorText({HexImportErrorKind::NoEndOfFile, 0}).rfind("Файл обрезан", 0), 0u);
  EXPECT_EQ(HexImportErrorText({HexImportErrorKind::CannotRead, 0}), "Ошибка чтения файла!");
  for (auto kind : {HexImportErrorKind::NonHexCharacter, HexImportErrorKind::BadRecordLength,
                    HexImportErrorKind::UnknownRecordType, HexImportErrorKind::BeyondFlash,
                    HexImportErrorKind::ConflictingData}) {
    const std::string text = HexImportErrorText({kind, 7});
    EXPECT_NE(text.find(" в строке 7 файла!"), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace galt
