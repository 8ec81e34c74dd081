// galt-loader-cli: the loader's install and service passes from a command
// line, for scripts and production lines. See --help.

#include <cstdio>
#include <string>
#include <vector>

#include "app/cli/CommandLine.h"
#include "app/cli/Console.h"

int main(int argc, char** argv) {
  using namespace galt::cli;
  CatchStopRequests();
  const std::string program = "galt-loader-cli";
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  ConsoleOutput console(stdout, stderr, IsTerminal(stdout));
  return RunCommandLine(program, args, console, galt::TSerPortTable::System(), StopRequested);
}
