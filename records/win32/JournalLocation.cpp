#include "records/JournalLocation.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <system_error>

#include "winutil/WideText.h"

namespace galt {

namespace fs = std::filesystem;

JournalPlace ChooseJournal(const std::optional<fs::path>& given) {
  if (given) return {*given, JournalSource::Option};
  wchar_t chosen[32768];
  const DWORD n = ::GetEnvironmentVariableW(L"GALT_JOURNAL", chosen, static_cast<DWORD>(std::size(chosen)));
  if (n > 0 && n < std::size(chosen)) return {fs::path(std::wstring(chosen, n)), JournalSource::Environment};
  return {StandardJournalPath(), JournalSource::Default};
}

fs::path JournalPath() { return ChooseJournal().path; }

fs::path StandardJournalPath() {
  PWSTR folder = nullptr;
  fs::path path;
  if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &folder)) &&
      folder != nullptr && *folder != L'\0') {
    path = fs::path(folder) / L"GALT-5R" / L"journal.csv";
  }
  ::CoTaskMemFree(folder);
  return path;
}

std::string JournalPathText(const fs::path& path) { return Utf8FromWide(path.wstring()); }

FileProblem MakeJournalFolder(const fs::path& path) {
  // The account's local application data is its own already.
  const fs::path folder = path.parent_path();
  std::error_code ec;
  if (folder.empty() || fs::is_directory(folder, ec)) return {};
  fs::create_directories(folder, ec);
  return ec ? FileProblem{FileFault::NoFolder, ec.value()} : FileProblem{};
}

}  // namespace galt
