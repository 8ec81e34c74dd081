#include "app/cli/CommandLine.h"

#include "app/cli/CliOptions.h"
#include "app/cli/JournalListing.h"
#include "app/cli/PortListing.h"
#include "app/cli/Session.h"
#include "frontend/WindowOptions.h"
#include "ports/PortDiscovery.h"

namespace galt::cli {

int RunCommandLine(const std::string& program, const std::vector<std::string>& args, ConsoleOutput& console,
                   const TSerPortTable& ports, const std::function<bool()>& stopRequested,
                   const std::optional<std::set<std::string>>& consoles) {
  using Stream = ConsoleOutput::Stream;
  const CliParse parsed = ParseCliArguments(args);
  if (!parsed.error.empty()) {
    console.Line(Stream::Err, program + ": " + parsed.error);
    console.Line(Stream::Err, "Справка: " + program + " --help");
    return kExitUsage;
  }
  switch (parsed.options.action) {
    case Action::Help: {
      std::string usage = CliUsage(program);
      if (!usage.empty() && usage.back() == '\n') usage.pop_back();
      console.Line(Stream::Out, usage);
      return kExitOk;
    }
    case Action::Version: {
      std::string version = ProgramVersion(program);
      version.pop_back();
      console.Line(Stream::Out, version);
      return kExitOk;
    }
    case Action::List:
      return PrintPortList(ScanPortTable(ports), console);
    case Action::Journal:
      return PrintJournal(ChosenJournal(parsed.options).path, console, 20, stopRequested);
    case Action::Install:
    case Action::Read:
    case Action::Verify:
      break;
  }
  Session session(parsed.options, console, ports, stopRequested, consoles);
  return session.Run();
}

}  // namespace galt::cli
