#pragma once
// A file's bytes as they lie on disk ("" when there is none).

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace galt::testing {

inline std::string FileBytes(const std::filesystem::path& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

}  // namespace galt::testing
