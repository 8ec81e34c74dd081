#include "serial/PortTable.h"

#include <cctype>

namespace galt {

namespace {

bool StartsWithCom(std::string_view s) {
  return s.size() >= 3 && std::toupper(static_cast<unsigned char>(s[0])) == 'C' &&
         std::toupper(static_cast<unsigned char>(s[1])) == 'O' &&
         std::toupper(static_cast<unsigned char>(s[2])) == 'M';
}

}  // namespace

std::optional<std::string> TSerPortTable::PathOf(int PortNum) const {
  const auto it = Paths_.find(PortNum);
  if (it == Paths_.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string> TSerPortTable::Resolve(std::string_view FormattedName) const {
  std::string_view name = FormattedName;
  constexpr std::string_view kDevicePrefix = "\\\\.\\";
  if (name.substr(0, kDevicePrefix.size()) == kDevicePrefix) name.remove_prefix(kDevicePrefix.size());
  if (StartsWithCom(name)) {
    const std::string_view digits = name.substr(3);
    bool numeric = !digits.empty() && digits.size() <= 9;
    for (char c : digits) numeric = numeric && std::isdigit(static_cast<unsigned char>(c));
    if (numeric) return PathOf(std::stoi(std::string(digits)));
  }
  return std::string(FormattedName);
}

}  // namespace galt
