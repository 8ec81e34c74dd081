#include "serial/PortTable.h"

#include <cctype>

namespace galt {

namespace {

struct TPortRange {
  int First;
  const char* Prefix;
};

constexpr TPortRange kRanges[] = {
    {1, "/dev/ttyS"},
    {33, "/dev/ttyUSB"},
    {65, "/dev/ttyACM"},
};
constexpr int kPortsPerRange = 32;

bool IsCom(std::string_view s) {
  return s.size() >= 3 && std::toupper(static_cast<unsigned char>(s[0])) == 'C' &&
         std::toupper(static_cast<unsigned char>(s[1])) == 'O' &&
         std::toupper(static_cast<unsigned char>(s[2])) == 'M';
}

}  // namespace

std::optional<std::string> PortDevicePath(int PortNum) {
  for (const auto& r : kRanges) {
    if (PortNum >= r.First && PortNum < r.First + kPortsPerRange) {
      return std::string(r.Prefix) + std::to_string(PortNum - r.First);
    }
  }
  return std::nullopt;
}

std::optional<std::string> ResolveDevicePath(std::string_view FormattedName) {
  std::string_view name = FormattedName;
  constexpr std::string_view kDevicePrefix = "\\\\.\\";
  if (name.substr(0, kDevicePrefix.size()) == kDevicePrefix) name.remove_prefix(kDevicePrefix.size());
  if (IsCom(name)) {
    const std::string_view digits = name.substr(3);
    bool numeric = !digits.empty() && digits.size() <= 9;
    for (char c : digits) numeric = numeric && std::isdigit(static_cast<unsigned char>(c));
    if (numeric) return PortDevicePath(std::stoi(std::string(digits)));
  }
  return std::string(FormattedName);
}

}  // namespace galt
