#include "frontend/FilePath.h"

namespace galt {

std::filesystem::path FilePath(const std::string& utf8) {
  // A UTF-8 path becomes the system's own form: UTF-16 on Windows.
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace galt
