#pragma once
// The loader's settings from the environment (GALT_JOURNAL, GALT_TRACE, the
// base folders, the display): what a variable names is a path, taken as the
// system keeps it, so a Cyrillic folder comes through whole (UTF-16 on
// Windows, the bytes as they are on Linux).

#include <filesystem>
#include <optional>

namespace galt {

// The value of the variable Name, or nothing when it is unset or empty.
std::optional<std::filesystem::path> EnvironmentValue(const char* Name);

}  // namespace galt
