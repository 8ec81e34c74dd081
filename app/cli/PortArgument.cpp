#include "app/cli/PortArgument.h"

#include <cctype>
#include <charconv>
#include <optional>

namespace galt::cli {

namespace {

constexpr std::string_view kComPattern = "\\\\.\\COM%d";

#ifdef _WIN32
constexpr std::string_view kDeviceFolder = "\\\\.\\";
#else
constexpr std::string_view kDeviceFolder = "/dev/";
#endif

// n of "COMn" or "\\.\COMn", any case.
std::optional<std::int32_t> ComNumber(std::string_view name) {
  if (name.substr(0, 4) == "\\\\.\\") name.remove_prefix(4);
  if (name.size() < 4 || name.size() > 12) return std::nullopt;
  for (std::size_t i = 0; i < 3; ++i) {
    if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return std::nullopt;
  }
  std::int32_t n = 0;
  const char* last = name.data() + name.size();
  const auto [ptr, ec] = std::from_chars(name.data() + 3, last, n);
  if (ec != std::errc() || ptr != last) return std::nullopt;
  return n;
}

bool HasFolder(std::string_view name) { return name.find_first_of("/\\") != std::string_view::npos; }

std::string_view BaseName(std::string_view path) {
  const auto slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The component fills "%d" of its device name; a path's own "%" must stay.
std::string Literal(std::string_view path) {
  std::string out;
  for (char c : path) {
    out += c;
    if (c == '%') out += '%';
  }
  return out;
}

PortChoice Numbered(std::int32_t n, const TSerPortTable& table) {
  const std::string com = "COM" + std::to_string(n);
  PortChoice choice{std::string(kComPattern), n, com};
  // Where the table's device is the COM port itself (Windows), the name says it all.
  if (const auto path = table.PathOf(n); path && *path != std::string(kDeviceFolder) + com) {
    choice.shown += " (" + *path + ")";
  }
  return choice;
}

}  // namespace

PortChoice ChoosePort(std::string_view argument, const TSerPortTable& table) {
  if (const auto n = ComNumber(argument)) return Numbered(*n, table);
  if (!HasFolder(argument)) {
    for (int n = table.FirstPortNum(); n <= table.LastPortNum(); ++n) {
      const auto path = table.PathOf(n);
      if (path && BaseName(*path) == argument) return Numbered(n, table);
    }
    const std::string path = std::string(kDeviceFolder) + std::string(argument);
    return PortChoice{Literal(path), 0, path};
  }
  return PortChoice{Literal(argument), 0, std::string(argument)};
}

}  // namespace galt::cli
