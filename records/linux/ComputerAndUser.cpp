#include "records/ComputerAndUser.h"

#include <pwd.h>
#include <unistd.h>

namespace galt {

std::string ComputerName() {
  char name[256] = {};
  return ::gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string();
}

std::string UserName() {
  // The account, not what the environment claims (sudo keeps $USER).
  const passwd* entry = ::getpwuid(::geteuid());
  return entry != nullptr && entry->pw_name != nullptr ? entry->pw_name : std::to_string(::geteuid());
}

}  // namespace galt
