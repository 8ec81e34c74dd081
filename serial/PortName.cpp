#include "serial/PortName.h"

#include <cctype>
#include <charconv>

namespace galt {

std::string ComDeviceName(std::int32_t PortNum) { return std::string(kDevicePrefix) + ComName(PortNum); }

std::string ComName(std::int32_t PortNum) { return "COM" + std::to_string(PortNum); }

std::string ShortPortName(const std::string& Path) {
  constexpr std::string_view kDev = "/dev/";
  if (Path.compare(0, kDev.size(), kDev) == 0 && Path.size() > kDev.size()) return Path.substr(kDev.size());
  if (Path.compare(0, kDevicePrefix.size(), kDevicePrefix) == 0) return Path.substr(kDevicePrefix.size());
  const auto slash = Path.find_last_of('/');
  return slash == std::string::npos ? Path : Path.substr(slash + 1);
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

}  // namespace galt
