// Serial-number stamping into lines 1736, 1737 and 1767, in both layouts and
// on each line form.

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <tuple>

#include "image/BlockBytes.h"
#include "image/Firmware.h"
#include "image/Stamp.h"

namespace galt {
namespace {

// The carried image rewritten in another form, bytes unchanged.
enum class Form { Data, Addressed, Imported };

ImageBuffer InstallImageAs(Form form) {
  ImageBuffer data;
  LoadEmbeddedFirmware(data);
  AppendErasedDataLines(data, kInstallFillLineCount);
  if (form == Form::Data) return data;
  ImageBuffer out;
  for (std::size_t n = 0; n < data.Count(); ++n) {
    char address[8];
    std::snprintf(address, sizeof address, "%05X:", static_cast<unsigned>(n * 16));
    std::string line = " " + std::string(address) + data.Line(n);  // " AAAAA: XX ... XX"
    if (form == Form::Imported) line += ' ';
    out.Append(line);
  }
  return out;
}

// The bytes of one line as the write pass reads them.
std::string PairsOf(const ImageBuffer& image, int line) {
  const auto block = ExtractBlockBytes(image, line / kBlockLines);
  std::string out;
  for (int k = 0; k < kLineBytes; ++k) {
    char pair[4];
    std::snprintf(pair, sizeof pair, "%02X ", (*block)[static_cast<std::size_t>((line % kBlockLines) * kLineBytes + k)]);
    out += pair;
  }
  return out;
}

struct Expected {
  int serial;
  const char* highWord;  // the words taking the serial number's high byte
  const char* lowWord;   // and its low byte
};

void PrintTo(const Expected& e, std::ostream* os) { *os << e.serial; }

class StampEveryForm : public ::testing::TestWithParam<std::tuple<StampLayout, Form, Expected>> {};

TEST_P(StampEveryForm, WritesTheSerialNumberIntoTheFourWordsOnly) {
  const auto [layout, form, expected] = GetParam();
  const ImageBuffer before = InstallImageAs(form);
  ImageBuffer image = before;
  StampSerialNumber(image, layout, expected.serial);

  ASSERT_EQ(image.Count(), before.Count());
  for (std::size_t n = 0; n < image.Count(); ++n) {
    if (n == 1736 || n == 1737 || n == 1767) {
      EXPECT_EQ(image.Line(n).size(), before.Line(n).size()) << "line " << n;
      EXPECT_EQ(image.Line(n).substr(0, 7), before.Line(n).substr(0, 7)) << "line " << n;
    } else {
      ASSERT_EQ(image.Line(n), before.Line(n)) << "line " << n;
    }
  }
  // Pairs (3 characters each) of bytes 12-13, 4-5, 2-3 and 10-11.
  std::string want1736 = PairsOf(before, 1736), want1737 = PairsOf(before, 1737), want1767 = PairsOf(before, 1767);
  want1736.replace(3 * 12, 5, expected.highWord);
  want1737.replace(3 * 4, 5, expected.lowWord);
  want1767.replace(3 * 2, 5, expected.highWord);
  want1767.replace(3 * 10, 5, expected.lowWord);
  EXPECT_EQ(PairsOf(image, 1736), want1736);
  EXPECT_EQ(PairsOf(image, 1737), want1737);
  EXPECT_EQ(PairsOf(image, 1767), want1767);
  if (form == Form::Imported) {
    EXPECT_EQ(image.Line(1767).back(), ' ');
  }
}

std::string CaseName(const ::testing::TestParamInfo<StampEveryForm::ParamType>& info) {
  static constexpr const char* kForms[] = {"DataLines", "AddressedLines", "ImportedLines"};
  const bool dataLayout = std::get<0>(info.param) == StampLayout::DataLine;
  return std::string(dataLayout ? "DataLineLayout_" : "AddressedLayout_") +
         kForms[static_cast<int>(std::get<1>(info.param))] + "_" + std::to_string(std::get<2>(info.param).serial);
}

INSTANTIATE_TEST_SUITE_P(
    Serials, StampEveryForm,
    ::testing::Combine(::testing::Values(StampLayout::DataLine, StampLayout::Addressed),
                       ::testing::Values(Form::Data, Form::Addressed, Form::Imported),
                       ::testing::Values(Expected{100, "00 E0", "04 E6"}, Expected{300, "01 E0", "0C E2"},
                                         Expected{350, "01 E0", "0E E5"})),
    CaseName);

TEST(StampSerialNumber, WorkedExampleOf300OnDataLines) {
  ImageBuffer image = InstallImageAs(Form::Data);
  std::string l1736 = image.Line(1736), l1737 = image.Line(1737), l1767 = image.Line(1767);
  StampSerialNumber(image, StampLayout::DataLine, 300);
  // Low digits of byte k stand at 0-based 3k+2 of a data line.
  l1736[38] = '1';
  l1736[41] = '0';
  l1737[14] = 'C';
  l1737[17] = '2';
  l1767[8] = '1';
  l1767[11] = '0';
  l1767[32] = 'C';
  l1767[35] = '2';
  EXPECT_EQ(image.Line(1736), l1736);
  EXPECT_EQ(image.Line(1737), l1737);
  EXPECT_EQ(image.Line(1767), l1767);
}

TEST(StampSerialNumber, StampingAgainOverwritesTheDigits) {
  ImageBuffer once = InstallImageAs(Form::Data);
  StampSerialNumber(once, StampLayout::DataLine, 100);
  ImageBuffer twice = InstallImageAs(Form::Data);
  StampSerialNumber(twice, StampLayout::DataLine, 350);
  StampSerialNumber(twice, StampLayout::DataLine, 100);
  EXPECT_EQ(twice.Lines(), once.Lines());
}

TEST(StampSerialNumber, DataLineStampingOfTheBlankImageKeepsItsAddresses) {
  // The service deactivation stamps whatever the buffer holds.
  ImageBuffer image;
  FillBlankImage(image, 7937);
  StampSerialNumber(image, StampLayout::DataLine, 300);
  EXPECT_EQ(image.Line(1736), " 06C80: FF FF FF FF FF FF FF FF FF FF FF FF F1 F0 FF FF");
  EXPECT_EQ(image.Line(1737), " 06C90: FF FF FF FF FC F2 FF FF FF FF FF FF FF FF FF FF");
  EXPECT_EQ(image.Line(1767), " 06E70: FF FF F1 F0 FF FF FF FF FF FF FC F2 FF FF FF FF");
  EXPECT_EQ(image.Count(), 7937u);
}

TEST(StampSerialNumber, LeavesAShortBufferAsItIs) {
  ImageBuffer image;
  FillBlankImage(image, 1737);  // holds line 1736 only
  StampSerialNumber(image, StampLayout::Addressed, 300);
  ASSERT_EQ(image.Count(), 1737u);
  EXPECT_EQ(image.Line(1736), " 06C80: FF FF FF FF FF FF FF FF FF FF FF FF F1 F0 FF FF");

  ImageBuffer empty;
  StampSerialNumber(empty, StampLayout::DataLine, 300);
  EXPECT_EQ(empty.Count(), 0u);
}

}  // namespace
}  // namespace galt
