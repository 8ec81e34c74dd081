// RegularFile on Windows: device names refused by their form, then a handle
// that must be one of a disk file.

#include "records/RegularFile.h"

#include <windows.h>

#include <cwctype>
#include <string>
#include <utility>

namespace galt {

namespace {

FileProblem ProblemOf(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND: return {FileFault::Missing, static_cast<long>(code)};
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME: return {FileFault::NoFolder, static_cast<long>(code)};
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return {FileFault::Denied, static_cast<long>(code)};
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return {FileFault::Busy, static_cast<long>(code)};
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return {FileFault::NoSpace, static_cast<long>(code)};
    default: return {FileFault::Other, static_cast<long>(code)};
  }
}

bool SameLetters(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::towupper(a[i]) != std::towupper(b[i])) return false;
  return true;
}

// A name Windows takes for a device, not a file: the device namespace
// (\\.\COM5, \\.\pipe\x, \\?\GLOBALROOT\...), and in any folder the names of
// the consoles, ports and printers (COM5, nul.csv, LPT1.txt).
bool NamesADevice(const std::filesystem::path& path) {
  const std::wstring& whole = path.native();
  if (whole.rfind(L"\\\\.\\", 0) == 0 || whole.rfind(L"//./", 0) == 0) return true;
  if (whole.rfind(L"\\\\?\\", 0) == 0) {
    const std::wstring_view rest = std::wstring_view(whole).substr(4);
    const bool drive = rest.size() >= 3 && std::iswalpha(rest[0]) && rest[1] == L':' && rest[2] == L'\\';
    if (!drive && !SameLetters(rest.substr(0, 4), L"UNC\\")) return true;
  }
  std::wstring stem = path.filename().native();
  stem = stem.substr(0, stem.find(L'.'));
  while (!stem.empty() && (stem.back() == L' ' || stem.back() == L':')) stem.pop_back();
  for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"})
    if (SameLetters(stem, device)) return true;
  if (stem.size() == 4 && (SameLetters(stem.substr(0, 3), L"COM") || SameLetters(stem.substr(0, 3), L"LPT"))) {
    const wchar_t digit = stem[3];
    return (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
  }
  return false;
}

// The journal's lock: one byte far beyond any file's end, so that readers of
// the file are never kept out (a lock on Windows bars others from its bytes).
OVERLAPPED LockPlace() {
  OVERLAPPED place{};
  place.OffsetHigh = 0x7FFFFFFF;
  return place;
}

}  // namespace

RegularFile::~RegularFile() { Close(); }

RegularFile::RegularFile(RegularFile&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      readAt_(std::exchange(other.readAt_, 0)),
      locked_(std::exchange(other.locked_, false)) {}

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, nullptr);
    readAt_ = std::exchange(other.readAt_, 0);
    locked_ = std::exchange(other.locked_, false);
  }
  return *this;
}

void RegularFile::Close() {
  if (handle_ == nullptr) return;
  if (locked_) {
    OVERLAPPED place = LockPlace();
    ::UnlockFileEx(handle_, 0, 1, 0, &place);
  }
  ::CloseHandle(handle_);
  handle_ = nullptr;
  locked_ = false;
  readAt_ = 0;
}

RegularFile RegularFile::Open(const std::filesystem::path& path, Access access, FileProblem& problem) {
  problem = {};
  RegularFile file;
  if (NamesADevice(path)) {
    problem = {FileFault::NotPlain, 0};
    return file;
  }
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    problem = {FileFault::Folder, 0};
    return file;
  }
  const DWORD rights = access == Access::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  const DWORD sharing = access == Access::Create ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const DWORD disposition = access == Access::Read ? OPEN_EXISTING : access == Access::Create ? CREATE_NEW : OPEN_ALWAYS;
  const HANDLE handle =
      ::CreateFileW(path.c_str(), rights, sharing, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD code = ::GetLastError();
    problem = code == ERROR_FILE_EXISTS ? FileProblem{FileFault::Busy, static_cast<long>(code)} : ProblemOf(code);
    if (problem.fault == FileFault::Missing && access == Access::Append) problem.fault = FileFault::NoFolder;
    return file;
  }
  file.handle_ = handle;
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileType(handle) != FILE_TYPE_DISK) {
    problem = {FileFault::NotPlain, 0};
  } else if (!::GetFileInformationByHandle(handle, &info)) {
    problem = ProblemOf(::GetLastError());
  } else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    problem = {FileFault::Folder, 0};
  }
  if (problem) file.Close();
  return file;
}

bool RegularFile::IsOpen() const { return handle_ != nullptr; }

std::ptrdiff_t RegularFile::Read(char* buffer, std::size_t size) {
  const std::ptrdiff_t n = ReadAt(readAt_, buffer, size);
  if (n > 0) readAt_ += static_cast<std::uint64_t>(n);
  return n;
}

std::ptrdiff_t RegularFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t size) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  const DWORD want = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
  if (::ReadFile(static_cast<HANDLE>(handle_), buffer, want, &got, &at)) return static_cast<std::ptrdiff_t>(got);
  return ::GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
}

std::optional<std::uint64_t> RegularFile::Size() {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(static_cast<HANDLE>(handle_), &size)) return std::nullopt;
  return static_cast<std::uint64_t>(size.QuadPart);
}

std::optional<RegularFile::Stamp> RegularFile::Stamped() {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(static_cast<HANDLE>(handle_), &info)) return std::nullopt;
  return Stamp{(static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow,
               static_cast<std::int64_t>((static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                         info.ftLastWriteTime.dwLowDateTime)};
}

FileProblem RegularFile::TryLock() {
  OVERLAPPED place = LockPlace();
  if (::LockFileEx(static_cast<HANDLE>(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                   &place)) {
    locked_ = true;
    return {};
  }
  const DWORD code = ::GetLastError();
  return code == ERROR_IO_PENDING ? FileProblem{FileFault::Busy, static_cast<long>(code)} : ProblemOf(code);
}

FileProblem RegularFile::Append(std::string_view text, std::uint64_t sizeBefore) {
  std::size_t done = 0;
  while (done < text.size()) {
    // At the end of the file, whatever its size is by now.
    OVERLAPPED end{};
    end.Offset = 0xFFFFFFFF;
    end.OffsetHigh = 0xFFFFFFFF;
    DWORD written = 0;
    const std::size_t left = text.size() - done;
    const DWORD want = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
    const bool wrote = ::WriteFile(static_cast<HANDLE>(handle_), text.data() + done, want, &written, &end) != 0;
    if (!wrote || written == 0) {
      const DWORD code = wrote ? ERROR_DISK_FULL : ::GetLastError();
      // A line cut off would take the next one with it in a reader's eyes.
      FILE_END_OF_FILE_INFO cut{};
      cut.EndOfFile.QuadPart = static_cast<LONGLONG>(sizeBefore);
      ::SetFileInformationByHandle(static_cast<HANDLE>(handle_), FileEndOfFileInfo, &cut, sizeof cut);
      return ProblemOf(code);
    }
    done += written;
  }
  return {};
}

FileProblem RegularFile::MakeReadOnly() {
  FILE_BASIC_INFO info{};
  const auto handle = static_cast<HANDLE>(handle_);
  if (!::GetFileInformationByHandleEx(handle, FileBasicInfo, &info, sizeof info)) return ProblemOf(::GetLastError());
  info.FileAttributes |= FILE_ATTRIBUTE_READONLY;
  if (!::SetFileInformationByHandle(handle, FileBasicInfo, &info, sizeof info)) return ProblemOf(::GetLastError());
  return {};
}

long RegularFile::LastCode() { return static_cast<long>(::GetLastError()); }

}  // namespace galt
