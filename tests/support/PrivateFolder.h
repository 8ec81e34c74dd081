#pragma once
// A folder of the test's own, removed with what it holds at the end: a port
// or file named in it is absent whatever the machine has (a fixed name such
// as /dev/ttyUSB29 may exist: an emulator linked there, an adapter).

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace galt::testing {

class PrivateFolder {
 public:
  PrivateFolder() {
    std::random_device random;
    do {
      path_ = std::filesystem::temp_directory_path() / ("galt-test-" + std::to_string(random()));
    } while (!std::filesystem::create_directory(path_));  // never one that was there
  }
  ~PrivateFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;

  // Name's path in the folder; nothing is made there.
  std::string operator/(const std::string& Name) const { return (path_ / Name).string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace galt::testing
