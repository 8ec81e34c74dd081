#include "app/cli/FilePath.h"

#ifdef _WIN32
#include "serial/win32/WideText.h"
#endif

namespace galt::cli {

std::filesystem::path FilePath(const std::string& utf8) {
#ifdef _WIN32
  return std::filesystem::path(WideFromUtf8(utf8));
#else
  return std::filesystem::path(utf8);
#endif
}

}  // namespace galt::cli
