#include "winutil/WideText.h"

#include <windows.h>

namespace galt {

std::string Utf8FromWide(std::wstring_view Text) {
  if (Text.empty()) return {};
  const int length = static_cast<int>(Text.size());
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, Text.data(), length, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, Text.data(), length, out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring WideFromUtf8(std::string_view Text) {
  if (Text.empty()) return {};
  const int length = static_cast<int>(Text.size());
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, Text.data(), length, nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, Text.data(), length, out.data(), n);
  return out;
}

}  // namespace galt
