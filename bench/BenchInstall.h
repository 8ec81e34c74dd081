#pragma once
// What the install benchmarks share: the bound an install is set against,
// and the adapters named on their command line.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/emulator/Adapter.h"
#include "tools/emulator/DeviceEmulator.h"

namespace galt::bench {

// The wire's own time of what the device saw: every frame byte both ways at
// 10 bits / 14400 baud (a 10-byte deactivation and its 10-byte
// acknowledgement, 138-byte blocks and echoes, the 10-byte activation and its
// answer, 8-byte queries and 10-byte replies), plus the fixed 1.5 s before
// the first status query.
inline double WireSeconds(const emu::Counters& c) {
  const double bytes = c.deactivations * 20.0 + c.writes * 276.0 + c.activations * 20.0 + c.queries * 18.0;
  return bytes * 10.0 / 14400.0 + 1.5;
}

// "--adapter NAME" (or "all": the bare line, then every modelled bridge),
// taken out of argv: the lines to install over, nullptr for the bare line.
// An unknown name ends the program with exit code 2.
inline std::vector<const emu::AdapterModel*> TakeAdapters(int& argc, char** argv) {
  std::vector<const emu::AdapterModel*> lines{nullptr};
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::string(argv[i]) != "--adapter") continue;
    const std::string name = argv[i + 1];
    if (name == "all") {
      for (const auto& a : emu::Adapters()) lines.push_back(&a);
    } else if (const auto* a = emu::FindAdapter(name)) {
      lines = {a};
    } else {
      std::fprintf(stderr, "--adapter wants all or one of %s, not '%s'\n", emu::AdapterNames().c_str(), name.c_str());
      std::exit(2);
    }
    for (int k = i; k + 2 <= argc; ++k) argv[k] = argv[k + 2];
    argc -= 2;
    break;
  }
  return lines;
}

inline const char* LineName(const emu::AdapterModel* adapter) { return adapter ? adapter->name : "bare line"; }

}  // namespace galt::bench
