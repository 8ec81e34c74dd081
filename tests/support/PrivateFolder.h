#pragma once
// A folder of the test's own, made fresh and removed with what it holds when
// the test ends. A port or file named in it is absent whatever the machine
// has: a fixed name such as /dev/ttyUSB29 may well exist (an emulator linked
// there, an adapter plugged in).

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace galt::testing {

class PrivateFolder {
 public:
  PrivateFolder() {
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
      const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
      path_ = base / ("galt-test-" + std::to_string(random()) + "-" + std::to_string(stamp));
      if (std::filesystem::create_directory(path_)) break;  // never one that was there
    }
  }
  ~PrivateFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;

  // The path of Name inside the folder; nothing is made there.
  std::string operator/(const std::string& Name) const { return (path_ / Name).string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace galt::testing
