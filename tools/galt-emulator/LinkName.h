#pragma once
// A second name for the pseudo-terminal (for example /dev/ttyUSB9, so the
// loader's port discovery finds it). Only our own links are ever replaced or
// removed: a leftover link of an earlier run that pointed into /dev/pts and
// whose terminal is gone, or the link this object made.

#include <string>

namespace galt::emucli {

class LinkName {
 public:
  // Makes `path` a symlink to `target`. Throws std::runtime_error with a
  // readable message when `path` is taken by anything else or cannot be made.
  LinkName(std::string path, std::string target);
  // Removes the link if it still points at `target`.
  ~LinkName();
  LinkName(const LinkName&) = delete;
  LinkName& operator=(const LinkName&) = delete;

 private:
  std::string path_;
  std::string target_;
};

}  // namespace galt::emucli
