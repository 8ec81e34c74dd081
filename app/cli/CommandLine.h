#pragma once
// galt-loader-cli as a whole, apart from the process: the command line in,
// the exit code out, everything printed through `console`.

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/cli/ConsoleOutput.h"
#include "serial/PortTable.h"

namespace galt::cli {

// `args` without the program name; `stopRequested` is polled while an
// operation runs; `consoles` are the kernel's console terminals, the
// system's when not given.
int RunCommandLine(const std::string& program, const std::vector<std::string>& args, ConsoleOutput& console,
                   const TSerPortTable& ports, const std::function<bool()>& stopRequested = {},
                   const std::optional<std::set<std::string>>& consoles = {});

}  // namespace galt::cli
