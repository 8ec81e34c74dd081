#pragma once
// Command line of the galt-emulator tool: the fault knobs of the virtual
// device plus how it is exposed (link name, line pacing, logging).

#include <optional>
#include <string>
#include <vector>

#include "tools/emulator/Adapter.h"
#include "tools/emulator/DeviceEmulator.h"

namespace galt::emucli {

struct Options {
  emu::Faults faults;
  std::string link;           // extra name for the pseudo-terminal, empty: none
  bool pace = false;          // behave like a 14400-baud line
  const emu::AdapterModel* adapter = nullptr;  // the bridge the loader reaches the line through, none: a bare line
  bool quiet = false;         // no frame log
  std::optional<int> serial;  // serial number the flash starts out carrying
  bool help = false;
  bool version = false;
};

struct ParseResult {
  Options options;
  std::string error;  // empty when the command line was understood
};

// `args` without the program name. Accepts "--name value" and "--name=value";
// the last of repeated options wins.
ParseResult ParseOptions(const std::vector<std::string>& args);

std::string Usage(const std::string& program);

}  // namespace galt::emucli
