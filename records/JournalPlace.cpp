#include "records/JournalPlace.h"

#ifdef _WIN32
#include <windows.h>

#include "winutil/WideText.h"
#else
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#endif

namespace galt {

#ifdef _WIN32

std::string ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return ::GetComputerNameW(name, &size) ? Utf8FromWide(std::wstring_view(name, size)) : std::string();
}

std::string UserName() {
  wchar_t name[256];
  const DWORD n = ::GetEnvironmentVariableW(L"USERNAME", name, 256);
  return n > 0 && n < 256 ? Utf8FromWide(std::wstring_view(name, n)) : std::string();
}

#else

std::string ComputerName() {
  char name[256] = {};
  return ::gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string();
}

std::string UserName() {
  // The account, not what the environment claims (sudo keeps $USER).
  if (const passwd* entry = ::getpwuid(::geteuid()); entry != nullptr && entry->pw_name != nullptr) {
    return entry->pw_name;
  }
  const char* user = std::getenv("USER");
  return user != nullptr ? user : "";
}

#endif

}  // namespace galt
