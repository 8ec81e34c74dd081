#include "serial/PortName.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "serial/PortTable.h"

namespace galt {

namespace {

#ifdef _WIN32
constexpr std::string_view kDeviceFolder = kDevicePrefix;
#else
constexpr std::string_view kDeviceFolder = "/dev/";
#endif

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view Trimmed(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::string ComDeviceName(std::int32_t PortNum) { return std::string(kDevicePrefix) + ComName(PortNum); }

std::string ComName(std::int32_t PortNum) { return "COM" + std::to_string(PortNum); }

std::string ShortPortName(const std::string& Path) {
  constexpr std::string_view kDev = "/dev/";
  if (Path.compare(0, kDev.size(), kDev) == 0 && Path.size() > kDev.size()) return Path.substr(kDev.size());
  if (Path.compare(0, kDevicePrefix.size(), kDevicePrefix) == 0) return Path.substr(kDevicePrefix.size());
  const auto slash = Path.find_last_of('/');
  return slash == std::string::npos ? Path : Path.substr(slash + 1);
}

std::string PortUserName(const std::string& Path) {
  const std::string name = ShortPortName(Path);
  const bool tty = name.size() > 3 && name.compare(0, 3, "tty") == 0 &&
                   std::isalpha(static_cast<unsigned char>(name[3]));
  return tty ? name.substr(3) : name;
}

std::string RecordedPortUserName(const std::string& Recorded) {
  const auto IsPath = [](std::string_view s) {
    return s.starts_with("/dev/") || s.starts_with(kDevicePrefix);
  };
  if (IsPath(Recorded)) return PortUserName(Recorded);
  const auto open = Recorded.find(" (");
  if (open != std::string::npos && Recorded.ends_with(')')) {
    const std::string inner = Recorded.substr(open + 2, Recorded.size() - open - 3);
    if (IsPath(inner)) return PortUserName(inner);
  }
  return Recorded;
}

std::optional<std::int32_t> ComPortNumber(std::string_view Name) {
  if (Name.substr(0, kDevicePrefix.size()) == kDevicePrefix) Name.remove_prefix(kDevicePrefix.size());
  if (Name.size() < 4) return std::nullopt;
  for (std::size_t i = 0; i < 3; ++i) {
    if (std::toupper(static_cast<unsigned char>(Name[i])) != "COM"[i]) return std::nullopt;
  }
  const std::string_view digits = Name.substr(3);
  for (const char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
  }
  std::int32_t n = 0;
  const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  if (ec != std::errc() || ptr != digits.data() + digits.size()) return std::nullopt;
  return n;
}

TSerNamedPort ResolvePortName(std::string_view Typed, const TSerPortTable& Table) {
  const std::string_view text = Trimmed(Typed);
  if (const auto n = ComPortNumber(text)) return {*n, Table.PathOf(*n).value_or(""), true};
  // Ports are numbered from 1: a 0 in the answer means a device outside the
  // table, so a table's port 0 is no port to name.
  for (const auto& [n, path] : Table.Ports()) {
    if (n >= 1 && (SameText(text, path) || SameText(text, ShortPortName(path)) || SameText(text, PortUserName(path)))) {
      return {n, path, false};
    }
  }
  if (text.find_first_of("/\\") != std::string_view::npos) return {0, std::string(text), false};
  return {0, std::string(kDeviceFolder) + std::string(text), false};
}

}  // namespace galt
