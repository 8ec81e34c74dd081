#include "records/JournalLocation.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <system_error>

#include "winutil/WideText.h"

namespace galt {

namespace fs = std::filesystem;

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
