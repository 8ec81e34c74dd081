#include "records/JournalLocation.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <vector>

namespace galt {

namespace fs = std::filesystem;

JournalPlace ChooseJournal(const std::optional<fs::path>& given) {
  if (given) return {*given, JournalSource::Option};
  if (const char* chosen = std::getenv("GALT_JOURNAL"); chosen != nullptr && *chosen != '\0') {
    return {chosen, JournalSource::Environment};
  }
  return {StandardJournalPath(), JournalSource::Default};
}

fs::path JournalPath() { return ChooseJournal().path; }

fs::path StandardJournalPath() {
  // A relative XDG_STATE_HOME is invalid and ignored, as the base directory
  // rules say.
  const char* state = std::getenv("XDG_STATE_HOME");
  fs::path base;
  if (state != nullptr && *state == '/') {
    base = state;
  } else {
    // Without HOME (a service, a cleared environment) the account's own home,
    // never a folder relative to wherever the program was started.
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home != '/') {
      const passwd* entry = ::getpwuid(::geteuid());
      home = entry != nullptr && entry->pw_dir != nullptr && *entry->pw_dir == '/' ? entry->pw_dir : nullptr;
    }
    if (home == nullptr) return {};
    base = fs::path(home) / ".local" / "state";
  }
  return base / "galt-loader" / "journal.csv";
}

std::string JournalPathText(const fs::path& path) { return path.string(); }

FileProblem MakeJournalFolder(const fs::path& path) {
  const fs::path folder = path.parent_path();
  if (folder.empty()) return {};
  std::error_code ec;
  if (fs::is_directory(folder, ec)) return {};
  if (path != StandardJournalPath()) {
    fs::create_directories(folder, ec);
    return ec ? FileProblem{FileFault::NoFolder, ec.value()} : FileProblem{};
  }
  // From the first folder that is there down, each made private.
  std::vector<fs::path> missing;
  for (fs::path at = folder; !at.empty() && !fs::exists(at, ec); at = at.parent_path()) {
    missing.push_back(at);
    if (at == at.parent_path()) break;
  }
  for (auto at = missing.rbegin(); at != missing.rend(); ++at) {
    if (::mkdir(at->c_str(), 0700) != 0 && errno != EEXIST) return {FileFault::NoFolder, errno};
  }
  return {};
}

}  // namespace galt
