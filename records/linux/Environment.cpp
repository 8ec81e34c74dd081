#include "records/Environment.h"

#include <cstdlib>

namespace galt {

std::optional<std::filesystem::path> EnvironmentValue(const char* Name) {
  const char* value = std::getenv(Name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::filesystem::path(value);
}

}  // namespace galt
