#include "app/cli/PortArgument.h"

#include "serial/PortName.h"

namespace galt::cli {

namespace {

#ifdef _WIN32
constexpr std::string_view kDeviceFolder = kDevicePrefix;
#else
constexpr std::string_view kDeviceFolder = "/dev/";
#endif

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
  PortChoice choice{std::string(kComDevicePattern), n, ComName(n)};
  // Where the table's device is the COM port itself (Windows), the name says it all.
  if (const auto path = table.PathOf(n); path && *path != ComDeviceName(n)) {
    choice.shown += " (" + *path + ")";
  }
  return choice;
}

}  // namespace

PortChoice ChoosePort(std::string_view argument, const TSerPortTable& table) {
  if (const auto n = ComPortNumber(argument)) return Numbered(*n, table);
  if (!HasFolder(argument)) {
    for (int n = table.FirstPortNum(); n <= table.LastPortNum(); ++n) {
      const auto path = table.PathOf(n);
      if (path && BaseName(*path) == argument) {
        // Named as the user named it: the number is the table's business.
        PortChoice choice = Numbered(n, table);
        choice.shown = std::string(argument);
        return choice;
      }
    }
    const std::string path = std::string(kDeviceFolder) + std::string(argument);
    return PortChoice{Literal(path), 0, path};
  }
  return PortChoice{Literal(argument), 0, std::string(argument)};
}

}  // namespace galt::cli
