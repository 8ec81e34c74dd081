#include "records/JournalLocation.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

#include "records/Environment.h"

namespace galt {

namespace fs = std::filesystem;

fs::path StandardJournalPath() {
  // A relative XDG_STATE_HOME is invalid and ignored, as the base directory
  // rules say.
  const std::optional<fs::path> state = EnvironmentValue("XDG_STATE_HOME");
  fs::path base;
  if (state && state->is_absolute()) {
    base = *state;
  } else {
    // Without HOME (a service, a cleared environment) the account's own home,
    // never a folder relative to wherever the program was started.
    std::optional<fs::path> home = EnvironmentValue("HOME");
    if (!home || !home->is_absolute()) {
      const passwd* entry = ::getpwuid(::geteuid());
      home.reset();
      if (entry != nullptr && entry->pw_dir != nullptr && *entry->pw_dir == '/') home = fs::path(entry->pw_dir);
    }
    if (!home) return {};
    base = *home / ".local" / "state";
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
