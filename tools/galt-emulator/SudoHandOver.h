#pragma once
// Started through sudo, the emulator runs as root for a user who does not:
// the pseudo-terminal then goes to that user (owner SUDO_UID, group dialout
// where the system has that group, else SUDO_GID, mode 0660), so the loader
// run from the user's own account finds and opens it. Without sudo, or when
// not root, nothing changes.

#include <sys/types.h>

#include <optional>
#include <string>

namespace galt::emucli {

struct InvokingUser {
  uid_t uid;
  gid_t gid;            // the user's own group (SUDO_GID)
  gid_t terminalGroup;  // the group the terminal gets

  bool operator==(const InvokingUser&) const = default;
};

// The user to hand the terminal to, from the effective user id and the
// values of SUDO_UID and SUDO_GID (null when unset); `dialout` is the id of
// that group, if there is one. Throws std::runtime_error when SUDO_UID is
// set but the ids are not usable, rather than serve a terminal the user
// cannot open.
std::optional<InvokingUser> SudoUser(uid_t euid, const char* sudoUid, const char* sudoGid,
                                     std::optional<gid_t> dialout);
// The same for this process.
std::optional<InvokingUser> SudoUserOfThisProcess();

// Owner, group and mode 0660 for `terminal`. Throws std::system_error.
void HandOverTerminal(const std::string& terminal, const InvokingUser& user);

// Whether `user` may open `path` for reading and writing, every directory on
// the way included: a link in a directory closed to the user is no use to
// the loader. Asked in a child process that takes the user's ids.
bool UserCanOpen(const std::string& path, const InvokingUser& user);

}  // namespace galt::emucli
