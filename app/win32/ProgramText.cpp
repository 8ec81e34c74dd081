#include "app/win32/ProgramText.h"

#include "app/win32/WindowsApi.h"
#include "winutil/WideText.h"

namespace galt::win32 {

namespace {

constexpr wchar_t kCaption[] = L"galt-loader";

bool Leads(HANDLE handle) {
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

bool WriteWhole(HANDLE handle, const std::string& text) {
  DWORD mode = 0;
  if (::GetConsoleMode(handle, &mode)) {
    const std::wstring wide = WideFromUtf8(text);
    DWORD written = 0;
    return ::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) != FALSE;
  }
  DWORD written = 0;
  return ::WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != FALSE &&
         written == text.size();
}

}  // namespace

void ShowProgramText(const std::string& Text, bool Error) {
  const DWORD which = Error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE;
  if (const HANDLE inherited = ::GetStdHandle(which); Leads(inherited) && WriteWhole(inherited, Text)) return;
  if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
    const HANDLE console = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, 0, nullptr);
    const bool written = console != INVALID_HANDLE_VALUE && WriteWhole(console, Text);
    if (console != INVALID_HANDLE_VALUE) ::CloseHandle(console);
    ::FreeConsole();
    if (written) return;
  }
  ::MessageBoxW(nullptr, WideFromUtf8(Text).c_str(), kCaption, MB_OK | (Error ? MB_ICONERROR : MB_ICONINFORMATION));
}

}  // namespace galt::win32
