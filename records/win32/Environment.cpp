#include "records/Environment.h"

#include <windows.h>

#include <string>

#include "winutil/WideText.h"

namespace galt {

std::optional<std::filesystem::path> EnvironmentValue(const char* Name) {
  // The process's own block, which SetEnvironmentVariableW and the C
  // runtime's _wputenv both change; the narrow getenv would answer in the
  // code page.
  const std::wstring name = WideFromUtf8(Name);
  std::wstring value(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetEnvironmentVariableW(name.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (n == 0) return std::nullopt;
    if (n < value.size()) {
      value.resize(n);
      return std::filesystem::path(value);
    }
    value.resize(n);  // too short: n is the size it needs, its end included
  }
}

}  // namespace galt
