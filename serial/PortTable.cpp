#include "serial/PortTable.h"

#include "serial/PortName.h"

namespace galt {

std::optional<std::string> TSerPortTable::PathOf(int PortNum) const {
  const auto it = Paths_.find(PortNum);
  if (it == Paths_.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string> TSerPortTable::Resolve(std::string_view FormattedName) const {
  if (const auto n = ComPortNumber(FormattedName)) return PathOf(*n);
  return std::string(FormattedName);
}

}  // namespace galt
