#include "app/cli/PortArgument.h"

#include "serial/PortName.h"

namespace galt::cli {

namespace {

// The component fills "%d" of its device name; a path's own "%" must stay.
std::string Literal(std::string_view path) {
  std::string out;
  for (char c : path) {
    out += c;
    if (c == '%') out += '%';
  }
  return out;
}

}  // namespace

PortChoice ChoosePort(std::string_view argument, const TSerPortTable& table) {
  const TSerNamedPort port = ResolvePortName(argument, table);
  if (port.PortNum == 0) return PortChoice{Literal(port.Path), 0, port.Path};
  PortChoice choice{std::string(kComDevicePattern), port.PortNum, ComName(port.PortNum)};
  if (!port.ByNumber) {
    // Named as the user named it: the number is the table's business.
    choice.shown = std::string(argument);
  } else if (!port.Path.empty() && port.Path != ComDeviceName(port.PortNum)) {
    // Where the table's device is the COM port itself (Windows), the name says it all.
    choice.shown += " (" + port.Path + ")";
  }
  return choice;
}

}  // namespace galt::cli
