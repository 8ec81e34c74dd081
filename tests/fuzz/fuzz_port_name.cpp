// Arbitrary port tables and typed names through the one rule of the
// window's port field and --port: no crash, and the answer names what it
// says. A COM number is that number; a port of the table is one whose path
// or names match the text as typed; anything else is a path outside it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "serial/PortName.h"
#include "serial/PortTable.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

using galt::fuzz::Check;

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string_view Trimmed(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

}  // namespace

// Input: lines; the last is what the user typed, the others the table's
// paths, numbered by their first byte.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::map<int, std::string> paths;
  std::size_t start = 0;
  std::size_t end = 0;
  while ((end = text.find('\n', start)) != std::string_view::npos) {
    const std::string_view line = text.substr(start, end - start);
    if (line.size() > 1) paths[static_cast<std::uint8_t>(line[0])] = std::string(line.substr(1));
    start = end + 1;
  }
  const std::string_view typed = text.substr(start);
  const galt::TSerPortTable table(paths);

  const galt::TSerNamedPort named = galt::ResolvePortName(typed, table);
  const std::string_view wanted = Trimmed(typed);
  if (const auto number = galt::ComPortNumber(wanted)) {
    Check(named.ByNumber && named.PortNum == *number);
    Check(named.Path == table.PathOf(*number).value_or(""));
  } else if (named.PortNum != 0) {
    Check(!named.ByNumber && table.PathOf(named.PortNum) == named.Path);
    Check(SameText(wanted, named.Path) || SameText(wanted, galt::ShortPortName(named.Path)) ||
          SameText(wanted, galt::PortUserName(named.Path)));
  } else {
    Check(!named.ByNumber && !named.Path.empty());
    Check(named.Path.size() >= wanted.size() && named.Path.compare(named.Path.size() - wanted.size(), wanted.size(), wanted) == 0);
  }
  for (const auto& [number, path] : paths) {
    Check(galt::PortUserName(path).size() <= galt::ShortPortName(path).size());
    Check(table.Resolve(galt::ComDeviceName(number)) == path);
  }
  return 0;
}
