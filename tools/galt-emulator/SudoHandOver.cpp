#include "tools/galt-emulator/SudoHandOver.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace galt::emucli {

namespace {

// A decimal id; (uid_t)-1 and (gid_t)-1 mean "no change" to chown, so they
// are no ids.
template <typename Id>
std::optional<Id> ParseId(const char* text) {
  if (text == nullptr || *text == '\0') return std::nullopt;
  const char* end = text + std::strlen(text);
  unsigned long long value = 0;
  const auto [at, ec] = std::from_chars(text, end, value);
  if (ec != std::errc{} || at != end || value >= std::numeric_limits<Id>::max()) return std::nullopt;
  return static_cast<Id>(value);
}

std::optional<gid_t> DialoutGroup() {
  std::vector<char> buffer(16 * 1024);
  group entry{};
  group* found = nullptr;
  if (getgrnam_r("dialout", &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
    return std::nullopt;
  return found->gr_gid;
}

// The user's groups as a login would give them; only the two known ids for a
// user the password database does not know.
std::vector<gid_t> GroupsOf(const InvokingUser& user) {
  std::vector<char> buffer(16 * 1024);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(user.uid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
    return {user.gid};
  int count = 64;
  std::vector<gid_t> groups(static_cast<std::size_t>(count));
  while (getgrouplist(found->pw_name, user.gid, groups.data(), &count) < 0)
    groups.resize(static_cast<std::size_t>(count));
  groups.resize(static_cast<std::size_t>(count));
  return groups;
}

}  // namespace

std::optional<InvokingUser> SudoUser(uid_t euid, const char* sudoUid, const char* sudoGid,
                                     std::optional<gid_t> dialout) {
  if (euid != 0 || sudoUid == nullptr) return std::nullopt;
  const auto uid = ParseId<uid_t>(sudoUid);
  const auto gid = ParseId<gid_t>(sudoGid);
  if (!uid || !gid)
    throw std::runtime_error(std::string("SUDO_UID/SUDO_GID are not user and group ids: ") + sudoUid + "/" +
                             (sudoGid ? sudoGid : "(unset)"));
  return InvokingUser{*uid, *gid, dialout.value_or(*gid)};
}

std::optional<InvokingUser> SudoUserOfThisProcess() {
  return SudoUser(geteuid(), std::getenv("SUDO_UID"), std::getenv("SUDO_GID"), DialoutGroup());
}

void HandOverTerminal(const std::string& terminal, const InvokingUser& user) {
  if (chown(terminal.c_str(), user.uid, user.terminalGroup) != 0)
    throw std::system_error(errno, std::generic_category(), "chown " + terminal);
  if (chmod(terminal.c_str(), 0660) != 0) throw std::system_error(errno, std::generic_category(), "chmod " + terminal);
}

bool UserCanOpen(const std::string& path, const InvokingUser& user) {
  const std::vector<gid_t> groups = GroupsOf(user);
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    // access() asks with the real ids, which are the user's once set.
    const bool asUser = setgroups(groups.size(), groups.data()) == 0 && setgid(user.gid) == 0 &&
                        setuid(user.uid) == 0;
    _exit(asUser && access(path.c_str(), R_OK | W_OK) == 0 ? 0 : 1);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace galt::emucli
