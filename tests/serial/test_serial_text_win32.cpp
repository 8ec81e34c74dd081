// Windows' UTF-16 texts and the program's UTF-8 meet in one place
// (serial/win32/WideText.h): what the W calls answer is shown as it is.

#include <gtest/gtest.h>

#include "serial/win32/WideText.h"

namespace galt::test {
namespace {

TEST(SerialWideText, RussianTextGoesBothWaysUnchanged) {
  const std::string text = "Порт COM5 занят другой программой";
  EXPECT_EQ(WideFromUtf8(text), L"Порт COM5 занят другой программой");
  EXPECT_EQ(Utf8FromWide(WideFromUtf8(text)), text);
  // Beyond 16 bits: a surrogate pair in UTF-16, four bytes in UTF-8.
  EXPECT_EQ(Utf8FromWide(L"\U0001D11E"), "\xF0\x9D\x84\x9E");
  EXPECT_EQ(WideFromUtf8("\xF0\x9D\x84\x9E"), L"\U0001D11E");
}

TEST(SerialWideText, BrokenInputIsReplacedNotDropped) {
  const wchar_t lone[] = {L'a', static_cast<wchar_t>(0xD800), L'b'};
  EXPECT_EQ(Utf8FromWide(std::wstring_view(lone, 3)), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(WideFromUtf8("a\xFF" "b"), L"a\xFFFD" L"b");
}

}  // namespace
}  // namespace galt::test
