// galt-loader-cli: the loader's install and service passes from a command
// line, for scripts and production lines. See --help.

#include <cstdio>
#include <string>
#include <vector>

#include "app/cli/CommandLine.h"
#include "app/cli/Console.h"

#ifdef _WIN32
#include "winutil/WideText.h"
#endif

namespace {

int Run(const std::vector<std::string>& args) {
  using namespace galt::cli;
  CatchStopRequests();
  EndSoonAfterAStop();
  ConsoleOutput console(stdout, stderr, IsTerminal(stdout));
  return RunCommandLine("galt-loader-cli", args, console, galt::TSerPortTable::System(), StopRequested);
}

}  // namespace

#ifdef _WIN32
// Entered with the command line in UTF-16 (-municode): narrow arguments come
// in the ANSI code page, which turns a Cyrillic file name on an English
// Windows into question marks.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(galt::Utf8FromWide(argv[i]));
  return Run(args);
}
#else
int main(int argc, char** argv) { return Run(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc)); }
#endif
