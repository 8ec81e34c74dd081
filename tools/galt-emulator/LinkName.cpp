#include "tools/galt-emulator/LinkName.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <stdexcept>

namespace galt::emucli {

namespace {

std::optional<std::string> ReadLink(const std::string& path) {
  char buf[4096];
  const ssize_t n = readlink(path.c_str(), buf, sizeof buf);
  if (n < 0 || static_cast<std::size_t>(n) >= sizeof buf) return std::nullopt;
  return std::string(buf, static_cast<std::size_t>(n));
}

// A link this tool made: it points at our own terminal, or at a terminal
// under /dev/pts that no longer exists (the run that made it was killed).
bool IsOurLeftover(const std::string& path, const std::string& target) {
  const auto points = ReadLink(path);
  if (!points) return false;
  if (*points == target) return true;
  struct stat st{};
  return points->rfind("/dev/pts/", 0) == 0 && stat(points->c_str(), &st) != 0 && errno == ENOENT;
}

[[noreturn]] void Refuse(const std::string& path, const std::string& why, int error = 0) {
  // /dev belongs to root: the usual cause, and what to do about it.
  const std::string hint = error == EACCES || error == EPERM
                               ? " (run it as root or through sudo: sudo galt-emulator --link " + path + ")"
                               : "";
  throw std::runtime_error("cannot link " + path + ": " + why + hint);
}

}  // namespace

LinkName::LinkName(std::string path, std::string target) : path_(std::move(path)), target_(std::move(target)) {
  if (symlink(target_.c_str(), path_.c_str()) == 0) return;
  if (errno != EEXIST) Refuse(path_, std::strerror(errno), errno);
  if (!IsOurLeftover(path_, target_)) Refuse(path_, "it exists and is not a leftover link of this tool");
  if (unlink(path_.c_str()) != 0 && errno != ENOENT) Refuse(path_, std::strerror(errno), errno);
  // Someone may have taken the name in between; symlink() never overwrites.
  if (symlink(target_.c_str(), path_.c_str()) != 0) Refuse(path_, std::strerror(errno), errno);
}

LinkName::~LinkName() {
  if (ReadLink(path_) == target_) unlink(path_.c_str());
}

}  // namespace galt::emucli
